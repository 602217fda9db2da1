#include "PngCodec.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <new>
#include <optional>

#include "image/AreaScale.h"
#include "image/ThumbnailPicture.h"

bool DecodePng(std::span<const uint8_t> file, RgbaImage& image, std::string& error) {
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, file.data(), file.size())) {
        error = png.message;
        return false;
    }
    // Check the size before libpng is asked for a buffer of it.
    if (!RgbaSizeAcceptable(png.width, png.height)) {
        png_image_free(&png);
        error = "image too large";
        return false;
    }
    png.format = PNG_FORMAT_RGBA;
    image.width = static_cast<int>(png.width);
    image.height = static_cast<int>(png.height);
    image.pixels.assign(PNG_IMAGE_SIZE(png), 0);
    if (!png_image_finish_read(&png, nullptr, image.pixels.data(), 0, nullptr)) {
        error = png.message;
        png_image_free(&png);
        return false;
    }
    return true;
}

namespace {

// One read through libpng's row interface. libpng reports errors by longjmp to Run's setjmp,
// so everything with a destructor lives here, outside that frame, and Run itself holds none.
struct RowReader {
    std::span<const uint8_t> file;
    std::size_t at = 0;
    int limit = 0;
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::string error;
    bool outOfMemory = false;
    std::vector<uint8_t> rows;  // one row; the whole image only when interlaced
    std::optional<AreaScaler> scaler;

    ~RowReader() { png_destroy_read_struct(&png, &info, nullptr); }
};

void ReadFromMemory(png_structp png, png_bytep out, std::size_t length) {
    auto* reader = static_cast<RowReader*>(png_get_io_ptr(png));
    if (length > reader->file.size() - reader->at) png_error(png, "file cut short");
    std::memcpy(out, reader->file.data() + reader->at, length);
    reader->at += length;
}

void Failed(png_structp png, png_const_charp message) {
    static_cast<RowReader*>(png_get_error_ptr(png))->error = message;
    png_longjmp(png, 1);
}

void Warned(png_structp, png_const_charp) {}

// libpng's own buffers come from operator new too, so one count of the heap sees them all.
png_voidp Allocate(png_structp png, png_alloc_size_t size) {
    void* memory = ::operator new(size, std::nothrow);
    if (!memory) static_cast<RowReader*>(png_get_error_ptr(png))->outOfMemory = true;
    return memory;
}

void Release(png_structp, png_voidp memory) { ::operator delete(memory); }

// The transformations libpng's simplified reader sets for 8-bit RGBA, so that the pixels are
// the ones DecodePng gives: palette, grey and tRNS expanded, 16 bits scaled, gamma brought to
// sRGB (a 16-bit file without gAMA counts as linear), opaque alpha added where there is none.
void SetRgba(png_structp png, png_infop info) {
    const int colorType = png_get_color_type(png, info);
    const bool sixteen = png_get_bit_depth(png, info) == 16;
    png_set_expand(png);
    if ((colorType & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(png);
    png_set_alpha_mode_fixed(png, PNG_ALPHA_PNG, sixteen ? PNG_GAMMA_LINEAR : PNG_DEFAULT_sRGB);
    if (sixteen) png_set_scale_16(png);
    if ((colorType & PNG_COLOR_MASK_ALPHA) == 0 && !png_get_valid(png, info, PNG_INFO_tRNS)) {
        png_set_add_alpha(png, 255, PNG_FILLER_AFTER);
    }
    png_set_alpha_mode_fixed(png, PNG_ALPHA_PNG, PNG_DEFAULT_sRGB);
}

bool Run(RowReader& r) {
    if (setjmp(png_jmpbuf(r.png))) return false;
    png_set_benign_errors(r.png, 1);
    png_set_read_fn(r.png, &r, ReadFromMemory);
    png_read_info(r.png, r.info);
    const png_uint_32 width = png_get_image_width(r.png, r.info);
    const png_uint_32 height = png_get_image_height(r.png, r.info);
    // Checked before any buffer of the size is asked for.
    if (!RgbaSizeAcceptable(width, height)) png_error(r.png, "image too large");
    SetRgba(r.png, r.info);
    const int passes = png_set_interlace_handling(r.png);
    png_read_update_info(r.png, r.info);
    if (png_get_rowbytes(r.png, r.info) != std::size_t{width} * 4) {
        png_error(r.png, "unexpected row size");
    }
    const auto w = static_cast<int>(width);
    const auto h = static_cast<int>(height);
    const Size2 target = r.limit > 0 ? FitWithin(w, h, r.limit) : Size2{w, h};
    r.scaler.emplace(w, h, target);
    const std::size_t stride = std::size_t{width} * 4;
    if (passes == 1) {
        r.rows.assign(stride, 0);
        for (int y = 0; y < h; ++y) {
            png_read_row(r.png, r.rows.data(), nullptr);
            r.scaler->AddRow(r.rows.data());
        }
        return true;
    }
    // Interlaced: each pass adds to rows of the whole image, which is read before scaling.
    r.rows.assign(stride * height, 0);
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < h; ++y) png_read_row(r.png, r.rows.data() + stride * y, nullptr);
    }
    for (int y = 0; y < h; ++y) r.scaler->AddRow(r.rows.data() + stride * y);
    return true;
}

}  // namespace

RgbaImage DecodePngFitted(std::span<const uint8_t> file, int limit) {
    RowReader reader;
    reader.file = file;
    reader.limit = limit;
    reader.png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, &reader, Failed, Warned, nullptr,
                                          Allocate, Release);
    if (reader.png) reader.info = png_create_info_struct(reader.png);
    if (!reader.png || !reader.info) throw std::bad_alloc();
    if (!Run(reader)) {
        if (reader.outOfMemory) throw std::bad_alloc();
        throw PngError("damaged PNG thumbnail: " + reader.error);
    }
    return reader.scaler->Finish();
}

namespace {

// libpng takes the rows from the size alone: a buffer that does not match it is refused.
bool Writable(const RgbaImage& image, std::string& error) {
    if (RgbaSizeAcceptable(image.width, image.height) &&
        image.pixels.size() == static_cast<std::size_t>(image.width) * image.height * 4) {
        return true;
    }
    error = "image size does not match its pixels";
    return false;
}

png_image WriterFor(const RgbaImage& image, PngEffort effort = PngEffort::Smaller) {
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_RGBA;
    if (effort == PngEffort::Faster) png.flags |= PNG_IMAGE_FLAG_FAST;
    return png;
}

}  // namespace

bool EncodePng(const RgbaImage& image, std::FILE* out, std::string& error, PngEffort effort) {
    if (!Writable(image, error)) return false;
    png_image png = WriterFor(image, effort);
    if (!png_image_write_to_stdio(&png, out, 0, image.pixels.data(), 0, nullptr)) {
        error = png.message;
        return false;
    }
    return true;
}

bool EncodePngToMemory(const RgbaImage& image, std::vector<uint8_t>& out, std::string& error) {
    if (!Writable(image, error)) return false;
    png_image png = WriterFor(image);
    png_alloc_size_t size = 0;
    // The first call measures, the second writes.
    if (!png_image_write_to_memory(&png, nullptr, &size, 0, image.pixels.data(), 0, nullptr)) {
        error = png.message;
        return false;
    }
    out.resize(size);
    if (!png_image_write_to_memory(&png, out.data(), &size, 0, image.pixels.data(), 0, nullptr)) {
        error = png.message;
        return false;
    }
    out.resize(size);
    return true;
}
