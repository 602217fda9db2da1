// A memory stream over the bytes, the PNG decoder and a format converter; rows are copied out
// a strip at a time.
#include "WicPng.h"

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "image/AreaScale.h"
#include "image/ThumbnailPicture.h"  // PngError

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

// Rows copied at once: a few hundred KiB, whatever the width.
constexpr UINT kStripBytes = 256 * 1024;

}  // namespace

HRESULT CreateImagingFactory(ComPtr<IWICImagingFactory>& factory) {
    return CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                            IID_IWICImagingFactory, factory.OutVoid());
}

PngFrame::PngFrame(IWICImagingFactory* factory, std::span<const uint8_t> file, const GUID& format) {
    if (file.empty() || file.size() > 0xFFFFFFFFu) throw PngError("damaged PNG thumbnail: size");
    Check(factory->CreateStream(stream_.Out()), "stream");
    // The stream only reads from the buffer, which outlives it.
    Check(stream_->InitializeFromMemory(const_cast<BYTE*>(file.data()),
                                        static_cast<DWORD>(file.size())),
          "stream");
    Check(factory->CreateDecoderFromStream(stream_.Get(), &GUID_ContainerFormatPng,
                                           WICDecodeMetadataCacheOnDemand, decoder_.Out()),
          "decoder");
    Check(decoder_->GetFrame(0, frame_.Out()), "frame");
    Check(factory->CreateFormatConverter(converter_.Out()), "converter");
    Check(converter_->Initialize(frame_.Get(), format, WICBitmapDitherTypeNone, nullptr, 0.0,
                                 WICBitmapPaletteTypeCustom),
          "conversion");
    Check(converter_->GetSize(&width_, &height_), "size");
    if (width_ == 0 || height_ == 0) throw PngError("damaged PNG thumbnail: size");
}

void PngFrame::CopyRows(UINT first, UINT count, UINT stride, uint8_t* out) {
    const WICRect rows{0, static_cast<INT>(first), static_cast<INT>(width_),
                       static_cast<INT>(count)};
    Check(converter_->CopyPixels(&rows, stride, stride * count, out), "copy");
}

RgbaImage DecodePngWithWic(std::span<const uint8_t> file, int limit) {
    ComPtr<IWICImagingFactory> factory;
    Check(CreateImagingFactory(factory), "imaging component");
    PngFrame frame(factory.Get(), file, GUID_WICPixelFormat32bppRGBA);
    if (!RgbaSizeAcceptable(frame.Width(), frame.Height())) {
        throw PngError("damaged PNG thumbnail: size");
    }
    const auto width = static_cast<int>(frame.Width());
    const auto height = static_cast<int>(frame.Height());
    AreaScaler scaler(width, height,
                      limit > 0 ? FitWithin(width, height, limit) : Size2{width, height});
    // Within kMaxPictureSide a side: a row is at most 16 KiB and a strip within 32 bits.
    const UINT stride = frame.Width() * 4;
    const UINT strip = std::max<UINT>(1, kStripBytes / stride);
    std::vector<uint8_t> rows(std::size_t{stride} * strip);
    for (UINT first = 0; first < frame.Height(); first += strip) {
        const UINT count = std::min(strip, frame.Height() - first);
        frame.CopyRows(first, count, stride, rows.data());
        for (UINT y = 0; y < count; ++y) scaler.AddRow(rows.data() + std::size_t{stride} * y);
    }
    return scaler.Finish();
}

}  // namespace win
