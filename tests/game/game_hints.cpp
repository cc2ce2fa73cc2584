// The tutorial hints: which requests are queued for which player, the queue's order, the bubble laid
// with its anchor on the target, a hint's life from shown to closed (seen) or hidden (not seen), the
// seen hints kept across a restart, and hints the file lacks or a file that cannot be read.
#include "gui/gui_test_util.h"

#include "game/game_hints.h"
#include "engine/sound/engine_soundqueue.h"
#include "player/player_profiles.h"
#include "player/player_user.h"

#include <vector>

using namespace guitest;

namespace {

// 100 and 101 anchored; 104 without a "Got it" button; 113 without an anchor.
const char* const kHints = R"(<?xml version="1.0"?>
<Hints>
  <Hint id="100" sound="hint_show" delay="45">
    <Control type="IMAGE" id="ID_BODY" left="50" top="120" width="200" height="80"/>
    <Control type="IMAGE" id="ID_ANCHOR" left="100" top="200" width="40" height="20"/>
    <Control type="BUTTON" id="ID_CONTINUE" kind="0" left="130" top="160" width="100" height="30"/>
  </Hint>
  <Hint id="101" delay="0">
    <Control type="IMAGE" id="ID_BODY" left="10" top="10" width="100" height="60"/>
    <Control type="IMAGE" id="ID_ANCHOR" left="50" top="70" width="20" height="10"/>
    <Control type="BUTTON" id="ID_CONTINUE" kind="0" left="20" top="30" width="80" height="30"/>
  </Hint>
  <Hint id="104" delay="60">
    <Control type="IMAGE" id="ID_ANCHOR" left="0" top="0" width="20" height="10"/>
  </Hint>
  <Hint id="113" delay="30">
    <Control type="IMAGE" id="ID_BODY" left="300" top="200" width="200" height="100"/>
    <Control type="BUTTON" id="ID_CONTINUE" kind="0" left="350" top="250" width="100" height="30"/>
  </Hint>
</Hints>)";

class Hints : public ::testing::Test {
protected:
    Hints() : _saved(g_User.Settings())
    {
        zftest::WriteText(_dir / "Hints.xml", kHints);
        Settings() = CProfileSettings();
        Reload(hints);
    }
    ~Hints() override
    {
        hints.HideActive();
        Settings() = _saved;
    }

    static CProfileSettings& Settings() { return g_User.Settings(); }
    void Reload(CHintsManager& m)
    {
        m.Load(_dir / "Hints.xml");
        m.FilterHints(g_User);
        m.SetClosedHandler([this](int id) { closed.push_back(id); });
    }
    // One frame of the scene: the mouse, then the hint.
    bool Frame(int x, int y, bool down)
    {
        env.mouse.Frame(x, y, down);
        return hints.Update();
    }
    // A press and release over the control's centre; what Update said on each of the three frames.
    std::vector<bool> Click(const std::string& id)
    {
        const CBaseControlPtr c = hints.GetHints()[size_t(Index(hints.GetActiveId()))].dialog->GetControl(id);
        const int x = int(c->GetX() + c->GetWidth() / 2), y = int(c->GetY() + c->GetHeight() / 2);
        std::vector<bool> up;
        for (bool down : {false, true, false}) up.push_back(Frame(x, y, down));
        return up;
    }
    int Index(int id) const
    {
        for (size_t i = 0; i < hints.GetHints().size(); ++i)
            if (hints.GetHints()[i].id == id) return int(i);
        return -1;
    }
    const CHintDialog& Dialog(int id) const { return *hints.GetHints()[size_t(Index(id))].dialog; }

    GuiEnvironment env{kCatalogue};
    zftest::TempDir _dir;
    CProfileSettings _saved;
    CHintsManager hints;
    std::vector<int> closed;
};

TEST_F(Hints, LoadsEveryHintWithItsBoundsAnchorSoundAndDelay)
{
    ASSERT_EQ(hints.GetHints().size(), 4u);
    EXPECT_EQ(hints.GetToShow(), (std::vector<int>{100, 101, 104, 113}));
    EXPECT_EQ(hints.GetDelay(100), 45);
    EXPECT_EQ(hints.GetDelay(101), 0);
    EXPECT_EQ(hints.GetDelay(999), 0);
    EXPECT_EQ(hints.GetHints()[0].sound, "hint_show");
    float b[4], a[2];
    ASSERT_TRUE(hints.GetBounds(100, b, a));
    EXPECT_EQ(std::vector<float>(b, b + 4), (std::vector<float>{50, 120, 250, 220}));
    EXPECT_EQ(std::vector<float>(a, a + 2), (std::vector<float>{120, 220}));
    ASSERT_TRUE(hints.GetBounds(113, b, a));
    EXPECT_EQ(std::vector<float>(a, a + 2), (std::vector<float>{0, 0})) << "no anchor";
}

TEST_F(Hints, RequestsAreQueuedByTheListTheMoveHintRuleAndThePlayersSwitch)
{
    const struct {
        int id;
        bool seen;           // closed by this player before
        bool first_chain;    // "pass_smart_test"
        bool pending;        // asked for already
        bool hints_off;      // "not_show_hints"
        bool queued;
    } cases[] = {
        {101, false, true, false, false, true},
        {101, true, true, false, false, false},
        {101, false, false, true, false, true},    // once, however often asked for
        {101, false, false, false, true, false},
        {100, false, true, false, false, true},    // in the list like any other
        {100, true, false, false, false, true},    // before the first chain, seen or not
        {100, true, true, false, false, false},
        {100, false, false, false, true, true},    // even with hints off
        {100, false, true, false, true, false},
        {100, true, false, true, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "id " << c.id << " seen " << c.seen << " first chain " << c.first_chain
                                        << " pending " << c.pending << " off " << c.hints_off);
        Settings() = CProfileSettings();
        if (c.seen) g_User.SetHintShown(c.id);
        Settings().pass_smart_test = c.first_chain;
        Settings().not_show_hints = c.hints_off;
        CHintsManager m;
        Reload(m);
        if (c.pending) m.RequestHint(c.id);
        m.RequestHint(c.id);
        EXPECT_EQ(m.GetPending(), c.queued ? std::vector<int>{c.id} : std::vector<int>{});
    }
}

TEST_F(Hints, TheQueueIsFirstInFirstOutAndYieldsZeroWhenEmpty)
{
    EXPECT_EQ(hints.PopPending(), 0);
    for (int id : {113, 101, 113, 100, 101}) hints.RequestHint(id);
    EXPECT_EQ(hints.GetPending(), (std::vector<int>{113, 101, 100}));
    EXPECT_EQ(hints.PopPending(), 113);
    hints.RequestHint(113);   // taken off the queue, so it may be asked for again
    EXPECT_EQ(hints.GetPending(), (std::vector<int>{101, 100, 113}));
    hints.ClearPending();
    EXPECT_EQ(hints.PopPending(), 0);
    EXPECT_EQ(hints.PopPending(), 0);
}

TEST_F(Hints, TheBubbleIsLaidWithItsAnchorOnTheTarget)
{
    std::vector<std::pair<float, float>> before;
    for (const CBaseControlPtr& c : Dialog(100).GetControls()) before.emplace_back(c->GetX(), c->GetY());
    ASSERT_TRUE(hints.ShowHint(100, 300, 300));
    EXPECT_TRUE(hints.IsActive());
    EXPECT_EQ(hints.GetActiveId(), 100);
    EXPECT_TRUE(Dialog(100).IsShown());
    EXPECT_TRUE(Dialog(100).IsModal());
    const auto& controls = Dialog(100).GetControls();
    for (size_t i = 0; i < controls.size(); ++i) {
        EXPECT_FLOAT_EQ(controls[i]->GetX(), before[i].first + 180) << controls[i]->GetId();
        EXPECT_FLOAT_EQ(controls[i]->GetY(), before[i].second + 80) << controls[i]->GetId();
    }
    g_SoundQueue.Update();
    EXPECT_EQ(env.sound.Calls("PlaySample"), std::vector<std::string>{"PlaySample hint_show"});

    // Shown again elsewhere: laid from where it stands now.
    ASSERT_TRUE(hints.ShowHint(100, 120, 220));
    for (size_t i = 0; i < controls.size(); ++i) {
        EXPECT_FLOAT_EQ(controls[i]->GetX(), before[i].first);
        EXPECT_FLOAT_EQ(controls[i]->GetY(), before[i].second);
    }
    // Without an anchor the bubble stays where its layout puts it; the other one leaves, not seen.
    ASSERT_TRUE(hints.ShowHint(113, 0, 0));
    EXPECT_FALSE(Dialog(100).IsVisible());
    EXPECT_FALSE(g_User.IsHintShown(100));
    EXPECT_FLOAT_EQ(Dialog(113).GetControls()[0]->GetX(), 300);
    EXPECT_FLOAT_EQ(Dialog(113).GetControls()[0]->GetY(), 200);
}

TEST_F(Hints, ClosingAHintMarksItSeenAndTellsTheScene)
{
    for (const bool by_key : {false, true}) {
        SCOPED_TRACE(by_key ? "Enter" : "click");
        Settings() = CProfileSettings();
        Settings().pass_smart_test = true;
        closed.clear();
        Reload(hints);
        ASSERT_TRUE(hints.ShowHint(101, 400, 300));
        EXPECT_TRUE(Frame(0, 0, false)) << "it stays until the player closes it";
        EXPECT_TRUE(Frame(0, 0, false));
        EXPECT_TRUE(closed.empty());
        if (by_key) {
            hints.Dismiss();
            EXPECT_FALSE(Frame(0, 0, false));
        } else {
            EXPECT_EQ(Click("ID_CONTINUE"), (std::vector<bool>{true, true, false}));
        }
        EXPECT_EQ(closed, std::vector<int>{101});
        EXPECT_TRUE(g_User.IsHintShown(101));
        EXPECT_FALSE(hints.IsToShow(101));
        EXPECT_FALSE(hints.IsActive());
        EXPECT_EQ(hints.GetActiveId(), 0);
        EXPECT_FALSE(Dialog(101).IsVisible());
        EXPECT_FALSE(hints.Update());
        hints.RequestHint(101);
        EXPECT_TRUE(hints.GetPending().empty()) << "never asked for again";
    }
    // A click elsewhere in the bubble does not close it.
    ASSERT_TRUE(hints.ShowHint(100, 300, 300));
    EXPECT_EQ(Click("ID_BODY"), (std::vector<bool>{true, true, true}));
    // The move hint comes back while the first chain is not made, even after it was closed.
    Settings().pass_smart_test = false;
    hints.Dismiss();
    EXPECT_FALSE(hints.Update());
    hints.RequestHint(100);
    EXPECT_EQ(hints.GetPending(), std::vector<int>{100});
}

TEST_F(Hints, AHintHiddenByTheSceneIsNotSeen)
{
    // Hidden by the scene at a pause or a level end.
    ASSERT_TRUE(hints.ShowHint(101, 400, 300));
    EXPECT_TRUE(Frame(0, 0, false));
    hints.HideActive();
    EXPECT_FALSE(hints.IsActive());
    EXPECT_FALSE(Dialog(101).IsVisible());
    EXPECT_FALSE(hints.Update());
    // Hidden by other means while it was up.
    ASSERT_TRUE(hints.ShowHint(113, 0, 0));
    hints.GetHints()[size_t(Index(113))].dialog->HideImmediately();
    EXPECT_FALSE(hints.Update());
    EXPECT_FALSE(hints.IsActive());

    EXPECT_TRUE(closed.empty());
    for (int id : {101, 113}) {
        EXPECT_FALSE(g_User.IsHintShown(id)) << id;
        EXPECT_TRUE(hints.IsToShow(id)) << id;
        hints.RequestHint(id);
    }
    EXPECT_EQ(hints.GetPending(), (std::vector<int>{101, 113}));
}

TEST_F(Hints, ASeenHintStaysSeenAfterARestart)
{
    ASSERT_TRUE(hints.ShowHint(101, 400, 300));
    hints.Dismiss();
    EXPECT_FALSE(hints.Update());

    // The profile keeps the player's settings; the next run loads them into a fresh manager.
    CProfile profile("Anna");
    profile.Settings() = g_User.Settings();
    Settings() = profile.Settings();
    CHintsManager next;
    Reload(next);
    next.RequestHint(101);
    next.RequestHint(113);
    EXPECT_EQ(next.GetPending(), std::vector<int>{113});
    EXPECT_FALSE(next.IsToShow(101));
}

TEST_F(Hints, AnIdTheFileLacksIsDroppedWithALogLine)
{
    LogWatch log;
    hints.RequestHint(555);
    hints.RequestHint(555);
    EXPECT_TRUE(hints.GetPending().empty());
    EXPECT_EQ(log.Count("hint 555 is not in the hints file"), 1u) << log.Text();

    float b[4] = {1, 1, 1, 1}, a[2] = {1, 1};
    EXPECT_NO_THROW(EXPECT_FALSE(hints.GetBounds(555, b, a)));
    EXPECT_EQ(std::vector<float>(b, b + 4), (std::vector<float>{0, 0, 0, 0}));
    EXPECT_NO_THROW(EXPECT_FALSE(hints.ShowHint(555, 10, 10)));
    EXPECT_FALSE(hints.IsActive());
    EXPECT_FALSE(hints.Update());
    EXPECT_TRUE(log.Has("bounds of hint 555")) << log.Text();
    EXPECT_TRUE(log.Has("hint 555 was to be shown")) << log.Text();
    // A hint the player cannot click away is still loaded, with a warning.
    EXPECT_TRUE(hints.IsLoaded(104));
}

TEST_F(Hints, AMissingOrDamagedFileLeavesNoHintsAndTheGameGoesOn)
{
    zftest::WriteText(_dir / "Damaged.xml", "<Hints><Hint id=\"100\"><Control type=");
    zftest::WriteText(_dir / "Twice.xml", R"(<Hints><Hint id="101" delay="5"/><Hint id="101" delay="9"/><Hint delay="3"/></Hints>)");
    for (const char* name : {"Missing.xml", "Damaged.xml"}) {
        SCOPED_TRACE(name);
        hints.RequestHint(101);
        LogWatch log;
        EXPECT_NO_THROW(hints.Load(_dir / name));
        EXPECT_TRUE(log.Has("Error: hints not loaded")) << log.Text();
        EXPECT_TRUE(hints.GetHints().empty());
        EXPECT_TRUE(hints.GetPending().empty());
        hints.FilterHints(g_User);
        EXPECT_TRUE(hints.GetToShow().empty());
        hints.RequestHint(100);
        EXPECT_EQ(hints.PopPending(), 0);
        EXPECT_FALSE(hints.ShowHint(100, 10, 10));
        EXPECT_FALSE(hints.Update());
    }
    // A second hint of one id and a hint without an id are left out.
    LogWatch log;
    hints.Load(_dir / "Twice.xml");
    ASSERT_EQ(hints.GetHints().size(), 1u);
    EXPECT_EQ(hints.GetDelay(101), 5);
    EXPECT_TRUE(log.Has("hint 101 appears twice")) << log.Text();
    EXPECT_TRUE(log.Has("has no id")) << log.Text();
}

} // namespace
