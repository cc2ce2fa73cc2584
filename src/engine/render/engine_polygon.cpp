#include "engine/render/engine_polygon.h"

#include "engine/base/engine_helpers.h"

#include <cmath>

// ---- CVector2 ----

float CVector2::Length() const
{
    return std::sqrt(x * x + y * y);
}

void CVector2::Normalize()
{
    const float len = Length();
    if (len != 0.0f) {
        x /= len;
        y /= len;
    }
}

void CVector2::Rotate(float angle)
{
    const float a = angle * 3.1415927f / 180.0f;
    const float s = std::sin(a);
    const float c = std::cos(a);
    const float ox = x;
    const float oy = y;
    x = ox * c - oy * s;
    y = ox * s + oy * c;
}

float CVector2::NormalizeAngle(float angle)
{
    // fmod instead of repeated subtraction: a huge or infinite angle must not loop for ever.
    if (!std::isfinite(angle)) return 0.0f;
    float a = std::fmod(angle, 360.0f);
    if (a < 0.0f) a += 360.0f;
    if (a >= 360.0f) a -= 360.0f;
    return a;
}

// ---- CMatrix4 ----

CMatrix4 CMatrix4::Identity()
{
    CMatrix4 r{};
    for (int i = 0; i < 4; ++i) r.m[i][i] = 1.0f;
    return r;
}

CMatrix4 CMatrix4::RotationZ(float radians)
{
    CMatrix4 r = Identity();
    const float c = std::cos(radians);
    const float s = std::sin(radians);
    r.m[0][0] = c;
    r.m[0][1] = s;
    r.m[1][0] = -s;
    r.m[1][1] = c;
    return r;
}

CMatrix4 CMatrix4::Translation(float x, float y, float z)
{
    CMatrix4 r = Identity();
    r.m[3][0] = x;
    r.m[3][1] = y;
    r.m[3][2] = z;
    return r;
}

CMatrix4 CMatrix4::Scaling(float sx, float sy, float sz)
{
    CMatrix4 r = Identity();
    r.m[0][0] = sx;
    r.m[1][1] = sy;
    r.m[2][2] = sz;
    return r;
}

CMatrix4 CMatrix4::operator*(const CMatrix4& o) const
{
    CMatrix4 r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float s = 0.0f;
            for (int k = 0; k < 4; ++k) s += m[i][k] * o.m[k][j];
            r.m[i][j] = s;
        }
    return r;
}

bool CMatrix4::operator==(const CMatrix4& o) const
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            if (m[i][j] != o.m[i][j]) return false;
    return true;
}

CVector2 CMatrix4::TransformCoord(float x, float y) const
{
    float rx = x * m[0][0] + y * m[1][0] + m[3][0];
    float ry = x * m[0][1] + y * m[1][1] + m[3][1];
    const float w = x * m[0][3] + y * m[1][3] + m[3][3];
    if (w != 1.0f && w != 0.0f) {
        rx /= w;
        ry /= w;
    }
    return {rx, ry};
}

// ---- CPolygon ----

CPolygon::CPolygon() : _matrix(CMatrix4::Identity()) {}

void CPolygon::SetPoints(const std::vector<CVector2>& points)
{
    _points = points;
    if (!_points.empty()) _points.push_back(_points.front());
    _screen_points = _points;
}

void CPolygon::Clear()
{
    _points.clear();
    _screen_points.clear();
}

void CPolygon::SetPivot(float x, float y)
{
    _pivot_x = x;
    _pivot_y = y;
    VERIFY_SOFT(_points.size() == _screen_points.size());
    for (auto& p : _points) {
        p.x -= x;
        p.y -= y;
    }
    for (auto& p : _screen_points) {
        p.x -= x;
        p.y -= y;
    }
}

void CPolygon::ApplyMatrix(const CMatrix4& m)
{
    _matrix = m;
    for (auto& p : _points) p = m.TransformCoord(p);
    for (auto& p : _screen_points) p = m.TransformCoord(p);
}

void CPolygon::Transform(const CMatrix4& rotation, const CMatrix4& /*pre*/, const CMatrix4& translation)
{
    if (_points.size() < 2) return;
    if (_screen_points.size() != _points.size()) _screen_points.resize(_points.size());
    const float c = rotation.m[0][0];
    const float s = rotation.m[0][1];
    const float tx = translation.m[3][0];
    const float ty = translation.m[3][1];
    for (size_t i = 0; i < _points.size(); ++i) {
        const CVector2& p = _points[i];
        _screen_points[i] = CVector2(c * p.x - s * p.y + tx, s * p.x + c * p.y + ty);
    }
}

void CPolygon::Scale(float sx, float sy)
{
    for (auto& p : _points) {
        p.x *= sx;
        p.y *= sy;
    }
    for (auto& p : _screen_points) {
        p.x *= sx;
        p.y *= sy;
    }
}

void CPolygon::Move(float dx, float dy)
{
    for (auto& p : _screen_points) {
        p.x += dx;
        p.y += dy;
    }
}

int DirectionOctant(float x, float y)
{
    const float e = 0.00001f;
    if (y < x && (y > 0 || std::fabs(y) < e)) return 1;
    if (x > 0 && (x < y || std::fabs(y - x) < e)) return 2;
    if (-y < x && (x < 0 || std::fabs(x) < e)) return 3;
    if (y > 0 && (y < -x || std::fabs(-x - y) < e)) return 4;
    if (x < y && (y < 0 || std::fabs(y) < e)) return 5;
    if (y <= x && x < 0) return 6;
    if (x < -y && (x > 0 || std::fabs(x) < e)) return 7;
    if (-x <= y && y < 0) return 8;
    return 0;
}

bool CPolygon::IsPointInside(float tx, float ty) const
{
    if (_screen_points.empty()) return false;
    int sum = 0;
    int prev = 0;
    for (size_t i = 0; i < _screen_points.size(); ++i) {
        const CVector2& p = _screen_points[i];
        const int o = DirectionOctant(p.x - tx, p.y - ty);
        if (o == 0) return true;
        if (i >= 1) {
            int delta = o - prev;
            if (delta == 4 || delta == -4) {
                const CVector2& q = _screen_points[i - 1];
                const float c = (tx - q.x) * (p.y - q.y) - (p.x - q.x) * (ty - q.y);
                if (std::fabs(c) < 0.001f) return true;
                delta = c > 0 ? -4 : 4;
            }
            if (delta > 4) delta -= 8;
            else if (delta < -4) delta += 8;
            sum += delta;
        }
        prev = o;
    }
    return sum != 0;
}
