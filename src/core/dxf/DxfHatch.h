#pragma once
// A HATCH's boundary paths: polylines with bulges, and edge lists of lines, arcs, elliptic arcs
// and splines. A solid fill gives one area of all its paths (even-odd: islands are holes); a
// pattern gives the paths as closed runs, its lines left out.
#include "dxf/DxfCurves.h"
#include "dxf/DxfGeometry.h"

void HatchOutlines(const DxfEntity& entity, DxfChords& chords, DxfOutlines& out);
