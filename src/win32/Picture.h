#pragma once
// A decoded picture: the bitmap the image control draws, with the facts its drawing needs.
#include <windows.h>

#include <cstdint>
#include <span>

#include "Scoped.h"

struct DibImage;

struct Picture {
    win::ScopedBitmap bitmap;
    int width = 0;
    int height = 0;        // always positive; row order is the bitmap's own business
    int bitsPerPixel = 0;  // of the source image, for the choice of stretch mode

    bool Empty() const { return !bitmap; }
};

// Makes a bitmap from a parsed BMP image. When the platform can't, throws
// "Win32 エラー。コード : <code>.\n<message>", or the invalid-bitmap error for code 0.
Picture PictureFromDib(const DibImage& image);

// Decodes a PNG file with the platform's imaging component (COM must be initialised).
// Throws the COM error when the component is missing, the invalid-bitmap error when the
// data is not a PNG image it can decode.
Picture PictureFromPng(std::span<const uint8_t> file);
