// Languages, label files and bitmap font tables.
#include "engine/text/engine_langtext.h"
#include "engine/base/engine_xml.h"
#include "text_test_util.h"

#include <gtest/gtest.h>

using namespace texttest;

namespace {

class TextKeeperTest : public ::testing::Test {
protected:
    ScopedChdir _dir{kFixtureDir};
};

TEST_F(TextKeeperTest, ReadsTheLanguageListAndSelectsNothing)
{
    CTextKeeper keeper("Settings\\Languages.xml");
    ASSERT_EQ(keeper.GetLanguages().size(), 3u);
    EXPECT_EQ(keeper.GetLanguages()[0].name, "Testish");
    EXPECT_EQ(keeper.GetLanguages()[1].labels_file, "Labels_second.xml");
    EXPECT_EQ(keeper.GetLanguages()[0].primary_id, 7);
    EXPECT_EQ(keeper.GetLanguages()[2].primary_id, 0);
    EXPECT_EQ(keeper.GetFontCount(), 0u);
    EXPECT_TRUE(keeper.GetLabels().empty());
}

TEST_F(TextKeeperTest, SelectingALanguageLoadsItsFontsAndLabels)
{
    CTextKeeper keeper("Settings\\Languages.xml");
    keeper.SelectLanguage(1);
    EXPECT_EQ(keeper.GetCurrentLanguage(), 1);
    EXPECT_EQ(keeper.GetFontCount(), 4u);
    EXPECT_EQ(keeper.GetLabel("Plain").text, "Hallo");
    EXPECT_FALSE(keeper.HasLabel("Defaults"));
    // Choosing again replaces the labels.
    keeper.SelectLanguage(0);
    EXPECT_EQ(keeper.GetLabel("Plain").text, "Hello|world");
}

TEST_F(TextKeeperTest, ALanguageOutOfRangeFallsBackToTheFirst)
{
    CTextKeeper keeper("Settings\\Languages.xml");
    for (int index : {5, 3, -1}) {
        LogWatch log;
        keeper.SelectLanguage(index);
        EXPECT_TRUE(log.Has("Error: incorrect language #" + std::to_string(index) + " selected!"));
        EXPECT_EQ(keeper.GetCurrentLanguage(), 0);
        EXPECT_EQ(keeper.GetLabel("Plain").text, "Hello|world");
    }
}

TEST_F(TextKeeperTest, NoLanguagesAtAllIsFatal)
{
    CTextKeeper keeper("Settings\\NoLanguages.xml");
    LogWatch log;
    try {
        keeper.SelectLanguage(0);
        FAIL() << "no exception";
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "\"no languages found!\"");
    }
    EXPECT_TRUE(log.Has("Error: \"no languages found!\""));
}

TEST_F(TextKeeperTest, AMissingLanguageFileThrowsFromTheXmlLayer)
{
    EXPECT_THROW(CTextKeeper("Settings\\Absent.xml"), std::exception);
}

TEST_F(TextKeeperTest, LabelAttributesAndDefaults)
{
    CTextKeeper keeper("Settings\\Languages.xml");
    keeper.SelectLanguage(0);

    const TextLabel& plain = keeper.GetLabel("Plain");
    EXPECT_EQ(plain.alias, "Plain");
    EXPECT_EQ(plain.font_id, 1);
    EXPECT_EQ(plain.align, TextLabel::alRight);
    EXPECT_EQ(plain.param_count, 0);
    EXPECT_FLOAT_EQ(plain.style.height, 24.5f);
    EXPECT_EQ(plain.style.color, 0x80FF0000u);
    EXPECT_EQ(plain.style.spacing, 2);
    EXPECT_TRUE(plain.style.shadow);
    EXPECT_EQ(plain.style.shadow_color, 0x40102030u);
    EXPECT_FLOAT_EQ(plain.style.shadow_offset_x, 3.0f);
    EXPECT_FLOAT_EQ(plain.style.shadow_offset_y, 4.0f);

    // The file's defaults differ from those of the empty label.
    const TextLabel& def = keeper.GetLabel("Defaults");
    EXPECT_EQ(def.font_id, 0);
    EXPECT_EQ(def.align, TextLabel::alLeft);
    EXPECT_FLOAT_EQ(def.style.height, 0.0f);
    EXPECT_EQ(def.style.spacing, 0);
    EXPECT_EQ(def.style.color, 0xFFFFFFFFu);
    EXPECT_FALSE(def.style.shadow);
    EXPECT_EQ(def.style.shadow_color, 0x645B5B5Bu);
    EXPECT_FLOAT_EQ(def.style.shadow_offset_x, 1.0f);
    EXPECT_FLOAT_EQ(def.style.shadow_offset_y, 1.0f);

    EXPECT_EQ(keeper.GetLabel("Centred").align, TextLabel::alCenter);
    EXPECT_EQ(keeper.GetLabel("LowerCase").align, TextLabel::alLeft);
    EXPECT_EQ(keeper.GetLabel("Twice").text, "first");
    // A shadow offset with one number keeps the default for the other.
    EXPECT_FLOAT_EQ(keeper.GetLabel("HalfOffset").style.shadow_offset_x, 5.0f);
    EXPECT_FLOAT_EQ(keeper.GetLabel("HalfOffset").style.shadow_offset_y, 1.0f);
    // UTF-8 in the file arrives as Windows-1252 bytes; what the code page lacks becomes '?'.
    EXPECT_EQ(keeper.GetLabel("Accents").text, "Caf\xE9 \x80" "5 ?");
}

TEST_F(TextKeeperTest, ParameterCounts)
{
    CTextKeeper keeper("Settings\\Languages.xml");
    LogWatch log;
    keeper.SelectLanguage(0);
    const struct { const char* alias; int count; } cases[] = {
        {"Plain", 0}, {"TwoInts", 2}, {"Percent", 0}, {"Three", 2}, {"Triple", 1}, {"Stray", 1},
    };
    for (const auto& c : cases) EXPECT_EQ(keeper.GetLabel(c.alias).param_count, c.count) << c.alias;
    EXPECT_TRUE(log.Has("Warning: Label 'Three' has 3 params! Can be 0, 1 or 2 only. Extra params ignored."));
    EXPECT_EQ(log.Count("params! Can be"), 1u);

    const struct { const char* text; int count; } texts[] = {
        {"", 0}, {"%", 1}, {"%%", 0}, {"%%%", 1}, {"%%%%", 0}, {"%d%%", 1}, {"%s|%d", 2}, {"a%%b%%c", 0},
    };
    for (const auto& t : texts) EXPECT_EQ(CTextKeeper::CountParams(t.text), t.count) << t.text;
}

TEST_F(TextKeeperTest, LongTextsAreCutTo512)
{
    CTextKeeper keeper("Settings\\Languages.xml");
    LogWatch log;
    keeper.SelectLanguage(0);
    EXPECT_EQ(keeper.GetLabel("Len511").text.size(), 511u);
    EXPECT_EQ(keeper.GetLabel("Len512").text, std::string(512, 'M'));
    EXPECT_EQ(keeper.GetLabel("Len600").text, std::string(512, 'N'));
    EXPECT_FALSE(log.Has("Label 'Len511' is too long"));
    EXPECT_TRUE(log.Has("Warning: Label 'Len512' is too long! Truncating to 512 symbols..."));
    EXPECT_TRUE(log.Has("Warning: Label 'Len600' is too long! Truncating to 512 symbols..."));
}

TEST_F(TextKeeperTest, AnUnknownAliasIsLoggedEachTimeAndGivesTheEmptyLabel)
{
    CTextKeeper keeper("Settings\\Languages.xml");
    keeper.SelectLanguage(0);
    LogWatch log;
    const TextLabel& a = keeper.GetLabel("NoSuchAlias");
    keeper.GetLabel("NoSuchAlias");
    EXPECT_EQ(log.Count("Error: text label 'NoSuchAlias' not found."), 2u);
    EXPECT_EQ(&a, &GetEmptyLabel());
    EXPECT_TRUE(a.alias.empty());
    EXPECT_TRUE(a.text.empty());
    EXPECT_EQ(a.font_id, 0);
    EXPECT_EQ(a.align, TextLabel::alLeft);
    EXPECT_EQ(a.param_count, 0);
    EXPECT_FLOAT_EQ(a.style.height, 12.0f);
    EXPECT_EQ(a.style.spacing, 3);
    EXPECT_EQ(a.style.color, 0xFFFFFFFFu);
    EXPECT_FALSE(a.style.shadow);
    EXPECT_EQ(a.style.shadow_color, 0xFFFFFFFFu);
    EXPECT_FLOAT_EQ(a.style.shadow_offset_x, 1.0f);
    EXPECT_FLOAT_EQ(a.style.shadow_offset_y, 1.0f);
}

TEST_F(TextKeeperTest, FontIdsOutOfRangeGiveFontZeroAndNoFontsThrows)
{
    CTextKeeper keeper("Settings\\Languages.xml");
    try {
        keeper.GetFont(0);
        FAIL() << "no exception without fonts";
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "\"No fonts found!\"");
    }
    keeper.SelectLanguage(0);
    for (int id : {4, 99, -1}) {
        LogWatch log;
        EXPECT_EQ(&keeper.GetFont(id), &keeper.GetFont(0));
        EXPECT_TRUE(log.Has("Error: font id " + std::to_string(id) + " not found!"));
    }
}

void ExpectGlyph(const GlyphRect& g, float l, float t, float r, float b, const char* what)
{
    EXPECT_FLOAT_EQ(g.left, l) << what;
    EXPECT_FLOAT_EQ(g.top, t) << what;
    EXPECT_FLOAT_EQ(g.right, r) << what;
    EXPECT_FLOAT_EQ(g.bottom, b) << what;
}

TEST_F(TextKeeperTest, GlyphRectanglesFromTheFontTable)
{
    CTextKeeper keeper("Settings\\Languages.xml");
    LogWatch log;
    keeper.SelectLanguage(0);
    const FontDesc& f = keeper.GetFont(0);
    EXPECT_EQ(f.texture, "TEXTURES\\FONTS\\TEST.PNG");
    ExpectGlyph(f.Glyph('A'), 0, 0, 9, 20, "A");
    ExpectGlyph(f.Glyph('B'), 10, 0, 24, 20, "B");
    ExpectGlyph(f.Glyph('C'), 25, 0, 37, 20, "C");
    ExpectGlyph(f.Glyph('?'), 0, 20, 9, 40, "?");
    ExpectGlyph(f.Glyph(' '), 10, 20, 17, 40, "space by its character");
    // Every undefined code draws the unknown letter.
    ExpectGlyph(f.Glyph('x'), 0, 20, 9, 40, "x");
    ExpectGlyph(f.Glyph(0xE9), 0, 20, 9, 40, "e acute");

    // Without an unknown letter undefined codes stay empty.
    const FontDesc& bare = keeper.GetFont(1);
    ExpectGlyph(bare.Glyph('C'), 25, 0, 37, 20, "C");
    ExpectGlyph(bare.Glyph('x'), 0, 0, 0, 0, "x");
    EXPECT_EQ(log.Count("Warning: load font: unknown symbol not defined."), 2u);   // fonts 1 and 3

    // A font without texture keeps no glyphs.
    EXPECT_TRUE(log.Has("Error: load font: font texture not defined."));
    ExpectGlyph(keeper.GetFont(2).Glyph('A'), 0, 0, 0, 0, "A of font 2");

    // Codes out of range are skipped and break the chain of right edges.
    const FontDesc& odd = keeper.GetFont(3);
    EXPECT_TRUE(log.Has("Error: letter with code 0 out of code range. Ignored."));
    EXPECT_TRUE(log.Has("Error: letter with code 256 out of code range. Ignored."));
    ExpectGlyph(odd.Glyph('A'), 0, 0, 4, 20, "A before a skipped letter");
    ExpectGlyph(odd.Glyph('Z'), 10, 0, 19, 20, "Z before an out-of-range letter");
}

TEST(TextKeeperGameData, EveryGameLabelUsesAFontThatExists)
{
    ScopedChdir dir(ZF_GAME_DATA_DIR);
    CTextKeeper keeper("Settings\\Languages.xml");
    ASSERT_FALSE(keeper.GetLanguages().empty());
    for (int i = 0; i < static_cast<int>(keeper.GetLanguages().size()); ++i) {
        LogWatch log;
        keeper.SelectLanguage(i);
        EXPECT_GE(keeper.GetFontCount(), 3u);
        EXPECT_FALSE(log.Has("Error")) << log.Text();
        EXPECT_FALSE(log.Has("Warning")) << log.Text();
        for (const char* alias : {"VersionNumber", "Res_score_01", "Res_score_02", "Res_score_03", "Bonus_score",
                                  "Res_score_big_01", "Res_score_big_02", "Res_score_big_03", "No_moves_warn"})
            EXPECT_TRUE(keeper.HasLabel(alias)) << alias;
        for (const auto& [alias, label] : keeper.GetLabels()) {
            EXPECT_LT(label.font_id, static_cast<int>(keeper.GetFontCount())) << alias;
            EXPECT_GT(label.style.height, 0.0f) << alias;
            // Every byte of the text has a glyph in its font.
            const FontDesc& font = keeper.GetFont(label.font_id);
            for (unsigned char c : label.text) {
                if (c == '|') continue;
                EXPECT_GT(font.Glyph(c).bottom - font.Glyph(c).top, 0.0f) << alias << " " << c;
            }
        }
        // Every Windows-1252 character that the game may show has a glyph in every font.
        for (size_t id = 0; id < keeper.GetFontCount(); ++id)
            for (int c = 32; c < 256; ++c) {
                const GlyphRect& g = keeper.GetFont(static_cast<int>(id)).Glyph(static_cast<unsigned char>(c));
                EXPECT_GT(g.bottom - g.top, 0.0f) << "font " << id << " code " << c;
                EXPECT_GE(g.right - g.left, 0.0f) << "font " << id << " code " << c;
            }
    }
}

} // namespace
