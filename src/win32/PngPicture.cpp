// PNG thumbnails (drawings from release "1027" on) are decoded by the platform's imaging
// component: a stream over the bytes in memory, its decoder, and a conversion to 32-bit BGR
// rows copied straight into a top-down DIB section.
#include <wincodec.h>

#include "Error.h"
#include "Picture.h"
#include "SystemError.h"

namespace {

// The largest picture accepted: its rows must fit the 32-bit sizes of the copy call.
constexpr uint64_t kMaxPixelBytes = 0x7FFFFFFF;

// A failure that depends on the data: the image is not one the decoder can read.
void Decode(HRESULT result) {
    if (result == E_OUTOFMEMORY) throw AppError(ErrorKind::OutOfMemory);
    if (FAILED(result)) throw AppError(ErrorKind::InvalidBitmap);
}

win::ComPtr<IWICImagingFactory> CreateFactory() {
    win::ComPtr<IWICImagingFactory> factory;
    win::CheckCom(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IWICImagingFactory, factory.OutVoid()));
    return factory;
}

}  // namespace

Picture PictureFromPng(std::span<const uint8_t> file) {
    if (file.empty() || file.size() > 0xFFFFFFFFu) throw AppError(ErrorKind::InvalidBitmap);
    const auto factory = CreateFactory();

    win::ComPtr<IWICStream> stream;
    win::CheckCom(factory->CreateStream(stream.Out()));
    // The stream only reads from the buffer, which outlives it.
    Decode(stream->InitializeFromMemory(const_cast<BYTE*>(file.data()),
                                        static_cast<DWORD>(file.size())));

    win::ComPtr<IWICBitmapDecoder> decoder;
    Decode(factory->CreateDecoderFromStream(stream.Get(), &GUID_ContainerFormatPng,
                                            WICDecodeMetadataCacheOnDemand, decoder.Out()));
    win::ComPtr<IWICBitmapFrameDecode> frame;
    Decode(decoder->GetFrame(0, frame.Out()));

    win::ComPtr<IWICFormatConverter> converter;
    win::CheckCom(factory->CreateFormatConverter(converter.Out()));
    Decode(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone,
                                 nullptr, 0.0, WICBitmapPaletteTypeCustom));

    UINT width = 0;
    UINT height = 0;
    Decode(converter->GetSize(&width, &height));
    const uint64_t stride = uint64_t{width} * 4;
    if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX ||
        stride * height > kMaxPixelBytes) {
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
    Decode(converter->CopyPixels(nullptr, static_cast<UINT>(stride),
                                 static_cast<UINT>(stride * height), static_cast<BYTE*>(bits)));
    picture.width = static_cast<int>(width);
    picture.height = static_cast<int>(height);
    picture.bitsPerPixel = 32;
    return picture;
}
