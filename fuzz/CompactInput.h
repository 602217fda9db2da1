#pragma once
// How the thumbnail-path target spells a drawing of many megabytes in a few bytes, so that
// long run-length streams, counters near 2^31 and data past the decoders' caps are in reach
// of a small input. The input is a list of pieces:
//
//   h in 0x00..0x7F   a literal: the next h + 1 bytes
//   h in 0x80..0xFF   a repeat: a byte n, a 32-bit little-endian count k, then n + 1 bytes
//                     written k times
//
// A piece cut short by the input's end keeps what it holds; the drawing ends at kMaxExpanded
// bytes, or the cap a target gives.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "bitmap/Dib.h"
#include "preview/ByteSource.h"

namespace fuzz {

// Room for run-length data four times past the decoders' cut at kMaxDibPixelBytes (a stream
// that could carry a counter near 2^31 is cut there), and a header. Every byte costs: the
// thumbnail is read whole before it is decoded.
inline constexpr std::size_t kMaxExpanded = 4 * kMaxDibPixelBytes + (std::size_t{64} << 10);

// The pieces of an input, where each lies in the drawing it spells.
struct CompactPieces {
    struct Piece {
        uint64_t start;                    // in the drawing
        uint64_t size;                     // bytes it spells
        std::span<const uint8_t> pattern;  // a literal's bytes, or the repeated ones
    };
    std::vector<Piece> pieces;
    uint64_t size = 0;

    explicit CompactPieces(std::span<const uint8_t> input, uint64_t cap = kMaxExpanded) {
        std::size_t at = 0;
        while (at < input.size() && size < cap) {
            const uint8_t head = input[at++];
            std::size_t n = 0;
            uint64_t bytes = 0;
            if (head < 0x80) {
                n = std::min<std::size_t>(head + 1u, input.size() - at);
                bytes = n;
            } else {
                if (input.size() - at < 5) break;
                n = std::min<std::size_t>(input[at] + 1u, input.size() - at - 5);
                const uint32_t times = static_cast<uint32_t>(input[at + 1]) | input[at + 2] << 8 |
                                       input[at + 3] << 16 |
                                       static_cast<uint32_t>(input[at + 4]) << 24;
                at += 5;
                bytes = uint64_t{times} * n;
            }
            bytes = std::min<uint64_t>(bytes, cap - size);
            if (bytes != 0) pieces.push_back({size, bytes, input.subspan(at, n)});
            size += bytes;
            at += n;
        }
    }
};

// The drawing such an input spells, read where its bytes lie without ever being written out
// whole: only what the code under test reads costs memory and time.
class CompactSource final : private CompactPieces, public ByteSource {
  public:
    explicit CompactSource(std::span<const uint8_t> input, uint64_t cap = kMaxExpanded)
        : CompactPieces(input, cap), ByteSource(CompactPieces::size) {}

  private:
    bool ReadAt(uint64_t offset, std::span<uint8_t> out) override {
        if (out.empty()) return true;  // an empty drawing has no piece to start from
        auto piece = std::upper_bound(pieces.begin(), pieces.end(), offset,
                                      [](uint64_t at, const Piece& p) { return at < p.start; });
        std::size_t done = 0;
        for (--piece; done < out.size(); ++piece) {
            const uint64_t from = offset + done - piece->start;
            const std::size_t n =
                static_cast<std::size_t>(std::min<uint64_t>(piece->size - from, out.size() - done));
            const std::span<uint8_t> part = out.subspan(done, n);
            const std::size_t period = piece->pattern.size();
            // The pattern once from its phase, then doubling copies of what is written.
            const std::size_t phase = static_cast<std::size_t>(from % period);
            const std::size_t first = std::min(n, period);
            for (std::size_t i = 0; i < first; ++i) part[i] = piece->pattern[(phase + i) % period];
            for (std::size_t copied = first; copied < n;) {
                const std::size_t more = std::min(copied - copied % period, n - copied);
                std::copy_n(part.begin(), more, part.begin() + copied);
                copied += more;
            }
            done += n;
        }
        return true;
    }
};

// A repeat piece: `pattern` (1 to 256 bytes) written `times` times.
inline void AppendRepeat(std::vector<uint8_t>& out, std::span<const uint8_t> pattern,
                         uint32_t times) {
    out.push_back(0x80);
    out.push_back(static_cast<uint8_t>(pattern.size() - 1));
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(times >> shift));
    out.insert(out.end(), pattern.begin(), pattern.end());
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
        AppendRepeat(out, bytes.subspan(at, bestPeriod), static_cast<uint32_t>(bestTimes));
        at += bestTimes * bestPeriod;
    }
    flush();
    return out;
}

}  // namespace fuzz
