// The eight bonuses on a shipped level, drawn by the real engine core on the software renderer with
// the game's own settings, textures and particles: each kind is activated (and aimed, for the kinds
// the player aims), its frames run, and a frame from the middle of its run is read back. The test
// checks that the effect shows there around the cells it touches, that it ends in a bounded number of
// frames, that the field settles with a ball in every usable cell, and that nothing is logged as an
// error. ZF_UPDATE_BONUS_SHEET=1 also writes the frames as the sheet content/bonuses/sheet.png, for a
// person to look at: two rows of four panels without captions, in this order
//     dynamite,   magic wand, lightning, clover
//     sand clock, burner,     bag,       mixer
#include "field_play_util.h"

#include "field/bonus/field_bonus.h"
#include "field/timebar/field_timer.h"

#include "engine/core/engine_core_internal.h"
#include "engine/particles/engine_pyro2.h"
#include "engine/render/engine_texture.h"
#include "support/pixel_compare.h"

#include <SDL.h>
#include <SDL_image.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <utility>

using namespace fieldtest;
using zftest::ChannelDistance;
using zftest::PixelAt;
using zftest::SurfacePtr;

namespace {

const char* const kLevel = "Levels/E01/L03.xml";
const std::string kSheet = std::string(ZF_SOURCE_DIR) + "/content/bonuses/sheet.png";
constexpr uint32_t kBackground = 0xFF5B3720;   // the walnut of the game's panels
constexpr uint32_t kSheetBackground = 0xFF2B1D14;
constexpr int kPanelWidth = 400;
constexpr int kPanelHeight = 300;
constexpr int kGap = 8;
// The time bar's moving end, where the sand clock's flights land (the game's panel is not drawn).
constexpr float kBarTipX = 470.0f;
constexpr float kBarTipY = 40.0f;
constexpr int kBonusFrameLimit = 1200;   // the clover waits at most ten seconds for its particles
constexpr int kSettleFrameLimit = 1200;
// A visible effect: this many pixels around the touched cells change by more than the distance.
constexpr int kVisibleDistance = 48;
constexpr int kVisiblePixels = 600;

// The scene of the sheet: the explosions the field starts are drawn over it, as the game's scene
// does with its explosion manager.
class DrawingScene : public RecordingScene {
public:
    void StartExplosion(const std::string& alias, float x, float y) override
    {
        RecordingScene::StartExplosion(alias, x, y);
        pyro.AddEmitter(alias, x, y);
    }
    CPyro2 pyro;
};

class BarTip : public ITimeBarView {
public:
    void SetMinPos(int) override {}
    void SetMaxPos(int) override {}
    void SetPos(int) override {}
    void GetTipPosition(float& x, float& y) const override
    {
        x = kBarTipX;
        y = kBarTipY;
    }
};

struct Kind {
    int kind;
    int credit;
    const char* name;
    // The cells clicked after the activation (none for the kinds that act at once): column, row.
    std::vector<std::pair<int, int>> clicks;
};

// Runs in the game's own folder: the field and everything it draws are made there.
class BonusSheet : public ::testing::Test {
protected:
    BonusSheet()
    {
        SetUpField(&user, &drawing);
        InitPyro("Textures\\Pyro\\PyroDemo2.pyro");
        CTextureCacher::Instance().Clear();
        CMouse::Instance().SetCursorService(&cursor);
        g_GameTimer.BindControls(&bar, nullptr, nullptr);
        sounds.plays_start_playing = false;
        for (const Kind& k : Kinds()) user.grades[k.credit] = 4;
        field = std::make_unique<CGameField>();
    }
    ~BonusSheet() override
    {
        field.reset();
        drawing.pyro.Clear();
        ShutdownPyro();
        g_SoundQueue.Update();
        g_SoundKeeper = _previous_keeper;
        g_GameTimer.BindControls(nullptr, nullptr, nullptr);
        CMouse::Instance().SetCursorService(nullptr);
        SetFieldUser(nullptr);
        SetFieldScene(nullptr);
        g_GameCfg = CGameCfg();
        g_LevelCfg = CLevelCfg();
        CTextureCacher::Instance().Clear();
    }

    static const std::vector<Kind>& Kinds()
    {
        // The sheet's order; the credit types are those of the user's bonus credits.
        static const std::vector<Kind> kinds = {
            {bkDynamite, 11, "dynamite", {{4, 3}}},
            {bkMagicWand, 16, "magic wand", {}},
            {bkLightning, 13, "lightning", {}},
            {bkClover, 15, "clover", {}},   // two balls of different types, found on the field
            {bkSandClock, 10, "sand clock", {}},
            {bkBurner, 14, "burner", {{4, 3}}},
            {bkBag, 17, "bag", {{4, 3}}},
            {bkMixer, 12, "mixer", {}},
        };
        return kinds;
    }

    // The shipped level with locks and boxes on some of its balls and dealt onto the balls that
    // fall in: no level of the first epoch has them yet, and the bonuses treat them in their own ways.
    void LoadShippedLevel()
    {
        std::ifstream in(kLevel, std::ios::binary);
        ASSERT_TRUE(in) << kLevel;
        std::stringstream text;
        text << in.rdbuf();
        std::string level = text.str();
        for (const auto& [from, to] : {std::pair{"ordinary_locked_probability=\"0\"", "ordinary_locked_probability=\"10\""},
                                       std::pair{"double_locked_probability=\"0\"", "double_locked_probability=\"4\""},
                                       std::pair{"ordinary_boxed_probability=\"0\"", "ordinary_boxed_probability=\"10\""},
                                       std::pair{"double_boxed_probability=\"0\"", "double_boxed_probability=\"4\""}}) {
            const size_t at = level.find(from);
            ASSERT_NE(at, std::string::npos) << from;
            level.replace(at, std::string(from).size(), to);
        }
        // x, y, lock, box, graph type (coin, helmet, apple and star are among the level's types).
        const int covered[][5] = {{3, 2, 0, 1, 1}, {5, 2, 1, 0, 3}, {4, 4, 2, 0, 5}, {3, 4, 0, 2, 7}, {6, 3, 1, 0, 1},
                                  {2, 3, 0, 1, 5}, {7, 5, 1, 0, 7}, {2, 5, 0, 1, 3}, {1, 6, 2, 0, 1}, {4, 1, 0, 2, 3}};
        std::ostringstream balls;
        balls << "<Balls>";
        for (const auto& c : covered)
            balls << "<Cell x=\"" << c[0] << "\" y=\"" << c[1] << "\" lock=\"" << c[2] << "\" box=\"" << c[3]
                  << "\"><Ball graph_type=\"" << c[4] << "\"/></Cell>";
        balls << "</Balls>";
        level.insert(level.rfind("</Level>"), balls.str());
        SetPyroSeed(1234);
        RandomSeed(1234);
        _level = ParseXml(level);
        field->LoadLevel(_level.SelectSingleNode("Level"), kLevel);
    }

    SDL_Rect FieldRect() const
    {
        return SDL_Rect{g_LevelCfg.GetFieldPosX(), g_LevelCfg.GetFieldPosY(),
                        g_LevelCfg.GetFieldWidth() * int(g_GameCfg.GetCellW()),
                        g_LevelCfg.GetFieldHeight() * int(g_GameCfg.GetCellH())};
    }
    // The panel of the sheet: the field with a margin, or the sand clock's flights.
    SDL_Rect PanelRect(int kind) const
    {
        if (kind == bkSandClock) return SDL_Rect{800 - kPanelWidth, 0, kPanelWidth, kPanelHeight};
        const SDL_Rect f = FieldRect();
        return SDL_Rect{f.x + f.w / 2 - kPanelWidth / 2, f.y + f.h / 2 - kPanelHeight / 2, kPanelWidth, kPanelHeight};
    }
    // Where the effect must show, in the panel's coordinates.
    SDL_Rect CheckRect(const Kind& k) const
    {
        const SDL_Rect panel = PanelRect(k.kind);
        const SDL_Rect f = FieldRect();
        const int cw = int(g_GameCfg.GetCellW()), ch = int(g_GameCfg.GetCellH());
        SDL_Rect r{f.x, f.y, f.w, f.h};
        if (k.kind == bkSandClock) return SDL_Rect{0, 0, kPanelWidth, kPanelHeight};
        if (k.kind == bkDynamite) r = {f.x + (k.clicks[0].first - 1) * cw, f.y + (k.clicks[0].second - 1) * ch, 3 * cw, 3 * ch};
        if (k.kind == bkBurner) r = {f.x, f.y + k.clicks[0].second * ch, f.w, ch};
        return SDL_Rect{r.x - panel.x, r.y - panel.y, r.w, r.h};
    }
    FieldMouse Centre(int column, int row) const
    {
        FieldMouse m;
        g_LevelCfg.CellToScreenCenter(g_LevelCfg.CellAt(column, row), m.x, m.y);
        return m;
    }

    // One frame as the game scene runs it: 16 ms pass, the field draws with the explosions over it,
    // the input and the update follow. With `shot` set, the panel is read back.
    bool Tick(const SDL_Rect* shot_rect = nullptr, SurfacePtr* shot = nullptr)
    {
        clock.Advance(16);
        CEngineCore& core = CEngineCore::Instance();
        core.SetFrameTime(0.016f);   // as the scene loop sets it
        if (!core.BeginFrame()) return false;
        core.Clear(kBackground);
        field->Render();
        drawing.pyro.Render();
        if (shot) *shot = zftest::ReadBack(core.GetDevice(), *shot_rect);
        core.EndFrame();
        field->HandleInput(FieldMouse());
        field->Update();
        g_GameTimer.Update();
        return true;
    }
    bool Busy() const
    {
        return field->IsBonusRunning() || field->IsRefillPending() || field->IsFieldBusy() || drawing.pyro.HasEmitters();
    }
    // The bonus's effect: the bonus runs, or the balls it hit are dying (the particles it started
    // fade out after that).
    bool Showing() const { return field->IsBonusRunning() || field->GetBalls().HasBallInGraphState(gosDead); }
    int SettleField()
    {
        int n = 0;
        while (n < kSettleFrameLimit && Busy() && Tick()) ++n;
        return n;
    }
    // Two cells of the field with balls of different plain types, for the clover.
    std::vector<std::pair<int, int>> CloverClicks() const
    {
        const CBallsField& balls = field->GetBalls();
        int first = -1;
        for (int c = 0; c < g_LevelCfg.GetCellCount(); ++c) {
            if (!balls.HasUsableBall(c) || balls.IsLocked(c) || balls.IsBoxed(c) || balls.IsMultiball(c)) continue;
            if (first < 0) {
                first = c;
                continue;
            }
            if (balls.GetBallType(c) == balls.GetBallType(first)) continue;
            int x0, y0, x1, y1;
            g_LevelCfg.CellToPos(first, x0, y0);
            g_LevelCfg.CellToPos(c, x1, y1);
            return {{x0, y0}, {x1, y1}};
        }
        return {};
    }

    // The pixels of the rectangle that differ visibly between two panels.
    static int Changed(const SDL_Surface* before, const SDL_Surface* after, const SDL_Rect& r)
    {
        int changed = 0;
        for (int y = std::max(r.y, 0); y < std::min(r.y + r.h, kPanelHeight); ++y)
            for (int x = std::max(r.x, 0); x < std::min(r.x + r.w, kPanelWidth); ++x)
                if (ChannelDistance(PixelAt(before, x, y), PixelAt(after, x, y)) > kVisibleDistance) ++changed;
        return changed;
    }

    // Runs one kind on a fresh level: activates and aims it, runs it to its end, lets the field
    // settle. Of the frames from `shown_from` to `shown_to` of the run, the panel where the effect
    // shows most (strikes, waves and flights come in pulses; the middle frame may fall between two).
    SurfacePtr RunKind(const Kind& k, int shown_from, int shown_to)
    {
        LoadShippedLevel();
        drawing.pyro.Clear();
        const int settled = SettleField();
        EXPECT_LT(settled, kSettleFrameLimit) << "the level does not settle before the bonus";
        const SDL_Rect panel = PanelRect(k.kind);
        SurfacePtr before;
        Tick(&panel, &before);
        EXPECT_FALSE(Busy());

        user.grades[k.credit] = 4;   // the previous run of the kind spent it
        EXPECT_TRUE(field->ActivateBonus(k.kind)) << k.name;
        const std::vector<std::pair<int, int>> clicks = k.kind == bkClover ? CloverClicks() : k.clicks;
        for (size_t i = 0; i < clicks.size(); ++i) {
            const FieldMouse at = Centre(clicks[i].first, clicks[i].second);
            const bool applied = field->ApplyBonusAt(at.x, at.y);
            // The clover's first click only picks the type it makes.
            EXPECT_EQ(applied, i + 1 == clicks.size()) << k.name << " click " << i;
        }
        EXPECT_TRUE(field->IsBonusRunning()) << k.name;

        const SDL_Rect check = CheckRect(k);
        SurfacePtr shown;
        int shown_changed = -1;
        int frames = 0;
        while (frames < kBonusFrameLimit && Showing()) {
            if (frames >= shown_from && frames <= shown_to) {
                SurfacePtr shot;
                Tick(&panel, &shot);
                const int changed = shot ? Changed(before.get(), shot.get(), check) : -1;
                if (changed > shown_changed) {
                    shown_changed = changed;
                    shown = std::move(shot);
                }
            } else {
                Tick();
            }
            ++frames;
        }
        _frames = frames;
        EXPECT_LT(frames, kBonusFrameLimit) << k.name << " does not end";
        EXPECT_LT(SettleField(), kSettleFrameLimit) << k.name << ": the field does not settle";
        const CBallsField& balls = field->GetBalls();
        for (int c = 0; c < g_LevelCfg.GetCellCount(); ++c)
            if (balls.IsUsable(c)) EXPECT_TRUE(balls.HasBall(c)) << k.name << ": cell " << c << " is left without a ball";

        if (shown)
            EXPECT_GE(shown_changed, kVisiblePixels) << k.name << ": the effect does not show in the middle of its run";
        return shown;
    }

    zftest::ScopedChdir _data{ZF_GAME_DATA_DIR};
    zftest::FakeClock clock{1000};
    CRecordingSoundKeeper sounds;
    ISoundKeeper* _previous_keeper = std::exchange(g_SoundKeeper, &sounds);
    RecordingUser user;
    CXMLFile _level;
    std::unique_ptr<CGameField> field;
    DrawingScene drawing;
    RecordingCursor cursor;
    BarTip bar;
    int _frames = 0;
};

TEST_F(BonusSheet, EveryKindShowsMidWayEndsAndLeavesASettledField)
{
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    CEngineCore& core = CEngineCore::Instance();
    ASSERT_TRUE(core.GetDevice() || core.Init("ZerafineTest", "Zerafine bonuses", true)) << SDL_GetError();
    IEngineCore* const previous = g_EngineCore;
    g_EngineCore = &core;

    zftest::LogWatch log;
    std::vector<SurfacePtr> panels;
    for (const Kind& k : Kinds()) {
        SCOPED_TRACE(k.name);
        // A first run counts the frames; a second run from the same seed shows the middle fifth of
        // the first (the particles' timing may shift the second run's length by a few frames).
        RunKind(k, -1, -1);
        const int length = _frames;
        SurfacePtr middle = RunKind(k, length * 2 / 5, length * 3 / 5);
        ASSERT_TRUE(middle) << k.name << ": no frame read back: " << SDL_GetError();
        panels.push_back(std::move(middle));
    }
    g_EngineCore = previous;
    EXPECT_FALSE(log.Has("Error")) << log.Text();

    if (!std::getenv("ZF_UPDATE_BONUS_SHEET")) return;
    const int w = 4 * kPanelWidth + 5 * kGap, h = 2 * kPanelHeight + 3 * kGap;
    SurfacePtr sheet(SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888));
    ASSERT_TRUE(sheet);
    SDL_FillRect(sheet.get(), nullptr, kSheetBackground);
    for (size_t i = 0; i < panels.size(); ++i) {
        SDL_Rect to{kGap + int(i % 4) * (kPanelWidth + kGap), kGap + int(i / 4) * (kPanelHeight + kGap), kPanelWidth,
                    kPanelHeight};
        SDL_BlitSurface(panels[i].get(), nullptr, sheet.get(), &to);
    }
    std::filesystem::create_directories(std::filesystem::path(kSheet).parent_path());
    ASSERT_EQ(IMG_SavePNG(sheet.get(), kSheet.c_str()), 0) << IMG_GetError();
    GTEST_SKIP() << "sheet written: " << kSheet;
}

} // namespace
