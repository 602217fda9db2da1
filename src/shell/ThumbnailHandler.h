#pragma once
// The thumbnail handler: a drawing's thumbnail for the shell's thumbnail cache, the same
// pixels as ortholux-thumbnailer writes at that size.
#include <windows.h>

namespace shell {

HRESULT CreateThumbnailHandler(REFIID iid, void** out);

}  // namespace shell
