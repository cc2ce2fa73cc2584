// The edit box and the list box.
#include "gui/gui_test_util.h"

using namespace guitest;

namespace {

const char* const kEdit = R"(<Control type="EDIT" id="E" left="10" top="10" width="200" height="24" text="Dlg_text"/>)";

void Type(GuiEnvironment& env, CMenuEdit& edit, const std::vector<int>& keys, const std::string& text)
{
    env.keyboard.Frame(keys, text);
    edit.ProcessInput();
    env.keyboard.Frame({});
    edit.ProcessInput();
}

const std::vector<CMenuListBox::Item> Items(int n)
{
    std::vector<CMenuListBox::Item> items;
    for (int i = 0; i < n; ++i) items.push_back({"item " + std::to_string(i), i == 1});
    return items;
}

} // namespace

TEST(Edit, LoadsEmptyWithItsLimitAndIgnoresKeysWithoutFocus)
{
    GuiEnvironment env(kCatalogue);
    RecordingReceiver r;
    auto edit = Make<CMenuEdit>(kEdit, &r);
    EXPECT_EQ(edit->GetMaxLength(), 12u);
    EXPECT_EQ(edit->GetText(), "");
    EXPECT_FALSE(edit->CanFocus());
    Type(env, *edit, {kKeyA}, "a");
    EXPECT_EQ(edit->GetText(), "");
    EXPECT_TRUE(r.events.empty());
    auto longer = Make<CMenuEdit>(R"(<Control type="EDIT" text="Dlg_text" max_text_length="500"/>)", &r);
    EXPECT_EQ(longer->GetMaxLength(), 500u);
}

TEST(Edit, InsertDeleteLimitsAndRefusedCharacters)
{
    GuiEnvironment env(kCatalogue);
    RecordingReceiver r;
    auto edit = Make<CMenuEdit>(kEdit, &r);
    ASSERT_TRUE(edit->SetFocus(true));

    Type(env, *edit, {kKeyA}, "Ab 9_\xE9");
    EXPECT_EQ(edit->GetText(), "Ab 9_\xE9") << "letters, digits, space, underscore and accented letters";
    EXPECT_EQ(r.Take(), (std::vector<std::string>{"key E 65", "char E A", "char E b", "char E  ", "char E 9", "char E _",
                                                   "char E \xE9"}));
    // Every refused character, a character the font lacks and control characters.
    Type(env, *edit, {}, std::string(CMenuEdit::kRefused) + "\x81\t\x7F");
    EXPECT_EQ(edit->GetText(), "Ab 9_\xE9");
    EXPECT_TRUE(r.events.empty());

    Type(env, *edit, {kBack}, "");
    EXPECT_EQ(edit->GetText(), "Ab 9_");
    EXPECT_EQ(r.Take(), (std::vector<std::string>{"key E 8"}));
    Type(env, *edit, {}, "abcdefghij");
    EXPECT_EQ(edit->GetText(), "Ab 9_abcdefg") << "the limit of 12";
    for (int i = 0; i < 13; ++i) Type(env, *edit, {kBack}, "");
    EXPECT_EQ(edit->GetText(), "");
    EXPECT_EQ(r.Take().back(), "key E 8") << "Back on an empty text only reports the key";

    // A larger limit still stops at 100 characters.
    auto longer = Make<CMenuEdit>(R"(<Control type="EDIT" text="Dlg_text" max_text_length="500"/>)", &r);
    longer->SetFocus(true);
    for (int i = 0; i < 30; ++i) Type(env, *longer, {}, "abcde");
    EXPECT_EQ(longer->GetText().size(), 100u);
}

TEST(Edit, KeysOfOneFrameAreAllTakenAndEnterEndsEditing)
{
    GuiEnvironment env(kCatalogue);
    RecordingReceiver r;
    auto edit = Make<CMenuEdit>(kEdit, &r);
    edit->SetFocus(true);
    Type(env, *edit, {kKeyA, kKeyA + 1}, "as");
    EXPECT_EQ(edit->GetText(), "as");

    Type(env, *edit, {kEnter}, "");
    EXPECT_FALSE(edit->IsFocused());
    Type(env, *edit, {}, "x");
    EXPECT_EQ(edit->GetText(), "as");

    // A receiver that turns a key into Return ends the editing as Enter would.
    edit->SetFocus(true);
    r.rewrite[65] = VK_RETURN_CODE;
    Type(env, *edit, {kKeyA}, "a");
    EXPECT_FALSE(edit->IsFocused());
    EXPECT_EQ(edit->GetText(), "as");
}

TEST(Edit, CaretBlinksOnlyOnTheFocusedEdit)
{
    GuiEnvironment env(kCatalogue);
    zftest::FakeClock clock(1000);
    RecordingReceiver r;
    auto edit = Make<CMenuEdit>(kEdit, &r);
    edit->SetText("ab");
    const struct { uint32_t now; bool focused; const char* shown; } cases[] = {
        {1260, true, "ab_"}, {1250, true, "ab"}, {1499, true, "ab_"}, {1500, true, "ab"}, {1260, false, "ab"},
    };
    for (const auto& c : cases) {
        clock.Set(c.now);
        edit->SetFocus(c.focused);
        edit->Update();
        EXPECT_EQ(edit->GetLabel().GetParam1().GetText(), c.shown) << c.now << " " << c.focused;
    }
}

TEST(ListBox, SelectionKeepsTheSelectedRowOnAFullPage)
{
    GuiEnvironment env(kCatalogue);
    RecordingReceiver r;
    auto list = Make<CMenuListBox>(R"(<Control type="LISTBOX" id="L" width="200" height="100" item_height="20"/>)", &r);
    list->SetItems(Items(10));
    r.Take();
    EXPECT_EQ(list->GetVisibleRows(), 5);
    EXPECT_EQ(list->GetItemsLeft(), 30);

    LogWatch log;
    list->SetSelection(10);
    EXPECT_TRUE(log.Has("Error: ListBox index 10 out of bounds! Total items = 10"));
    EXPECT_EQ(list->GetSelected(), 0);
    EXPECT_TRUE(r.events.empty());

    list->SetSelection(9);
    EXPECT_EQ(list->GetTop(), 5) << "the last item lands on the last visible row";
    list->SetSelection(3);
    EXPECT_EQ(list->GetTop(), 3);
    EXPECT_EQ(r.Take(), (std::vector<std::string>{"select L 9", "select L 3"}));
    // The selection bar lies under the selected row.
    ASSERT_TRUE(list->HasSelector());
    const auto& bar = list->GetSelector().GetRects().at(0).rect;
    EXPECT_FLOAT_EQ(bar.left, 4 + 30 - 5);
    EXPECT_FLOAT_EQ(bar.top, 6 - 2);

    // A shorter list keeps the selection inside it and the page full.
    list->SetItems(Items(2));
    EXPECT_EQ(list->GetSelected(), 1);
    EXPECT_EQ(list->GetTop(), 0);
    EXPECT_EQ(list->GetVisibleRows(), 2);
    list->SetItems({});
    EXPECT_EQ(list->GetSelected(), 0);
}

TEST(ListBox, MouseWheelAndClicks)
{
    GuiEnvironment env(kCatalogue);
    RecordingReceiver r;
    auto list = Make<CMenuListBox>(R"(<Control type="LISTBOX" id="L" width="200" height="100" item_height="20"/>)", &r);
    list->SetItems(Items(8));
    r.Take();
    auto frame = [&](int x, int y, bool down, int wheel) {
        env.mouse.Frame(x, y, down, wheel);
        list->ProcessInput();
        return r.Take();
    };
    EXPECT_TRUE(frame(100, 50, false, 120).empty()) << "wheel up on the first item";
    // A wheel step moves the scroll bar too, which selects the same item once more.
    EXPECT_EQ(frame(100, 50, false, -120), (std::vector<std::string>{"select L 1", "select L 1"}));
    EXPECT_EQ(frame(100, 50, false, 120), (std::vector<std::string>{"select L 0", "select L 0"}));
    EXPECT_TRUE(frame(300, 50, false, -120).empty()) << "the pointer outside the list";

    // Rows start below the kind's offset: y 6 + 2 rows of 20 + 5 is row 2.
    EXPECT_EQ(frame(100, 51, true, 0), (std::vector<std::string>{"select L 2", "select L 2"}));
    EXPECT_TRUE(frame(100, 52, true, 0).empty()) << "holding on the same row selects nothing more";
    EXPECT_EQ(frame(100, 71, true, 0).front(), "select L 3") << "dragging moves the selection along";
    frame(100, 71, false, 0);
    EXPECT_TRUE(frame(25, 90, true, 0).empty()) << "the scroll bar's strip selects no item";

    for (int i = 0; i < 20; ++i) frame(100, 50, false, -120);
    EXPECT_EQ(list->GetSelected(), 7);
    EXPECT_TRUE(frame(100, 50, false, -120).empty()) << "wheel down on the last item";

    list->SetItems(Items(3));
    frame(100, 50, false, 0);
    EXPECT_TRUE(frame(100, 6 + 20 * 4 + 5, true, 0).empty()) << "below the last item of a short list";
    EXPECT_TRUE(frame(100, 3, true, 0).empty()) << "above the first row";
}

TEST(ListBox, ZeroItemHeightIsAFailedCheck)
{
    GuiEnvironment env(kCatalogue);
    RecordingReceiver r;
    LogWatch log;
    EXPECT_THROW(CreateControl(nullptr, &r, ControlNode(R"(<Control type="LISTBOX" item_height="0"/>)")), std::runtime_error);
    EXPECT_TRUE(log.Has("Verify {_item_height != 0} failed"));
}
