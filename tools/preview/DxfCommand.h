#pragma once
// The drawing side of ortholux-preview: a DXF drawing's stored picture or its geometry drawn,
// and a DWG drawing's geometry where it stores no thumbnail or --draw asks.
#include <optional>
#include <string>
#include <vector>

class ByteSource;

// "DRAWING [OUTPUT]" for a DXF drawing: prints the one line and writes the image. Returns the
// exit status; throws AppError for a damaged drawing.
int RunDxfPreview(ByteSource& drawing, const char* output);

// "DRAWING [OUTPUT]" for a DWG drawing whose thumbnail directory holds no bitmap: its geometry
// drawn, the one line printed and the image written; none when it cannot be drawn.
std::optional<int> RunDwgDrawn(ByteSource& drawing, const char* output);

// Whether the arguments are the --draw form.
bool WantsDraw(const std::vector<std::string>& args);
// "--draw [-s SIZE | -s WxH] DRAWING OUT.png". Returns the exit status.
int RunDrawCommand(const std::vector<std::string>& args, const char* usage);
