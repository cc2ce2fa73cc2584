// The dialog gallery (content/gui/gallery.xml): every control kind of the shipped catalogue in every
// state, drawn by the real engine core on the software renderer with the game's own art and fonts, read
// back and compared with the toolkit's reference sheet content/gui/gallery.png.
// ZF_UPDATE_GALLERY=1 writes the sheet instead.
#include "engine/core/engine_core_internal.h"
#include "engine/core/engine_input.h"
#include "engine/text/engine_langtext.h"
#include "engine/base/engine_xml.h"
#include "gui/gui_dialog.h"
#include "gui/gui_test_util.h"
#include "support/pixel_compare.h"

#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <filesystem>

using namespace guitest;

namespace {

const char* const kLayout = ZF_SOURCE_DIR "/content/gui/gallery.xml";
const char* const kReference = ZF_SOURCE_DIR "/content/gui/gallery.png";
constexpr uint32_t kBackground = 0xFF5B3720;

// Puts one control into a state through its own input step, with the pointer at a point of it.
void Drive(FakeMouse& mouse, CBaseControl& control, float dx, float dy, bool press)
{
    mouse.Frame(int(control.GetX() + dx), int(control.GetY() + dy), false);
    control.ProcessInput();
    if (press) {
        mouse.Frame(int(control.GetX() + dx), int(control.GetY() + dy), true);
        control.ProcessInput();
    }
}

} // namespace

TEST(GuiGallery, EveryControlInEveryStateMatchesTheReferenceSheet)
{
    const std::filesystem::path cwd = std::filesystem::current_path();
    std::filesystem::current_path(ZF_GAME_DATA_DIR);
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    CEngineCore& core = CEngineCore::Instance();
    ASSERT_TRUE(core.Init("ZerafineTest", "Zerafine gallery", true));
    g_EngineCore = &core;
    CTextKeeper::Instance().SelectLanguage(0);
    CControlKinds::Instance().Reset();   // the shipped "Settings\Controls.xml"
    zftest::FakeClock clock(1300);       // the focused edit shows its caret
    FakeMouse mouse;
    IMouse* const real_mouse = g_Mouse;
    g_Mouse = &mouse;

    CBaseDialog gallery;
    {
        LogWatch log;
        CXMLFile file(kLayout);
        ASSERT_TRUE(gallery.Load(file.SelectSingleNode("//Dialogs/Gallery")));
        EXPECT_FALSE(log.Has("Error")) << log.Text();
        EXPECT_FALSE(log.Has("Verify")) << log.Text();
    }
    for (const char* group : {"BIG", "SMALL", "ICON"}) {
        const std::string id = std::string("ID_") + group + "_";
        Drive(mouse, *gallery.GetControl(id + "HOVER"), 20, 20, false);
        Drive(mouse, *gallery.GetControl(id + "PRESSED"), 20, 20, true);
    }
    gallery.GetControl<CMenuCheckBox>("ID_CHECK_ON")->SetChecked(true);
    gallery.GetControl<CMenuEdit>("ID_EDIT")->SetText("Zerafine");
    auto focused = gallery.GetControl<CMenuEdit>("ID_EDIT_FOCUSED");
    focused->SetText("Player 1");
    focused->SetFocus(true);
    gallery.GetControl<CMenuTrackBar>("ID_TRACK")->SetPosition(30);
    auto hovered_track = gallery.GetControl<CMenuTrackBar>("ID_TRACK_HOVER");
    hovered_track->SetPosition(70);
    const FRect thumb = hovered_track->GetThumbRect();
    mouse.Frame(int(thumb.left + 5), int(thumb.top + 5), false);
    hovered_track->ProcessInput();
    auto list = gallery.GetControl<CMenuListBox>("ID_LIST");
    std::vector<CMenuListBox::Item> items;
    for (const char* name : {"Anna", "Bertil", "Cecilia", "Dmitri", "Emeli", "Fabio", "Greta", "Hamid", "Ines"})
        items.push_back({name, std::string(name) == "Dmitri"});
    list->SetItems(items);
    list->SelectItem(2);
    auto pages = gallery.GetControl<CMenuPageControl>("ID_PAGES_0");
    std::dynamic_pointer_cast<CMenuLabel>(pages->GetPages()[0].page->FindControl("ID_PAGE_LABEL"))->SetParam("Page one");
    gallery.GetControl<CMenuPageControl>("ID_PAGES_1")->SetPage(1);
    mouse.Frame(790, 595, false);

    gallery.ShowImmediately();
    zftest::SurfacePtr shot;
    for (int frame = 0; frame < 12; ++frame) {
        ASSERT_TRUE(core.BeginFrame());
        core.Clear(kBackground);
        gallery.Process();
        if (frame == 11) shot = zftest::ReadBack(core.GetDevice(), SDL_Rect{0, 0, 800, 600});
        core.EndFrame();
    }
    g_Mouse = real_mouse;
    std::filesystem::current_path(cwd);
    ASSERT_TRUE(shot) << SDL_GetError();

    // The states the sheet shows.
    EXPECT_EQ(gallery.GetControl<CMenuButton>("ID_BIG_HOVER")->GetVisualState(), vsHover);
    EXPECT_EQ(gallery.GetControl<CMenuButton>("ID_SMALL_PRESSED")->GetVisualState(), vsPressed);
    EXPECT_EQ(gallery.GetControl<CMenuButton>("ID_ICON_DISABLED")->GetVisualState(), vsDisabled);
    EXPECT_TRUE(hovered_track->HasThumbHovered());
    EXPECT_EQ(focused->GetLabel().GetParam1().GetText(), "Player 1_");

    const zftest::PixelComparison compared = zftest::CompareWithReference(shot.get(), kReference, "ZF_UPDATE_GALLERY", 24);
    if (compared.written) GTEST_SKIP() << "reference written: " << kReference;
    ASSERT_EQ(compared.error, "");
    EXPECT_LE(compared.differing, 800 * 600 / 500) << compared.differing << " pixels differ";
    if (HasFailure()) {
        const std::string actual = (cwd / "GalleryActual.png").string();
        IMG_SavePNG(shot.get(), actual.c_str());
        ADD_FAILURE() << "the drawn picture is in " << actual;
    }
}
