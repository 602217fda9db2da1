#pragma once
// The simple entity kinds decoded from their pairs, as the renderer takes them. Coordinates are
// in the entity's own coordinate system (its extrusion), angles in degrees as written.
// Each decoder gives nothing for a record of another type; a missing pair keeps its default.
#include <optional>
#include <string>
#include <vector>

#include "dxf/DxfReader.h"

struct DxfLine {
    DxfPoint start, end;
};

struct DxfCircle {
    DxfPoint centre;
    double radius = 0;
};

struct DxfArc {
    DxfPoint centre;
    double radius = 0, startAngle = 0, endAngle = 0;
};

struct DxfPointShape {
    DxfPoint at;
};

struct DxfLwPolyline {
    struct Vertex {
        double x = 0, y = 0;
        double bulge = 0;  // tan(angle / 4) of the arc to the next vertex; 0 straight
        double startWidth = 0, endWidth = 0;
    };
    std::vector<Vertex> vertices;  // as many as the pairs give, whatever the count says
    bool closed = false;
    double elevation = 0, constantWidth = 0;
};

struct DxfText {
    std::string text, style;
    DxfPoint at, alignAt;  // 10 and 11
    double height = 0, rotation = 0, widthFactor = 1, oblique = 0;
    int horizontal = 0, vertical = 0;  // 72 and 73: 0 left / baseline
};

struct DxfInsert {
    std::string block;
    DxfPoint at;
    double scaleX = 1, scaleY = 1, scaleZ = 1, rotation = 0;
    int columns = 1, rows = 1;  // as written: 0 and negatives are the caller's to refuse
    double columnSpacing = 0, rowSpacing = 0;
    bool attributes = false;  // ATTRIBs and a SEQEND follow
};

// Sets the coordinate of `point` that pair `p` gives, for the point whose x is group `base`
// (y is base + 10, z base + 20); other pairs leave it.
void DxfCoordinate(DxfPoint& point, const DxfPair& p, int base);

std::optional<DxfLine> DecodeLine(const DxfEntity& entity);
std::optional<DxfCircle> DecodeCircle(const DxfEntity& entity);
std::optional<DxfArc> DecodeArc(const DxfEntity& entity);
std::optional<DxfPointShape> DecodePoint(const DxfEntity& entity);
std::optional<DxfLwPolyline> DecodeLwPolyline(const DxfEntity& entity);
std::optional<DxfText> DecodeText(const DxfEntity& entity);
std::optional<DxfInsert> DecodeInsert(const DxfEntity& entity);
