// The game screen's dialog file (Settings\DialogsGame.xml) against the code that reads it: every node
// loads through the real toolkit with the game's catalogue, art and texts and without a logged error,
// every control the panels and dialogs look up is there with the class they cast it to, every indicator
// is bound to a registered game value, the panels that frame the field leave the field of every shipped
// level free and lie off the screen when slid away, and the life icon of Settings\Bases\Common.xml sits
// in the top panels' lives plaque.
// ZF_UPDATE_GAMEDIALOGS_SHEET=1 also draws the panels and dialogs over shipped levels with the real
// engine core on the software renderer and writes content/gamedialogs/sheet.png, a picture to look at
// after a change of the layouts (not a reference the test compares with): two columns of full frames,
//     ordinary level          bonus level
//     pause                   leave the level
//     game over               help
//     level complete          bonus level complete
//     promotion               bonus resources
#include "engine/base/engine_layout.h"
#include "engine/base/engine_xml.h"
#include "engine/core/engine_core_internal.h"
#include "engine/particles/engine_pyro2.h"
#include "engine/render/engine_render.h"
#include "engine/text/engine_langtext.h"
#include "game/game_background.h"
#include "game/game_dialogs.h"
#include "gui/gui_controls.h"
#include "gui/gui_dialog.h"
#include "gui/gui_indicators.h"
#include "gui/gui_kinds.h"
#include "player/player_gamevalues.h"
#include "player/player_prices.h"
#include "player/player_resources.h"
#include "player/player_user.h"
#include "support/pixel_compare.h"
#include "support/test_support.h"

#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char* const kDialogs = "Settings\\DialogsGame.xml";
const std::string kSheet = std::string(ZF_SOURCE_DIR) + "/content/gamedialogs/sheet.png";
constexpr int kFrames = 6;

enum Kind { kButton, kImage, kLabel, kProgress, kTrack, kPages };

struct Expected {
    const char* node;
    std::vector<std::pair<std::string, Kind>> controls;
};

std::vector<std::pair<std::string, Kind>> BonusPanelControls()
{
    std::vector<std::pair<std::string, Kind>> out{{"ID_HELP", kButton}};
    for (const char* name : {"DYNAMITE", "MAGICWAND", "LIGHTNING", "STAR", "SANDCLOCK", "SWORD", "PLUS", "MIXER"}) {
        const std::string id = std::string("ID_") + name;
        for (const char* suffix : {"", "_DISABLE", "_EMPTY", "_READY", "_READY_GLOW"}) out.emplace_back(id + suffix, kImage);
    }
    return out;
}

std::vector<std::pair<std::string, Kind>> ResourcesControls()
{
    std::vector<std::pair<std::string, Kind>> out{{"ID_GET", kButton}, {"ID_OK", kButton}};
    for (int r = 1; r <= 3; ++r) {
        for (int i = 1; i <= 2; ++i) out.emplace_back("ID_RES_IMAGE_" + std::to_string(r * 10 + i), kImage);
        out.emplace_back("ID_BONUS_RESOURCE_" + std::to_string(r), kLabel);
        out.emplace_back("ID_QUESTION_" + std::to_string(r), kImage);
    }
    return out;
}

std::vector<std::pair<std::string, Kind>> HelpControls()
{
    std::vector<std::pair<std::string, Kind>> out{
        {"ID_CONTINUE", kButton}, {"ID_EXIT", kButton}, {"ID_FORWARD", kButton}, {"ID_BACKWARD", kButton}};
    for (int n = 1; n <= CGameHelpDialog::kSections; ++n) {
        out.emplace_back("ID_PAGES_" + std::to_string(n), kPages);
        out.emplace_back("ID_SELECT_" + std::to_string(n), kImage);
        out.emplace_back("ID_GOTO_" + std::to_string(n), kButton);
    }
    return out;
}

// Every node the game screen loads, with the controls its class looks up.
const std::vector<Expected>& Nodes()
{
    static const std::vector<Expected> nodes = {
        {"GameTopDialog", {{"ID_MENU", kButton}, {"ID_RELAX", kButton}}},
        {"GameBonusTopDialog", {{"ID_MENU", kButton}, {"ID_RELAX", kButton}}},
        {"TimerDialog", {{"ID_TIMER_BAR", kProgress}, {"ID_DANGER_OFF", kImage}, {"ID_DANGER", kImage}}},
        {"MoverDialog", {{"ID_IMAGE_BASIS", kImage}, {"ID_IMAGE_HEAD", kImage}, {"ID_MOVES_LEFT", kLabel}}},
        {"BonusesDialog", BonusPanelControls()},
        {"PauseDialog", {{"ID_SOUND", kTrack}, {"ID_MUSIC", kTrack}, {"ID_MENU", kButton}, {"ID_GAME", kButton},
                         {"ID_HELP", kButton}}},
        {"LeaveGameConfirmationDialog", {{"ID_LEAVE", kButton}, {"ID_CANCEL", kButton}}},
        {"LevelCompleteDialog", {{"ID_YOUR_TIME_S", kLabel}, {"ID_YOUR_TIME", kLabel}, {"ID_BEST_TIME_S", kLabel},
                                 {"ID_BEST_TIME", kLabel}, {"ID_BEST_TIME_NAME_S", kLabel}, {"ID_MONEY", kLabel},
                                 {"ID_STAFF", kLabel}, {"ID_FOOD", kLabel}, {"ID_BONUS_RESOURCE_N", kLabel},
                                 {"ID_OK", kButton}}},
        {"GameOverDialog", {{"ID_OK", kButton}}},
        {"BonusLevelCompleteDialog", {{"ID_OK", kButton}}},
        {"HelpDialog", HelpControls()},
        {"PromotionDialog", {{"ID_PROMOTIONS", kPages}, {"ID_BONUS", kButton}, {"ID_BONUS_CENTER", kButton},
                             {"ID_RESOURCE", kButton}, {"ID_RESOURCE_CENTER", kButton}, {"ID_OK", kButton}}},
        {"GetResourcesDialog", ResourcesControls()},
    };
    return nodes;
}

// The dialogs that frame the field while a level runs, with the offset each slides by when hidden.
struct PlayPanel {
    const char* node;
    float hide_dx, hide_dy;
};
const PlayPanel kPlayPanels[] = {
    {"GameTopDialog", 0, -80}, {"GameBonusTopDialog", 0, -80}, {"TimerDialog", 200, 0},
    {"MoverDialog", 500, 0}, {"BonusesDialog", 0, -600}};

void CheckClass(const CBaseDialog& dialog, const std::string& id, Kind kind)
{
    switch (kind) {
    case kButton: dialog.GetControl<CMenuButton>(id); break;
    case kImage: dialog.GetControl<CMenuImage>(id); break;
    case kLabel: dialog.GetControl<CMenuLabel>(id); break;
    case kProgress: dialog.GetControl<CMenuProgressBar>(id); break;
    case kTrack: dialog.GetControl<CMenuTrackBar>(id); break;
    case kPages: dialog.GetControl<CMenuPageControl>(id); break;
    }
}

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Rect {
    float l, t, r, b;
    bool Overlaps(const Rect& o) const { return l < o.r && o.l < r && t < o.b && o.t < b; }
};

std::string Show(const Rect& r)
{
    std::ostringstream s;
    s << "(" << r.l << ", " << r.t << ") - (" << r.r << ", " << r.b << ")";
    return s.str();
}

// The field rectangle of every shipped level, from its configuration and the game's cell size.
std::vector<std::pair<std::string, Rect>> LevelFields()
{
    std::vector<std::pair<std::string, Rect>> out;
    CXMLFile game("Settings\\GameCFG.xml");
    const CXMLNode cfg = game.SelectSingleNode("//GameCFG");
    const float cw = cfg.GetFloatAttribute("cell_w", 36.0f), ch = cfg.GetFloatAttribute("cell_h", 36.0f);
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator("Levels"))
        if (entry.path().extension() == ".xml") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const auto& path : files) {
        CXMLFile level(path.string());
        const CXMLNode c = level.SelectSingleNode("//Level/Config");
        if (!c.IsValid()) continue;
        const float x = float(c.GetIntAttribute("field_pos_x", 0)), y = float(c.GetIntAttribute("field_pos_y", 0));
        out.emplace_back(path.string(), Rect{x, y, x + cw * float(c.GetIntAttribute("field_width", 0)),
                                             y + ch * float(c.GetIntAttribute("field_height", 0))});
    }
    return out;
}

// The real engine core on the software renderer, the shipped catalogue, texts and game values.
class GameDialogsContent : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    }

    GameDialogsContent() : _dir(ZF_GAME_DATA_DIR)
    {
        CEngineCore& core = CEngineCore::Instance();
        _ready = core.GetDevice() || core.Init("ZerafineTest", "Zerafine game dialogs", true);
        _previous = g_EngineCore;
        g_EngineCore = &core;
        CTextKeeper::Instance().SelectLanguage(0);
        CControlKinds::Instance().Reset();
        RegisterGameValues();
        file = std::make_unique<CXMLFile>(kDialogs);
    }
    ~GameDialogsContent() override { g_EngineCore = _previous; }

    CXMLNode Node(const std::string& name) const { return file->SelectSingleNode("//Dialogs/" + name); }

    zftest::ScopedChdir _dir;
    bool _ready = false;
    IEngineCore* _previous = nullptr;
    std::unique_ptr<CXMLFile> file;
};

TEST_F(GameDialogsContent, EveryNodeLoadsWithTheControlsItsClassLooksUp)
{
    ASSERT_TRUE(_ready) << SDL_GetError();
    for (const Expected& e : Nodes()) {
        SCOPED_TRACE(e.node);
        const CXMLNode node = Node(e.node);
        ASSERT_TRUE(node.IsValid()) << "no node //Dialogs/" << e.node;
        zftest::LogWatch log;
        CSlideableBaseDialog dialog;
        ASSERT_TRUE(dialog.Load(node));
        for (const auto& [id, kind] : e.controls) EXPECT_NO_THROW(CheckClass(dialog, id, kind)) << id;
        EXPECT_FALSE(log.Has("Error")) << log.Text();
        EXPECT_FALSE(log.Has("Verify")) << log.Text();
        EXPECT_FALSE(log.Has("Warning")) << log.Text();
    }
    // The moves label shows its count through one parameter.
    CSlideableBaseDialog mover;
    mover.Load(Node("MoverDialog"));
    EXPECT_EQ(mover.GetControl<CMenuLabel>("ID_MOVES_LEFT")->GetLabel().GetLabel().param_count, 1);
    // The promotion shows the page of the player's title: one page per title of the ladder.
    CXMLFile promotions("Settings\\Promotions.xml");
    CSlideableBaseDialog promotion;
    promotion.Load(Node("PromotionDialog"));
    EXPECT_EQ(int(promotion.GetControl<CMenuPageControl>("ID_PROMOTIONS")->GetPages().size()),
              promotions.SelectNodes("//Promotions/Promotion").GetLength());
    // A drawn resource shows its multiplier and its count; a reel's two pictures are stacked.
    CSlideableBaseDialog resources;
    resources.Load(Node("GetResourcesDialog"));
    for (int r = 1; r <= 3; ++r) {
        EXPECT_EQ(resources.GetControl<CMenuLabel>("ID_BONUS_RESOURCE_" + std::to_string(r))->GetLabel().GetLabel().param_count, 2);
        const CBaseControlPtr first = resources.GetControl("ID_RES_IMAGE_" + std::to_string(r * 10 + 1));
        const CBaseControlPtr second = resources.GetControl("ID_RES_IMAGE_" + std::to_string(r * 10 + 2));
        EXPECT_EQ(second->GetY(), first->GetY() + first->GetHeight()) << r;
        EXPECT_EQ(second->GetX(), first->GetX()) << r;
    }
}

TEST_F(GameDialogsContent, EveryIndicatorIsBoundToARegisteredValueAndLoadsCleanly)
{
    ASSERT_TRUE(_ready) << SDL_GetError();
    int total = 0;
    for (const Expected& e : Nodes()) {
        const CXMLNodeList list = Node(e.node).SelectNodes("Indicator");
        for (int i = 0; i < list.GetLength(); ++i) {
            const std::string src = list.GetItem(i).GetAttribute("src_id");
            SCOPED_TRACE(std::string(e.node) + " " + src);
            zftest::LogWatch log;
            CGameIndicator indicator;
            EXPECT_NO_THROW(indicator.Load(list.GetItem(i)));
            EXPECT_NE(indicator.GetGameValue(), nullptr);
            EXPECT_FALSE(indicator.GetStates().empty());
            indicator.Update();
            EXPECT_FALSE(log.Has("Error")) << log.Text();
            EXPECT_FALSE(log.Has("Verify")) << log.Text();
            ++total;
        }
    }
    // Level, score, lives and three resources; bonus level, score and lives; the bonus resource; eight
    // grades; the game over's score and level; the bonus level's score.
    EXPECT_EQ(total, 6 + 3 + 1 + 8 + 2 + 1);
    // The resources blink between two looks, the bonus resource shows each of its three types.
    for (const char* src : {"VAL_MONEY", "VAL_STAFF", "VAL_FOOD"}) {
        bool found = false;
        const CXMLNodeList list = Node("GameTopDialog").SelectNodes("Indicator");
        for (int i = 0; i < list.GetLength(); ++i) {
            if (list.GetItem(i).GetAttribute("src_id") != src) continue;
            CGameIndicator indicator;
            indicator.Load(list.GetItem(i));
            EXPECT_EQ(indicator.GetStates().count(0), 1u) << src;
            EXPECT_EQ(indicator.GetStates().count(1), 1u) << src;
            found = true;
        }
        EXPECT_TRUE(found) << src;
    }
}

TEST_F(GameDialogsContent, PanelsExtrasNameExistingArtSoundsAndEmitters)
{
    ASSERT_TRUE(_ready) << SDL_GetError();
    const std::string samples = ReadText("Settings/Samples.xml");
    const std::string pyro = ReadText("Textures/Pyro/PyroDemo2.pyro");
    auto has_sample = [&](const std::string& a) { return samples.find("alias=\"" + a + "\"") != std::string::npos; };
    auto has_emitter = [&](const std::string& a) { return pyro.find("name=\"" + a + "\"") != std::string::npos; };

    const CXMLNode effect = Node("TimerDialog").SelectSingleNode("BonusResourceAppearEffect");
    ASSERT_TRUE(effect.IsValid());
    EXPECT_TRUE(has_emitter(effect.SelectSingleNode("pyro").GetAttribute("alias")));
    EXPECT_TRUE(has_sample(effect.SelectSingleNode("sound").GetAttribute("alias")));

    const CXMLNode mover = Node("MoverDialog");
    for (const char* part : {"Body", "BodyExpl", "BodyExplFast"}) {
        GraphicsDesc desc;
        ReadGraphics(mover.SelectSingleNode(part), desc);
        EXPECT_FALSE(desc.texture.empty()) << part;
        EXPECT_GT(desc.width, 0) << part;
    }
    EXPECT_TRUE(has_sample(mover.SelectSingleNode("BodyExpl").GetAttribute("sound")));

    // Thirty moves fit between the plinth and the top panel: the head and the count stay on the screen
    // below the top panel's 76 pixels.
    const int step = mover.SelectSingleNode("Parameters").GetIntAttribute("body_step", 0);
    ASSERT_GT(step, 0);
    CSlideableBaseDialog dialog;
    dialog.Load(mover);
    const float head = dialog.GetControl("ID_IMAGE_HEAD")->GetY();
    const float count = dialog.GetControl("ID_MOVES_LEFT")->GetY();
    EXPECT_GE(head - 30.0f * float(step), 76.0f);
    EXPECT_GE(count - 30.0f * float(step) - 16.0f, 76.0f) << "the count is a centred line of 30 px";

    // The bonus resources' sounds and pictures.
    const CXMLNode resources = Node("GetResourcesDialog");
    for (const char* attr : {"change_res_types", "get_res_types"})
        EXPECT_TRUE(has_sample(resources.SelectSingleNode("Sound").GetAttribute(attr))) << attr;
    EXPECT_FALSE(resources.SelectSingleNode("Settings").GetAttribute("multiplier_char").empty());
    for (int t = 1; t <= 3; ++t) {
        GraphicsDesc desc;
        ReadGraphics(resources.SelectSingleNode("ImageResType_" + std::to_string(t)), desc);
        EXPECT_FALSE(desc.texture.empty()) << t;
    }

    // The bonus rings grow round their rows.
    const CXMLNodeList rings = Node("BonusesDialog").SelectNodes("Ring");
    EXPECT_EQ(rings.GetLength(), 8);
    for (int i = 0; i < rings.GetLength(); ++i) {
        GraphicsDesc desc;
        ReadGraphics(rings.GetItem(i), desc);
        EXPECT_FALSE(desc.texture.empty());
        EXPECT_LT(rings.GetItem(i).GetFloatAttribute("begin"), rings.GetItem(i).GetFloatAttribute("end"));
    }
}

TEST_F(GameDialogsContent, PlayPanelsLeaveTheFieldFreeAndHideOffTheScreen)
{
    ASSERT_TRUE(_ready) << SDL_GetError();
    const auto fields = LevelFields();
    ASSERT_GE(fields.size(), 10u);
    for (const PlayPanel& p : kPlayPanels) {
        SCOPED_TRACE(p.node);
        CSlideableBaseDialog dialog;
        ASSERT_TRUE(dialog.Load(Node(p.node)));
        for (const CBaseControlPtr& c : dialog.GetControls()) {
            const Rect r{c->GetX(), c->GetY(), c->GetX() + c->GetWidth(), c->GetY() + c->GetHeight()};
            for (const auto& [level, field] : fields)
                EXPECT_FALSE(r.Overlaps(field)) << c->GetId() << " " << Show(r) << " covers the field of " << level;
            // Slid away, every play panel is wholly off the screen.
            const Rect hidden{r.l + p.hide_dx, r.t + p.hide_dy, r.r + p.hide_dx, r.b + p.hide_dy};
            EXPECT_FALSE(hidden.Overlaps(Rect{0, 0, 800, 600})) << c->GetId() << " " << Show(hidden);
            EXPECT_TRUE(r.l >= -40 && r.r <= 840 && r.t >= -40 && r.b <= 600) << c->GetId() << " " << Show(r);
        }
    }
    // The life icon the top panels draw sits inside both panels' lives plaque, below the menu's row.
    CXMLFile common("Settings\\Bases\\Common.xml");
    for (const char* name : {"Normal", "AddLife", "Danger"}) {
        const CXMLNode life = common.SelectSingleNode(std::string("//Common/Life/") + name);
        ASSERT_TRUE(life.IsValid()) << name;
        GraphicsDesc desc;
        ReadGraphics(life, desc);
        const float x = life.GetFloatAttribute("left"), y = life.GetFloatAttribute("top");
        const Rect icon{x, y, x + float(desc.width), y + float(desc.height)};
        EXPECT_TRUE(icon.b <= 76.0f && icon.t >= 0.0f) << name << " " << Show(icon);
        for (const char* top : {"GameTopDialog", "GameBonusTopDialog"}) {
            CSlideableBaseDialog dialog;
            dialog.Load(Node(top));
            int plaques_under = 0;
            for (const CBaseControlPtr& c : dialog.GetControls()) {
                if (!dynamic_cast<CMenuPanel*>(c.get())) continue;
                const Rect r{c->GetX(), c->GetY(), c->GetX() + c->GetWidth(), c->GetY() + c->GetHeight()};
                if (r.l <= icon.l && icon.r <= r.r && r.t <= icon.t && icon.b <= r.b + 2) {
                    ++plaques_under;
                } else if (!dynamic_cast<CMenuPanel*>(c.get())) {
                    EXPECT_FALSE(r.Overlaps(icon));
                }
            }
            EXPECT_EQ(plaques_under, 2) << top << ": the board and the lives plaque";
            for (const CBaseControlPtr& c : dialog.GetControls()) {
                if (dynamic_cast<CMenuPanel*>(c.get())) continue;
                const Rect r{c->GetX(), c->GetY(), c->GetX() + c->GetWidth(), c->GetY() + c->GetHeight()};
                EXPECT_FALSE(r.Overlaps(icon)) << top << " " << c->GetId();
            }
        }
    }
}

// ---- The help

Rect Bounds(const CBaseControl& c) { return Rect{c.GetX(), c.GetY(), c.GetX() + c.GetWidth(), c.GetY() + c.GetHeight()}; }

bool Inside(const Rect& inner, const Rect& outer)
{
    return inner.l >= outer.l && inner.r <= outer.r && inner.t >= outer.t && inner.b <= outer.b;
}

TEST_F(GameDialogsContent, HelpPagesFitTheirPageAndTheLimitsFitThePages)
{
    ASSERT_TRUE(_ready) << SDL_GetError();
    zftest::LogWatch log;
    CGameHelpDialog help;
    ASSERT_TRUE(help.Load(Node("HelpDialog")));
    EXPECT_FALSE(log.Has("Error")) << log.Text();
    EXPECT_FALSE(log.Has("Warning")) << log.Text();

    // Every page's pictures and texts lie on the page and apart from one another (the page's own
    // backing panel under them all); every text is a label of the labels file.
    for (int n = 1; n <= CGameHelpDialog::kSections; ++n) {
        const auto pages = help.GetControl<CMenuPageControl>("ID_PAGES_" + std::to_string(n));
        const Rect area = Bounds(*pages);
        ASSERT_GE(pages->GetPages().size(), 2u) << n;
        for (size_t p = 0; p < pages->GetPages().size(); ++p) {
            SCOPED_TRACE("section " + std::to_string(n) + " page " + std::to_string(p + 1));
            std::vector<std::pair<std::string, Rect>> boxes;
            for (const CBaseControlPtr& c : pages->GetPages()[p].page->GetControls()) {
                if (dynamic_cast<CMenuPanel*>(c.get())) {
                    EXPECT_TRUE(Inside(Bounds(*c), area)) << Show(Bounds(*c));
                    continue;
                }
                Rect r = Bounds(*c);
                std::string what = "image " + Show(r);
                if (auto label = std::dynamic_pointer_cast<CMenuLabel>(c)) {
                    CStaticLabel& text = label->GetLabel();
                    EXPECT_FALSE(text.GetLabel().text.empty()) << text.GetLabel().alias;
                    text.Rebuild();
                    const FRect& b = text.GetBoundingBox();
                    r = Rect{b.left, b.top, b.right, b.bottom};
                    what = text.GetLabel().alias + " " + Show(r);
                    EXPECT_GT(r.r - r.l, 8.0f) << what << ": the text is laid out";
                }
                // A picture may lie over another of the same place (a lock over its ball).
                for (const auto& [other, box] : boxes) {
                    const bool same = box.l == r.l && box.t == r.t && box.r == r.r && box.b == r.b;
                    if (!same) {
                        EXPECT_FALSE(r.Overlaps(box)) << what << " covers " << other;
                    }
                }
                Rect margin{area.l + 8, area.t + 6, area.r - 8, area.b - 4};
                EXPECT_TRUE(Inside(r, margin)) << what << " leaves the page " << Show(area);
                boxes.emplace_back(what, r);
            }
        }
    }

    // The tabs: each section's highlight lies round its button, clear of the other tabs and the page.
    const Rect page_area = Bounds(*help.GetControl("ID_PAGES_1"));
    for (int n = 1; n <= CGameHelpDialog::kSections; ++n) {
        const Rect select = Bounds(*help.GetControl("ID_SELECT_" + std::to_string(n)));
        const Rect go = Bounds(*help.GetControl("ID_GOTO_" + std::to_string(n)));
        EXPECT_TRUE(Inside(go, select)) << n;
        EXPECT_FALSE(select.Overlaps(page_area)) << n;
        for (int m = 1; m <= CGameHelpDialog::kSections; ++m)
            if (m != n) {
                EXPECT_FALSE(select.Overlaps(Bounds(*help.GetControl("ID_GOTO_" + std::to_string(m))))) << n << " " << m;
            }
    }

    // Every title may read at least the bonus section's first page and opens it on a page it may read;
    // the highest title reads every page, and no title reads fewer pages than the one below it.
    CPromotions promotions;
    promotions.Load("Settings\\Promotions.xml");
    ASSERT_GE(promotions.GetCount(), 2);
    const int bonus_pages = int(help.GetControl<CMenuPageControl>("ID_PAGES_2")->GetPages().size());
    int last = 0;
    for (int t = 0; t < promotions.GetCount(); ++t) {
        const int limit = promotions.GetHelpLimit(t);
        EXPECT_GE(limit, std::max(1, last)) << t;
        EXPECT_LE(limit, bonus_pages) << t;
        EXPECT_GE(promotions.GetHelpDefaultPage(t), 0) << t;
        EXPECT_LT(promotions.GetHelpDefaultPage(t), limit) << t;
        last = limit;
    }
    EXPECT_EQ(last, bonus_pages);

    // The effects: the board grows from and shrinks to the middle of the screen over a pass of its
    // animation; a page turn covers the page and trails its sparks across it with a sound.
    float x0, y0, x1, y1;
    ASSERT_TRUE(help.GetBounds(x0, y0, x1, y1));
    const CXMLNode node = Node("HelpDialog");
    const CXMLNode open = node.SelectSingleNode("OpenEffect");
    EXPECT_EQ(open.GetFloatAttribute("end_x"), x0);
    EXPECT_EQ(open.GetFloatAttribute("end_y"), y0);
    EXPECT_EQ(open.GetFloatAttribute("end_size_x"), x1 - x0);
    EXPECT_EQ(open.GetFloatAttribute("end_size_y"), y1 - y0);
    const CXMLNode close = node.SelectSingleNode("CloseEffect");
    EXPECT_EQ(close.GetFloatAttribute("start_x"), x0);
    EXPECT_EQ(close.GetFloatAttribute("start_size_y"), y1 - y0);
    for (auto which : {CGameHelpDialog::heOpen, CGameHelpDialog::heClose}) {
        ASSERT_TRUE(help.GetEffect(which).sprite) << which;
        EXPECT_GE(help.GetEffect(which).sprite->GetAnimation().GetTotalDelay(), 6) << which;
    }
    const std::string samples = ReadText("Settings/Samples.xml");
    const std::string pyro = ReadText("Textures/Pyro/PyroDemo2.pyro");
    const Rect page = Bounds(*help.GetControl("ID_PAGES_1"));
    for (auto which : {CGameHelpDialog::hePageBackward, CGameHelpDialog::hePageForward}) {
        SCOPED_TRACE(which);
        const HelpEffect& e = help.GetEffect(which);
        ASSERT_TRUE(e.sprite);
        EXPECT_GE(e.sprite->GetAnimation().GetTotalDelay(), 6);
        const FRect& r = e.sprite->GetRect();
        EXPECT_TRUE(Inside(Rect{r.left, r.top, r.right, r.bottom}, page) && Inside(page, Rect{r.left, r.top, r.right, r.bottom}));
        EXPECT_NE(pyro.find("name=\"" + e.emitter + "\""), std::string::npos) << e.emitter;
        EXPECT_NE(samples.find("alias=\"" + e.sound + "\""), std::string::npos) << e.sound;
        // The sparks start at one edge of the page and reach the other as the sprite ends.
        const float start = help.GetCornerX() + e.emitter_x;
        const float end = start + e.speed_x * float(e.sprite->GetAnimation().GetTotalDelay());
        EXPECT_NEAR(std::min(start, end), page.l, 12.0f);
        EXPECT_NEAR(std::max(start, end), page.r, 12.0f);
        const float y = help.GetCornerY() + e.emitter_y;
        EXPECT_TRUE(y > page.t && y < page.b);
    }
    const HelpEffect& forward = help.GetEffect(CGameHelpDialog::hePageForward);
    EXPECT_LT(forward.speed_x, 0.0f) << "a page turned forward goes over to the left";
}

// ---- The preview sheet

class SheetValues : public IGameValueSource {
public:
    float GetShownScore() const override { return 48250.0f; }
    float GetShownResource(int type) const override { return type == 1 ? 1240.0f : type == 2 ? 385.0f : 906.0f; }
    int GetBlinkState(int type) const override { return type == 2 ? 1 : 0; }
    int GetBonusResourceType() const override { return 3; }
    int GetBonusResourceAmount() const override { return 60; }
    bool IsAllEpochsComplete() const override { return false; }
    int GetBonusUpgrade(int) const override { return 0; }
};

// One frame of the sheet: a level's background and field with panels and dialogs over it.
class Frame {
public:
    Frame(const CXMLFile& dialogs, const char* level, int background) : _dialogs(dialogs)
    {
        BackgroundDesc desc;
        if (LoadLevelBackgroundDesc("Settings\\Background.xml", background, desc)) {
            _background = CreateComplexBackground();
            _background->Create(desc);
        }
        LoadField(level);
    }

    CSlideableBaseDialog& Add(const std::string& node)
    {
        auto dialog = std::make_unique<CSlideableBaseDialog>();
        const CXMLNode n = _dialogs.SelectSingleNode("//Dialogs/" + node);
        dialog->Load(n);
        dialog->ShowImmediately();
        const CXMLNodeList list = n.SelectNodes("Indicator");
        _indicators.emplace_back();
        for (int i = 0; i < list.GetLength(); ++i) {
            auto ind = std::make_unique<CGameIndicator>();
            ind->Load(list.GetItem(i));
            _indicators.back().push_back(std::move(ind));
        }
        _extra.emplace_back();
        _layers.push_back(std::move(dialog));
        return *_layers.back();
    }
    // Dims everything added so far, as the scene's fader under a dialog.
    void Dim() { _dim_after = _layers.size(); }
    void AddSprite(float x, float y, const GraphicsDesc& desc)
    {
        auto s = std::make_unique<CSprite>();
        s->Init(x, y, desc);
        _extra.back().push_back(std::move(s));
    }
    void AddLife()
    {
        CXMLFile common("Settings\\Bases\\Common.xml");
        const CXMLNode life = common.SelectSingleNode("//Common/Life/Normal");
        GraphicsDesc desc;
        ReadGraphics(life, desc);
        AddSprite(life.GetFloatAttribute("left"), life.GetFloatAttribute("top"), desc);
    }

    zftest::SurfacePtr Draw()
    {
        CEngineCore& core = CEngineCore::Instance();
        zftest::SurfacePtr shot;
        for (int frame = 0; frame < kFrames; ++frame) {
            core.SetFrameTime(0.016f);
            if (!core.BeginFrame()) return nullptr;
            core.Clear(0xFF5B3720);
            if (_background) _background->Update(false);
            for (auto& s : _cells) s->Draw();
            for (size_t i = 0; i < _layers.size(); ++i) {
                if (i == _dim_after) DrawDim();
                _layers[i]->Process();
                for (auto& ind : _indicators[i]) ind->Draw();
                for (auto& s : _extra[i]) s->Draw();
            }
            if (frame == kFrames - 1) shot = zftest::ReadBack(core.GetDevice(), SDL_Rect{0, 0, 800, 600});
            core.EndFrame();
        }
        return shot;
    }

private:
    void LoadField(const char* level)
    {
        CXMLFile file(level);
        const CXMLNode cfg = file.SelectSingleNode("//Level/Config");
        const float x0 = float(cfg.GetIntAttribute("field_pos_x", 0)), y0 = float(cfg.GetIntAttribute("field_pos_y", 0));
        const CXMLNodeList cells = file.SelectNodes("//Level/Field/Cell");
        static const int kRows[] = {0, 2, 4, 6, 7};
        for (int i = 0; i < cells.GetLength(); ++i) {
            const CXMLNode cell = cells.GetItem(i);
            const float x = x0 + 36.0f * float(cell.GetIntAttribute("x", 0));
            const float y = y0 + 36.0f * float(cell.GetIntAttribute("y", 0));
            const CXMLNodeList groups = cell.SelectNodes("Group");
            for (int g = 0; g < groups.GetLength(); ++g) {
                const int tile = groups.GetItem(g).GetIntAttribute("tile", 1) - 1;
                _cells.push_back(Sprite(x, y, "Textures\\Field\\Tiles.png", float(tile * 48), 0.0f));
            }
            const int row = kRows[(cell.GetIntAttribute("x", 0) * 7 + cell.GetIntAttribute("y", 0) * 3 + i / 5) % 5];
            _cells.push_back(Sprite(x, y, "Textures\\Balls\\Balls.png", 0.0f, float(row * 48)));
        }
    }
    static std::unique_ptr<CSprite> Sprite(float x, float y, const char* texture, float tx, float ty)
    {
        GraphicsDesc desc;
        desc.texture = texture;
        desc.width = 36;
        desc.height = 36;
        desc.tex_rect[0] = tx;
        desc.tex_rect[1] = ty;
        desc.tex_rect[2] = tx + 48.0f;
        desc.tex_rect[3] = ty + 48.0f;
        auto s = std::make_unique<CSprite>();
        s->Init(x, y, desc);
        return s;
    }
    void DrawDim()
    {
        if (!_dim) {
            GraphicsDesc desc;
            desc.texture = "Textures\\Common\\Square.tga";
            desc.width = 800;
            desc.height = 600;
            desc.tex_rect[2] = 16.0f;
            desc.tex_rect[3] = 16.0f;
            desc.color = 0xA4000000u;
            _dim = std::make_unique<CSprite>();
            _dim->Init(0, 0, desc);
        }
        _dim->Draw();
    }

    const CXMLFile& _dialogs;
    std::shared_ptr<CComplexBackground> _background;
    std::vector<std::unique_ptr<CSprite>> _cells;
    std::vector<std::unique_ptr<CSlideableBaseDialog>> _layers;
    std::vector<std::vector<std::unique_ptr<CGameIndicator>>> _indicators;
    std::vector<std::vector<std::unique_ptr<CSprite>>> _extra;
    std::unique_ptr<CSprite> _dim;
    size_t _dim_after = size_t(-1);
};

void LoadCredits()
{
    CResCredits& credits = GetResCredits();
    credits.Clear();
    for (int type = 10; type <= 17; ++type) {
        const std::string text =
            "<Balls><Bonus><ResCredit type=\"" + std::to_string(type) +
            "\"/><Grade id=\"1\" start_at_amount=\"100\"/><Grade id=\"2\" start_at_amount=\"200\"/>"
            "<Grade id=\"3\" start_at_amount=\"300\"/><Grade id=\"4\" start_at_amount=\"400\"/></Bonus></Balls>";
        CXMLFile file;
        file.LoadXml(std::vector<uint8_t>(text.begin(), text.end()));
        credits.LoadCredit(file.SelectSingleNode("//Bonus"));
    }
}

TEST_F(GameDialogsContent, PreviewSheet)
{
    ASSERT_TRUE(_ready) << SDL_GetError();
    const char* update = std::getenv("ZF_UPDATE_GAMEDIALOGS_SHEET");
    if (!update || std::string(update) != "1") GTEST_SKIP() << "ZF_UPDATE_GAMEDIALOGS_SHEET=1 draws the sheet";

    SheetValues values;
    SetGameValueSource(&values);
    LoadCredits();
    // Bonus states across the rows: ready at grades 4, 2, 1, charging, empty, locked.
    const int amounts[] = {450, 230, 120, 40, 0, 310, 0, 0};
    const bool available[] = {true, true, true, true, true, true, false, false};
    const int types[] = {11, 16, 13, 15, 10, 14, 17, 12};
    for (int i = 0; i < 8; ++i) {
        GetResCredits().SetAvailable(types[i], available[i]);
        GetResCredits().Add(types[i], amounts[i]);
    }
    const int32_t old_lives = g_User.GetLives(), old_level = g_User.GetLevel(), old_bonus = g_User.GetBonusLevel();
    g_User.SetLives(3);
    g_User.SetLevel(9);
    g_User.SetBonusLevel(1);

    auto bonus_rows = [&](CSlideableBaseDialog& panel) {
        const char* names[] = {"DYNAMITE", "MAGICWAND", "LIGHTNING", "STAR", "SANDCLOCK", "SWORD", "PLUS", "MIXER"};
        for (int i = 0; i < 8; ++i) {
            const std::string id = std::string("ID_") + names[i];
            const int grade = GetResCredits().GetGrade(types[i]);
            const bool ready = available[i] && grade > 0;
            panel.GetControl(id + "_DISABLE")->SetVisible(!available[i]);
            panel.GetControl(id + "_EMPTY")->SetVisible(available[i] && !ready);
            panel.GetControl(id + "_READY")->SetVisible(ready);
            panel.GetControl(id + "_READY_GLOW")->SetVisible(ready);
            panel.GetControl<CMenuImage>(id + "_READY_GLOW")->SetAlpha(i == 0 ? 255 : 150);
        }
    };
    auto play = [&](Frame& f, bool bonus, int moves) {
        f.Add(bonus ? "GameBonusTopDialog" : "GameTopDialog");
        f.AddLife();
        if (bonus) {
            CSlideableBaseDialog& mover = f.Add("MoverDialog");
            const CXMLNode m = file->SelectSingleNode("//Dialogs/MoverDialog");
            GraphicsDesc body;
            ReadGraphics(m.SelectSingleNode("Body"), body);
            const float step = float(m.SelectSingleNode("Parameters").GetIntAttribute("body_step", 0));
            const CBaseControlPtr basis = mover.GetControl("ID_IMAGE_BASIS");
            for (int i = 1; i <= moves; ++i) f.AddSprite(basis->GetX(), basis->GetY() - float(i) * step, body);
            for (const char* id : {"ID_IMAGE_HEAD", "ID_MOVES_LEFT"}) {
                const CBaseControlPtr c = mover.GetControl(id);
                c->SetPosition(c->GetX(), c->GetY() - step * float(moves));
            }
            mover.GetControl<CMenuLabel>("ID_MOVES_LEFT")->SetParam(CParamValue(moves));
        } else {
            CSlideableBaseDialog& timer = f.Add("TimerDialog");
            timer.GetControl<CMenuProgressBar>("ID_TIMER_BAR")->SetPos(62);
        }
        bonus_rows(f.Add("BonusesDialog"));
    };

    std::vector<zftest::SurfacePtr> shots;
    {
        Frame f(*file, "Levels/E01/L10.xml", 0);
        play(f, false, 0);
        shots.push_back(f.Draw());
    }
    {
        Frame f(*file, "Levels/E02/B02.xml", 7);   // the bonus levels' background
        play(f, true, 22);
        shots.push_back(f.Draw());
    }
    {
        Frame f(*file, "Levels/E02/L06.xml", 1);
        play(f, false, 0);
        f.Dim();
        f.Add("PauseDialog");
        shots.push_back(f.Draw());
    }
    {
        Frame f(*file, "Levels/E01/L05.xml", 2);
        play(f, false, 0);
        f.Dim();
        f.Add("LeaveGameConfirmationDialog");
        shots.push_back(f.Draw());
    }
    {
        Frame f(*file, "Levels/E01/L07.xml", 3);
        f.Dim();
        f.Add("GameOverDialog");
        shots.push_back(f.Draw());
    }
    {
        Frame f(*file, "Levels/E02/L03.xml", 4);
        play(f, false, 0);
        f.Dim();
        f.Add("HelpDialog");
        shots.push_back(f.Draw());
    }
    {
        Frame f(*file, "Levels/E01/L09.xml", 5);
        f.Dim();
        CSlideableBaseDialog& stats = f.Add("LevelCompleteDialog");
        const std::pair<const char*, CParamValue> figures[] = {
            {"ID_YOUR_TIME", CParamValue(std::string("2:05"))}, {"ID_BEST_TIME", CParamValue(std::string("1:48"))},
            {"ID_BEST_TIME_NAME_S", CParamValue(std::string("Anna"))}, {"ID_MONEY", CParamValue(340)},
            {"ID_STAFF", CParamValue(120)}, {"ID_FOOD", CParamValue(215)}, {"ID_BONUS_RESOURCE_N", CParamValue(60)}};
        for (const auto& [id, value] : figures) stats.GetControl<CMenuLabel>(id)->SetParam(value);
        shots.push_back(f.Draw());
    }
    {
        Frame f(*file, "Levels/E01/B01.xml", 7);
        f.Dim();
        f.Add("BonusLevelCompleteDialog");
        shots.push_back(f.Draw());
    }
    {
        Frame f(*file, "Levels/E01/L11.xml", 6);
        f.Dim();
        f.Add("PromotionDialog").GetControl<CMenuPageControl>("ID_PROMOTIONS")->SetPage(4);
        shots.push_back(f.Draw());
    }
    {
        Frame f(*file, "Levels/E01/L12.xml", 0);
        f.Dim();
        CSlideableBaseDialog& res = f.Add("GetResourcesDialog");
        // The reels stopped on food, money, food: the two foods count double.
        const int kinds[] = {3, 1, 3};
        for (int r = 1; r <= 3; ++r) {
            res.GetControl("ID_QUESTION_" + std::to_string(r))->SetVisible(false);
            GraphicsDesc desc;
            ReadGraphics(file->SelectSingleNode("//Dialogs/GetResourcesDialog/ImageResType_" + std::to_string(kinds[r - 1])), desc);
            res.GetControl<CMenuImage>("ID_RES_IMAGE_" + std::to_string(r * 10 + 1))->SetImage(desc);
            res.GetControl<CMenuLabel>("ID_BONUS_RESOURCE_" + std::to_string(r))
                ->SetParams(CParamValue(std::string(r == 2 ? "" : "x2")), CParamValue(45));
        }
        res.GetControl("ID_GET")->SetVisible(false);
        res.GetControl("ID_OK")->SetVisible(true);
        shots.push_back(f.Draw());
    }
    SetGameValueSource(nullptr);
    GetResCredits().Clear();
    g_User.SetLives(old_lives);
    g_User.SetLevel(old_level);
    g_User.SetBonusLevel(old_bonus);

    constexpr int kGap = 8;
    const int w = 2 * 800 + 3 * kGap, h = 5 * 600 + 6 * kGap;
    zftest::SurfacePtr sheet(SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888));
    ASSERT_TRUE(sheet);
    SDL_FillRect(sheet.get(), nullptr, 0xFF2B1D14);
    for (size_t i = 0; i < shots.size(); ++i) {
        ASSERT_TRUE(shots[i]) << SDL_GetError();
        SDL_Rect to{kGap + int(i % 2) * (800 + kGap), kGap + int(i / 2) * (600 + kGap), 800, 600};
        SDL_BlitSurface(shots[i].get(), nullptr, sheet.get(), &to);
    }
    ASSERT_EQ(IMG_SavePNG(sheet.get(), kSheet.c_str()), 0) << IMG_GetError();
}

// ZF_UPDATE_GAMEDIALOGS_SHEET=1 also draws content/gamedialogs/help_sheet.png: the first page of each
// help section shown by the real dialog, a page of the bonus section turning over, the citizens of the
// first epoch and the walls.
TEST_F(GameDialogsContent, HelpSheet)
{
    ASSERT_TRUE(_ready) << SDL_GetError();
    const char* update = std::getenv("ZF_UPDATE_GAMEDIALOGS_SHEET");
    if (!update || std::string(update) != "1") GTEST_SKIP() << "ZF_UPDATE_GAMEDIALOGS_SHEET=1 draws the sheet";
    ASSERT_TRUE(InitPyro("Textures\\Pyro\\PyroDemo2.pyro"));
    // The first title's bonus pages.
    const CPromotions old_promotions = GetPromotions();
    GetPromotions().Load("Settings\\Promotions.xml");
    CEngineCore& core = CEngineCore::Instance();
    CGameHelpDialog help;
    ASSERT_TRUE(help.Load(Node("HelpDialog")));
    help.ShowModalImmediately();
    auto frames = [&](int n) {
        zftest::SurfacePtr shot;
        for (int i = 0; i < n; ++i) {
            core.SetFrameTime(0.016f);
            if (!core.BeginFrame()) return shot;
            core.Clear(0xFF5B3720);
            help.Process();
            if (i == n - 1) shot = zftest::ReadBack(core.GetDevice(), SDL_Rect{0, 0, 800, 600});
            core.EndFrame();
        }
        return shot;
    };
    std::vector<zftest::SurfacePtr> shots;
    for (int n = 1; n <= CGameHelpDialog::kSections; ++n) {
        help.SelectSection(n);
        shots.push_back(frames(3));
    }
    // The bonus section's second page turning over to the third, half way.
    help.SelectSection(2);
    help.SetPage(1, true);
    frames(2);
    help.OnClick(help.GetControl("ID_FORWARD").get());
    shots.push_back(frames(8));
    help.SelectSection(4);
    help.SetPage(1, true);
    shots.push_back(frames(3));
    help.SelectSection(3);
    help.SetPage(2, true);
    shots.push_back(frames(3));
    ShutdownPyro();
    GetPromotions() = old_promotions;

    constexpr int kGap = 8;
    zftest::SurfacePtr sheet(SDL_CreateRGBSurfaceWithFormat(0, 2 * 800 + 3 * kGap, 4 * 600 + 5 * kGap, 32,
                                                            SDL_PIXELFORMAT_ARGB8888));
    ASSERT_TRUE(sheet);
    SDL_FillRect(sheet.get(), nullptr, 0xFF2B1D14);
    for (size_t i = 0; i < shots.size(); ++i) {
        ASSERT_TRUE(shots[i]) << SDL_GetError();
        SDL_Rect to{kGap + int(i % 2) * (800 + kGap), kGap + int(i / 2) * (600 + kGap), 800, 600};
        SDL_BlitSurface(shots[i].get(), nullptr, sheet.get(), &to);
    }
    const std::string path = std::string(ZF_SOURCE_DIR) + "/content/gamedialogs/help_sheet.png";
    ASSERT_EQ(IMG_SavePNG(sheet.get(), path.c_str()), 0) << IMG_GetError();
}

} // namespace
