// The shipped hints file (Settings\Hints.xml) against the game: it loads through the real toolkit with
// the game's catalogue, art and texts and without a logged error, every hint the game asks for is in it
// with a "Got it" button, and every bubble fits on the screen with its anchor on the targets the game
// points it at (the bonus sockets, the time bar, the moves stack, the cells of every shipped level).
// ZF_UPDATE_HINTS_SHEET=1 also shows a few hints with the real engine core on the software renderer, each
// over the panel it explains, and writes content/hints/sheet.png with the targets marked by a cross: a
// picture to look at after a change of the bubbles (not a reference the test compares with).
#include "engine/base/engine_layout.h"
#include "engine/base/engine_xml.h"
#include "engine/core/engine_core_internal.h"
#include "engine/render/engine_render.h"
#include "engine/text/engine_langtext.h"
#include "field/chain/field_gamefield.h"
#include "game/game_hints.h"
#include "gui/gui_controls.h"
#include "gui/gui_dialog.h"
#include "gui/gui_kinds.h"
#include "player/player_gamevalues.h"
#include "player/player_user.h"
#include "support/pixel_compare.h"
#include "support/test_support.h"

#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <utility>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

const std::string kSheet = std::string(ZF_SOURCE_DIR) + "/content/hints/sheet.png";

// Every hint the game asks for: the field's objects, the bonus levels, the shop, the special chain,
// each grade of the eight bonuses, the plain balls and the multiball.
std::vector<int> RequestedIds()
{
    std::vector<int> ids;
    for (int id = 100; id <= 114; ++id) ids.push_back(id);
    for (int kind = 0; kind < 8; ++kind)
        for (int grade = 1; grade <= 4; ++grade) ids.push_back(200 + 10 * kind + grade);
    for (int type = 1; type <= 8; ++type) ids.push_back(1000 + type);
    ids.push_back(1050);
    return ids;
}

// The bonus sockets' controls by credit type (Settings\DialogsGame.xml, //Dialogs/BonusesDialog).
const std::map<int, const char*> kBonusControls = {
    {10, "SANDCLOCK"}, {11, "DYNAMITE"}, {12, "MIXER"}, {13, "LIGHTNING"},
    {14, "SWORD"},     {15, "STAR"},     {16, "MAGICWAND"}, {17, "PLUS"}};

struct Point {
    float x, y;
};

class HintsContent : public ::testing::Test {
protected:
    static void SetUpTestSuite() { SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software"); }

    HintsContent() : _dir(ZF_GAME_DATA_DIR)
    {
        CEngineCore& core = CEngineCore::Instance();
        _ready = core.GetDevice() || core.Init("ZerafineTest", "Zerafine hints", true);
        _previous = g_EngineCore;
        g_EngineCore = &core;
        CTextKeeper::Instance().SelectLanguage(0);
        CControlKinds::Instance().Reset();
        RegisterGameValues();
        dialogs = std::make_unique<CXMLFile>("Settings\\DialogsGame.xml");
    }
    ~HintsContent() override { g_EngineCore = _previous; }

    std::unique_ptr<CSlideableBaseDialog> Panel(const std::string& name) const
    {
        auto d = std::make_unique<CSlideableBaseDialog>();
        d->Load(dialogs->SelectSingleNode("//Dialogs/" + name));
        return d;
    }
    // Where the game points a bonus's hint: the top centre of the ready picture.
    Point BonusSlot(int credit_type) const
    {
        const auto panel = Panel("BonusesDialog");
        const CBaseControlPtr ready = panel->GetControl(std::string("ID_") + kBonusControls.at(credit_type) + "_READY");
        return {ready->GetX() + ready->GetWidth() / 2.0f, ready->GetY()};
    }
    // The end of the time bar when full and when nearly empty.
    std::vector<Point> TimeBarEnds() const
    {
        const auto panel = Panel("TimerDialog");
        const CBaseControlPtr bar = panel->GetControl("ID_TIMER_BAR");
        const float y = bar->GetY() + bar->GetHeight() / 2.0f;
        return {{bar->GetX() + bar->GetWidth(), y}, {bar->GetX() + 8.0f, y}};
    }
    // The middle coin of the moves stack for stacks of 2 to 40 moves.
    std::vector<Point> MovesStack() const
    {
        const auto panel = Panel("MoverDialog");
        const CBaseControlPtr basis = panel->GetControl("ID_IMAGE_BASIS");
        const float step = float(dialogs->SelectSingleNode("//Dialogs/MoverDialog/Parameters").GetIntAttribute("body_step", 0));
        std::vector<Point> out;
        for (int moves = 2; moves <= 40; ++moves)
            out.push_back({basis->GetX(), basis->GetY() - step * float(moves / 2 + 1)});
        return out;
    }
    // The centres of the cells of every shipped level, below the field's first two rows.
    static std::vector<Point> Cells()
    {
        std::vector<Point> out;
        for (const auto& entry : std::filesystem::recursive_directory_iterator("Levels")) {
            if (entry.path().extension() != ".xml") continue;
            CXMLFile level(entry.path().string());
            const CXMLNode cfg = level.SelectSingleNode("//Level/Config");
            if (!cfg.IsValid()) continue;
            const float x0 = float(cfg.GetIntAttribute("field_pos_x", 0)), y0 = float(cfg.GetIntAttribute("field_pos_y", 0));
            const CXMLNodeList cells = level.SelectNodes("//Level/Field/Cell");
            for (int i = 0; i < cells.GetLength(); ++i) {
                const CXMLNode c = cells.GetItem(i);
                if (c.GetIntAttribute("y", 0) < 2) continue;
                out.push_back({x0 + 36.0f * float(c.GetIntAttribute("x", 0)) + 18.0f,
                               y0 + 36.0f * float(c.GetIntAttribute("y", 0)) + 18.0f});
            }
        }
        return out;
    }
    // The rectangle the field checks around a target, from the hint's bounds and anchor.
    static HintRect Margin(const CHintsManager& hints, int id)
    {
        float b[4], a[2];
        EXPECT_TRUE(hints.GetBounds(id, b, a));
        return HintRect{a[0] - b[0], a[1] - b[1], b[2] - b[0], b[3] - b[1]};
    }

    zftest::ScopedChdir _dir;
    bool _ready = false;
    IEngineCore* _previous = nullptr;
    std::unique_ptr<CXMLFile> dialogs;
};

TEST_F(HintsContent, EveryHintTheGameAsksForLoadsWithItsButtonAndTexts)
{
    ASSERT_TRUE(_ready) << SDL_GetError();
    zftest::LogWatch log;
    CHintsManager hints;
    hints.Load();
    EXPECT_FALSE(log.Has("Error")) << log.Text();
    EXPECT_FALSE(log.Has("Warning")) << log.Text();
    EXPECT_FALSE(log.Has("Verify")) << log.Text();

    for (int id : RequestedIds()) EXPECT_TRUE(hints.IsLoaded(id)) << id;
    for (const HintRecord& h : hints.GetHints()) {
        SCOPED_TRACE(h.id);
        EXPECT_NO_THROW(h.dialog->GetControl<CMenuButton>("ID_CONTINUE"));
        EXPECT_EQ(h.sound, "hint_show");
        EXPECT_GE(h.delay, 30);
        EXPECT_LE(h.delay, 90);
        // The text is a label of the labels file, not a stray alias shown as it is.
        bool has_text = false;
        for (const CBaseControlPtr& c : h.dialog->GetControls()) {
            auto label = std::dynamic_pointer_cast<CMenuLabel>(c);
            if (!label) continue;
            has_text = true;
            EXPECT_FALSE(label->GetLabel().GetLabel().text.empty()) << label->GetLabel().GetLabel().alias;
        }
        EXPECT_TRUE(has_text);
    }
    // The first bonus level and the shop are shown where their layout puts them: the first in the
    // middle, the shop's under the shop, which hangs below the top panel down to y 316.
    for (const auto& [id, centre_y] : {std::pair{111, 300.0f}, std::pair{113, 400.0f}}) {
        float b[4], a[2];
        ASSERT_TRUE(hints.GetBounds(id, b, a));
        EXPECT_EQ(a[0], 0.0f) << id << " has no anchor";
        EXPECT_NEAR((b[0] + b[2]) / 2.0f, 400.0f, 4.0f) << id;
        EXPECT_NEAR((b[1] + b[3]) / 2.0f, centre_y, 4.0f) << id;
    }
    float shop[4], anchor[2];
    ASSERT_TRUE(hints.GetBounds(113, shop, anchor));
    EXPECT_GT(shop[1], 316.0f) << "the shop's hint leaves the shop's buttons free";
}

TEST_F(HintsContent, EveryBubbleFitsOnTheScreenAtItsTargets)
{
    ASSERT_TRUE(_ready) << SDL_GetError();
    CHintsManager hints;
    hints.Load();
    const std::vector<Point> cells = Cells();
    ASSERT_FALSE(cells.empty());

    for (const HintRecord& h : hints.GetHints()) {
        if (h.id == 111 || h.id == 113) continue;
        SCOPED_TRACE(h.id);
        std::vector<Point> targets;
        if (h.id >= 200 && h.id < 280) targets = {BonusSlot(10 + (h.id - 200) / 10)};
        else if (h.id == 103) targets = TimeBarEnds();
        else if (h.id == 112) targets = MovesStack();
        else targets = cells;
        const HintRect margin = Margin(hints, h.id);
        for (const Point& p : targets)
            EXPECT_TRUE(CGameField::FitsOnScreen(p.x, p.y, margin)) << "at (" << p.x << ", " << p.y << ")";
    }
}

// One frame: a plain background, a panel, the hint laid on its target, a cross on the target.
zftest::SurfacePtr DrawHint(CHintsManager& hints, CBaseDialog* panel, int id, Point target)
{
    CEngineCore& core = CEngineCore::Instance();
    GraphicsDesc square;
    square.texture = "Textures\\Common\\Square.tga";
    square.tex_rect[2] = square.tex_rect[3] = 16.0f;
    square.color = 0xFFE020E0u;
    CSprite across, down;
    square.width = 15;
    square.height = 1;
    across.Init(target.x - 7.0f, target.y, square);
    square.width = 1;
    square.height = 15;
    down.Init(target.x, target.y - 7.0f, square);

    if (!hints.ShowHint(id, target.x, target.y)) return nullptr;
    zftest::SurfacePtr shot;
    for (int frame = 0; frame < 4; ++frame) {
        core.SetFrameTime(0.016f);
        if (!core.BeginFrame()) return nullptr;
        core.Clear(0xFF7A9A6Au);
        if (panel) panel->Process();
        hints.Update();
        across.Draw();
        down.Draw();
        if (frame == 3) shot = zftest::ReadBack(core.GetDevice(), SDL_Rect{0, 0, 800, 600});
        core.EndFrame();
    }
    hints.HideActive();
    return shot;
}

TEST_F(HintsContent, PreviewSheet)
{
    ASSERT_TRUE(_ready) << SDL_GetError();
    const char* update = std::getenv("ZF_UPDATE_HINTS_SHEET");
    if (!update || std::string(update) != "1") GTEST_SKIP() << "ZF_UPDATE_HINTS_SHEET=1 draws the sheet";

    CHintsManager hints;
    hints.Load();
    auto bonuses = Panel("BonusesDialog");
    auto timer = Panel("TimerDialog");
    auto mover = Panel("MoverDialog");
    for (auto* d : {bonuses.get(), timer.get(), mover.get()}) d->ShowImmediately();

    std::vector<zftest::SurfacePtr> shots;
    shots.push_back(DrawHint(hints, nullptr, 100, Point{400, 300}));
    shots.push_back(DrawHint(hints, bonuses.get(), 211, BonusSlot(11)));
    shots.push_back(DrawHint(hints, bonuses.get(), 274, BonusSlot(17)));
    shots.push_back(DrawHint(hints, timer.get(), 103, TimeBarEnds()[0]));
    shots.push_back(DrawHint(hints, mover.get(), 112, MovesStack()[18]));
    shots.push_back(DrawHint(hints, nullptr, 113, Point{0, 0}));

    constexpr int kGap = 8;
    const int w = 2 * 800 + 3 * kGap, h = 3 * 600 + 4 * kGap;
    zftest::SurfacePtr sheet(SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888));
    ASSERT_TRUE(sheet);
    SDL_FillRect(sheet.get(), nullptr, 0xFF2B1D14);
    for (size_t i = 0; i < shots.size(); ++i) {
        ASSERT_TRUE(shots[i]) << i;
        SDL_Rect to{kGap + int(i % 2) * (800 + kGap), kGap + int(i / 2) * (600 + kGap), 800, 600};
        SDL_BlitSurface(shots[i].get(), nullptr, sheet.get(), &to);
    }
    ASSERT_EQ(IMG_SavePNG(sheet.get(), kSheet.c_str()), 0) << IMG_GetError();
}

} // namespace
