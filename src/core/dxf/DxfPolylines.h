#pragma once
// LWPOLYLINE and POLYLINE (2D with bulges, 3D, polyface and polygon meshes) as runs. Widths are
// not drawn: a wide polyline is its centre line.
#include <span>
#include <vector>

#include "dxf/DxfCurves.h"
#include "dxf/DxfGeometry.h"

void LwPolylineOutlines(const DxfEntity& entity, DxfChords& chords, DxfOutlines& out);
// `vertices`: the VERTEX records after the POLYLINE, in file order.
void PolylineOutlines(const DxfEntity& entity, std::span<const DxfEntity> vertices,
                      DxfChords& chords, DxfOutlines& out);

// The edges of a face (3DFACE, a polyface's face): edge i, from corner i to the next, is drawn
// when visible[i]; all of them give one closed run.
void FaceEdges(std::span<const DxfPoint> corners, const std::vector<bool>& visible,
               DxfOutlines& out);
