#pragma once
// Builds synthetic DWG drawings byte by byte: any release code, any directory entry count,
// any thumbnail header fields, colour table and pixel bytes, and a cut at any length. Only
// the fields the viewer reads are laid out; everything else is filler.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

class DrawingBuilder {
public:
    // Thumbnail header fields (a BITMAPINFOHEADER); all writable for edge cases.
    int32_t width = 4;
    int32_t height = 2;
    uint16_t planes = 1;
    uint16_t bitCount = 8;
    uint32_t colorsUsed = 0;
    uint32_t headerSize = 40;

    std::string releaseCode = "1015";  // written into bytes 2..5, zero-padded
    uint8_t entryCount = 2;
    uint32_t directoryOffset = 0x40;
    uint32_t thumbnailOffset = 0x100;     // S
    bool overrideLength = false;          // write `length` instead of the real size
    uint32_t length = 0;

    std::vector<uint32_t> colorTable;     // entries as little-endian words 0x00RRGGBB
    std::vector<uint8_t> pixels;          // pixel bytes after the colour table
    std::vector<uint8_t> rawThumbnail;    // when set, used as the thumbnail bytes instead

    // The thumbnail's bytes: header, colour table, pixels (or rawThumbnail).
    std::vector<uint8_t> Thumbnail() const {
        if (!rawThumbnail.empty()) return rawThumbnail;
        std::vector<uint8_t> out;
        Put32(out, headerSize);
        Put32(out, static_cast<uint32_t>(width));
        Put32(out, static_cast<uint32_t>(height));
        Put16(out, planes);
        Put16(out, bitCount);
        Put32(out, 0);  // compression
        Put32(out, static_cast<uint32_t>(pixels.size()));
        Put32(out, 2835);
        Put32(out, 2835);
        Put32(out, colorsUsed);
        Put32(out, 0);
        for (uint32_t c : colorTable) Put32(out, c);
        out.insert(out.end(), pixels.begin(), pixels.end());
        return out;
    }

    std::vector<uint8_t> Build() const {
        const std::vector<uint8_t> thumb = Thumbnail();
        const uint32_t start = thumbnailOffset;
        std::vector<uint8_t> file(
            std::max<std::size_t>(directoryOffset + 39, std::size_t{start} + thumb.size()), 0);
        file[0] = 'A';
        file[1] = 'C';
        for (std::size_t i = 0; i < 4 && i < releaseCode.size(); ++i) {
            file[2 + i] = static_cast<uint8_t>(releaseCode[i]);
        }
        Set32(file, 13, directoryOffset);
        for (int i = 0; i < 16; ++i) file[directoryOffset + i] = static_cast<uint8_t>(0x1F + i);
        Set32(file, directoryOffset + 16, 0);
        file[directoryOffset + 20] = entryCount;
        file[directoryOffset + 21] = 1;  // header-data entry, skipped by the reader
        file[directoryOffset + 30] = 2;  // bitmap entry
        Set32(file, directoryOffset + 31, start);
        Set32(file, directoryOffset + 35,
              overrideLength ? length : static_cast<uint32_t>(thumb.size()));
        std::copy(thumb.begin(), thumb.end(), file.begin() + start);
        return file;
    }

    static void Put16(std::vector<uint8_t>& out, uint16_t v) {
        out.push_back(static_cast<uint8_t>(v));
        out.push_back(static_cast<uint8_t>(v >> 8));
    }
    static void Put32(std::vector<uint8_t>& out, uint32_t v) {
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    static void Set32(std::vector<uint8_t>& out, std::size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
};
