// PNG thumbnails (drawings from release "1027" on) go through the one WIC decoder (WicPng):
// 32-bit BGR rows copied straight into a top-down DIB section, the full-size picture the
// viewer stretches itself.
#include <new>

#include "Error.h"
#include "Picture.h"
#include "SystemError.h"
#include "WicPng.h"
#include "image/ThumbnailPicture.h"  // PngError

namespace {

// The largest picture shown: its rows must fit the 32-bit sizes of the copy call.
constexpr uint64_t kMaxPixelBytes = 0x7FFFFFFF;

Picture Decode(std::span<const uint8_t> file) {
    win::ComPtr<IWICImagingFactory> factory;
    win::CheckCom(win::CreateImagingFactory(factory));
    win::PngFrame frame(factory.Get(), file, GUID_WICPixelFormat32bppBGR);
    const UINT width = frame.Width();
    const UINT height = frame.Height();
    const uint64_t stride = uint64_t{width} * 4;
    if (width > INT32_MAX || height > INT32_MAX || stride * height > kMaxPixelBytes) {
        throw AppError(ErrorKind::InvalidBitmap);
    }

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = static_cast<LONG>(width);
    info.bmiHeader.biHeight = -static_cast<LONG>(height);  // top-down, as WIC copies rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;

    Picture picture;
    void* bits = nullptr;
    SetLastError(0);
    picture.bitmap.Reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!picture.bitmap || !bits) win::ThrowLastErrorOr(ErrorKind::InvalidBitmap);
    frame.CopyRows(0, height, static_cast<UINT>(stride), static_cast<uint8_t*>(bits));
    picture.width = static_cast<int>(width);
    picture.height = static_cast<int>(height);
    picture.bitsPerPixel = 32;
    return picture;
}

}  // namespace

Picture PictureFromPng(std::span<const uint8_t> file) {
    // The viewer's own error kinds for what the decoder reports.
    try {
        return Decode(file);
    } catch (const PngError&) {
        throw AppError(ErrorKind::InvalidBitmap);
    } catch (const std::bad_alloc&) {
        throw AppError(ErrorKind::OutOfMemory);
    }
}
