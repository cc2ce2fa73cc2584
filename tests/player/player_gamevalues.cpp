// Game values: the setting rules, the storage, and every one of the fifty-two values read by name
// from a game whose sources a test double holds.
#include "player/fake_game_scene.h"
#include "player/player_test_util.h"

using namespace player_test;

namespace {

TEST(GameValues, SettingRules)
{
    AGameValueProbe v;
    EXPECT_EQ(v.GetChanged(), 0);
    EXPECT_EQ(v.GetValue().GetKind(), CParamValue::pvNone);
    struct Step { const char* what; std::function<void(AGameValue&)> write; int bits; };
    const Step steps[] = {
        {"0 into an empty value", [](AGameValue& g) { g.SetValue(0); }, gvcValue},
        {"0 again", [](AGameValue& g) { g.SetValue(0); }, 0},
        {"5", [](AGameValue& g) { g.SetValue(5); }, gvcValue},
        {"a range from nothing", [](AGameValue& g) { g.SetRange(0, 0); }, gvcRange},
        {"the same range", [](AGameValue& g) { g.SetRange(0, 0); }, 0},
        {"a new top", [](AGameValue& g) { g.SetRange(0, 4); }, gvcRange},
        {"state 0 is the start", [](AGameValue& g) { g.SetState(0); }, 0},
        {"state 2", [](AGameValue& g) { g.SetState(2); }, gvcState},
        {"an empty text over a number: the number's text is empty", [](AGameValue& g) { g.SetText(""); }, 0},
        {"a text", [](AGameValue& g) { g.SetText("Ann"); }, gvcValue},
        {"the same text", [](AGameValue& g) { g.SetText("Ann"); }, 0},
        {"an empty text", [](AGameValue& g) { g.SetText(""); }, gvcValue},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        v.ClearChanged();
        s.write(v);
        EXPECT_EQ(v.GetChanged(), s.bits);
    }
    // Bits gather until the indicator clears them.
    AGameValueProbe t;
    t.SetText("");
    EXPECT_EQ(t.GetChanged(), gvcValue);   // an empty value takes even an empty text
    v.ClearChanged();
    v.SetValue(1);
    v.SetState(3);
    v.SetRange(1, 4);
    EXPECT_EQ(v.GetChanged(), gvcValue | gvcState | gvcRange);
    EXPECT_EQ(v.GetValue().GetInt(), 1);
    EXPECT_EQ(v.GetState(), 3);
}

TEST(GameValues, StorageRegistersEachNameOnce)
{
    CGameValuesStorage storage;
    AGameValueProbe probe;
    storage.Register(&probe);
    storage.Register(nullptr);
    EXPECT_EQ(storage.GetValue("probe"), &probe);
    LogWatch mark;
    try {
        storage.Register(&probe);
        FAIL();
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "Re-register game value");
    }
    EXPECT_TRUE(mark.Has("Error: register game value probe one more time."));
    try {
        storage.GetValue("VAL_NOPE");
        FAIL();
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "Try to obtain unregistered game value");
    }
    EXPECT_TRUE(mark.Has("Error: try to obtain unregistered game value VAL_NOPE."));

    // The program's values: exactly the fifty-two names the layouts use, registered once.
    RegisterGameValues();
    RegisterGameValues();
    const char* const names[] = {
        "VAL_SCORE", "VAL_SCORE_2", "VAL_LIVES", "VAL_LIVES_2", "VAL_LEVEL", "VAL_LEVEL_2", "VAL_BONUS_LEVEL",
        "VAL_MONEY", "VAL_FOOD", "VAL_STAFF",
        "VAL_BONUS_DYNAMITE", "VAL_BONUS_DYNAMITE_AMOUNT", "VAL_BONUS_DYNAMITE_GRADE",
        "VAL_BONUS_MAGICWAND", "VAL_BONUS_MAGICWAND_AMOUNT", "VAL_BONUS_MAGICWAND_GRADE",
        "VAL_BONUS_LIGHTNING", "VAL_BONUS_LIGHTNING_AMOUNT", "VAL_BONUS_LIGHTNING_GRADE",
        "VAL_BONUS_SWORD", "VAL_BONUS_SWORD_AMOUNT", "VAL_BONUS_SWORD_GRADE",
        "VAL_BONUS_SANDCLOCK", "VAL_BONUS_SANDCLOCK_AMOUNT", "VAL_BONUS_SANDCLOCK_GRADE",
        "VAL_BONUS_STAR", "VAL_BONUS_STAR_AMOUNT", "VAL_BONUS_STAR_GRADE",
        "VAL_BONUS_MIXER", "VAL_BONUS_MIXER_AMOUNT", "VAL_BONUS_MIXER_GRADE",
        "VAL_BONUS_PLUS", "VAL_BONUS_PLUS_AMOUNT", "VAL_BONUS_PLUS_GRADE",
        "VAL_BONUS_RESOURCE", "VAL_BONUS_RESOURCE_2", "VAL_USER_NAME", "VAL_PUBLIC_STATUS",
        "VAL_TITLE", "VAL_TITLE_2", "VAL_TITLE_3", "VAL_TITLE_4", "VAL_TITLE_5", "VAL_EPOCH",
        "VAL_UPG_BONUS_DYNAMITE", "VAL_UPG_BONUS_MAGICWAND", "VAL_UPG_BONUS_LIGHTNING", "VAL_UPG_BONUS_STAR",
        "VAL_UPG_BONUS_SANDCLOCK", "VAL_UPG_BONUS_SWORD", "VAL_UPG_BONUS_PLUS", "VAL_UPG_BONUS_MIXER",
    };
    ASSERT_EQ(std::size(names), 52u);
    const auto& registered = CGameValuesStorage::Instance().GetValues();
    EXPECT_EQ(registered.size(), 52u);
    for (const char* name : names) EXPECT_EQ(registered.count(name), 1u) << name;
    const auto created = CreateGameValues();
    for (size_t i = 0; i < created.size(); ++i) EXPECT_EQ(created[i]->GetName(), names[i]);   // in table order
}

class GameValueRows : public PlayerFixture {
protected:
    void SetUp() override
    {
        PlayerFixture::SetUp();
        SetGameValueSource(&scene);
        for (auto& v : CreateGameValues()) {
            storage.Register(v.get());
            values.push_back(std::move(v));
        }
    }
    void TearDown() override
    {
        SetGameValueSource(nullptr);
        PlayerFixture::TearDown();
    }
    // Updates the value: its value (an int, or a text), range, state and the bits set.
    struct Seen { std::string value; int lo, hi, state, bits; };
    Seen Update(const std::string& name)
    {
        AGameValue* v = storage.GetValue(name);
        v->ClearChanged();
        v->Update();
        const CParamValue& val = v->GetValue();
        std::string shown = val.GetKind() == CParamValue::pvString ? "'" + val.GetText() + "'"
                            : val.GetKind() == CParamValue::pvNone ? "-"
                                                                    : std::to_string(val.GetInt());
        const int lo = v->GetMin().GetKind() == CParamValue::pvNone ? -99 : v->GetMin().GetInt();
        const int hi = v->GetMax().GetKind() == CParamValue::pvNone ? -99 : v->GetMax().GetInt();
        return Seen{shown, lo, hi, v->GetState(), v->GetChanged()};
    }

    CFakeGameScene scene;
    CGameValuesStorage storage;
    std::vector<std::unique_ptr<AGameValue>> values;
};

TEST_F(GameValueRows, EveryValueReadsItsSource)
{
    ASSERT_TRUE(g_Profiles.AddProfile("Ann"));
    g_User.LoadFromProfile(g_Profiles.GetProfile("Ann"), kCurrentGameSlot);
    g_User.NewGame();
    g_User.SetLives(4);
    g_User.SetLevel(6);              // level 7
    g_User.SetBonusLevel(-1);        // no bonus level yet: 0
    g_User.Game().epoch = 6;
    g_User.AddScore(1500);
    g_User.CheckPromotion();         // title 1
    GetResCredits().Add(11, 450);    // dynamite: grade 2, range 400..800
    GetResCredits().Add(16, 2000);   // magic wand: grade 4, held at 1600
    GetResCredits().Add(12, 250);    // mixer: grade 1
    scene.shown_score = 1234.9f;
    scene.shown_resources = {{1, 77.7f}, {2, 5.0f}, {3, -2.5f}};
    scene.blink = {{1, 1}, {3, 0}, {2, 1}};
    scene.bonus_resource_type = 3;
    scene.bonus_resource_amount = 40;
    scene.all_epochs_complete = true;
    scene.upgrades = {{11, 2}, {16, 1}, {13, 3}, {15, 4}, {10, 5}, {14, 6}, {17, 7}, {12, 8}};

    const int V = gvcValue, R = gvcRange, S = gvcState;
    struct Row { const char* name; std::string value; int lo, hi, state, bits; };
    const Row rows[] = {
        {"VAL_SCORE", "1234", -99, -99, 0, V},
        {"VAL_SCORE_2", "1234", -99, -99, 0, V},
        {"VAL_LIVES", "4", -99, -99, 0, V},
        {"VAL_LIVES_2", "4", -99, -99, 0, V},
        {"VAL_LEVEL", "7", -99, -99, 0, V},
        {"VAL_LEVEL_2", "7", -99, -99, 0, V},
        {"VAL_BONUS_LEVEL", "0", -99, -99, 0, V},
        {"VAL_MONEY", "77", -99, -99, 1, V | S},
        {"VAL_FOOD", "-2", -99, -99, 0, V},
        {"VAL_STAFF", "5", -99, -99, 1, V | S},
        {"VAL_BONUS_DYNAMITE", "2", 0, 4, 0, V | R},
        {"VAL_BONUS_DYNAMITE_AMOUNT", "450", 400, 800, 0, V | R},
        {"VAL_BONUS_DYNAMITE_GRADE", "2", 0, 4, 0, V | R},
        {"VAL_BONUS_MAGICWAND", "4", 0, 4, 0, V | R},
        {"VAL_BONUS_MAGICWAND_AMOUNT", "1600", 800, 1600, 0, V | R},
        {"VAL_BONUS_MAGICWAND_GRADE", "4", 0, 4, 0, V | R},
        {"VAL_BONUS_LIGHTNING", "0", 0, 4, 0, V | R},
        {"VAL_BONUS_LIGHTNING_AMOUNT", "0", 0, 200, 0, V | R},
        {"VAL_BONUS_LIGHTNING_GRADE", "0", 0, 4, 0, V | R},
        {"VAL_BONUS_SWORD", "0", 0, 4, 0, V | R},
        {"VAL_BONUS_SWORD_AMOUNT", "0", 0, 200, 0, V | R},
        {"VAL_BONUS_SWORD_GRADE", "0", 0, 4, 0, V | R},
        {"VAL_BONUS_SANDCLOCK", "0", 0, 4, 0, V | R},
        {"VAL_BONUS_SANDCLOCK_AMOUNT", "0", 0, 200, 0, V | R},
        {"VAL_BONUS_SANDCLOCK_GRADE", "0", 0, 4, 0, V | R},
        {"VAL_BONUS_STAR", "0", 0, 4, 0, V | R},
        {"VAL_BONUS_STAR_AMOUNT", "0", 0, 200, 0, V | R},
        {"VAL_BONUS_STAR_GRADE", "0", 0, 4, 0, V | R},
        {"VAL_BONUS_MIXER", "1", 0, 4, 0, V | R},
        {"VAL_BONUS_MIXER_AMOUNT", "250", 200, 400, 0, V | R},
        {"VAL_BONUS_MIXER_GRADE", "1", 0, 4, 0, V | R},
        {"VAL_BONUS_PLUS", "0", 0, 4, 0, V | R},
        {"VAL_BONUS_PLUS_AMOUNT", "0", 0, 200, 0, V | R},
        {"VAL_BONUS_PLUS_GRADE", "0", 0, 4, 0, V | R},
        {"VAL_BONUS_RESOURCE", "40", -99, -99, 3, V | S},
        {"VAL_BONUS_RESOURCE_2", "40", -99, -99, 3, V | S},
        {"VAL_USER_NAME", "'Ann'", -99, -99, 0, V},
        {"VAL_PUBLIC_STATUS", "'Ann'", -99, -99, 6, V | S},
        {"VAL_TITLE", "'T1!'", -99, -99, 1, V | S},
        {"VAL_TITLE_2", "'T1!'", -99, -99, 1, V | S},
        {"VAL_TITLE_3", "-", -99, -99, 1, S},
        {"VAL_TITLE_4", "'T1!'", -99, -99, 1, V | S},
        {"VAL_TITLE_5", "'T1!'", -99, -99, 1, V | S},
        {"VAL_EPOCH", "0", -99, -99, 7, V | S},
        {"VAL_UPG_BONUS_DYNAMITE", "0", -99, -99, 2, V | S},
        {"VAL_UPG_BONUS_MAGICWAND", "0", -99, -99, 1, V | S},
        {"VAL_UPG_BONUS_LIGHTNING", "0", -99, -99, 3, V | S},
        {"VAL_UPG_BONUS_STAR", "0", -99, -99, 4, V | S},
        {"VAL_UPG_BONUS_SANDCLOCK", "0", -99, -99, 5, V | S},
        {"VAL_UPG_BONUS_SWORD", "0", -99, -99, 6, V | S},
        {"VAL_UPG_BONUS_PLUS", "0", -99, -99, 7, V | S},
        {"VAL_UPG_BONUS_MIXER", "0", -99, -99, 8, V | S},
    };
    ASSERT_EQ(std::size(rows), 52u);
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const Seen first = Update(r.name);
        EXPECT_EQ(first.value, r.value);
        EXPECT_EQ(first.lo, r.lo);
        EXPECT_EQ(first.hi, r.hi);
        EXPECT_EQ(first.state, r.state);
        EXPECT_EQ(first.bits, r.bits);
        // Nothing moved: the second update sets no bit.
        EXPECT_EQ(Update(r.name).bits, 0);
    }

    // Each name keeps bits of its own; a grade that moves sets only the value bit.
    scene.shown_score = 2000.0f;
    GetResCredits().Add(11, 400);
    storage.GetValue("VAL_SCORE")->Update();
    EXPECT_EQ(storage.GetValue("VAL_SCORE")->GetChanged(), V);
    EXPECT_EQ(storage.GetValue("VAL_SCORE_2")->GetChanged(), 0);
    EXPECT_EQ(Update("VAL_BONUS_DYNAMITE").bits, V);
    EXPECT_EQ(Update("VAL_BONUS_DYNAMITE_AMOUNT").bits, V | R);
    scene.all_epochs_complete = false;
    EXPECT_EQ(Update("VAL_EPOCH").state, 6);
    EXPECT_EQ(Update("VAL_EPOCH").bits, 0);
}

TEST_F(GameValueRows, WithoutAGameScreenTheSceneReadingsAreZero)
{
    SetGameValueSource(nullptr);
    GetResCredits().Clear();
    EXPECT_EQ(Update("VAL_SCORE").value, "0");
    EXPECT_EQ(Update("VAL_MONEY").state, 0);
    EXPECT_EQ(Update("VAL_EPOCH").state, 0);
    // An amount for a credit without record: 0 with the range 0..0.
    const Seen amount = Update("VAL_BONUS_PLUS_AMOUNT");
    EXPECT_EQ(amount.value, "0");
    EXPECT_EQ(amount.lo, 0);
    EXPECT_EQ(amount.hi, 0);
}

} // namespace
