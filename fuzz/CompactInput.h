#pragma once
// How the thumbnail-path target spells a drawing of many megabytes in a few bytes, so that
// long run-length streams, counters near 2^31 and data past the decoders' caps are in reach
// of a small input. The input is a list of pieces:
//
//   h in 0x00..0x7F   a literal: the next h + 1 bytes
//   h in 0x80..0xFF   a repeat: a byte n, a 32-bit little-endian count k, then n + 1 bytes
//                     written k times
//
// A piece cut short by the input's end keeps what it holds; the drawing stops growing at
// kMaxExpanded bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace fuzz {

// Room for the 67 MB run-length stream that once wrapped the decoder's column, and a header.
inline constexpr std::size_t kMaxExpanded = std::size_t{72} << 20;

inline std::vector<uint8_t> ExpandCompact(std::span<const uint8_t> input) {
    std::vector<uint8_t> out;
    std::size_t at = 0;
    while (at < input.size() && out.size() < kMaxExpanded) {
        const uint8_t head = input[at++];
        if (head < 0x80) {
            const std::size_t n = std::min<std::size_t>(head + 1u, input.size() - at);
            out.insert(out.end(), input.begin() + at, input.begin() + at + n);
            at += n;
            continue;
        }
        if (input.size() - at < 5) break;
        const std::size_t n = std::min<std::size_t>(input[at] + 1u, input.size() - at - 5);
        const uint32_t times = static_cast<uint32_t>(input[at + 1]) | input[at + 2] << 8 |
                               input[at + 3] << 16 | static_cast<uint32_t>(input[at + 4]) << 24;
        at += 5;
        const auto pattern = input.subspan(at, n);
        at += n;
        if (n == 0) continue;
        const std::size_t room = (kMaxExpanded - out.size()) / n + 1;
        const std::size_t bytes = std::min<std::size_t>(times, room) * n;
        const std::size_t start = out.size();
        out.resize(start + bytes);
        std::copy(pattern.begin(), pattern.end(), out.begin() + start);
        for (std::size_t done = std::min(n, bytes); done < bytes;) {  // doubling copies
            const std::size_t more = std::min(done, bytes - done);
            std::copy_n(out.begin() + start, more, out.begin() + start + done);
            done += more;
        }
    }
    if (out.size() > kMaxExpanded) out.resize(kMaxExpanded);
    return out;
}

// The seeds' encoder: runs of a 1-, 2- or 4-byte pattern repeated at least 16 times become
// repeats, everything else literals.
inline std::vector<uint8_t> EncodeCompact(std::span<const uint8_t> bytes) {
    std::vector<uint8_t> out;
    std::vector<uint8_t> literal;
    auto flush = [&] {
        for (std::size_t i = 0; i < literal.size(); i += 128) {
            const std::size_t n = std::min<std::size_t>(128, literal.size() - i);
            out.push_back(static_cast<uint8_t>(n - 1));
            out.insert(out.end(), literal.begin() + i, literal.begin() + i + n);
        }
        literal.clear();
    };
    std::size_t at = 0;
    while (at < bytes.size()) {
        std::size_t bestPeriod = 0, bestTimes = 0;
        for (const std::size_t period : {1u, 2u, 4u}) {
            if (bytes.size() - at < period) break;
            std::size_t times = 1;
            while (at + (times + 1) * period <= bytes.size() && times < UINT32_MAX &&
                   std::equal(bytes.begin() + at, bytes.begin() + at + period,
                              bytes.begin() + at + times * period)) {
                ++times;
            }
            if (times * period > bestTimes * bestPeriod) bestPeriod = period, bestTimes = times;
        }
        if (bestTimes < 16) {
            literal.push_back(bytes[at++]);
            continue;
        }
        flush();
        out.push_back(0x80);
        out.push_back(static_cast<uint8_t>(bestPeriod - 1));
        for (int shift = 0; shift < 32; shift += 8) {
            out.push_back(static_cast<uint8_t>(bestTimes >> shift));
        }
        out.insert(out.end(), bytes.begin() + at, bytes.begin() + at + bestPeriod);
        at += bestTimes * bestPeriod;
    }
    flush();
    return out;
}

}  // namespace fuzz
