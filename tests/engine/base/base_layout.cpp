#include "engine/base/engine_layout.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

namespace {
CXMLNode Node(const std::string& text)
{
    CXMLFile xml;
    xml.LoadXml(std::vector<uint8_t>(text.begin(), text.end()));
    return xml.SelectSingleNode("/item");
}
} // namespace

TEST(Layout, GraphicsWithOnlyATexture)
{
    GraphicsDesc g;
    ASSERT_TRUE(ReadGraphics(Node("<item><graphics texture=\"Textures\\Common\\Square.tga\"/></item>"), g));
    EXPECT_EQ(g.texture, "Textures\\Common\\Square.tga");
    EXPECT_EQ(g.width, 0);
    EXPECT_EQ(g.height, 0);
    EXPECT_EQ(g.color, 0xFFFFFFFFu);
    EXPECT_EQ(g.angle, 0);
    EXPECT_FALSE(g.grayed);
    for (float v : g.tex_rect) EXPECT_EQ(v, 0.0f);
    EXPECT_EQ(g.animation, "");
}

TEST(Layout, GraphicsWithEveryAttribute)
{
    GraphicsDesc g;
    ReadGraphics(Node("<item><graphics texture=\"t.png\" width=\"64\" height=\"32\" color=\"80FF0000\" angle=\"90\" "
                      "grayed=\"1\" tex_rect=\"0,0,64,32\"><animation file=\"Settings\\Anim.xml\" frames=\"8\" "
                      "speed=\"3\"/></graphics></item>"),
                 g);
    EXPECT_EQ(g.width, 64);
    EXPECT_EQ(g.height, 32);
    EXPECT_EQ(g.color, 0x80FF0000u);
    EXPECT_EQ(g.angle, 90);
    EXPECT_TRUE(g.grayed);
    EXPECT_EQ(g.tex_rect[2], 64.0f);
    EXPECT_EQ(g.tex_rect[3], 32.0f);
    EXPECT_EQ(g.animation, "Settings\\Anim.xml");
    EXPECT_EQ(g.frames, 8);
    EXPECT_EQ(g.speed, 3);

    // without an "animation" child the animation fields keep their values; a missing "graphics" gives defaults
    ReadGraphics(Node("<item/>"), g);
    EXPECT_EQ(g.texture, "");
    EXPECT_EQ(g.width, 0);
    EXPECT_EQ(g.color, 0xFFFFFFFFu);
    EXPECT_EQ(g.animation, "Settings\\Anim.xml");
    EXPECT_EQ(g.frames, 8);
}

TEST(Layout, NegativeSizesAreLoggedAndKept)
{
    const zftest::LogWatch log;
    GraphicsDesc g;
    ReadGraphics(Node("<item><graphics width=\"-5\" height=\"-6\"/></item>"), g);
    EXPECT_EQ(g.width, -5);
    EXPECT_EQ(g.height, -6);
    EXPECT_TRUE(log.Has("Verify {graphics.width >= 0} failed<Font Color = DARKGRAY>  ["));
    EXPECT_TRUE(log.Has("Verify {graphics.height >= 0} failed"));
}

TEST(Layout, Rects)
{
    struct Case { const char* text; float rect[4]; };
    for (const Case& c : {Case{"0 0 64 32", {0, 0, 64, 32}}, Case{"0,0,64,32", {0, 0, 64, 32}}, Case{" 1, 2 ,3 4 5", {1, 2, 3, 4}},
                          Case{"0 0 64", {0, 0, 0, 0}}, Case{"", {0, 0, 0, 0}}, Case{"1.5 a 2 3", {1.5f, 0, 2, 3}}}) {
        float r[4] = {9, 9, 9, 9};
        ParseRect(c.text, r);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(r[i], c.rect[i]) << c.text << " #" << i;
    }
}

TEST(Layout, Lists)
{
    std::vector<int> ints = {7, 7};
    EXPECT_EQ(ParseIntList(ints, "1 2 3", " "), 3);
    EXPECT_EQ(ints, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(ParseIntList(ints, "", " "), 0);
    EXPECT_TRUE(ints.empty());
    EXPECT_EQ(ParseIntList(ints, ",,1,,0x10,", ","), 2);
    EXPECT_EQ(ints, (std::vector<int>{1, 16}));
    EXPECT_EQ(ParseIntList(ints, "1 2", nullptr), 1);  // no delimiters: one token
    EXPECT_EQ(ints, (std::vector<int>{1}));

    std::vector<float> floats;
    EXPECT_EQ(ParseFloatList(floats, "1.5;-2;x", ";"), 3);
    EXPECT_EQ(floats, (std::vector<float>{1.5f, -2.0f, 0.0f}));

    std::vector<std::string> words;
    EXPECT_EQ(ParseStringList(words, " menu_1  menu_2,city ", " ,"), 3);
    EXPECT_EQ(words, (std::vector<std::string>{"menu_1", "menu_2", "city"}));
}
