#include "DxfTextLayout.h"

#include <utility>

#include "draw/StrokeFont.h"

namespace {

constexpr int kBoxAdvance = 18, kWideBoxAdvance = 24;

// Typographic marks the font has a plain twin of.
struct Twin {
    char32_t code;
    std::string_view ascii;
};
constexpr Twin kTwins[] = {
    {0x2018, "'"},  {0x2019, "'"},  {0x201A, ","},   {0x201C, "\""},   {0x201D, "\""},
    {0x201E, "\""}, {0x2010, "-"},  {0x2011, "-"},   {0x2012, "-"},    {0x2013, "-"},
    {0x2014, "-"},  {0x2212, "-"},  {0x2026, "..."}, {0x2022, "\xB7"}, {0x2039, "<"},
    {0x203A, ">"},  {0x00AB, "<<"}, {0x00BB, ">>"},  {0x2032, "'"},    {0x2033, "\""},
    {0x00B4, "'"},  {0x02DC, "~"},  {0x02C6, "^"},   {0x00AD, "-"},
};

std::string_view TwinOf(char32_t c) {
    for (const Twin& twin : kTwins) {
        if (twin.code == c) return twin.ascii;
    }
    return {};
}

bool IsControl(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

bool IsSpace(char32_t c) { return (c >= 0x2000 && c <= 0x200A) || c == 0x3000; }

// East Asian wide characters: the CJK blocks, Hangul, and the full-width forms.
bool IsWide(char32_t c) {
    constexpr std::pair<char32_t, char32_t> kWide[] = {
        {0x1100, 0x115F}, {0x2E80, 0x303E}, {0x3040, 0xA4CF}, {0xAC00, 0xD7A3},  {0xF900, 0xFAFF},
        {0xFE30, 0xFE4F}, {0xFF00, 0xFF60}, {0xFFE0, 0xFFE6}, {0x20000, 0x3FFFD}};
    for (const auto& [first, last] : kWide) {
        if (c >= first && c <= last) return true;
    }
    return false;
}

// Calls glyph(g) or box(advance) for what `c` draws as; returns its advance.
template <class GlyphFn, class BoxFn>
int Shape(char32_t c, GlyphFn glyph, BoxFn box) {
    if (c == '\t') return strokefont::FindGlyph(' ')->advance;
    if (IsControl(c)) return 0;
    if (const strokefont::Glyph* g = strokefont::FindGlyph(c)) {
        glyph(*g, 0);
        return g->advance;
    }
    if (const std::string_view twin = TwinOf(c); !twin.empty()) {
        int advance = 0;
        for (char t : twin) {
            if (const strokefont::Glyph* g = strokefont::FindGlyph(static_cast<unsigned char>(t))) {
                glyph(*g, advance);
                advance += g->advance;
            }
        }
        return advance;
    }
    const bool wide = IsWide(c);
    if (IsSpace(c)) return wide ? kWideBoxAdvance : strokefont::FindGlyph(' ')->advance;
    const int advance = wide ? kWideBoxAdvance : kBoxAdvance;
    box(advance);
    return advance;
}

}  // namespace

double LineAdvance(std::u32string_view line) {
    double advance = 0;
    for (char32_t c : line) {
        advance += Shape(
            c, [](const strokefont::Glyph&, int) {}, [](int) {});
    }
    return advance;
}

void StrokeLine(std::u32string_view line, const TextPlacement& placement, double startX,
                DxfOutlines& out) {
    double pen = startX;
    for (char32_t c : line) {
        const auto glyph = [&](const strokefont::Glyph& g, int offset) {
            const int8_t* p = strokefont::kPoints + g.first;
            const int8_t* const end = p + g.count;
            while (p < end) {
                // One stroke: the pairs up to the next pen-up, sized before it is filled.
                const int8_t* stroke = p;
                while (stroke < end && *stroke != strokefont::kPenUp) stroke += 2;
                DxfRun& run = out.runs.emplace_back();
                run.points.reserve(static_cast<std::size_t>(stroke - p) / 2);
                for (; p < stroke; p += 2) {
                    run.points.push_back(placement.At(pen + offset + p[0], p[1]));
                }
                p = stroke == end ? end : stroke + 1;  // past the one-byte marker
            }
        };
        const auto box = [&](int advance) {
            constexpr double kInset = 2, kTop = strokefont::kUnitsPerCap;
            DxfRun run;
            run.closed = true;
            run.points = {placement.At(pen + kInset, 0), placement.At(pen + advance - kInset, 0),
                          placement.At(pen + advance - kInset, kTop),
                          placement.At(pen + kInset, kTop)};
            out.runs.push_back(std::move(run));
        };
        pen += Shape(c, glyph, box);
    }
}
