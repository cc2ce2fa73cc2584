#include "engine/render/engine_curve.h"

#include "engine/base/engine_helpers.h"
#include "engine/base/engine_log.h"

#include <cmath>

bool CCurve::AddKey(float x, float y)
{
    _keys.emplace_back(std::round(x), std::round(y));
    return true;
}

bool CCurve::Evaluate(float t, float& x, float& y) const
{
    const int n = GetKeyCount();
    if (n == 0) {
        x = y = 0.0f;
        return false;
    }
    // Valid parameters lie in [0, n - 1]; anything else (including NaN) is reported and clamped,
    // so that no key past the end is ever read.
    if (!(t >= 0.0f && t <= static_cast<float>(n - 1))) {
        VERIFY_SOFT((t >= 0) && (t <= GetKeyCount() - 1));
        t = (t > 0.0f) ? static_cast<float>(n - 1) : 0.0f;
    }
    if (n == 1) {
        x = _keys[0].x;
        y = _keys[0].y;
        return true;
    }
    int i = static_cast<int>(t);
    if (i >= n - 1) {
        x = _keys[n - 1].x;
        y = _keys[n - 1].y;
        return true;
    }
    const float f = t - static_cast<float>(i);

    auto interior_tangent = [&](int k) {
        const CVector2 d0 = _keys[k] - _keys[k - 1];
        const CVector2 d1 = _keys[k + 1] - _keys[k];
        const float a = (1.0f + bias) * (1.0f - continuity) / 2.0f;
        const float b = (1.0f - bias) * (1.0f + continuity) / 2.0f;
        return (d0 * a + d1 * b) * (1.0f - tension);
    };
    // Tangent leaving key i and tangent entering key i + 1.
    const CVector2 t_out = (i == 0) ? _keys[1] - _keys[0] : interior_tangent(i);
    const CVector2 t_in = (i + 1 == n - 1) ? _keys[n - 1] - _keys[n - 2] : interior_tangent(i + 1);

    const float f2 = f * f;
    const float f3 = f2 * f;
    const float h00 = 2 * f3 - 3 * f2 + 1;
    const float h10 = f3 - 2 * f2 + f;
    const float h01 = 3 * f2 - 2 * f3;
    const float h11 = f3 - f2;
    const CVector2 p = _keys[i] * h00 + t_out * h10 + _keys[i + 1] * h01 + t_in * h11;
    x = p.x;
    y = p.y;
    return true;
}

bool CPath::Build(const std::vector<CVector2>& points, float step)
{
    _path_points.clear();
    _keys.clear();
    if (points.empty()) {
        VERIFY_SOFT(!points.empty());
        return false;
    }
    CCurve curve;
    for (const auto& p : points) curve.AddKey(p.x, p.y);
    _keys = curve.GetKeys();

    const float end = static_cast<float>(curve.GetKeyCount() - 1);
    if (!(step > 0.0f)) {
        VERIFY_SOFT(step > 0);
        if (end > 0.0f) {
            float x, y;
            curve.Evaluate(0.0f, x, y);
            _path_points.emplace_back(x, y);
        }
    } else {
        // The parameter is computed from the sample number, so a tiny step cannot stall it;
        // the sample count is bounded all the same.
        constexpr size_t kMaxSamples = 100000;
        for (size_t k = 0; k < kMaxSamples; ++k) {
            const float t = static_cast<float>(static_cast<double>(k) * step);
            if (!(t < end)) break;
            float x, y;
            curve.Evaluate(t, x, y);
            _path_points.emplace_back(x, y);
        }
    }
    _path_points.push_back(points.back());
    return true;
}

bool CPath::GetPoint(float t, float& x, float& y) const
{
    if (_path_points.empty()) {
        VERIFY_SOFT(!_path_points.empty());
        x = y = 0.0f;
        return false;
    }
    const size_t last = _path_points.size() - 1;
    size_t i = 0;
    float frac = 0.0f;
    if (t > 0.0f) {  // also false for NaN
        const float whole = std::floor(t);
        if (whole >= static_cast<float>(last)) {
            i = last;
        } else {
            i = static_cast<size_t>(whole);
            frac = t - whole;
        }
    }
    const CVector2& p = _path_points[i];
    if (frac >= 0.00001f && i != last) {
        const CVector2& q = _path_points[i + 1];
        x = p.x + (q.x - p.x) * frac;
        y = p.y + (q.y - p.y) * frac;
    } else {
        x = p.x;
        y = p.y;
    }
    return true;
}
