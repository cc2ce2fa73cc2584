// Small 2D geometry: points and directions, a row-vector 4x4 matrix for sprite transforms,
// and the hit polygon that follows a sprite's transform.
#pragma once

#include <vector>

// A point or a direction.
class CVector2 {
public:
    float x = 0.0f;
    float y = 0.0f;

    CVector2() = default;
    CVector2(float x_, float y_) : x(x_), y(y_) {}

    float Length() const;
    // Divides by the length; a zero vector stays as it is.
    void Normalize();
    // Turns the vector by `angle` degrees, keeping its length.
    void Rotate(float angle);
    // Brings an angle in degrees into [0, 360).
    static float NormalizeAngle(float angle);

    CVector2 operator+(const CVector2& o) const { return {x + o.x, y + o.y}; }
    CVector2 operator-(const CVector2& o) const { return {x - o.x, y - o.y}; }
    CVector2 operator*(float k) const { return {x * k, y * k}; }
    bool operator==(const CVector2& o) const { return x == o.x && y == o.y; }
};

// A 4x4 matrix used with row vectors: a point p becomes p * M, so in A * B the transform A
// acts first.
struct CMatrix4 {
    float m[4][4];

    static CMatrix4 Identity();
    // Rotation about Z by `radians` (positive turns x toward y).
    static CMatrix4 RotationZ(float radians);
    static CMatrix4 Translation(float x, float y, float z = 0.0f);
    static CMatrix4 Scaling(float sx, float sy, float sz = 1.0f);

    CMatrix4 operator*(const CMatrix4& o) const;
    bool operator==(const CMatrix4& o) const;

    // Transforms (x, y, 0, 1) and divides by w unless w is 1.
    CVector2 TransformCoord(float x, float y) const;
    CVector2 TransformCoord(const CVector2& p) const { return TransformCoord(p.x, p.y); }
};

// A hit polygon. The outline is kept closed (its first point repeated at the end) in its own
// units, and a second copy ("screen points") holds the outline after its owner's transform.
class CPolygon {
public:
    CPolygon();

    void SetPoints(const std::vector<CVector2>& points);
    void Clear();
    // Moves the rotation centre: the pivot is subtracted from every point.
    void SetPivot(float x, float y);
    // Transforms both lists by the matrix and keeps the matrix.
    void ApplyMatrix(const CMatrix4& m);
    // Screen points := the points turned by the rotation matrix and moved by the translation's
    // offsets (the pre-transform is accepted for symmetry with the sprite and not applied).
    void Transform(const CMatrix4& rotation, const CMatrix4& pre, const CMatrix4& translation);
    // Scales the points (and their screen copies) about the origin.
    void Scale(float sx, float sy);
    // Adds (dx, dy) to every screen point.
    void Move(float dx, float dy);
    // True when (x, y) lies inside the screen outline; a point on an edge or a vertex is inside.
    bool IsPointInside(float x, float y) const;

    bool IsEmpty() const { return _points.empty(); }
    const std::vector<CVector2>& GetPoints() const { return _points; }
    const std::vector<CVector2>& GetScreenPoints() const { return _screen_points; }
    const CMatrix4& GetMatrix() const { return _matrix; }
    float GetPivotX() const { return _pivot_x; }
    float GetPivotY() const { return _pivot_y; }

private:
    std::vector<CVector2> _points;
    std::vector<CVector2> _screen_points;
    CMatrix4 _matrix;
    float _pivot_x = 0.0f;
    float _pivot_y = 0.0f;
};

// Octant (1 to 8) of a direction as the hit test counts it; 0 for a null direction.
int DirectionOctant(float x, float y);
