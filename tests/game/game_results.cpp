// The dialogs at the end of a level: their results, the statistics counted up line by line, the
// promotion's prizes, the bonus resources' reels; the shipped layouts against the code, and pictures
// of the four dialogs drawn by the real engine core (ZF_RESULTS_SHOTS=<folder> writes them as PNG).
#include "gui/gui_test_util.h"

#include "engine/base/engine_xml.h"
#include "engine/core/engine_core_internal.h"
#include "engine/sound/engine_soundqueue.h"
#include "engine/text/engine_langtext.h"
#include "field/field_levelrecord.h"
#include "game/game_results.h"
#include "gui/gui_kinds.h"
#include "player/player_gamevalues.h"
#include "player/player_prices.h"
#include "player/player_resources.h"
#include "player/player_user.h"
#include "support/dialog_shots.h"
#include "support/pixel_compare.h"

#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <set>

using namespace guitest;

namespace {

const char* const kDialogs = R"(<Dialogs>
  <LevelCompleteDialog>
    <Control type="LABEL" id="ID_YOUR_TIME_S" caption="Stats_your_time" left="200" top="100"/>
    <Control type="LABEL" id="ID_YOUR_TIME" caption="Stats_time" left="500" top="100"/>
    <Control type="LABEL" id="ID_BEST_TIME_S" caption="Stats_best_time" left="200" top="130"/>
    <Control type="LABEL" id="ID_BEST_TIME" caption="Stats_time" left="500" top="130"/>
    <Control type="LABEL" id="ID_BEST_TIME_NAME_S" caption="Stats_best_name" left="500" top="150"/>
    <Control type="LABEL" id="ID_MONEY" caption="Stats_amount" left="200" top="200"/>
    <Control type="LABEL" id="ID_STAFF" caption="Stats_amount" left="300" top="200"/>
    <Control type="LABEL" id="ID_FOOD" caption="Stats_amount" left="400" top="200"/>
    <Control type="LABEL" id="ID_BONUS_RESOURCE_N" caption="Stats_bonus" left="500" top="250"/>
    <Control type="BUTTON" id="ID_OK" left="350" top="400" width="100" height="30"/>
    <Indicator src_id="VAL_SCORE"><State id="0"/></Indicator>
  </LevelCompleteDialog>
  <BonusLevelCompleteDialog>
    <Control type="BUTTON" id="ID_OK" left="350" top="400" width="100" height="30"/>
    <Indicator src_id="VAL_SCORE"><State id="0"/></Indicator>
    <Indicator src_id="VAL_NO_SUCH_VALUE"><State id="0"/></Indicator>
  </BonusLevelCompleteDialog>
  <PromotionDialog>
    <Control type="PAGECONTROL" id="ID_PROMOTIONS" left="200" top="100" width="400" height="60">
      <Page/><Page/>
    </Control>
    <Control type="BUTTON" id="ID_BONUS" left="100" top="400" width="100" height="30"/>
    <Control type="BUTTON" id="ID_RESOURCE" left="220" top="400" width="100" height="30"/>
    <Control type="BUTTON" id="ID_BONUS_CENTER" left="340" top="400" width="100" height="30" visible="0"/>
    <Control type="BUTTON" id="ID_RESOURCE_CENTER" left="460" top="400" width="100" height="30" visible="0"/>
    <Control type="BUTTON" id="ID_OK" left="580" top="400" width="100" height="30" visible="0"/>
  </PromotionDialog>
  <GetResourcesDialog>
    <Control type="IMAGE" id="ID_RES_IMAGE_11" left="200" top="100" width="40" height="40"><graphics texture="Textures\Menu\Button.png" tex_rect="0 0 40 40"/></Control>
    <Control type="IMAGE" id="ID_RES_IMAGE_12" left="200" top="140" width="40" height="40"><graphics texture="Textures\Menu\Button.png" tex_rect="0 0 40 40"/></Control>
    <Control type="IMAGE" id="ID_RES_IMAGE_21" left="300" top="100" width="40" height="40"><graphics texture="Textures\Menu\Button.png" tex_rect="0 0 40 40"/></Control>
    <Control type="IMAGE" id="ID_RES_IMAGE_22" left="300" top="140" width="40" height="40"><graphics texture="Textures\Menu\Button.png" tex_rect="0 0 40 40"/></Control>
    <Control type="IMAGE" id="ID_RES_IMAGE_31" left="400" top="100" width="40" height="40"><graphics texture="Textures\Menu\Button.png" tex_rect="0 0 40 40"/></Control>
    <Control type="IMAGE" id="ID_RES_IMAGE_32" left="400" top="140" width="40" height="40"><graphics texture="Textures\Menu\Button.png" tex_rect="0 0 40 40"/></Control>
    <Control type="IMAGE" id="ID_QUESTION_1" left="200" top="100" width="40" height="40"/>
    <Control type="IMAGE" id="ID_QUESTION_2" left="300" top="100" width="40" height="40"/>
    <Control type="IMAGE" id="ID_QUESTION_3" left="400" top="100" width="40" height="40"/>
    <Control type="LABEL" id="ID_BONUS_RESOURCE_1" caption="Resources_amount" left="220" top="200"/>
    <Control type="LABEL" id="ID_BONUS_RESOURCE_2" caption="Resources_amount" left="320" top="200"/>
    <Control type="LABEL" id="ID_BONUS_RESOURCE_3" caption="Resources_amount" left="420" top="200"/>
    <Control type="BUTTON" id="ID_GET" left="350" top="400" width="100" height="30"/>
    <Control type="BUTTON" id="ID_OK" left="350" top="400" width="100" height="30" visible="0"/>
    <Sound change_res_types="change_res_types" get_res_types="get_res_types"/>
    <Settings multiplier_char="x"/>
    <ImageResType_1><graphics texture="Textures\Menu\Button.png" tex_rect="0 0 10 10" width="40" height="40"/></ImageResType_1>
    <ImageResType_2><graphics texture="Textures\Menu\Button.png" tex_rect="10 0 20 10" width="40" height="40"/></ImageResType_2>
    <ImageResType_3><graphics texture="Textures\Menu\Button.png" tex_rect="20 0 30 10" width="40" height="40"/></ImageResType_3>
  </GetResourcesDialog>
</Dialogs>)";

std::string Text(const std::shared_ptr<CMenuLabel>& label)
{
    label->GetLabel().Rebuild();
    return label->GetLabel().GetText();
}

// The game scene's side of the reels: types drawn from a script, matches answered from a table.
class FakeDraw : public IBonusResourceDraw {
public:
    std::vector<int> script{2, 3, 1, 3};
    std::array<int, 3> matches{2, 1, 2};
    std::vector<int> rerolls;   // the slots asked for, in order
    int counts = 0;

    int RerollBonusResource(int slot) override
    {
        const int type = script[rerolls.size() % script.size()];
        rerolls.push_back(slot);
        return type;
    }
    std::array<int, 3> CountBonusResourceMatches() override
    {
        ++counts;
        return matches;
    }
};

class Epochs : public IGameValueSource {
public:
    bool complete = false;
    float GetShownScore() const override { return 0.0f; }
    float GetShownResource(int) const override { return 0.0f; }
    int GetBlinkState(int) const override { return 0; }
    int GetBonusResourceType() const override { return 0; }
    int GetBonusResourceAmount() const override { return 0; }
    bool IsAllEpochsComplete() const override { return complete; }
    int GetBonusUpgrade(int) const override { return 0; }
};

// One bonus credit (sand clock) with grades at 100, 200, 300 and 400.
void LoadOneCredit()
{
    const std::string text = R"(<Balls><Bonus><ResCredit type="10"/><Grade id="1" start_at_amount="100"/>
        <Grade id="2" start_at_amount="200"/><Grade id="3" start_at_amount="300"/><Grade id="4" start_at_amount="400"/>
        </Bonus></Balls>)";
    CXMLFile file;
    file.LoadXml(std::vector<uint8_t>(text.begin(), text.end()));
    GetResCredits().Clear();
    GetResCredits().LoadCredit(file.SelectSingleNode("//Bonus"));
}

LevelRecord StatisticsRecord()
{
    LevelRecord record;
    record.time = 125000;
    record.best_time = 100000;
    record.best_time_name = "Anna";
    record.collect = {{1, 300}, {2, 0}, {11, 5}};
    record.people_gains = {{1, 40}, {3, 10}};
    record.bonus_res_amount = 60;
    return record;
}

LevelRecord OfferRecord()
{
    LevelRecord record;
    const int types[] = {1, 3, 2};
    for (int i = 0; i < 3; ++i) {
        record.offer_types[i] = types[i];
        record.offer_amounts[i] = 50;
    }
    return record;
}

class GameResults : public ::testing::Test {
protected:
    GameResults()
    {
        RegisterGameValues();
        layout = std::make_shared<CXMLFile>();
        const std::string text = kDialogs;
        layout->LoadXml(std::vector<uint8_t>(text.begin(), text.end()));
        GetResources().Assign({{1, 0}, {2, 0}, {3, 0}});
    }
    ~GameResults() override
    {
        SetGameValueSource(nullptr);
        GetResCredits().Clear();
        GetResources().Assign({});
    }

    CXMLNode Dialog(const std::string& name) const { return layout->SelectSingleNode("//Dialogs/" + name); }

    // One frame with nothing pressed (or with the key held down); the frame's sounds played.
    void Frame(CBaseDialog& d, bool key = false)
    {
        env.mouse.Frame(0, 0, false);
        env.keyboard.Frame(key ? std::vector<int>{kSpace} : std::vector<int>{});
        d.Process();
        g_SoundQueue.Update();
    }
    bool RunUntil(CBaseDialog& d, const std::function<bool()>& done, int limit = 200)
    {
        for (int i = 0; i < limit && !done(); ++i) Frame(d);
        return done();
    }
    // A press and release of the left button over the control's centre, one frame each.
    void Click(CBaseDialog& d, const char* id)
    {
        const CBaseControlPtr c = d.GetControl(id);
        const int x = int(c->GetX() + c->GetWidth() / 2), y = int(c->GetY() + c->GetHeight() / 2);
        for (bool down : {false, true, false}) {
            env.mouse.Frame(x, y, down);
            env.keyboard.Frame({});
            d.Process();
            g_SoundQueue.Update();
        }
    }
    bool Visible(const CBaseDialog& d, const char* id) { return d.GetControl(id)->IsVisible(); }
    std::string Shown(const CBaseDialog& d, const std::string& id) { return Text(d.GetControl<CMenuLabel>(id)); }

    GuiEnvironment env{kCatalogue};
    std::shared_ptr<CXMLFile> layout;
};

TEST_F(GameResults, ButtonsLeaveTheirResultsOnlyWhileShown)
{
    LoadOneCredit();
    GetResCredits().SetAvailable(10, true);
    FakeDraw draw;
    const struct {
        const char* node;
        const char* button;
        int result;
        bool hides;
    } cases[] = {
        {"LevelCompleteDialog", "ID_OK", rdOk, false},   // the scene hides the statistics itself
        {"BonusLevelCompleteDialog", "ID_OK", rdOk, true},
        {"PromotionDialog", "ID_BONUS", promBonusLevel, true},
        {"PromotionDialog", "ID_BONUS_CENTER", promBonusLevel, true},
        {"PromotionDialog", "ID_RESOURCE", promResources, true},
        {"PromotionDialog", "ID_RESOURCE_CENTER", promResources, true},
        {"PromotionDialog", "ID_OK", promOk, true},
        {"GetResourcesDialog", "ID_GET", 0, false},
        {"GetResourcesDialog", "ID_OK", rdOk, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.node) + " " + c.button);
        std::unique_ptr<CResultDialogBase> d;
        const std::string node = c.node;
        if (node == "LevelCompleteDialog") d = std::make_unique<CStatisticsDialog>();
        else if (node == "BonusLevelCompleteDialog") d = std::make_unique<CBonusLevelCompleteDialog>();
        else if (node == "PromotionDialog") d = std::make_unique<CPromotionDialog>();
        else d = std::make_unique<CBonusResourcesDialog>();
        ASSERT_TRUE(d->Load(Dialog(c.node)));
        if (auto stats = dynamic_cast<CStatisticsDialog*>(d.get())) stats->Fill(StatisticsRecord());
        if (auto res = dynamic_cast<CBonusResourcesDialog*>(d.get())) {
            res->SetDraw(&draw);
            res->Fill(OfferRecord());
        }
        d->ShowModal();
        d->OnClick(d->GetControl(c.button).get());
        EXPECT_EQ(d->GetResult(), 0) << "no result while sliding in";
        ASSERT_TRUE(RunUntil(*d, [&] { return d->IsShown(); }));
        d->OnClick(d->GetControl(c.button).get());
        EXPECT_EQ(d->GetResult(), c.result);
        EXPECT_EQ(bool(d->GetState() & dsClosing), c.hides);
        EXPECT_EQ(d->IsShown(), !c.hides);
        d->OnClick(nullptr);
        EXPECT_EQ(d->GetResult(), c.result) << "a click of nothing changes nothing";
    }
}

TEST_F(GameResults, StatisticsCountLineAfterLine)
{
    CStatisticsDialog stats;
    ASSERT_TRUE(stats.Load(Dialog("LevelCompleteDialog")));
    EXPECT_EQ(stats.GetIndicators().size(), 1u);
    stats.Fill(StatisticsRecord());
    stats.ShowModalImmediately();

    // Frame 0 is the state right after Fill. The best time appears when the player's time is done;
    // money counts next (the collected and the further amounts: 300 + 40), then staff (nothing to
    // count) and food together; the bonus resource stands at its value from the start.
    const struct {
        int frame;
        const char* time;
        bool best_shown;
        const char* money;
        const char* food;
    } trace[] = {
        {0, "0:00", false, "0", "0"},       {1, "0:02", false, "0", "0"},      {49, "2:02", false, "0", "0"},
        {50, "2:05", true, "0", "0"},       {51, "2:05", true, "6", "0"},      {99, "2:05", true, "333", "0"},
        {100, "2:05", true, "340", "0"},    {101, "2:05", true, "340", "0"},   {108, "2:05", true, "340", "1"},
        {150, "2:05", true, "340", "10"},   {170, "2:05", true, "340", "10"},
    };
    int frame = 0;
    for (const auto& t : trace) {
        while (frame < t.frame) {
            Frame(stats);
            ++frame;
        }
        SCOPED_TRACE(t.frame);
        EXPECT_EQ(Shown(stats, "ID_YOUR_TIME"), t.time);
        EXPECT_TRUE(Visible(stats, "ID_YOUR_TIME") && Visible(stats, "ID_YOUR_TIME_S"));
        EXPECT_EQ(Visible(stats, "ID_BEST_TIME"), t.best_shown);
        EXPECT_EQ(Visible(stats, "ID_BEST_TIME_S"), t.best_shown);
        EXPECT_EQ(Visible(stats, "ID_BEST_TIME_NAME_S"), t.best_shown);
        EXPECT_EQ(Shown(stats, "ID_BEST_TIME"), "1:40") << "the best time is final from the start";
        EXPECT_EQ(Shown(stats, "ID_BEST_TIME_NAME_S"), "by Anna");
        EXPECT_EQ(Shown(stats, "ID_MONEY"), t.money);
        EXPECT_EQ(Shown(stats, "ID_STAFF"), "0");
        EXPECT_EQ(Shown(stats, "ID_FOOD"), t.food);
        EXPECT_TRUE(Visible(stats, "ID_MONEY") && Visible(stats, "ID_FOOD") && Visible(stats, "ID_BONUS_RESOURCE_N"));
        EXPECT_EQ(Shown(stats, "ID_BONUS_RESOURCE_N"), "60");
    }
    for (const auto& group : stats.GetGroups().Get()) {
        EXPECT_TRUE(group->IsStarted());
        EXPECT_TRUE(group->IsDone());
    }
    EXPECT_EQ(stats.GetResult(), 0);
    EXPECT_TRUE(stats.IsShown());

    // Filled again, the lines start over.
    LevelRecord quick = StatisticsRecord();
    quick.time = 0;
    quick.collect.clear();
    quick.people_gains.clear();
    stats.Fill(quick);
    EXPECT_EQ(Shown(stats, "ID_MONEY"), "0");
    EXPECT_FALSE(Visible(stats, "ID_BEST_TIME"));
    Frame(stats);
    EXPECT_TRUE(Visible(stats, "ID_BEST_TIME")) << "nothing to count: every line follows at once";
    EXPECT_TRUE(stats.GetGroups().Get().back()->IsStarted());
}

TEST_F(GameResults, APressStartsEveryLineAndAClickOnOkLeaves)
{
    CStatisticsDialog stats;
    ASSERT_TRUE(stats.Load(Dialog("LevelCompleteDialog")));
    stats.Fill(StatisticsRecord());
    stats.ShowModalImmediately();
    for (int i = 0; i < 10; ++i) Frame(stats);
    EXPECT_FALSE(stats.GetGroups().Get()[2]->IsStarted());

    // A key: every line counts at once and all are done together.
    Frame(stats, true);
    for (const auto& group : stats.GetGroups().Get()) EXPECT_TRUE(group->IsStarted());
    EXPECT_TRUE(Visible(stats, "ID_BEST_TIME"));
    for (int i = 0; i < 50; ++i) Frame(stats, true);
    EXPECT_EQ(Shown(stats, "ID_YOUR_TIME"), "2:05");
    EXPECT_EQ(Shown(stats, "ID_MONEY"), "340");
    EXPECT_EQ(Shown(stats, "ID_FOOD"), "10");
    EXPECT_EQ(stats.GetResult(), 0);

    // A click on "ID_OK" while counting starts the rest and leaves result 1; the dialog stays.
    stats.Fill(StatisticsRecord());
    Frame(stats);
    Click(stats, "ID_OK");
    for (const auto& group : stats.GetGroups().Get()) EXPECT_TRUE(group->IsStarted());
    EXPECT_EQ(stats.GetResult(), rdOk);
    EXPECT_TRUE(stats.IsShown());
}

TEST_F(GameResults, PromotionOffersThePrizesStillWorthHaving)
{
    Epochs epochs;
    SetGameValueSource(&epochs);
    const struct {
        bool upgradable, complete;
        std::vector<const char*> shown;
    } cases[] = {
        {true, false, {"ID_BONUS", "ID_RESOURCE"}},
        {true, true, {"ID_BONUS_CENTER"}},
        {false, false, {"ID_RESOURCE_CENTER"}},
        {false, true, {"ID_OK"}},
    };
    const char* const all[] = {"ID_BONUS", "ID_RESOURCE", "ID_BONUS_CENTER", "ID_RESOURCE_CENTER", "ID_OK"};
    CPromotionDialog promotion;
    ASSERT_TRUE(promotion.Load(Dialog("PromotionDialog")));
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "upgradable " << c.upgradable << ", complete " << c.complete);
        LoadOneCredit();
        GetResCredits().SetAvailable(10, true);
        // A credit at the top grade can no longer grow.
        if (!c.upgradable) GetResCredits().Add(10, 450);
        ASSERT_EQ(GetResCredits().HasUpgradable(), c.upgradable);
        epochs.complete = c.complete;
        promotion.HideImmediately();
        promotion.ShowModalImmediately();
        for (const char* id : all) {
            const bool expected = std::find_if(c.shown.begin(), c.shown.end(),
                                               [&](const char* s) { return std::string(s) == id; }) != c.shown.end();
            EXPECT_EQ(Visible(promotion, id), expected) << id;
        }
    }
    // No source of game values: the city counts as not complete.
    SetGameValueSource(nullptr);
    GetResCredits().Clear();
    promotion.HideImmediately();
    promotion.ShowModalImmediately();
    EXPECT_TRUE(Visible(promotion, "ID_RESOURCE_CENTER"));
    EXPECT_FALSE(Visible(promotion, "ID_OK"));
}

TEST_F(GameResults, PromotionShowsThePageOfThePlayersTitle)
{
    GetPromotions().Load("Settings\\Promotions.xml");
    // The user of this test program starts at the lowest title with no score.
    ASSERT_EQ(g_User.GetTitleIndex(), 0);
    ASSERT_EQ(g_User.GetScore(), 0);
    CPromotionDialog promotion;
    ASSERT_TRUE(promotion.Load(Dialog("PromotionDialog")));
    auto pages = promotion.GetControl<CMenuPageControl>("ID_PROMOTIONS");
    // Titles 0 and 1 have their pages; title 2 is beyond the layout's two pages and shows the first.
    const int second = GetPromotions().Record(1).score, third = GetPromotions().Record(2).score;
    for (const auto& [score, page] : std::vector<std::pair<int, size_t>>{{0, 0}, {second, 1}, {third, 0}}) {
        g_User.AddScore(score - g_User.GetScore());
        g_User.CheckPromotion();
        promotion.HideImmediately();
        promotion.ShowModalImmediately();
        EXPECT_EQ(pages->GetPage(), page) << "title " << g_User.GetTitleIndex();
    }
    EXPECT_EQ(g_User.GetTitleIndex(), 2);
}

class BonusReels : public GameResults {
protected:
    BonusReels()
    {
        EXPECT_TRUE(reels.Load(Dialog("GetResourcesDialog")));
        reels.SetDraw(&draw);
    }
    float Y(int reel, int image) const { return reels.GetReelImage(reel, image)->GetY(); }
    // Frames with their spinning sound counted.
    int SpinSounds() { return int(env.sound.Count("PlaySample change_res_types")); }
    std::string Amount(int slot) { return Shown(reels, "ID_BONUS_RESOURCE_" + std::to_string(slot)); }

    CBonusResourcesDialog reels;
    FakeDraw draw;
};

TEST_F(BonusReels, ReelsSpinWrapAndDrawNewPictures)
{
    reels.Fill(OfferRecord());
    EXPECT_EQ(reels.GetPicture(0, 0), 1);
    EXPECT_EQ(reels.GetPicture(1, 0), 3);
    EXPECT_EQ(reels.GetPicture(2, 0), 2);
    reels.ShowModalImmediately();
    const float top = reels.GetReelTop();
    EXPECT_EQ(top, 100.0f);
    EXPECT_TRUE(reels.IsSpinning());
    EXPECT_TRUE(Visible(reels, "ID_GET"));
    EXPECT_FALSE(Visible(reels, "ID_OK"));
    for (int r = 1; r <= 3; ++r) {
        EXPECT_TRUE(Visible(reels, ("ID_QUESTION_" + std::to_string(r)).c_str()));
        EXPECT_FALSE(Visible(reels, ("ID_BONUS_RESOURCE_" + std::to_string(r)).c_str())) << "nothing to show yet";
        EXPECT_EQ(Y(r - 1, 0), top);
        EXPECT_EQ(Y(r - 1, 1), top + 40.0f);
    }

    // Frame by frame: every image moves by its reel's speed, or wraps from below the window to
    // above it with a newly drawn picture; the spinning sound comes once in each frame with a wrap.
    const float speed[] = {3.0f, 4.0f, 5.0f};
    int first_wrap[3][2] = {};
    size_t rerolls = 0;
    for (int frame = 1; frame <= 60; ++frame) {
        SCOPED_TRACE(frame);
        float before[3][2];
        for (int r = 0; r < 3; ++r)
            for (int i = 0; i < 2; ++i) before[r][i] = Y(r, i);
        env.sound.Clear();
        Frame(reels);
        bool wrapped = false;
        for (int r = 0; r < 3; ++r)
            for (int i = 0; i < 2; ++i) {
                if (before[r][i] + speed[r] <= top + 40.0f) {
                    EXPECT_EQ(Y(r, i), before[r][i] + speed[r]);
                    continue;
                }
                wrapped = true;
                EXPECT_EQ(Y(r, i), top - 40.0f) << "reel " << r << " image " << i;
                ASSERT_LT(rerolls, draw.rerolls.size());
                EXPECT_EQ(draw.rerolls[rerolls], r) << "the reel's own slot is drawn";
                EXPECT_EQ(reels.GetPicture(r, i), draw.script[rerolls % draw.script.size()]);
                ++rerolls;
                if (!first_wrap[r][i]) first_wrap[r][i] = frame;
            }
        EXPECT_EQ(draw.rerolls.size(), rerolls);
        EXPECT_EQ(SpinSounds(), wrapped ? 1 : 0);
    }
    // The lower images leave the window at once; the upper ones after 40 pixels: reel 3 first.
    EXPECT_EQ(first_wrap[0][1], 1);
    EXPECT_EQ(first_wrap[0][0], 14);
    EXPECT_EQ(first_wrap[1][0], 11);
    EXPECT_EQ(first_wrap[2][0], 9);
    EXPECT_EQ(reels.GetResult(), 0);
}

TEST_F(BonusReels, GetStopsTheReelsShowsMultipliersAndCountsUp)
{
    reels.Fill(OfferRecord());
    reels.ShowModalImmediately();
    for (int i = 0; i < 23; ++i) Frame(reels);
    // A press while the reels turn skips nothing: the counting waits for the draw.
    Frame(reels, true);
    for (const auto& group : reels.GetGroups().Get()) EXPECT_FALSE(group->IsStarted());

    env.sound.Clear();
    Click(reels, "ID_GET");
    const size_t rerolls = draw.rerolls.size();
    EXPECT_EQ(env.sound.Count("PlaySample get_res_types"), 1u);
    EXPECT_EQ(draw.counts, 1);
    EXPECT_FALSE(reels.IsSpinning());
    EXPECT_FALSE(Visible(reels, "ID_GET"));
    EXPECT_TRUE(Visible(reels, "ID_OK"));
    for (int r = 1; r <= 3; ++r) {
        EXPECT_FALSE(Visible(reels, ("ID_QUESTION_" + std::to_string(r)).c_str()));
        EXPECT_TRUE(Visible(reels, ("ID_BONUS_RESOURCE_" + std::to_string(r)).c_str()));
    }
    // The frame of the click counted once: each slot shows its multiplier and its count running.
    EXPECT_EQ(Amount(1), "x2|+1");
    EXPECT_EQ(Amount(2), "|+1");
    EXPECT_EQ(Amount(3), "x2|+1");

    // The reels settle at 2 pixels a frame or less, the upper picture into the window and its
    // partner right below it; no more types are drawn.
    for (int frame = 0; frame < 49; ++frame) {
        float before[3][2];
        for (int r = 0; r < 3; ++r)
            for (int i = 0; i < 2; ++i) before[r][i] = Y(r, i);
        Frame(reels);
        for (int r = 0; r < 3; ++r)
            for (int i = 0; i < 2; ++i) EXPECT_LE(std::abs(Y(r, i) - before[r][i]), 2.0f) << frame;
    }
    const float top = reels.GetReelTop();
    for (int r = 0; r < 3; ++r) {
        const int upper = Y(r, 0) < Y(r, 1) ? 0 : 1;
        EXPECT_EQ(Y(r, upper), top) << r;
        EXPECT_EQ(Y(r, 1 - upper), top + 40.0f) << r;
    }
    EXPECT_EQ(draw.rerolls.size(), rerolls);
    EXPECT_EQ(Amount(1), "x2|+50");
    EXPECT_EQ(Amount(2), "|+50");
    EXPECT_EQ(Amount(3), "x2|+50");

    // "ID_GET" again (as a stray event) draws nothing more.
    reels.OnClick(reels.GetControl("ID_GET").get());
    EXPECT_EQ(draw.counts, 1);
    Click(reels, "ID_OK");
    EXPECT_EQ(reels.GetResult(), rdOk);
    EXPECT_TRUE(reels.GetState() & dsClosing);
}

TEST_F(BonusReels, WithoutAChoiceOfTypesOrAnythingToWinThereIsNoDraw)
{
    const struct {
        const char* name;
        std::map<int32_t, int32_t> available;
        int amount;
    } cases[] = {
        {"one type", {{2, 0}}, 50},
        {"no type at all", {}, 0},
        {"nothing to win", {{1, 0}, {3, 0}}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        GetResources().Assign(c.available);
        LevelRecord record = OfferRecord();
        for (int& a : record.offer_amounts) a = c.amount;
        draw.rerolls.clear();
        draw.counts = 0;
        reels.HideImmediately();
        reels.Fill(record);
        reels.ShowModalImmediately();
        EXPECT_FALSE(reels.IsSpinning());
        EXPECT_FALSE(Visible(reels, "ID_GET"));
        EXPECT_TRUE(Visible(reels, "ID_OK"));
        for (int i = 0; i < 60; ++i) Frame(reels);
        for (int r = 0; r < 3; ++r) {
            EXPECT_EQ(Y(r, 0), reels.GetReelTop());
            EXPECT_EQ(Y(r, 1), reels.GetReelTop() + 40.0f);
            EXPECT_FALSE(Visible(reels, ("ID_QUESTION_" + std::to_string(r + 1)).c_str()));
            EXPECT_EQ(Amount(r + 1), "|+" + std::to_string(c.amount));
        }
        EXPECT_TRUE(draw.rerolls.empty());
        EXPECT_EQ(draw.counts, 0);
    }
}

TEST_F(GameResults, DialogsLoadAgainAfterTheirControlsAreCleared)
{
    CBonusLevelCompleteDialog complete;
    LogWatch log;
    ASSERT_TRUE(complete.Load(Dialog("BonusLevelCompleteDialog")));
    EXPECT_TRUE(log.Has("Error: indicator 1 of BonusLevelCompleteDialog skipped"));
    EXPECT_EQ(complete.GetIndicators().size(), 1u);
    complete.ClearControls();
    EXPECT_TRUE(complete.GetIndicators().empty());
    ASSERT_TRUE(complete.Load(Dialog("BonusLevelCompleteDialog")));
    EXPECT_EQ(complete.GetIndicators().size(), 1u);
    EXPECT_FALSE(log.Has("Verify"));

    // A layout without the labels and pictures is reported, and the dialogs still run.
    const std::string text = R"(<Dialogs><Bare>
        <Control type="BUTTON" id="ID_MONEY" left="0" top="0" width="10" height="10"/>
        <Control type="BUTTON" id="ID_OK" left="350" top="400" width="100" height="30"/>
      </Bare></Dialogs>)";
    CXMLFile file;
    file.LoadXml(std::vector<uint8_t>(text.begin(), text.end()));
    CStatisticsDialog stats;
    ASSERT_TRUE(stats.Load(file.SelectSingleNode("//Bare")));
    EXPECT_TRUE(log.Has("Error: control 'ID_MONEY' has different type!"));
    EXPECT_TRUE(log.Has("Error: control 'ID_YOUR_TIME' not found in dialog LevelCompleteDialog!"));
    stats.Fill(StatisticsRecord());
    stats.ShowModalImmediately();
    for (int i = 0; i < 200; ++i) Frame(stats);
    for (const auto& group : stats.GetGroups().Get()) EXPECT_TRUE(group->IsDone());

    CBonusResourcesDialog bare;
    ASSERT_TRUE(bare.Load(file.SelectSingleNode("//Bare")));
    EXPECT_TRUE(log.Has("Error: GetResourcesDialog has no picture ImageResType_1."));
    bare.Fill(OfferRecord());
    bare.ShowModalImmediately();
    for (int i = 0; i < 10; ++i) Frame(bare);
    bare.OnClick(bare.GetControl("ID_OK").get());
    EXPECT_EQ(bare.GetResult(), rdOk);

    CPromotionDialog missing;
    EXPECT_FALSE(missing.Load(file.SelectSingleNode("//NoSuchNode")));
    EXPECT_TRUE(log.Has("Error: the dialogs have no PromotionDialog node."));
}

// ---- The shipped layouts and their pictures

class ResultsContent : public ::testing::Test {
protected:
    static void SetUpTestSuite() { SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software"); }

    ResultsContent() : _dir(ZF_GAME_DATA_DIR)
    {
        CEngineCore& core = CEngineCore::Instance();
        _ready = core.GetDevice() || core.Init("ZerafineTest", "Zerafine result dialogs", true);
        _previous = g_EngineCore;
        g_EngineCore = &core;
        CTextKeeper::Instance().SelectLanguage(0);
        CControlKinds::Instance().Reset();
        RegisterGameValues();
        file = std::make_unique<CXMLFile>("Settings\\DialogsGame.xml");
    }
    ~ResultsContent() override
    {
        g_EngineCore = _previous;
        SetGameValueSource(nullptr);
        GetResCredits().Clear();
        GetResources().Assign({});
    }

    CXMLNode Node(const std::string& name) const { return file->SelectSingleNode("//Dialogs/" + name); }

    // Frames of the dialog over a plain board colour; the last one read back.
    zftest::SurfacePtr Draw(CBaseDialog& dialog, int frames) { return zftest::DrawDialog(dialog, frames, 0xFF3A5A40); }
    void Save(const zftest::SurfacePtr& shot, const char* name) { zftest::KeepPicture(shot, "ZF_RESULTS_SHOTS", name); }

    zftest::ScopedChdir _dir;
    bool _ready = false;
    IEngineCore* _previous = nullptr;
    std::unique_ptr<CXMLFile> file;
};

TEST_F(ResultsContent, ShippedLayoutsLoadWithEveryControlTheDialogsUse)
{
    ASSERT_TRUE(_ready) << SDL_GetError();
    LogWatch log;
    CStatisticsDialog stats;
    CBonusLevelCompleteDialog complete;
    CPromotionDialog promotion;
    CBonusResourcesDialog reels;
    ASSERT_TRUE(stats.Load(Node("LevelCompleteDialog")));
    ASSERT_TRUE(complete.Load(Node("BonusLevelCompleteDialog")));
    ASSERT_TRUE(promotion.Load(Node("PromotionDialog")));
    ASSERT_TRUE(reels.Load(Node("GetResourcesDialog")));
    EXPECT_FALSE(log.Has("Error")) << log.Text();
    EXPECT_FALSE(log.Has("Verify")) << log.Text();
    EXPECT_FALSE(log.Has("Warning")) << log.Text();
    EXPECT_FALSE(complete.GetIndicators().empty()) << "the bonus level's figures";

    // The figures go into labels of one parameter; the drawn resources take a multiplier and a count.
    for (const char* id : {"ID_YOUR_TIME", "ID_BEST_TIME", "ID_BEST_TIME_NAME_S", "ID_MONEY", "ID_STAFF", "ID_FOOD",
                           "ID_BONUS_RESOURCE_N"})
        EXPECT_EQ(stats.GetControl<CMenuLabel>(id)->GetLabel().GetLabel().param_count, 1) << id;
    for (const char* id : {"ID_YOUR_TIME_S", "ID_BEST_TIME_S"})
        EXPECT_EQ(stats.GetControl<CMenuLabel>(id)->GetLabel().GetLabel().param_count, 0) << id;
    for (int r = 1; r <= 3; ++r) {
        EXPECT_EQ(reels.GetControl<CMenuLabel>("ID_BONUS_RESOURCE_" + std::to_string(r))->GetLabel().GetLabel().param_count, 2);
        EXPECT_EQ(reels.GetReelImage(r - 1, 1)->GetY(), reels.GetReelTop() + reels.GetReelImage(r - 1, 0)->GetHeight());
    }
    EXPECT_FALSE(reels.GetMultiplierChar().empty());
}

TEST_F(ResultsContent, FilledDialogsDrawTheirFigures)
{
    ASSERT_TRUE(_ready) << SDL_GetError();
    CStatisticsDialog stats;
    CBonusLevelCompleteDialog complete;
    CPromotionDialog promotion;
    CBonusResourcesDialog reels;
    ASSERT_TRUE(stats.Load(Node("LevelCompleteDialog")));
    ASSERT_TRUE(complete.Load(Node("BonusLevelCompleteDialog")));
    ASSERT_TRUE(promotion.Load(Node("PromotionDialog")));
    ASSERT_TRUE(reels.Load(Node("GetResourcesDialog")));

    LevelRecord record = StatisticsRecord();
    record.time = 3725000;
    record.best_time_name = "Bartholomew";
    record.collect = {{1, 1240}, {2, 385}, {3, 906}};
    record.people_gains.clear();
    stats.Fill(record);
    stats.ShowModalImmediately();
    const zftest::SurfacePtr stats_shot = Draw(stats, 210);
    EXPECT_EQ(Text(stats.GetControl<CMenuLabel>("ID_YOUR_TIME")), "1:02:05");
    EXPECT_EQ(Text(stats.GetControl<CMenuLabel>("ID_FOOD")), "906");
    Save(stats_shot, "level_complete");

    complete.Fill(record);
    complete.ShowModalImmediately();
    Save(Draw(complete, 3), "bonus_level_complete");

    Epochs epochs;
    SetGameValueSource(&epochs);
    LoadOneCredit();
    GetResCredits().SetAvailable(10, true);
    promotion.ShowModalImmediately();
    Save(Draw(promotion, 3), "promotion");

    GetResources().Assign({{1, 0}, {2, 0}, {3, 0}});
    FakeDraw draw;
    // Every reel stops on food: all three count triple.
    draw.script = {3};
    draw.matches = {3, 3, 3};
    reels.SetDraw(&draw);
    reels.Fill(OfferRecord());
    reels.ShowModalImmediately();
    Save(Draw(reels, 20), "resources_spinning");
    reels.OnClick(reels.GetControl("ID_GET").get());
    const zftest::SurfacePtr drawn = Draw(reels, 60);
    EXPECT_EQ(Text(reels.GetControl<CMenuLabel>("ID_BONUS_RESOURCE_1")), "x3|+50");
    Save(drawn, "resources_drawn");
}

} // namespace
