// Vectors, matrices, hit polygons, curves and paths.
#include "engine/render/engine_curve.h"
#include "engine/render/engine_polygon.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

constexpr float kEps = 1e-4f;

TEST(Vector2, NormalizeRotateAndAngles)
{
    CVector2 zero;
    zero.Normalize();
    EXPECT_EQ(zero, CVector2(0, 0));

    CVector2 v(3, 4);
    v.Normalize();
    EXPECT_NEAR(v.x, 0.6f, kEps);
    EXPECT_NEAR(v.y, 0.8f, kEps);

    CVector2 r(1, 0);
    r.Rotate(90);
    EXPECT_NEAR(r.x, 0.0f, kEps);
    EXPECT_NEAR(r.y, 1.0f, kEps);
    CVector2 r2(2, 1);
    r2.Rotate(-90);  // both components come from the vector before the call
    EXPECT_NEAR(r2.x, 1.0f, kEps);
    EXPECT_NEAR(r2.y, -2.0f, kEps);

    struct { float in, out; } angles[] = {
        {-30, 330}, {720, 0}, {359.5f, 359.5f}, {360, 0}, {0, 0}, {-720, 0}, {1e30f, 0},
        {std::numeric_limits<float>::infinity(), 0},
    };
    for (const auto& a : angles) {
        const float got = CVector2::NormalizeAngle(a.in);
        EXPECT_GE(got, 0.0f) << a.in;
        EXPECT_LT(got, 360.0f) << a.in;
        if (std::fabs(a.in) < 1e6f) {
            EXPECT_NEAR(got, a.out, kEps) << a.in;
        }
    }
}

TEST(Matrix4, RowVectorOrder)
{
    // Rotation first, then translation: (1, 0) turned by 90 degrees is (0, 1), then moved.
    const CMatrix4 m = CMatrix4::RotationZ(3.14159265f / 2) * CMatrix4::Translation(10, 20);
    const CVector2 p = m.TransformCoord(1, 0);
    EXPECT_NEAR(p.x, 10.0f, kEps);
    EXPECT_NEAR(p.y, 21.0f, kEps);
    EXPECT_EQ(CMatrix4::Identity() * m, m);
}

// A closed outline test over a table of shapes and points.
TEST(Polygon, PointInsideTable)
{
    const std::vector<CVector2> square = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    // An L: the notch is the top-right quarter (5..10, 0..5).
    const std::vector<CVector2> ell = {{0, 0}, {5, 0}, {5, 5}, {10, 5}, {10, 10}, {0, 10}};
    const std::vector<CVector2> triangle = {{0, 0}, {20, 10}, {0, 20}};
    // Listed clockwise instead of counter-clockwise: the winding sign must not matter.
    const std::vector<CVector2> square_reversed = {{0, 10}, {10, 10}, {10, 0}, {0, 0}};

    struct Case {
        const char* what;
        const std::vector<CVector2>* shape;
        float x, y;
        bool inside;
    } cases[] = {
        {"square centre", &square, 5, 5, true},
        {"square outside right", &square, 15, 5, false},
        {"square outside diagonal", &square, -1, -1, false},
        {"square on edge", &square, 10, 5, true},
        {"square on top edge", &square, 3, 0, true},
        {"square on vertex", &square, 10, 10, true},
        {"square near edge inside", &square, 9.9f, 0.1f, true},
        {"square near edge outside", &square, 10.1f, 5, false},
        {"reversed square centre", &square_reversed, 5, 5, true},
        {"reversed square outside", &square_reversed, 11, 11, false},
        {"L lower arm", &ell, 8, 8, true},
        {"L upper arm", &ell, 2, 2, true},
        {"L notch", &ell, 8, 2, false},
        {"L inner corner", &ell, 5, 5, true},
        {"L notch edge", &ell, 5, 3, true},
        {"L outside left", &ell, -3, 8, false},
        {"triangle inside", &triangle, 5, 10, true},
        {"triangle outside past slope", &triangle, 15, 15, false},
        {"triangle on slope", &triangle, 10, 5, true},
        {"triangle beyond apex", &triangle, 25, 10, false},
    };
    for (const auto& c : cases) {
        CPolygon poly;
        poly.SetPoints(*c.shape);
        EXPECT_EQ(poly.IsPointInside(c.x, c.y), c.inside) << c.what;
    }

    CPolygon empty;
    EXPECT_FALSE(empty.IsPointInside(0, 0));
}

TEST(Polygon, StoredClosedAndTransforms)
{
    CPolygon poly;
    poly.SetPoints({{-5, -5}, {5, -5}, {5, 5}, {-5, 5}});
    ASSERT_EQ(poly.GetPoints().size(), 5u);
    EXPECT_EQ(poly.GetPoints().back(), CVector2(-5, -5));

    // Turned by 90 degrees and moved to (100, 50): the corner (5, -5) lands at (105, 55).
    poly.Transform(CMatrix4::RotationZ(3.14159265f / 2), CMatrix4::Identity(),
                   CMatrix4::Translation(100, 50));
    EXPECT_NEAR(poly.GetScreenPoints()[1].x, 105.0f, kEps);
    EXPECT_NEAR(poly.GetScreenPoints()[1].y, 55.0f, kEps);
    EXPECT_TRUE(poly.IsPointInside(100, 50));
    EXPECT_FALSE(poly.IsPointInside(0, 0));

    poly.Move(10, 0);
    EXPECT_TRUE(poly.IsPointInside(114, 50));
    EXPECT_FALSE(poly.IsPointInside(94, 50));

    poly.SetPivot(1, 2);
    EXPECT_EQ(poly.GetPoints()[0], CVector2(-6, -7));
    EXPECT_FLOAT_EQ(poly.GetPivotX(), 1.0f);

    poly.ApplyMatrix(CMatrix4::Scaling(2, 2));
    EXPECT_EQ(poly.GetPoints()[0], CVector2(-12, -14));

    poly.Clear();
    EXPECT_TRUE(poly.IsEmpty());
    EXPECT_FALSE(poly.IsPointInside(0, 0));
}

TEST(Curve, KeysRoundedAndPassedThrough)
{
    CCurve curve;
    EXPECT_TRUE(curve.AddKey(1.6f, 2.4f));
    EXPECT_EQ(curve.GetKeys()[0], CVector2(2, 2));

    curve.AddKey(10, 0);
    curve.AddKey(20, 10);
    curve.AddKey(30, 0);
    float x, y;
    for (int i = 0; i < curve.GetKeyCount(); ++i) {
        ASSERT_TRUE(curve.Evaluate(static_cast<float>(i), x, y));
        EXPECT_NEAR(x, curve.GetKeys()[i].x, kEps) << i;
        EXPECT_NEAR(y, curve.GetKeys()[i].y, kEps) << i;
    }
    // Halfway on a straight two-key curve is the midpoint.
    CCurve line;
    line.AddKey(0, 0);
    line.AddKey(10, 20);
    line.Evaluate(0.5f, x, y);
    EXPECT_NEAR(x, 5.0f, kEps);
    EXPECT_NEAR(y, 10.0f, kEps);
}

TEST(Curve, SafeAtItsEdges)
{
    CCurve empty;
    float x = 1, y = 1;
    EXPECT_FALSE(empty.Evaluate(0, x, y));

    CCurve one;
    one.AddKey(7, 8);
    EXPECT_TRUE(one.Evaluate(0.5f, x, y));
    EXPECT_EQ(x, 7.0f);
    EXPECT_EQ(y, 8.0f);

    // Far more keys than a fixed table of 100 would hold.
    CCurve big;
    for (int i = 0; i < 250; ++i) big.AddKey(static_cast<float>(i * 2), static_cast<float>(i % 7));
    ASSERT_EQ(big.GetKeyCount(), 250);
    struct { float t; float x, y; } cases[] = {
        {249.0f, 498, 249 % 7},   // the last key exactly
        {249.5f, 498, 249 % 7},   // past the end: held at the last key
        {250.0f, 498, 249 % 7},
        {-3.0f, 0, 0},            // before the start: held at the first key
        {std::numeric_limits<float>::quiet_NaN(), 0, 0},
        {150.0f, 300, 150 % 7},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(big.Evaluate(c.t, x, y)) << c.t;
        EXPECT_NEAR(x, c.x, kEps) << c.t;
        EXPECT_NEAR(y, c.y, kEps) << c.t;
    }
}

TEST(Path, BuildAndRead)
{
    CPath path;
    float x, y;

    ASSERT_TRUE(path.Build({{3.3f, 4.4f}}, 0.25f));
    ASSERT_EQ(path.GetPointCount(), 1);
    path.GetPoint(2, x, y);
    EXPECT_FLOAT_EQ(x, 3.3f);  // the last point is kept unrounded
    EXPECT_FLOAT_EQ(y, 4.4f);

    ASSERT_TRUE(path.Build({{0, 0}, {10, 0}, {20.4f, 0}}, 1.0f));
    // t = 0 and 1 from the curve, then the last point as given.
    ASSERT_EQ(path.GetPointCount(), 3);
    path.GetPoint(5, x, y);
    EXPECT_FLOAT_EQ(x, 20.4f);
    path.GetPoint(0.5f, x, y);
    EXPECT_NEAR(x, 5.0f, kEps);
    EXPECT_NEAR(y, 0.0f, kEps);
    path.GetPoint(-2, x, y);
    EXPECT_FLOAT_EQ(x, 0.0f);

    ASSERT_TRUE(path.Build({{0, 0}, {100, 0}}, 0.1f));
    EXPECT_EQ(path.GetPointCount(), 11);

    // Many points: more keys than a fixed tangent table would hold.
    std::vector<CVector2> many;
    for (int i = 0; i < 300; ++i) many.emplace_back(static_cast<float>(i), static_cast<float>(i));
    ASSERT_TRUE(path.Build(many, 0.5f));
    EXPECT_EQ(path.GetPointCount(), 599);
}

TEST(Path, EdgeCasesEndWithoutHanging)
{
    CPath path;
    float x = 0, y = 0;
    EXPECT_FALSE(path.GetPoint(0, x, y));      // nothing built yet
    EXPECT_FALSE(path.Build({}, 1.0f));
    EXPECT_EQ(path.GetPointCount(), 0);

    for (float step : {0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN()}) {
        ASSERT_TRUE(path.Build({{0, 0}, {5, 5}, {10, 0}}, step)) << step;
        ASSERT_EQ(path.GetPointCount(), 2) << step;
        path.GetPoint(1, x, y);
        EXPECT_FLOAT_EQ(x, 10.0f);
    }
    // A step too small to advance a float parameter still ends.
    ASSERT_TRUE(path.Build({{0, 0}, {1, 1}}, 1e-9f));
    EXPECT_GT(path.GetPointCount(), 1000);
}

} // namespace
