// The cursor table, selection by name with the hotspot kept, and when the pointer is drawn.
#include "engine/text/engine_cursor.h"
#include "engine/base/engine_filesys.h"
#include "support/recording_engine.h"
#include "text_test_util.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace texttest;

namespace {

class CursorTest : public ::testing::Test {
protected:
    ScopedChdir _dir{kFixtureDir};
};

TEST_F(CursorTest, LoadsTheTableAndStartsWithDefault)
{
    LogWatch log;
    CCursor cursor("Settings\\Mouse.xml");
    EXPECT_EQ(cursor.GetCurrentName(), "default");
    EXPECT_EQ(cursor.GetOffsetX(), -2);
    EXPECT_EQ(cursor.GetOffsetY(), -3);
    const auto& table = cursor.GetCursors();
    ASSERT_EQ(table.size(), 5u);   // five, zero, default, twice, plain
    EXPECT_EQ(table.at("five").hardware_id, 32649);
    EXPECT_EQ(table.at("five").graphics.width, 10);
    EXPECT_EQ(table.at("plain").hardware_id, 0);
    // A later cursor of the same name replaces the earlier one.
    EXPECT_EQ(table.at("twice").hardware_id, 32514);
    EXPECT_EQ(table.at("twice").offset_x, 1);
    EXPECT_TRUE(log.Has("Error: fail to load cursor #2: empty name."));
    // The sprite starts at the offset of the pointer at (0, 0).
    EXPECT_FLOAT_EQ(cursor.GetSprite().GetX(), -2.0f);
    EXPECT_FLOAT_EQ(cursor.GetSprite().GetWidth(), 9.0f);
}

TEST_F(CursorTest, WithoutADefaultTheSmallestNameIsSelected)
{
    CCursor cursor("Settings\\MouseArrowOnly.xml");
    EXPECT_EQ(cursor.GetCurrentName(), "arrow");
}

TEST_F(CursorTest, ATableWithoutCursorsIsFatal)
{
    LogWatch log;
    try {
        CCursor cursor("Settings\\MouseUnnamed.xml");
        FAIL() << "no exception";
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "verify {!_cursors.empty()} failed");
    }
    EXPECT_TRUE(log.Has("Error: fail to load cursor #1: empty name."));
    EXPECT_TRUE(log.Has("Error: fail to load cursor #2: empty name."));
    EXPECT_TRUE(log.Has("Verify {!_cursors.empty()} failed"));
    EXPECT_THROW(CCursor("Settings\\NoSuchMouse.xml"), std::exception);
}

TEST_F(CursorTest, SelectingKeepsTheHotspot)
{
    CCursor cursor("Settings\\Mouse.xml");
    ASSERT_TRUE(cursor.Select("five"));
    cursor.SetSpritePosition(100, 100);
    EXPECT_FLOAT_EQ(cursor.GetSprite().GetX(), 105.0f);
    EXPECT_FLOAT_EQ(cursor.GetSprite().GetY(), 105.0f);
    ASSERT_TRUE(cursor.Select("zero"));
    EXPECT_FLOAT_EQ(cursor.GetSprite().GetX(), 100.0f);
    EXPECT_FLOAT_EQ(cursor.GetSprite().GetY(), 100.0f);
    EXPECT_FLOAT_EQ(cursor.GetSprite().GetWidth(), 12.0f);
    EXPECT_FALSE(cursor.HasHardwareCursor());
    ASSERT_TRUE(cursor.Select("default"));
    EXPECT_FLOAT_EQ(cursor.GetSprite().GetX(), 98.0f);
    EXPECT_FLOAT_EQ(cursor.GetSprite().GetY(), 97.0f);
    EXPECT_TRUE(cursor.HasHardwareCursor());
}

TEST_F(CursorTest, SelectingTheCurrentOrAnUnknownCursor)
{
    CCursor cursor("Settings\\Mouse.xml");
    cursor.SetSpritePosition(50, 60);
    {
        LogWatch log;
        EXPECT_TRUE(cursor.Select("default"));
        EXPECT_FALSE(log.Has("cursor"));
    }
    LogWatch log;
    EXPECT_FALSE(cursor.Select("nonexistent"));
    EXPECT_TRUE(log.Has("Warning: cursor 'nonexistent' not found!"));
    EXPECT_FALSE(cursor.Select(""));
    EXPECT_EQ(cursor.GetCurrentName(), "default");
    EXPECT_FLOAT_EQ(cursor.GetSprite().GetX(), 48.0f);
    EXPECT_FLOAT_EQ(cursor.GetSprite().GetY(), 57.0f);
}

TEST_F(CursorTest, StandardCursorNames)
{
    const struct { const char* text; int id; } cases[] = {
        {"IDC_ARROW", 32512}, {"IDC_CROSS", 32515}, {"IDC_HAND", 32649}, {"IDC_NO", 32648},
        {"IDC_HELP", 32651}, {"IDC_SIZEALL", 32646}, {"IDC_WAIT", 32514},
        {"idc_arrow", 0}, {"", 0}, {"IDC_IBEAM", 0}, {"IDC_ARROW ", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(CCursor::HardwareCursorId(c.text), c.id) << c.text;
}

TEST_F(CursorTest, ThePointerIsDrawnOnlyWhenVisibleInsideAndInSoftware)
{
    RecordingEngine engine;
    CCursor cursor("Settings\\Mouse.xml");
    ASSERT_TRUE(cursor.Select("zero"));   // no standard cursor: the sprite is always the pointer
    const struct { bool visible, inside, software, drawn; } cases[] = {
        {true, true, true, true},
        {false, true, true, false},
        {true, false, true, false},
        {true, true, false, true},
        {false, false, false, false},
    };
    for (const auto& c : cases) {
        cursor.ShowSystemCursor(c.visible);
        cursor.SetInside(c.inside);
        cursor.SetSoftwareCursor(c.software);
        engine.ClearRecords();
        cursor.Draw();
        EXPECT_EQ(cursor.IsDrawn(), c.drawn) << c.visible << c.inside << c.software;
        EXPECT_EQ(!engine.draws.empty() && engine.draws[0].quads == 1u, c.drawn)
            << c.visible << c.inside << c.software;
    }
    // Drawn at the pointer plus the offset, with the cursor's texture rectangle.
    cursor.ShowSystemCursor(true);
    cursor.SetInside(true);
    cursor.SetSoftwareCursor(true);
    cursor.SetSpritePosition(20, 30);
    engine.ClearRecords();
    cursor.Draw();
    ASSERT_EQ(engine.draws.size(), 1u);
    EXPECT_FLOAT_EQ(engine.draws[0].vertices[0].x, 19.5f);
    EXPECT_FLOAT_EQ(engine.draws[0].vertices[0].y, 29.5f);
    EXPECT_FLOAT_EQ(engine.draws[0].vertices[3].x, 31.5f);
    EXPECT_FLOAT_EQ(engine.draws[0].vertices[0].u, 25.0f / 64);
}

TEST(CursorGameData, TheGameCursorsExistWithTheirPictures)
{
    ScopedChdir dir(ZF_GAME_DATA_DIR);
    LogWatch log;
    CCursor cursor("Settings\\Mouse.xml");
    EXPECT_EQ(cursor.GetCurrentName(), "default");
    for (const char* name : {"default", "dynamite", "clover", "burner", "bag"}) {
        ASSERT_TRUE(cursor.GetCursors().count(name)) << name;
        const CursorDesc& desc = cursor.GetCursors().at(name);
        EXPECT_TRUE(std::filesystem::exists(HostPath(desc.graphics.texture))) << desc.graphics.texture;
        EXPECT_GT(desc.graphics.width, 0) << name;
        EXPECT_NE(desc.hardware_id, 0) << name;
        // The hotspot lies on the picture.
        EXPECT_LE(desc.offset_x, 0);
        EXPECT_GT(desc.offset_x, -desc.graphics.width);
        EXPECT_LE(desc.offset_y, 0);
        EXPECT_GT(desc.offset_y, -desc.graphics.height);
    }
    EXPECT_FALSE(log.Has("Error")) << log.Text();
}

} // namespace
