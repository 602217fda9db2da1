#pragma once
// The preview handler: a drawing's thumbnail in the shell's preview pane.
#include <windows.h>

namespace shell {

HRESULT CreatePreviewHandler(REFIID iid, void** out);

}  // namespace shell
