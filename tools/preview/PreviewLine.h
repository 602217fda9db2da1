#pragma once
// The one line the tool prints for a drawing, shared by the single-file and batch forms.
#include <string>

#include "preview/Preview.h"

// "Ready CODE WIDTHxHEIGHT bmp|png", "BelowRange CODE" or "NoBitmap CODE", no newline; CODE
// is the drawing's release code with control bytes and "\" written \xHH (EscapeControls).
std::string PreviewLine(const DrawingPreview& preview);
