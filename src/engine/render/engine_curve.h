// Smooth curves through key points and the polylines sampled from them, along which effects fly.
#pragma once

#include "engine/render/engine_polygon.h"

#include <vector>

// A Kochanek-Bartels spline through its keys (one tangent per interior key).
class CCurve {
public:
    // Appends a key with x and y rounded to whole numbers; true.
    bool AddKey(float x, float y);
    int GetKeyCount() const { return static_cast<int>(_keys.size()); }
    const std::vector<CVector2>& GetKeys() const { return _keys; }

    // The point at parameter t in [0, key count - 1]: t = i gives key i. A t outside the range is
    // reported and brought back into it. False only for a curve without keys.
    bool Evaluate(float t, float& x, float& y) const;

    float bias = 0.0f;
    float continuity = 0.0f;
    float tension = 0.0f;

private:
    std::vector<CVector2> _keys;
};

// A polyline sampled from a curve, read back by a fractional index.
class CPath {
public:
    // Samples the curve through the points at t = 0, step, 2 step, ... below the last key, then
    // appends the last point as given. An empty list is reported and gives false; a step that is
    // not positive is reported and gives just the first and last point.
    bool Build(const std::vector<CVector2>& points, float step);
    int GetPointCount() const { return static_cast<int>(_path_points.size()); }
    // The point at index floor(t) (held at the last point), moved toward the next point by the
    // fraction of t. False for an empty path.
    bool GetPoint(float t, float& x, float& y) const;

    const std::vector<CVector2>& GetPoints() const { return _path_points; }

private:
    std::vector<CVector2> _keys;
    std::vector<CVector2> _path_points;
};
