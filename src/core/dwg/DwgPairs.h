#pragma once
// What the entity decoders share: the pairs an entity gets, capped as the DXF reader caps
// them, and the decoders of the entities made of lists (polylines, splines, hatches,
// multilines, leaders), kept in DwgCurves.cpp.
#include <cmath>
#include <string>

#include "dwg/DwgBits.h"
#include "dxf/DxfReader.h"

namespace dwgpairs {

inline constexpr double kDegrees = 180.0 / 3.14159265358979323846;

class Out {
  public:
    explicit Out(DxfEntity& entity) : e_(entity) {}
    void Text(int code, std::string text) {
        DxfPair p;
        p.code = code;
        p.type = DxfType::String;
        p.text = std::move(text);
        Add(std::move(p));
    }
    void Real(int code, double value) {
        DxfPair p;
        p.code = code;
        p.type = DxfType::Double;
        p.real = std::isfinite(value) ? value : 0.0;
        Add(std::move(p));
    }
    void Int(int code, int64_t value) {
        DxfPair p;
        p.code = code;
        p.type = DxfTypeOf(code);
        p.integer = value;
        Add(std::move(p));
    }
    void Point(int code, const DxfPoint& at) {
        Real(code, at.x);
        Real(code + 10, at.y);
        Real(code + 20, at.z);
    }
    void Point2(int code, const DxfPoint& at) {
        Real(code, at.x);
        Real(code + 10, at.y);
    }
    bool Full() const { return e_.pairsCut; }

  private:
    void Add(DxfPair&& p) {
        if (e_.pairs.size() >= kMaxDxfEntityPairs) {
            e_.pairsCut = true;
            return;
        }
        e_.pairs.push_back(std::move(p));
    }
    DxfEntity& e_;
};

// Whether a list may go on: bits left and room for pairs.
inline bool More(const DwgBits& bits, const Out& out) { return !bits.Overrun() && !out.Full(); }

inline void Extrusion(DxfEntity& entity, Out& out, const DxfPoint& normal) {
    entity.extrusion = normal;
    out.Point(210, normal);
}

void Lwpolyline(DwgBits& bits, DxfEntity& entity, Out& out);
void Spline(DwgBits& bits, Out& out);
void Hatch(DwgBits& bits, DxfEntity& entity, Out& out);
void Mline(DwgBits& bits, DxfEntity& entity, Out& out);
void Leader(DwgBits& bits, DxfEntity& entity, Out& out);

}  // namespace dwgpairs
