#pragma once
// The picture of a DXF drawing: the one it stores (THUMBNAILIMAGE) or its geometry drawn, on
// the ground CAD programs give their thumbnails, framed as they frame them. The same bytes give
// the same pixels on every platform.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "image/RgbaImage.h"

class ByteSource;

struct DrawRequest {
    // The picture's size. `height` 0: `width` is the longer side and the other follows the
    // frame's aspect; both given: exactly that picture, framed for it.
    int width = 256;
    int height = 0;
    // A stored picture, where there is one, is given instead of drawing.
    bool preferStored = true;
};

struct DrawReport {
    std::size_t entities = 0;       // entities met in the space drawn
    std::size_t skippedBodies = 0;  // ACIS bodies, not drawn
    bool budgetRanOut = false;      // parts were left out or drawn as their boxes
};

struct DxfPicture {
    std::string releaseCode;         // from $ACADVER, as for DWG: "1015"
    std::vector<uint8_t> stored;     // the stored DIB, when preferred and present
    std::optional<RgbaImage> drawn;  // nothing drawn: none (an empty drawing)
    DrawReport report;
};

// Whether the bytes are a DXF file (ASCII or binary), told by content.
bool LooksLikeDxf(ByteSource& source);

// Throws AppError: the damaged-DXF kind for a file that is no DXF drawing or is damaged.
DxfPicture DxfPictureOf(ByteSource& source, const DrawRequest& request);

// A DWG drawing's geometry drawn as DxfPictureOf draws a DXF drawing's, for the releases
// DwgModel reads; `stored` stays empty (a DWG's thumbnail is read apart, see Preview.h).
// Throws AppError as DwgModel does.
DxfPicture DwgPictureOf(ByteSource& source, const DrawRequest& request);
