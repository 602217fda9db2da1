// A memory stream over the bytes, the PNG decoder, a conversion to non-premultiplied 32-bit
// RGBA, and one copy into the image's own buffer.
#include "WicPng.h"

#include <wincodec.h>

#include <new>
#include <string>

#include "image/ThumbnailPicture.h"  // PngError
#include "Scoped.h"

namespace win {

namespace {

void Check(HRESULT result, const char* step) {
    if (result == E_OUTOFMEMORY) throw std::bad_alloc();
    if (FAILED(result)) {
        char code[16];
        wsprintfA(code, "%08lx", static_cast<unsigned long>(result));
        throw PngError(std::string("damaged PNG thumbnail: ") + step + " failed, " + code);
    }
}

}  // namespace

RgbaImage DecodePngWithWic(std::span<const uint8_t> file) {
    if (file.empty() || file.size() > 0xFFFFFFFFu) throw PngError("damaged PNG thumbnail: size");
    ComPtr<IWICImagingFactory> factory;
    Check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                           IID_IWICImagingFactory, factory.OutVoid()),
          "imaging component");
    ComPtr<IWICStream> stream;
    Check(factory->CreateStream(stream.Out()), "stream");
    // The stream only reads from the buffer, which outlives it.
    Check(stream->InitializeFromMemory(const_cast<BYTE*>(file.data()),
                                       static_cast<DWORD>(file.size())),
          "stream");
    ComPtr<IWICBitmapDecoder> decoder;
    Check(factory->CreateDecoderFromStream(stream.Get(), &GUID_ContainerFormatPng,
                                           WICDecodeMetadataCacheOnDemand, decoder.Out()),
          "decoder");
    ComPtr<IWICBitmapFrameDecode> frame;
    Check(decoder->GetFrame(0, frame.Out()), "frame");
    ComPtr<IWICFormatConverter> converter;
    Check(factory->CreateFormatConverter(converter.Out()), "converter");
    Check(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppRGBA, WICBitmapDitherTypeNone,
                                nullptr, 0.0, WICBitmapPaletteTypeCustom),
          "conversion");
    UINT width = 0;
    UINT height = 0;
    Check(converter->GetSize(&width, &height), "size");
    if (width == 0 || height == 0 || !RgbaSizeAcceptable(width, height)) {
        throw PngError("damaged PNG thumbnail: size");
    }
    RgbaImage image;
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    // Within 16 MiB (RgbaSizeAcceptable): the 32-bit sizes of the copy cannot wrap.
    const UINT stride = width * 4;
    image.pixels.resize(std::size_t{stride} * height);
    Check(converter->CopyPixels(nullptr, stride, static_cast<UINT>(image.pixels.size()),
                                image.pixels.data()),
          "copy");
    return image;
}

}  // namespace win
