// A centred two-line label with a drop shadow and the pointer, drawn by the real engine core with the
// game's own font and cursor on the software renderer, read back and compared with a small reference
// picture. ZF_UPDATE_TEXT_REFERENCE=1 writes the reference instead.
#include "engine/core/engine_core_internal.h"
#include "engine/text/engine_cursor.h"
#include "engine/core/engine_input.h"
#include "engine/text/engine_langtext.h"
#include "support/pixel_compare.h"

#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <filesystem>

using zftest::SurfacePtr;

namespace {

constexpr int kWidth = 192;
constexpr int kHeight = 96;
constexpr uint32_t kBackground = 0xFF3C6E5A;
const char* const kReference = ZF_TEST_DATA_DIR "/text/LabelReference.png";

} // namespace

// The real engine core on the software renderer, once per process.
static CEngineCore& StartCore()
{
    static bool started = false;
    CEngineCore& core = CEngineCore::Instance();
    if (!started) {
        SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
        started = core.Init("ZerafineTest", "Zerafine text", true);
        g_EngineCore = &core;
    }
    return core;
}

TEST(TextPixels, CentredShadowedLabelAndPointerMatchTheReference)
{
    const std::filesystem::path cwd = std::filesystem::current_path();
    std::filesystem::current_path(ZF_GAME_DATA_DIR);
    CEngineCore& core = StartCore();
    ASSERT_TRUE(core.GetDevice());
    CTextKeeper::Instance().SelectLanguage(0);
    AttachCursorToMouse();
    CMouse::Instance().SetPosition(150, 45);
    ASSERT_EQ(CCursor::Instance().GetCurrentName(), "default");

    TextLabel text;
    text.alias = "PixelTest";
    text.text = "Zerafine|Score %d";
    text.param_count = 1;
    text.font_id = 0;
    text.align = TextLabel::alCenter;
    text.style.height = 19.0f;
    text.style.spacing = 1;
    text.style.color = 0xFFF5C431;
    text.style.shadow = true;
    text.style.shadow_color = 0xC02B1D14;
    text.style.shadow_offset_x = 2.0f;
    text.style.shadow_offset_y = 2.0f;
    CStaticLabel label;
    label.SetLabel(text);
    label.SetParam(1250);
    label.SetPosition(80, 36);

    ASSERT_TRUE(core.BeginFrame());
    core.Clear(kBackground);
    label.Draw();
    CMouse::Instance().DrawCursor();
    const SurfacePtr shot = zftest::ReadBack(core.GetDevice(), SDL_Rect{0, 0, kWidth, kHeight});
    ASSERT_TRUE(shot) << SDL_GetError();
    core.EndFrame();
    CMouse::Instance().SetCursorService(nullptr);
    std::filesystem::current_path(cwd);
    EXPECT_EQ(label.GetText(), "Zerafine|Score 1250");
    EXPECT_EQ(label.GetQuadCount(), 2u * 18u);

    // Small differences of filtering are allowed; a moved, missing or recoloured letter is not.
    const zftest::PixelComparison compared =
        zftest::CompareWithReference(shot.get(), kReference, "ZF_UPDATE_TEXT_REFERENCE", 24);
    if (compared.written) GTEST_SKIP() << "reference written: " << kReference;
    ASSERT_EQ(compared.error, "");
    EXPECT_GT(zftest::CountOtherThan(compared.reference.get(), kBackground), 400) << "the reference shows too little";
    EXPECT_LE(compared.differing, kWidth * kHeight / 200)
        << compared.differing << " pixels differ; shot pixels drawn: " << zftest::CountOtherThan(shot.get(), kBackground);
    if (HasFailure()) {
        const std::string actual = (cwd / "LabelActual.png").string();
        IMG_SavePNG(shot.get(), actual.c_str());
        ADD_FAILURE() << "the drawn picture is in " << actual;
    }
}

// The system pointer hides over the window, where the sprite is the pointer, and shows the cursor's
// standard shape outside it; a hidden pointer is hidden everywhere.
TEST(TextPixels, TheSystemPointerFollowsTheCursorRule)
{
    StartCore();
    const std::filesystem::path cwd = std::filesystem::current_path();
    std::filesystem::current_path(ZF_GAME_DATA_DIR);
    CCursor cursor("Settings\\Mouse.xml");
    std::filesystem::current_path(cwd);
    const struct { bool visible, inside; int shown; } cases[] = {
        {true, true, SDL_DISABLE},
        {true, false, SDL_ENABLE},
        {false, false, SDL_DISABLE},
        {false, true, SDL_DISABLE},
        {true, true, SDL_DISABLE},
    };
    for (const auto& c : cases) {
        cursor.ShowSystemCursor(c.visible);
        cursor.SetInside(c.inside);
        EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), c.shown) << c.visible << c.inside;
        EXPECT_EQ(cursor.IsDrawn(), c.visible && c.inside) << c.visible << c.inside;
    }
}
