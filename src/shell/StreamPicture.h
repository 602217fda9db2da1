#pragma once
// One drawing's thumbnail from the stream a host handed over, as pixels: what both handlers
// draw. A DWG drawing costs its header, thumbnail directory and thumbnail; a DXF drawing is
// read whole, for the picture it stores or its geometry drawn, up to a size limit.
#include <objidl.h>

#include "image/DrawingPicture.h"

namespace shell {

struct StreamPicture {
    RgbaImage pixels;
    ImageKind kind = ImageKind::Bmp;  // Png: the pixels have alpha
    std::string releaseCode;
};

// Explorer asks for every drawing of a folder it shows, so DXF drawings larger than a limit
// are not read, nor DWG drawings drawn: the DWORD DxfLimitMB (mebibytes, 0 reads none) under
// Software\Ortholux of HKEY_CURRENT_USER, else of HKEY_LOCAL_MACHINE, else
// kDefaultDxfLimitBytes.
uint64_t DxfLimit();

// `limit` > 0 fits the picture into a limit square (never enlarged); 0 keeps the stored
// size. A drawing without a stored picture (DXF, or DWG that DwgModel reads) is drawn with
// its longer side `drawSize` (0: `limit`, or 256 when that is 0 too). S_OK with the picture,
// or kNothingToShow (also for a drawing past the limit), kDamaged, the stream's own error,
// E_OUTOFMEMORY; never throws.
HRESULT ReadStreamPicture(IStream* stream, int limit, StreamPicture& picture,
                          int drawSize = 0) noexcept;

}  // namespace shell
