#include "DxfTextOutlines.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "draw/PortableMath.h"
#include "draw/StrokeFont.h"
#include "dxf/DxfOcs.h"
#include "dxf/DxfShapes.h"
#include "dxf/DxfTextDecode.h"
#include "dxf/DxfTextLayout.h"

// A text's placement: its characters drawn in the stroke font, at a height and a width factor
// read from the entity. The STYLE table is not read (the font differs from the style's
// anyway), so a style's fixed height, width factor and oblique angle are not applied.

namespace {

constexpr double kCap = strokefont::kUnitsPerCap;
// An MTEXT's lines are a fixed 5/3 of its height apart, times its spacing factor.
constexpr double kLineSpacing = 5.0 / 3.0;
// What an MTEXT's chunks may add up to, format codes included, before decoding.
constexpr std::size_t kMaxMtextBytes = std::size_t{256} << 10;

// The entity's own pairs: extended data (1001 on) and an embedded object (101 on, the MTEXT an
// R2018 attribute may carry) reuse its codes.
template <class Field>
void OwnPairs(const DxfEntity& entity, Field field) {
    for (const DxfPair& p : entity.pairs) {
        if (p.code == 1001 || p.code == 101) return;
        field(p);
    }
}

DxfPoint Scaled(const DxfPoint& a, double k) { return {a.x * k, a.y * k, a.z * k}; }
DxfPoint Minus(const DxfPoint& a, const DxfPoint& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
// Scaled first, so that a vector of huge but finite parts keeps a finite length.
double Length(const DxfPoint& a) {
    const double m = std::max({std::fabs(a.x), std::fabs(a.y), std::fabs(a.z)});
    if (!(m > 0) || !std::isfinite(m)) return m;
    const double x = a.x / m, y = a.y / m, z = a.z / m;
    return m * std::sqrt(x * x + y * y + z * z);
}

// The height a text is drawn at: a missing or unusable one gives 1.
double UsableHeight(double height) { return height > 0 && height < 1e100 ? height : 1; }

// Drops the runs appended since `first` when one of their points is not finite: an entity of
// huge numbers draws nothing rather than points the renderer cannot place.
void KeepFinite(DxfOutlines& out, std::size_t first) {
    for (std::size_t r = first; r < out.runs.size(); ++r) {
        for (const DxfPoint& p : out.runs[r].points) {
            if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
                out.runs.resize(first);
                return;
            }
        }
    }
}

// ---- TEXT, ATTRIB, ATTDEF ----

struct LineText {
    std::string bytes;
    DxfPoint at, alignAt;
    bool hasAlignAt = false;
    double height = 0, rotation = 0, widthFactor = 1, oblique = 0;
    int flags = 0, horizontal = 0, vertical = 0;
    bool invisible = false;
};

LineText ReadLineText(const DxfEntity& entity) {
    LineText t;
    const bool attribute = entity.type != "TEXT";
    const int textCode = entity.type == "ATTDEF" ? 2 : 1;
    OwnPairs(entity, [&](const DxfPair& p) {
        DxfCoordinate(t.at, p, 10);
        DxfCoordinate(t.alignAt, p, 11);
        if (p.code == 11) t.hasAlignAt = true;
        if (p.code == textCode) t.bytes = p.text;
        if (p.code == 40) t.height = p.real;
        if (p.code == 41) t.widthFactor = p.real;
        if (p.code == 50) t.rotation = p.real;
        if (p.code == 51) t.oblique = p.real;
        if (p.code == 71) t.flags = static_cast<int>(p.integer);
        if (p.code == 72) t.horizontal = static_cast<int>(p.integer);
        // An attribute's 73 is its field length; its vertical alignment is 74.
        if (p.code == (attribute ? 74 : 73)) t.vertical = static_cast<int>(p.integer);
        // An invisible attribute is not shown; a definition shows its tag all the same.
        if (entity.type == "ATTRIB" && p.code == 70) t.invisible = (p.integer & 1) != 0;
    });
    return t;
}

void LineTextOutlines(const DxfEntity& entity, std::string_view codePage, DxfOutlines& out) {
    const LineText t = ReadLineText(entity);
    if (t.invisible) return;
    const std::u32string line = TextCharacters(DecodeCodePage(t.bytes, codePage), codePage);
    const double advance = LineAdvance(line);
    if (advance <= 0) return;

    double scale = UsableHeight(t.height) / kCap;
    double widthFactor = t.widthFactor > 0 && t.widthFactor < 1e6 ? t.widthFactor : 1;
    double rotation = pmath::Radians(std::fmod(t.rotation, 360.0));
    DxfPoint anchor = t.at;
    double startX = 0, baseY = 0;

    const int horizontal = t.horizontal >= 0 && t.horizontal <= 5 ? t.horizontal : 0;
    const int vertical = t.vertical >= 0 && t.vertical <= 3 ? t.vertical : 0;
    const DxfPoint span = Minus(t.alignAt, t.at);
    const double spanLength = Length({span.x, span.y, 0});
    if ((horizontal == 3 || horizontal == 5) && t.hasAlignAt && spanLength > 0 &&
        std::isfinite(spanLength)) {
        // Aligned and fit: the baseline runs from the first point to the second; aligned keeps
        // the letters' proportions, fit only stretches them.
        rotation = pmath::Atan2(span.y, span.x);
        const double stretch = spanLength / (advance * scale * widthFactor);
        if (horizontal == 3)
            scale *= stretch;
        else
            widthFactor *= stretch;
    } else if (horizontal != 0 || vertical != 0) {
        if (t.hasAlignAt) anchor = t.alignAt;
        if (horizontal == 1 || horizontal == 4) startX = -advance / 2;
        if (horizontal == 2) startX = -advance;
        if (horizontal == 4 || vertical == 2) baseY = -kCap / 2;
        if (vertical == 1) baseY = strokefont::kDescent;
        if (vertical == 3) baseY = -kCap;
    }

    // Font units to the entity's plane: width factor, oblique slant, mirroring, rotation.
    const double obliqueDegrees = std::fabs(t.oblique) < 85 ? t.oblique : 0;
    double sinO = 0, cosO = 1;
    pmath::SinCos(pmath::Radians(obliqueDegrees), sinO, cosO);
    const double slant = sinO / cosO;
    const double mirrorX = (t.flags & 2) ? -1 : 1, mirrorY = (t.flags & 4) ? -1 : 1;
    double sinR = 0, cosR = 1;
    pmath::SinCos(rotation, sinR, cosR);
    // Font (1, 0) and (0, 1) in the text's own axes, then turned by the rotation.
    const double xx = scale * widthFactor * mirrorX, xy = 0;
    const double yx = scale * slant * mirrorX, yy = scale * mirrorY;
    const DxfOcs ocs(entity.extrusion);
    const DxfPoint zero = ocs.ToWorld({0, 0, 0});
    const auto plane = [&](double x, double y) {
        return Minus(ocs.ToWorld({cosR * x - sinR * y, sinR * x + cosR * y, 0}), zero);
    };
    TextPlacement placement;
    placement.xStep = plane(xx, xy);
    placement.yStep = plane(yx, yy);
    placement.origin = ocs.ToWorld(anchor);
    placement.origin = placement.At(0, baseY);

    const std::size_t first = out.runs.size();
    StrokeLine(line, placement, startX, out);
    KeepFinite(out, first);
}

// ---- MTEXT ----

struct Mtext {
    std::string bytes;
    DxfPoint at, direction;
    bool hasDirection = false;
    double height = 0, rotation = 0, spacing = 1, width = 0;
    int attachment = 1;
};

Mtext ReadMtext(const DxfEntity& entity) {
    Mtext m;
    OwnPairs(entity, [&](const DxfPair& p) {
        DxfCoordinate(m.at, p, 10);
        DxfCoordinate(m.direction, p, 11);
        if (p.code == 11 || p.code == 21) m.hasDirection = true;
        if ((p.code == 1 || p.code == 3) && m.bytes.size() < kMaxMtextBytes) {
            m.bytes.append(p.text, 0, kMaxMtextBytes - m.bytes.size());
        }
        if (p.code == 40) m.height = p.real;
        if (p.code == 41) m.width = p.real;
        if (p.code == 44) m.spacing = p.real;
        if (p.code == 50) m.rotation = p.real;
        if (p.code == 71) m.attachment = static_cast<int>(p.integer);
    });
    return m;
}

// Breaks lines longer than `limit` font units at their last space before it.
std::vector<std::u32string> Wrapped(std::vector<std::u32string> lines, double limit) {
    std::vector<std::u32string> out;
    for (std::u32string& line : lines) {
        std::size_t start = 0, lastSpace = std::u32string::npos;
        double width = 0, widthAtSpace = 0;
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (line[i] == ' ') lastSpace = i, widthAtSpace = width;
            width += LineAdvance(std::u32string_view(line).substr(i, 1));
            if (width > limit && lastSpace != std::u32string::npos && lastSpace > start) {
                out.push_back(line.substr(start, lastSpace - start));
                start = lastSpace + 1;
                width -= widthAtSpace + LineAdvance(U" ");
                lastSpace = std::u32string::npos;
            }
        }
        out.push_back(line.substr(start));
    }
    return out;
}

void MtextOutlines(const DxfEntity& entity, std::string_view codePage, DxfOutlines& out) {
    const Mtext m = ReadMtext(entity);
    const double height = UsableHeight(m.height);
    const double scale = height / kCap;
    std::vector<std::u32string> lines = MtextLines(DecodeCodePage(m.bytes, codePage), codePage);
    if (m.width > 0 && m.width / scale < 1e9) lines = Wrapped(std::move(lines), m.width / scale);

    // The text's x axis: its direction (world) when given, else its rotation in its plane.
    const DxfOcs ocs(entity.extrusion);
    DxfPoint xAxis;
    const double directionLength = Length(m.direction);
    if (m.hasDirection && directionLength > 1e-12 && std::isfinite(directionLength)) {
        xAxis = Scaled(m.direction, 1 / directionLength);
    } else {
        double sine = 0, cosine = 1;
        pmath::SinCos(pmath::Radians(std::fmod(m.rotation, 360.0)), sine, cosine);
        xAxis = Minus(ocs.ToWorld({cosine, sine, 0}), ocs.ToWorld({0, 0, 0}));
    }
    const DxfPoint& n = ocs.az;
    DxfPoint yAxis{n.y * xAxis.z - n.z * xAxis.y, n.z * xAxis.x - n.x * xAxis.z,
                   n.x * xAxis.y - n.y * xAxis.x};
    const double yLength = Length(yAxis);
    if (!(yLength > 1e-12)) return;  // a direction along the normal: no plane to write in
    yAxis = Scaled(yAxis, 1 / yLength);

    const double spacingFactor = m.spacing >= 0.25 && m.spacing <= 4 ? m.spacing : 1;
    const double pitch = kCap * kLineSpacing * spacingFactor;  // font units
    const int attachment = m.attachment >= 1 && m.attachment <= 9 ? m.attachment : 1;
    const int column = (attachment - 1) % 3, row = (attachment - 1) / 3;
    const double block = kCap + pitch * static_cast<double>(lines.size() - 1);
    // Where the first baseline lies below the attachment point.
    const double firstBaseline = row == 0 ? -kCap : row == 1 ? block / 2 - kCap : block - kCap;

    TextPlacement placement;
    placement.xStep = Scaled(xAxis, scale);
    placement.yStep = Scaled(yAxis, scale);
    const std::size_t first = out.runs.size();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const double advance = LineAdvance(lines[i]);
        const double startX = column == 0 ? 0 : column == 1 ? -advance / 2 : -advance;
        placement.origin = m.at;
        placement.origin = placement.At(0, firstBaseline - pitch * static_cast<double>(i));
        StrokeLine(lines[i], placement, startX, out);
    }
    KeepFinite(out, first);
}

}  // namespace

std::string_view TextCodePage(const DxfHeader& header) {
    // From R2007 (AC1021) on, DXF text is UTF-8 whatever the code page says.
    const std::string& release = header.releaseCode;
    int number = 0;
    for (char c : release) {
        if (c < '0' || c > '9' || number > 99999) return header.codePage;
        number = number * 10 + (c - '0');
    }
    if (number >= 1021) return "UTF-8";
    return header.codePage;
}

void TextOutlinesOf(const DxfEntity& entity, std::string_view codePage, DxfOutlines& out) {
    if (entity.type == "TEXT" || entity.type == "ATTRIB" || entity.type == "ATTDEF") {
        LineTextOutlines(entity, codePage, out);
    } else if (entity.type == "MTEXT") {
        MtextOutlines(entity, codePage, out);
    }
}
