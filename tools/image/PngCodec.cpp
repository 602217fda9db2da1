#include "PngCodec.h"

#include <png.h>

#include <cstring>

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

RgbaImage DecodePngOrThrow(std::span<const uint8_t> file) {
    RgbaImage image;
    std::string error;
    if (!DecodePng(file, image, error)) throw PngError("damaged PNG thumbnail: " + error);
    return image;
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
