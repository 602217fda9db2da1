#pragma once
// A drawing's picture for everything that shows one (the thumbnailer, the contact sheet, batch
// images, the Explorer handlers), DWG or DXF told by content: the picture a drawing stores, or
// else its geometry drawn at the size asked. A DWG drawing is drawn when it stores no bitmap or
// one that can never decode, and its release is one DwgModel reads; when its objects cannot be
// read it stays as it would be without drawing (NoBitmap, or the decoding error).
//
// A stored picture leaves here as a DWG's does (a rebuilt BMP image, black and white exchanged
// in its colour table), so ThumbnailPicture gives it the same ground rule.
#include <cstdint>
#include <optional>
#include <string>

#include "image/ThumbnailPicture.h"
#include "preview/Preview.h"

enum class PictureOutcome {
    Stored,      // `preview` is Ready
    Drawn,       // `drawn` holds the drawing's geometry drawn
    BelowRange,  // a DWG drawing older than any thumbnail
    NoBitmap,    // a DWG drawing whose thumbnail directory holds no bitmap, not drawn
    Empty,       // a DXF drawing with nothing to draw
    TooLarge,    // a DXF drawing larger than the caller's limit: not read
};

struct DrawingPicture {
    PictureOutcome outcome = PictureOutcome::BelowRange;
    bool dxf = false;
    DrawingPreview preview;  // the release code always; the stored image with Stored
    std::optional<RgbaImage> drawn;
};

// Reading a DXF drawing means reading all of it; callers that must answer quickly (Explorer,
// a file manager) refuse larger ones. 64 MiB is about a third of a second at the reader's
// aim of 200 MB/s, beside the second that drawing may take.
inline constexpr uint64_t kDefaultDxfLimitBytes = uint64_t{64} << 20;

struct PictureRequest {
    // The drawn picture's longer side (a stored picture is fitted by its consumer).
    int size = 256;
    // DXF drawings larger than this are not read (TooLarge), DWG drawings not drawn; 0: no
    // limit.
    uint64_t dxfLimit = 0;
    // As ReadDrawingThumbnail: a DWG thumbnail that could never decode fails at once. Off,
    // as ReadDrawingPreview.
    bool decodes = true;
};

// Throws AppError as the DWG extraction and DxfPictureOf do.
DrawingPicture ReadDrawingPicture(ByteSource& drawing, const PictureRequest& request);

// A DWG drawing's geometry drawn `size` on its longer side; none when its release is not read
// or its objects cannot be (the error is swallowed: the caller shows what it would have shown).
// `releaseCode`, where given, is set as DwgModel names it.
std::optional<RgbaImage> DrawnDwg(ByteSource& drawing, int size,
                                  std::string* releaseCode = nullptr);

// The pixels of a Stored or Drawn picture: a stored one through ThumbnailPicture fitted into a
// `limit` square (0: its stored size), a drawn one as drawn. Takes the image from `picture`.
RgbaImage DrawingPixels(DrawingPicture&& picture, int limit, PngDecoder decodePng);

// The limit in bytes for a count of mebibytes a user gave, saturated.
uint64_t DxfLimitFromMebibytes(uint64_t mebibytes);
