#pragma once
// The one PNG decoder of the Windows programs: the imaging component's PNG decoder and a
// conversion to a 4-byte pixel format, read in strips of rows. The viewer copies all rows into
// its DIB section; the shell handlers feed them to the core's AreaScaler. COM must be
// initialised on the calling thread.
#include <wincodec.h>

#include <cstdint>
#include <span>

#include "Scoped.h"
#include "image/RgbaImage.h"

namespace win {

// The imaging component, or its failure (absent, not registered).
HRESULT CreateImagingFactory(ComPtr<IWICImagingFactory>& factory);

class PngFrame {
  public:
    // The PNG's first frame converted to `format` (4 bytes a pixel). Throws PngError when the
    // data is no PNG the component can decode, std::bad_alloc when memory runs out. `file`
    // must outlive the frame: the component reads it in place.
    PngFrame(IWICImagingFactory* factory, std::span<const uint8_t> file, const GUID& format);

    UINT Width() const { return width_; }
    UINT Height() const { return height_; }
    // Rows [first, first + count) into `out`, `stride` bytes apart (at least Width() * 4;
    // stride * count must fit 32 bits). Throws as the constructor does.
    void CopyRows(UINT first, UINT count, UINT stride, uint8_t* out);

  private:
    ComPtr<IWICStream> stream_;
    ComPtr<IWICBitmapDecoder> decoder_;
    ComPtr<IWICBitmapFrameDecode> frame_;
    ComPtr<IWICFormatConverter> converter_;
    UINT width_ = 0;
    UINT height_ = 0;
};

// The shell's PngDecoder: straight 8-bit RGBA, rows top-down, fitted into a `limit` square
// (0: the stored size) by an AreaScaler strip by strip, so no full-size copy is made here.
// Throws PngError also when the component is missing or a side is past kMaxPictureSide,
// std::bad_alloc when memory runs out.
RgbaImage DecodePngWithWic(std::span<const uint8_t> file, int limit);

}  // namespace win
