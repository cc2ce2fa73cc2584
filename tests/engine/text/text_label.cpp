// Label layout, parameters and drawing, checked on the quads and vertices a label hands to its
// renderer and on what a recording engine is asked to draw.
#include "engine/text/engine_langtext.h"
#include "engine/render/engine_texture.h"
#include "support/recording_engine.h"
#include "text_test_util.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace texttest;

namespace {

// Font 0 of the fixture: A 9, B 14, C 12 pixels wide on a 20 pixel row; '?' for undefined letters.
class LabelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CTextKeeper::Instance().SelectLanguage(0);
    }
    static void SetUpTestSuite()
    {
        static ScopedChdir dir(kFixtureDir);   // for the whole run: textures load relative to it
    }

    static TextLabel Make(const std::string& alias, const std::string& text, int align, float height,
                          int spacing = 0, int font = 0)
    {
        TextLabel l;
        l.alias = alias;
        l.text = text;
        l.align = align;
        l.font_id = font;
        l.param_count = CTextKeeper::CountParams(text);
        l.style.height = height;
        l.style.spacing = spacing;
        return l;
    }
};

void ExpectRect(const FRect& r, float l, float t, float rt, float b, const std::string& what)
{
    EXPECT_NEAR(r.left, l, 1e-4) << what;
    EXPECT_NEAR(r.top, t, 1e-4) << what;
    EXPECT_NEAR(r.right, rt, 1e-4) << what;
    EXPECT_NEAR(r.bottom, b, 1e-4) << what;
}

// The four vertices of a quad are its rectangle's corners less half a pixel.
void ExpectQuadVertices(const VERTEX_2DPNT1* v, const FRect& r, const std::string& what)
{
    const float xs[4] = {r.left, r.right, r.left, r.right};
    const float ys[4] = {r.top, r.top, r.bottom, r.bottom};
    for (int k = 0; k < 4; ++k) {
        EXPECT_NEAR(v[k].x, xs[k] - 0.5f, 1e-3) << what << " corner " << k;
        EXPECT_NEAR(v[k].y, ys[k] - 0.5f, 1e-3) << what << " corner " << k;
    }
}

TEST_F(LabelTest, LeftAlignedLettersAreScaledToTheHeightAndSpaced)
{
    CStaticLabel label;
    label.SetLabel(Make("Left", "AB", TextLabel::alLeft, 40.0f, 2));
    label.SetPosition(100, 50);
    ASSERT_EQ(label.GetQuadCount(), 2u);
    // Width = height x glyph width / glyph height.
    ExpectRect(label.GetQuads()[0].rect, 100, 50, 118, 90, "A");
    ExpectRect(label.GetQuads()[1].rect, 120, 50, 148, 90, "B");
    ExpectRect(label.GetBoundingBox(), 100, 50, 148, 90, "box");

    label.SetTextureSize(64, 32);
    const VERTEX_2DPNT1* v = label.GetVertices();
    ASSERT_NE(v, nullptr);
    ExpectQuadVertices(v, label.GetQuads()[0].rect, "A");
    ExpectQuadVertices(v + 4, label.GetQuads()[1].rect, "B");
    // Texture coordinates: the glyph rectangle over the texture size.
    EXPECT_FLOAT_EQ(v[4].u, 10.0f / 64);
    EXPECT_FLOAT_EQ(v[5].u, 24.0f / 64);
    EXPECT_FLOAT_EQ(v[4].v, 0.0f);
    EXPECT_FLOAT_EQ(v[6].v, 20.0f / 32);
    EXPECT_EQ(v[0].color, 0xFFFFFFFFu);
    EXPECT_FLOAT_EQ(v[0].z, 0.0f);
}

TEST_F(LabelTest, AlignmentsAndLines)
{
    // Right: the line ends at the origin.
    CStaticLabel right;
    right.SetLabel(Make("Right", "ABC", TextLabel::alRight, 20.0f, 1));
    right.SetPosition(300, 10);
    ASSERT_EQ(right.GetQuadCount(), 3u);
    ExpectRect(right.GetQuads()[0].rect, 263, 10, 272, 30, "A");
    ExpectRect(right.GetQuads()[1].rect, 273, 10, 287, 30, "B");
    ExpectRect(right.GetQuads()[2].rect, 288, 10, 300, 30, "C");

    // Centre, two lines: each line centred on the origin's x, the text half a line higher.
    CStaticLabel centre;
    centre.SetLabel(Make("Centre", "AB|C", TextLabel::alCenter, 20.0f));
    centre.SetPosition(200, 100);
    ASSERT_EQ(centre.GetQuadCount(), 3u);
    ExpectRect(centre.GetQuads()[0].rect, 188.5f, 90, 197.5f, 110, "A");
    ExpectRect(centre.GetQuads()[1].rect, 197.5f, 90, 211.5f, 110, "B");
    ExpectRect(centre.GetQuads()[2].rect, 194, 110.2f, 206, 130.2f, "C on the second line");
    ExpectRect(centre.GetBoundingBox(), 188.5f, 90, 211.5f, 130.2f, "box");

    // Left, three lines, one of them empty: lines are 1.01 heights apart.
    CStaticLabel left;
    left.SetLabel(Make("Lines", "A||B", TextLabel::alLeft, 10.0f));
    left.SetPosition(0, 0);
    ASSERT_EQ(left.GetQuadCount(), 2u);
    ExpectRect(left.GetQuads()[1].rect, 0, 20.2f, 7, 30.2f, "B on the third line");
}

TEST_F(LabelTest, ShadowQuadsAlternateWithLetters)
{
    TextLabel l = Make("Shadowed", "ABC", TextLabel::alLeft, 20.0f);
    l.style.shadow = true;
    l.style.shadow_offset_x = 2;
    l.style.shadow_offset_y = 3;
    l.style.shadow_color = 0x80112233;
    l.style.color = 0xFFF5C431;
    CStaticLabel label;
    label.SetLabel(l);
    label.SetTextureSize(64, 64);
    ASSERT_EQ(label.GetQuadCount(), 6u);
    const VERTEX_2DPNT1* v = label.GetVertices();
    ASSERT_NE(v, nullptr);
    for (unsigned i = 0; i < 6; i += 2) {
        const FRect& shadow = label.GetQuads()[i].rect;
        const FRect& letter = label.GetQuads()[i + 1].rect;
        ExpectRect(shadow, letter.left + 2, letter.top + 3, letter.right + 2, letter.bottom + 3, "shadow");
        const FRect& tex = label.GetQuads()[i + 1].tex;
        ExpectRect(label.GetQuads()[i].tex, tex.left, tex.top, tex.right, tex.bottom, "same glyph");
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(v[i * 4 + k].color, 0x80112233u);
            EXPECT_EQ(v[(i + 1) * 4 + k].color, 0xFFF5C431u);
        }
    }
    // The shadow reaches past the letters' box only by its offset.
    ExpectRect(label.GetBoundingBox(), 0, 0, 35, 20, "box of the letters");
}

TEST_F(LabelTest, UndefinedLettersDrawTheUnknownLetterOrNothing)
{
    CStaticLabel with;
    with.SetLabel(Make("WithUnknown", "AxB", TextLabel::alLeft, 20.0f));
    ASSERT_EQ(with.GetQuadCount(), 3u);
    ExpectRect(with.GetQuads()[1].tex, 0, 20, 9, 40, "x drawn as ?");

    LogWatch log;
    CStaticLabel without;
    without.SetLabel(Make("Gap", "AxB", TextLabel::alLeft, 20.0f, 0, 1));
    ASSERT_EQ(without.GetQuadCount(), 2u);
    ExpectRect(without.GetQuads()[1].rect, 9, 0, 23, 20, "B right after A");
    EXPECT_TRUE(log.Has("Error: label 'Gap'. Symbol 'x' not found or has invalid texture rect."));

    // With a shadow the slot of a missing letter is given back: shadow and letter still alternate.
    TextLabel l = Make("GapShadow", "xAx", TextLabel::alLeft, 20.0f, 0, 1);
    l.style.shadow = true;
    CStaticLabel shadowed;
    shadowed.SetLabel(l);
    ASSERT_EQ(shadowed.GetQuadCount(), 2u);
    EXPECT_FLOAT_EQ(shadowed.GetQuads()[0].rect.left, 1.0f);
    EXPECT_FLOAT_EQ(shadowed.GetQuads()[1].rect.left, 0.0f);
}

TEST_F(LabelTest, RotationTurnsAboutTheCentreOfTheText)
{
    CStaticLabel label;
    label.SetLabel(Make("Turned", "AB", TextLabel::alLeft, 20.0f));
    label.SetPosition(100, 100);
    label.SetTextureSize(64, 64);
    ASSERT_EQ(label.GetQuadCount(), 2u);
    const float cx = 111.5f, cy = 110.0f;   // centre of the box (100, 100) - (123, 120)
    label.SetAngle(90.0f);
    const VERTEX_2DPNT1* v = label.GetVertices();
    ASSERT_NE(v, nullptr);
    for (unsigned q = 0; q < 2; ++q) {
        const FRect& r = label.GetQuads()[q].rect;
        const float xs[4] = {r.left, r.right, r.left, r.right};
        const float ys[4] = {r.top, r.top, r.bottom, r.bottom};
        for (int k = 0; k < 4; ++k) {
            // A quarter turn takes (dx, dy) from the centre to (-dy, dx).
            EXPECT_NEAR(v[q * 4 + k].x, cx - (ys[k] - cy) - 0.5f, 1e-3);
            EXPECT_NEAR(v[q * 4 + k].y, cy + (xs[k] - cx) - 0.5f, 1e-3);
        }
    }
    // Moving a turned label moves it whole; the turn stays about the new centre.
    label.Move(10, -5);
    v = label.GetVertices();
    EXPECT_NEAR(v[0].x, cx + 10 - (100 - cy) - 0.5f, 1e-3);
    EXPECT_NEAR(v[0].y, cy - 5 + (100 - cx) - 0.5f, 1e-3);
    EXPECT_FLOAT_EQ(label.GetX(), 110.0f);
    EXPECT_FLOAT_EQ(label.GetY(), 95.0f);
}

TEST_F(LabelTest, ALabelFromAnAliasShowsNothingUntilItsFirstChange)
{
    CStaticLabel label(10, 20, "TwoInts");
    EXPECT_EQ(label.GetLabel().text, "%d of %d is 100%%");
    EXPECT_EQ(label.GetQuadCount(), 0u);
    EXPECT_EQ(label.GetVertices(), nullptr);
    label.SetParams(3, 10);
    EXPECT_EQ(label.GetQuadCount(), 15u);
    EXPECT_EQ(label.GetText(), "3 of 10 is 100%");
    EXPECT_FLOAT_EQ(label.GetQuads()[0].rect.left, 10.0f);

    // A label of one parameter is given only the first.
    CStaticLabel stray(0, 0, "Stray");
    stray.SetParams(7, 8);
    stray.GetQuadCount();
    EXPECT_EQ(stray.GetText(), "100%");

    // Label texts from files never crash the formatter, whatever they hold.
    CStaticLabel three(0, 0, "Three");
    three.SetParams(CParamValue("x"), CParamValue());
    three.GetQuadCount();
    EXPECT_EQ(three.GetText(), "0  0");
}

TEST_F(LabelTest, SetParamChangesOnlyWhatItChanges)
{
    struct Case {
        const char* what;
        CParamValue before;
        CParamValue set;
        bool via_int, via_string;
        bool changes;
    };
    const Case cases[] = {
        {"int 0 over none", CParamValue(), CParamValue(0), true, false, true},
        {"int 0 over a string", CParamValue("abc"), CParamValue(0), true, false, false},
        {"int 0 over a float", CParamValue(2.5f), CParamValue(0), true, false, false},
        {"int 5 over int 5", CParamValue(5), CParamValue(5), true, false, false},
        {"int 6 over int 5", CParamValue(5), CParamValue(6), true, false, true},
        {"int 1 over a string", CParamValue("abc"), CParamValue(1), true, false, true},
        {"empty text over none", CParamValue(), CParamValue(""), false, true, true},
        {"empty text over an int", CParamValue(7), CParamValue(""), false, true, false},
        {"same text", CParamValue("abc"), CParamValue("abc"), false, true, false},
        {"other text", CParamValue("abc"), CParamValue("abd"), false, true, true},
        {"float 1 over int 1", CParamValue(1), CParamValue(1.0f), false, false, true},
        {"equal tagged value", CParamValue(1.5f), CParamValue(1.5f), false, false, false},
    };
    for (const Case& c : cases) {
        CStaticLabel label;
        label.SetLabel(Make("Param", "%s", TextLabel::alLeft, 20.0f));
        label.SetParam(c.before);
        label.GetQuadCount();
        ASSERT_EQ(label.GetDirty() & CStaticLabel::lfText, 0u) << c.what;
        if (c.via_int) label.SetParam(c.set.AsInt());
        else if (c.via_string) label.SetParam(c.set.GetText());
        else label.SetParam(c.set);
        EXPECT_EQ((label.GetDirty() & CStaticLabel::lfText) != 0, c.changes) << c.what;
        EXPECT_EQ(label.GetParam1() == c.set, c.changes || c.before == c.set) << c.what;
    }
}

TEST_F(LabelTest, ColourStyleAndLabelChanges)
{
    CStaticLabel label;
    TextLabel l = Make("Styled", "%d", TextLabel::alLeft, 20.0f);
    l.style.color = 0xFF102030;
    label.SetLabel(l);
    label.SetParam(42);
    label.SetTextureSize(64, 64);
    label.GetVertices();

    label.SetAlpha(300);
    EXPECT_EQ(label.GetColor(), 0xFF102030u);   // unchanged: the alpha was already full
    label.SetAlpha(0x40);
    EXPECT_EQ(label.GetAlpha(), 0x40u);
    EXPECT_FALSE(label.IsStyleFromLabel());
    EXPECT_EQ(label.GetVertices()[0].color, 0x40102030u);

    // The same alias brings the label's own style back and keeps the parameter.
    label.SetLabel(l);
    EXPECT_TRUE(label.IsStyleFromLabel());
    EXPECT_EQ(label.GetColor(), 0xFF102030u);
    EXPECT_EQ(label.GetParam1(), CParamValue(42));

    // Another alias replaces everything and clears the parameters.
    label.SetLabel(Make("Other", "AB", TextLabel::alLeft, 10.0f));
    EXPECT_EQ(label.GetParam1().GetKind(), CParamValue::pvNone);
    EXPECT_EQ(label.GetQuadCount(), 2u);
    EXPECT_FLOAT_EQ(label.GetHeight(), 10.0f);

    // A new style lays the text out again.
    TextStyle style = label.GetLabel().style;
    style.height = 40.0f;
    label.SetTextStyle(style);
    label.GetQuadCount();
    EXPECT_FLOAT_EQ(label.GetQuads()[0].rect.bottom, 40.0f);
}

TEST_F(LabelTest, AnUnknownAliasGivesAnEmptyLabelAndTheGameGoesOn)
{
    LogWatch log;
    CStaticLabel label(5, 5, "NoSuchLabel");
    label.SetParam(3);
    EXPECT_EQ(label.GetQuadCount(), 0u);
    EXPECT_TRUE(log.Has("Error: text label 'NoSuchLabel' not found."));
}

TEST_F(LabelTest, DrawingHandsTheQuadsToTheEngineInOneCall)
{
    RecordingEngine engine;
    CStaticLabel label;
    TextLabel l = Make("Drawn", "AB|C", TextLabel::alCenter, 20.0f);
    l.style.shadow = true;
    label.SetLabel(l);
    label.SetPosition(400, 300);
    label.Draw();
    ASSERT_EQ(engine.draws.size(), 1u);
    EXPECT_EQ(engine.draws[0].quads, 6u);
    ASSERT_EQ(engine.draws[0].vertices.size(), 24u);
    ASSERT_TRUE(label.GetRenderer());
    EXPECT_TRUE(label.OwnsRenderer());
    EXPECT_EQ(label.GetRenderer()->GetTextureName(), "TEXTURES\\FONTS\\TEST.PNG");
    // The texture size came from the font texture (64 x 64).
    EXPECT_FLOAT_EQ(engine.draws[0].vertices[7].u, 9.0f / 64);
    EXPECT_FLOAT_EQ(engine.draws[0].vertices[6].y, label.GetQuads()[1].rect.bottom - 0.5f);

    // A hidden label draws nothing; shown again it draws its quads.
    engine.ClearRecords();
    label.SetVisible(false);
    label.Draw();
    EXPECT_TRUE(engine.draws.empty() || engine.draws[0].quads == 0u);
    label.SetVisible(true);
    engine.ClearRecords();
    label.Draw();
    ASSERT_EQ(engine.draws.size(), 1u);
    EXPECT_EQ(engine.draws[0].quads, 6u);

    // One label draws several rows, each at its place.
    CStaticLabel rows;
    engine.ClearRecords();
    rows.DrawAt(10, 10, "Centred");
    rows.DrawAt(10, 40, "Twice");
    ASSERT_EQ(engine.draws.size(), 2u);
    EXPECT_EQ(engine.draws[0].quads, 2u);
    EXPECT_EQ(engine.draws[1].quads, 5u);
    EXPECT_FLOAT_EQ(engine.draws[1].vertices[0].x, 9.5f);
    EXPECT_FLOAT_EQ(engine.draws[1].vertices[0].y, 39.5f);
}

TEST_F(LabelTest, CopiesAreLinkedAndShareOnlySharedRenderers)
{
    auto count = [] {
        size_t n = 0;
        for (CStaticLabel* p = CStaticLabel::First(); p; p = p->Next()) ++n;
        return n;
    };
    const size_t before = count();
    CStaticLabel a;
    a.SetLabel(Make("Copied", "ABC", TextLabel::alRight, 20.0f));
    a.SetPosition(50, 50);
    a.GetQuadCount();
    {
        CStaticLabel b(a);
        EXPECT_EQ(count(), before + 2);
        EXPECT_EQ(b.GetQuadCount(), 3u);
        ExpectRect(b.GetQuads()[2].rect, 38, 50, 50, 50 + 20, "copied layout");
        EXPECT_FALSE(b.GetRenderer());
    }
    EXPECT_EQ(count(), before + 1);

    auto shared = std::make_shared<CRenderer>("Textures\\Fonts\\Test.png", false);
    a.SetRenderer(shared);
    CStaticLabel c;
    c = a;
    EXPECT_EQ(c.GetRenderer(), shared);
    EXPECT_EQ(shared->GetObjects().size(), 2u);
}

} // namespace
