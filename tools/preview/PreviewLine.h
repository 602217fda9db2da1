#pragma once
// The one line the tool prints for a drawing, shared by the single-file and batch forms.
#include <string>

#include "image/DrawingPicture.h"
#include "preview/Preview.h"

// "Ready CODE WIDTHxHEIGHT bmp|png", "BelowRange CODE" or "NoBitmap CODE", no newline; CODE
// is the drawing's release code with control bytes and "\" written \xHH (EscapeControls).
std::string PreviewLine(const DrawingPreview& preview);

// The same for any drawing: a stored picture as above, a DXF drawing's geometry drawn
// "Drawn CODE WIDTHxHEIGHT png", one with nothing to draw "Empty CODE".
std::string PictureLine(const DrawingPicture& picture);
