#pragma once
// The DXF side of ortholux-preview: a drawing's stored picture or its geometry drawn.
#include <string>
#include <vector>

class ByteSource;

// "DRAWING [OUTPUT]" for a DXF drawing: prints the one line and writes the image. Returns the
// exit status; throws AppError for a damaged drawing.
int RunDxfPreview(ByteSource& drawing, const char* output);

// Whether the arguments are the --draw form.
bool WantsDraw(const std::vector<std::string>& args);
// "--draw [-s SIZE | -s WxH] DRAWING OUT.png". Returns the exit status.
int RunDrawCommand(const std::vector<std::string>& args, const char* usage);
