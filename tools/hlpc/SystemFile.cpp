#include "SystemFile.h"

#include <stdexcept>

namespace hlpc {
namespace {

void Record(ByteWriter& out, SystemRecordType type, const Bytes& data) {
    if (data.size() > 0xFFFF) throw std::length_error("|SYSTEM record too large");
    out.U16(type);
    out.U16(static_cast<std::uint16_t>(data.size()));
    out.Append(data);
}

Bytes Text(const std::string& text) {
    ByteWriter data;
    data.CString(text);
    return data.Take();
}

void FixedText(ByteWriter& out, const std::string& text, std::size_t size) {
    if (text.size() >= size) throw std::length_error("text does not fit its field");
    out.Append(text);
    out.Zeros(size - text.size());
}

// The main window, named "main" with the help title as its caption, so engines show the
// title rather than their own name; position, size and colours are left to the engine.
Bytes MainWindow(const std::string& title) {
    constexpr std::uint16_t kNameValid = 0x0002, kCaptionValid = 0x0004;
    ByteWriter data;
    data.U16(kNameValid | kCaptionValid);
    data.Zeros(10);  // type, not given
    FixedText(data, "main", 9);
    FixedText(data, title, 51);
    data.Zeros(kWindowRecordSize - data.Size());  // x, y, width, height, show state, colours
    return data.Take();
}

Bytes Locale() {
    ByteWriter data;
    data.U16(0);  // string comparison flags
    data.U16(0);
    data.U16(0);
    data.U16(0);
    data.U16(kJapaneseLocale);
    return data.Take();
}

void Descriptor(ByteWriter& out, std::uint8_t attributes, std::uint8_t halfPoints, std::uint8_t red,
                std::uint8_t green, std::uint8_t blue) {
    constexpr std::uint8_t kFamilySwiss = 3;
    out.U8(attributes);
    out.U8(halfPoints);
    out.U8(kFamilySwiss);
    out.U16(0);  // the one face name
    out.U8(red);
    out.U8(green);
    out.U8(blue);
    out.Zeros(3);  // background, unused
}

}  // namespace

Bytes BuildSystemFile(const SystemSettings& settings) {
    ByteWriter out;
    out.U16(kSystemMagic);
    out.U16(kSystemMinor);
    out.U16(1);
    out.U32(0);
    out.U16(0);
    Record(out, kSysTitle, Text(settings.title));  // first: the window record refers to it
    if (!settings.copyright.empty()) Record(out, kSysCopyright, Text(settings.copyright));
    ByteWriter contents;
    contents.U32(settings.contentsOffset);
    Record(out, kSysContents, contents.Take());
    Record(out, kSysWindow, MainWindow(settings.title));
    Record(out, kSysLocale, Locale());
    ByteWriter charset;
    charset.U16(kShiftJisCharset);
    Record(out, kSysCharset, charset.Take());
    return out.Take();
}

Bytes BuildFontFile(const std::string& face) {
    constexpr std::uint16_t kHeaderSize = 8;
    constexpr std::uint8_t kBold = 0x01, kUnderline = 0x04;
    ByteWriter out;
    out.U16(1);
    out.U16(4);
    out.U16(kHeaderSize);
    out.U16(static_cast<std::uint16_t>(kHeaderSize + kFaceNameSize));
    FixedText(out, face, kFaceNameSize);
    Descriptor(out, 0, 20, 0, 0, 0);              // body, 10 points
    Descriptor(out, kBold, 28, 0, 0, 0);          // heading, 14 points
    Descriptor(out, kUnderline, 20, 0, 0x80, 0);  // jump label
    Descriptor(out, 0, 2, 0, 0, 0);               // hotspot padding, one point
    return out.Take();
}

}  // namespace hlpc
