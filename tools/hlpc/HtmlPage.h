#pragma once
// The help as one HTML page, for systems without a WinHelp engine: the same topics, the
// contents topic first, each topic an in-page anchor named after its context, and the jumps
// as links to those anchors. UTF-8, readable without scripts.
#include <string>

#include "HelpSource.h"

namespace hlpc {

// The whole page in UTF-8. Throws std::runtime_error if a text is not Shift-JIS.
std::string BuildHtmlPage(const HelpProject& project);

}  // namespace hlpc
