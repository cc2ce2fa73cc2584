// Random input over the gallery dialog with the shipped catalogue: invariants that no table covers hold
// frame after frame (clicks follow presses, disabled controls stay silent, values stay in range).
#include "gui/gui_test_util.h"

#include <cstring>
#include <map>
#include <random>
#include <set>

using namespace guitest;

namespace {

class CountingDialog : public CBaseDialog {
public:
    std::map<std::string, int> presses, clicks;
    std::vector<std::string> silent_broken;   // events from controls that were disabled or hidden

    void OnPress(CBaseControl* c) override { Note(c); ++presses[c->GetId()]; }
    void OnClick(CBaseControl* c) override { Note(c); ++clicks[c->GetId()]; }
    void OnRelease(CBaseControl* c) override { Note(c); }
    void OnChange(CBaseControl* c) override { Note(c); }
    void OnChar(CBaseControl* c, char ch) override
    {
        Note(c);
        if (std::strchr(CMenuEdit::kRefused, ch)) silent_broken.push_back("refused character taken");
    }

private:
    void Note(CBaseControl* c)
    {
        if (!c->IsEnabled() || !c->IsVisible()) silent_broken.push_back(c->GetId());
    }
};

} // namespace

TEST(GuiProperties, RandomInputKeepsTheToolkitsPromises)
{
    GuiEnvironment env(zftest::ReadTextFile(std::string(ZF_GAME_DATA_DIR) + "/Settings/Controls.xml"));
    CountingDialog d;
    CXMLFile file(std::string(ZF_SOURCE_DIR) + "/content/gui/gallery.xml");
    ASSERT_TRUE(d.Load(file.SelectSingleNode("//Dialogs/Gallery")));
    d.ShowModalImmediately();
    auto list = d.GetControl<CMenuListBox>("ID_LIST");
    std::vector<CMenuListBox::Item> items;
    for (int i = 0; i < 12; ++i) items.push_back({"row " + std::to_string(i), i % 5 == 0});
    list->SetItems(items);
    auto edit = d.GetControl<CMenuEdit>("ID_EDIT_FOCUSED");
    auto check = d.GetControl<CMenuCheckBox>("ID_CHECK_OFF");
    std::vector<std::shared_ptr<CMenuTrackBar>> tracks = {d.GetControl<CMenuTrackBar>("ID_TRACK"),
                                                          d.GetControl<CMenuTrackBar>("ID_TRACK_HOVER")};

    std::mt19937 rng(20);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    int x = 400, y = 300;
    bool down = false;
    const int keys[] = {kEnter, kSpace, kBack, kKeyA, kKeyA + 1};
    for (int frame = 0; frame < 4000; ++frame) {
        env.engine.ClearRecords();
        if (pick(0, 9) == 0) { x = pick(0, 799); y = pick(0, 599); }
        else { x = std::clamp(x + pick(-5, 5), 0, 799); y = std::clamp(y + pick(-5, 5), 0, 599); }
        if (pick(0, 3) == 0) down = !down;
        std::vector<int> held;
        if (pick(0, 7) == 0) held.push_back(keys[pick(0, 4)]);
        std::string typed;
        if (pick(0, 4) == 0) typed = std::string(1, char(pick(32, 255)));
        env.mouse.Frame(x, y, down, pick(0, 15) == 0 ? (pick(0, 1) ? 120 : -120) : 0);
        env.keyboard.Frame(held, typed);
        if (pick(0, 200) == 0) edit->SetFocus(true);
        if (pick(0, 300) == 0) d.OnKey(pick(0, 1) ? VK_DOWN_CODE : VK_UP_CODE);
        if (pick(0, 500) == 0) d.SetModal(!d.IsModal());
        d.Process();

        ASSERT_TRUE(d.silent_broken.empty()) << frame << ": " << d.silent_broken.front();
        for (const auto& [id, n] : d.clicks) {
            if (id.rfind("ID_IMAGE", 0) == 0) continue;   // images click without a press
            ASSERT_LE(n, d.presses[id]) << frame << ": " << id << " clicked without a press";
        }
        ASSERT_GE(list->GetSelected(), 0);
        ASSERT_LT(list->GetSelected(), int(items.size()));
        ASSERT_LE(list->GetTop() + list->GetVisibleRows(), int(items.size()));
        ASSERT_TRUE(list->GetSelected() >= list->GetTop() || list->GetVisibleRows() == 0);
        for (const auto& t : tracks) {
            ASSERT_GE(t->GetPosition(), t->GetMin());
            ASSERT_LE(t->GetPosition(), t->GetMax());
        }
        ASSERT_LE(edit->GetText().size(), edit->GetMaxLength());
        ASSERT_EQ(check->IsChecked(), d.clicks["ID_CHECK_OFF"] % 2 == 1) << frame;
        ASSERT_GE(d.GetFocused(), -1);
        ASSERT_LT(d.GetFocused(), int(d.GetControls().size()));
    }
    // The run reached the controls at all.
    int total = 0;
    for (const auto& [id, n] : d.clicks) total += n;
    EXPECT_GT(total, 10);
    EXPECT_FALSE(edit->GetText().empty());
}
