#pragma once
// DWG data is a bit stream: fields start at any bit, most significant bit of each byte first.
// The codings of R13 to R2000 (the release passed in chooses where they differ):
//
//   B 1 bit; BB 2 bits; 3B 1 to 3 bits, stopping at a zero
//   RC/RS/RL/RD a byte, and 2, 4, 8 bytes little-endian, read at the current bit
//   BS  BB 00 RS, 01 RC, 10 0, 11 256          BL  BB 00 RL, 01 RC, 10 0
//   BD  BB 00 RD, 01 1.0, 10 0.0               BLL 3 bits n, then n bytes little-endian
//   DD  BB against a default: 00 the default, 01 RL over its low 4 bytes, 10 RS over bytes
//       4-5 then RL over 0-3, 11 RD
//   MC/MS 7- or 15-bit groups, low first, high bit = more follows (MC: 0x40 of the last
//       byte is the sign)
//   H   a byte: code in the high nibble, n in the low; then n bytes, high first
//   T/TV BS length, then that many RC (the drawing's code page)
//   BT  R2000 on: B 1 = 0.0, else BD       BE R2000 on: B 1 = (0,0,1), else 3BD
//   CMC up to R2000: BS colour index
//   OT  R2010 on, an object's type: BB 00 RC, 01 RC + 0x1F0, 1x RS
//   TU  R2007 on, every T/TV: BS length, then that many UTF-16 RS, read from the object's
//       string stream (UseStrings) rather than where the field stands
//
// Every read is checked against the end: a read past it gives zeros and marks the stream as
// overrun, which the caller checks once after a field group. Nothing here can overflow.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "dxf/DxfReader.h"

struct DwgHandleRef {
    uint8_t code = 0;
    uint64_t value = 0;
    // The handle referred to, given the referring object's own handle: codes 6 and 8 are +1
    // and -1 from it, 10 and 12 add and subtract the value; the rest are absolute.
    uint64_t Resolve(uint64_t from) const;
};

// A drawing's release by its code's number, which orders them.
enum DwgRelease : int {
    kR13 = 1012,
    kR14 = 1014,
    kR2000 = 1015,
    kR2004 = 1018,
    kR2007 = 1021,
    kR2010 = 1024,
    kR2013 = 1027,
    kR2018 = 1032,
};

class DwgBits {
  public:
    // `release` chooses the codings of R2000 and later, and the fields each release added.
    DwgBits(std::span<const uint8_t> bytes, int release)
        : bytes_(bytes), end_(uint64_t{bytes.size()} * 8), release_(release) {}

    // From R2007 the strings lie in a stream of their own, bits [start, end) of the same
    // bytes: texts are then read from there, in order, as UTF-16 (other than ASCII given as
    // \U+XXXX, as DXF gives characters outside its code page).
    void UseStrings(uint64_t start, uint64_t end) {
        strings_ = true;
        stringEnd_ = std::min(end, uint64_t{bytes_.size()} * 8);
        stringBit_ = std::min(start, stringEnd_);
    }
    // Finds the string stream that ends at bit `end` (where the handle references start): its
    // last bit says whether there is one, the RS before it its size in bits, and with 0x8000
    // set an RS before that the high bits. False when those lie.
    bool StringsEndingAt(uint64_t end);

    uint64_t Position() const { return bit_; }
    uint64_t End() const { return end_; }
    uint64_t Left() const { return bit_ < End() ? End() - bit_ : 0; }
    // Moves to an absolute bit; past the end it is an overrun.
    void Seek(uint64_t bit);
    bool Overrun() const { return overrun_; }
    bool R2000() const { return release_ >= kR2000; }
    bool R2004() const { return release_ >= kR2004; }
    bool R2007() const { return release_ >= kR2007; }
    bool R2010() const { return release_ >= kR2010; }
    bool R2013() const { return release_ >= kR2013; }
    bool R2018() const { return release_ >= kR2018; }

    uint32_t Bits(int count);  // up to 32
    bool B() { return Bits(1) != 0; }
    uint8_t BB() { return static_cast<uint8_t>(Bits(2)); }
    uint8_t ThreeB();
    uint8_t RC() { return static_cast<uint8_t>(Bits(8)); }
    uint16_t RS();
    uint32_t RL();
    double RD();
    uint16_t BS();
    uint16_t OT();
    uint32_t BL();
    uint64_t BLL();
    double BD();
    double DD(double fallback);
    int64_t MC();
    uint64_t UMC();
    uint64_t MS();
    DwgHandleRef H();
    std::string TV();
    double BT();
    DxfPoint BE();
    // Up to R2000 the index alone; from R2004 an index (0), an RGB whose high byte says how
    // to take it (0xC3 its low byte is the index, 0xC2 a true colour, 0xC1 BYLAYER, 0xC0
    // BYBLOCK), and names. A true colour, where there is one, goes to `trueColour`.
    int CMC(std::optional<uint32_t>* trueColour = nullptr);
    DxfPoint RD2();
    DxfPoint RD3();
    DxfPoint BD2();
    DxfPoint BD3();
    DxfPoint DD2(const DxfPoint& fallback);
    DxfPoint DD3(const DxfPoint& fallback);

  private:
    std::string TU();

    std::span<const uint8_t> bytes_;
    uint64_t end_;
    uint64_t bit_ = 0;
    bool strings_ = false;
    uint64_t stringBit_ = 0, stringEnd_ = 0;
    bool overrun_ = false;
    int release_;
};

// The object CRC: CRC-16 (polynomial 0xA001, reflected) from a seed.
uint16_t DwgCrc(std::span<const uint8_t> bytes, uint16_t seed);
