#pragma once
// An entity's own coordinate system (OCS): 2D entities are written in a plane whose normal is
// their extrusion (210/220/230). Its axes follow the arbitrary-axis rule: near the world Z the
// X axis is world Y x normal, else world Z x normal. Only sqrt is used, so the result is the
// same on every platform.
#include <cmath>

#include "dxf/DxfReader.h"

struct DxfOcs {
    DxfPoint ax{1, 0, 0}, ay{0, 1, 0}, az{0, 0, 1};
    bool identity = true;

    explicit DxfOcs(const DxfPoint& extrusion) {
        const double length = std::sqrt(extrusion.x * extrusion.x + extrusion.y * extrusion.y +
                                        extrusion.z * extrusion.z);
        if (!(length > 1e-12) || !std::isfinite(length)) return;  // no normal: the world plane
        const DxfPoint n{extrusion.x / length, extrusion.y / length, extrusion.z / length};
        if (n.x == 0 && n.y == 0 && n.z > 0) return;
        constexpr double kNearZ = 1.0 / 64;
        ax = (std::fabs(n.x) < kNearZ && std::fabs(n.y) < kNearZ) ? Cross({0, 1, 0}, n)
                                                                  : Cross({0, 0, 1}, n);
        ax = Unit(ax);
        ay = Unit(Cross(n, ax));
        az = n;
        identity = false;
    }

    DxfPoint ToWorld(const DxfPoint& p) const {
        if (identity) return p;
        return {ax.x * p.x + ay.x * p.y + az.x * p.z, ax.y * p.x + ay.y * p.y + az.y * p.z,
                ax.z * p.x + ay.z * p.y + az.z * p.z};
    }

  private:
    static DxfPoint Cross(const DxfPoint& a, const DxfPoint& b) {
        return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
    }
    static DxfPoint Unit(const DxfPoint& a) {
        const double l = std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
        return {a.x / l, a.y / l, a.z / l};
    }
};
