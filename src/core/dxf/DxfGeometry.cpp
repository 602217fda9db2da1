#include "DxfGeometry.h"

#include "dxf/DxfOcs.h"
#include "dxf/DxfShapes.h"

void OutlinesOf(const DxfEntity& entity, std::span<const DxfEntity>, double, DxfOutlines& out) {
    if (const auto line = DecodeLine(entity)) {
        out.runs.push_back({{line->start, line->end}, false});
    }
}
