#pragma once
// Lines of characters laid out in the stroke font: a line's width, and its strokes mapped into
// the world by an affine placement. Characters the font lacks are drawn as their box, a wide
// one for the wide (East Asian) characters; control characters take no room.
#include <string_view>

#include "dxf/DxfGeometry.h"

// Maps font units (x along the baseline from the line's start, y up from it, the capital
// letters kUnitsPerCap high) to world coordinates: origin + x * xStep + y * yStep.
struct TextPlacement {
    DxfPoint origin, xStep, yStep;

    DxfPoint At(double x, double y) const {
        return {origin.x + x * xStep.x + y * yStep.x, origin.y + x * xStep.y + y * yStep.y,
                origin.z + x * xStep.z + y * yStep.z};
    }
};

// The line's advance in font units.
double LineAdvance(std::u32string_view line);

// Appends the strokes of `line`, its pen starting at font x = `startX` on the baseline.
void StrokeLine(std::u32string_view line, const TextPlacement& placement, double startX,
                DxfOutlines& out);
