#pragma once
// The drawings of a folder as the open dialog lists them, in Explorer's order.
#include <string>
#include <vector>

// The names (no folder) of the files in `folder` whose long name ends in ".dwg" in any
// letter case, hidden ones left out as the dialog leaves them out, sorted as Explorer sorts
// (StrCmpLogicalW: "plan2" before "plan10"). Empty when the folder can't be read.
std::vector<std::string> FolderDrawingNames(const std::string& folder);

// Explorer's order of two names (code page 932 bytes): negative, zero or positive.
int ExplorerNameOrder(const std::string& a, const std::string& b);
