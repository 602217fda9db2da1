#pragma once
// A release as people name it, for the contact sheet and the preview pane: "R2000 (AC1015)".
// The viewer's status bar keeps its own labels (display::ReleaseLabel).
#include <string>
#include <string_view>

namespace display {

// "R13 (AC1012)", "R2018 (AC1032)", "R11/R12 (AC1009)", ... for a code whose release is well
// known; "unknown (CODE)" for any other, CODE written as the tools print it (EscapeControls).
std::string ReleaseName(std::string_view releaseCode);

}  // namespace display
