// The track bar and the progress bar.
#include "gui/gui_test_util.h"

using namespace guitest;

namespace {

const char* const kTrack = R"(<Control type="TRACKBAR" id="T" kind="0" left="0" top="0" width="200" height="20"/>)";

std::string Rect(const FRect& r)
{
    return std::to_string(int(r.left)) + " " + std::to_string(int(r.top)) + " " + std::to_string(int(r.Width())) + "x" +
           std::to_string(int(r.Height()));
}

std::string TexOf(const CSprite& s)
{
    const AnimationFrame& f = s.GetAnimation().GetCurrentFrame();
    return Rect(FRect{f.left, f.top, f.right, f.bottom});
}

std::shared_ptr<CMenuProgressBar> Bar(int kind, int width, int height, int pos = 0)
{
    static RecordingReceiver r;
    return Make<CMenuProgressBar>("<Control type=\"PROGRESS_BAR\" id=\"P\" kind=\"" + std::to_string(kind) + "\" width=\"" +
                                      std::to_string(width) + "\" height=\"" + std::to_string(height) + "\" pos=\"" +
                                      std::to_string(pos) + "\"/>",
                                  &r);
}

std::vector<std::string> Pieces(CMenuProgressBar& bar)
{
    bar.Update();
    std::vector<std::string> out;
    for (const auto& p : bar.GetPieces()) out.push_back(Rect(p->GetRect()));
    return out;
}

} // namespace

TEST(TrackBar, SettersClampAndReportOnlyChanges)
{
    GuiEnvironment env(kCatalogue);
    RecordingReceiver r;
    auto t = Make<CMenuTrackBar>(kTrack, &r);
    EXPECT_EQ(t->GetPosition(), 0);
    t->SetPosition(150);
    EXPECT_EQ(t->GetPosition(), 100);
    t->SetPosition(100);
    EXPECT_EQ(r.Take(), (std::vector<std::string>{"change T"}));
    t->SetMax(50);
    EXPECT_EQ(t->GetPosition(), 50);
    t->SetMin(80);
    EXPECT_EQ(t->GetMin(), 50) << "the minimum never passes the maximum";
    t->SetMax(-10);
    EXPECT_EQ(t->GetMax(), 50);
    EXPECT_EQ(r.Take().size(), 3u);
}

TEST(TrackBar, ThumbPlacesAndPointerValues)
{
    GuiEnvironment env(kCatalogue);
    RecordingReceiver r;
    auto t = Make<CMenuTrackBar>(kTrack, &r);
    // Track: 200 - 2 * 20 (arrows) - 10 (thumb) = 150 pixels for 0..100.
    const struct { int value; float left; } places[] = {{0, 20.0f}, {50, 95.0f}, {100, 170.0f}};
    for (const auto& p : places) {
        t->SetPosition(p.value);
        EXPECT_FLOAT_EQ(t->GetThumbRect().left, p.left) << p.value;
    }
    EXPECT_EQ(t->ValueAt(100.0f), 50);
    EXPECT_EQ(t->ValueAt(0.0f), 0);
    EXPECT_EQ(t->ValueAt(400.0f), 100);
    t->SetMax(0);
    EXPECT_FLOAT_EQ(t->GetThumbRect().left, 20.0f + 75.0f - 5.0f) << "an empty range centres the thumb";

    // The back: whole pieces between its margins.
    auto v = Make<CMenuTrackBar>(R"(<Control type="TRACKBAR" kind="1" left="0" top="0" width="20" height="200"/>)", &r);
    EXPECT_EQ(v->GetOrientation(), orVertical);
    v->SetPosition(100);
    EXPECT_FLOAT_EQ(v->GetThumbRect().top, 20.0f + 150.0f) << "a higher value moves the thumb down";

    // The hit test leaves out the arrows' strips.
    const struct { CMenuTrackBar* bar; int x, y; bool over; } hits[] = {
        {t.get(), 15, 10, false}, {t.get(), 25, 10, true}, {t.get(), 185, 10, false}, {t.get(), 100, 0, false},
        {v.get(), 10, 15, false}, {v.get(), 10, 25, true}, {v.get(), 10, 185, false},
    };
    for (const auto& h : hits) {
        env.mouse.Frame(h.x, h.y, false);
        EXPECT_EQ(h.bar->IsMouseOver(), h.over) << h.x << "," << h.y;
    }
}

TEST(TrackBar, PressOnTheTrackJumpsAndDragsArrowsStep)
{
    GuiEnvironment env(kCatalogue);
    RecordingReceiver r;
    auto t = Make<CMenuTrackBar>(kTrack, &r);
    auto frame = [&](int x, bool down) {
        env.mouse.Frame(x, 10, down);
        t->ProcessInput();
    };
    frame(100, false);
    frame(100, true);
    EXPECT_EQ(t->GetPosition(), 50);
    frame(175, true);
    EXPECT_EQ(t->GetPosition(), 100) << "holding the button drags";
    frame(175, false);
    EXPECT_EQ(r.Take(), (std::vector<std::string>{"change T", "change T"}));

    // A button held elsewhere and dragged onto the track moves nothing.
    frame(300, true);
    frame(100, true);
    EXPECT_EQ(t->GetPosition(), 100);
    frame(100, false);

    // Arrows: a step that would pass the limit is not taken at all.
    t->SetStep(5);
    t->SetPosition(98);
    r.Take();
    frame(190, false);
    frame(190, true);
    EXPECT_EQ(t->GetPosition(), 98);
    frame(190, false);
    frame(10, false);
    frame(10, true);
    EXPECT_EQ(t->GetPosition(), 93);
    EXPECT_EQ(r.Take(), (std::vector<std::string>{"change T"}));
    frame(10, false);

    // Disabled, the arrows do nothing; an empty range ignores the track.
    t->SetEnabled(false);
    t->OnPress(t->GetButton(0).get());
    EXPECT_EQ(t->GetPosition(), 93);
    t->SetEnabled(true);
    t->SetMax(t->GetMin());
    frame(100, true);
    EXPECT_EQ(t->GetPosition(), t->GetMin());
}

// Moving a track bar (a dialog's MoveBy places every control anew) carries its arrows, back and thumb.
TEST(TrackBar, MovesWithAllItsParts)
{
    GuiEnvironment env(kCatalogue);
    RecordingReceiver r;
    auto t = Make<CMenuTrackBar>(kTrack, &r);
    t->SetPosition(50);
    t->SetPosition(100.0f, 40.0f);
    EXPECT_FLOAT_EQ(t->GetThumbRect().left, 195.0f);
    EXPECT_FLOAT_EQ(t->GetThumbRect().top, 40.0f);
    EXPECT_FLOAT_EQ(t->GetButton(0)->GetX(), 100.0f);
    EXPECT_FLOAT_EQ(t->GetButton(1)->GetX(), 280.0f);
    EXPECT_FLOAT_EQ(t->GetButton(1)->GetY(), 40.0f);
    env.mouse.Frame(290, 50, false);
    t->ProcessInput();
    env.mouse.Frame(290, 50, true);
    t->ProcessInput();
    EXPECT_EQ(t->GetPosition(), 51) << "the moved right arrow steps";
}

TEST(TrackBar, CaptionsFollowTheValue)
{
    GuiEnvironment env(kCatalogue);
    RecordingReceiver r;
    auto t = Make<CMenuTrackBar>(R"(<Control type="TRACKBAR" kind="0" width="200" height="20">
        <Captions dis_x="5" dis_y="-20"><Caption text="Dlg_ok"/><Caption text="Dlg_cancel"/></Captions></Control>)", &r);
    const struct { int value; const char* alias; } cases[] = {{0, "Dlg_ok"}, {1, "Dlg_cancel"}, {2, "Dlg_cancel"}, {0, "Dlg_ok"}};
    for (const auto& c : cases) {
        t->SetPosition(c.value);
        t->Update();
        EXPECT_EQ(t->GetCaption().GetLabel().alias, c.alias) << c.value << ": a value past the captions keeps the last one";
    }
    EXPECT_FLOAT_EQ(t->GetCaption().GetX(), 5.0f);
}

TEST(ProgressBar, LoadChecks)
{
    GuiEnvironment env(kCatalogue);
    RecordingReceiver r;
    const struct { const char* attrs; const char* check; } cases[] = {
        {R"(min="10" max="10")", "Verify {_min_pos < _max_pos} failed"},
        {R"(pos="101")", "Verify {_pos <= _max_pos} failed"},
        {R"(min="5" pos="2")", "Verify {_min_pos <= _pos} failed"},
        {R"(kind="9")", "Invalid progressbar kind!"},
        {R"(kind="-1")", "Invalid progressbar kind!"},
    };
    for (const auto& c : cases) {
        LogWatch log;
        EXPECT_THROW(CreateControl(nullptr, &r, ControlNode(std::string("<Control type=\"PROGRESS_BAR\" ") + c.attrs + "/>")),
                     std::runtime_error)
            << c.attrs;
        EXPECT_TRUE(log.Has(c.check)) << c.attrs;
    }
    auto ok = Make<CMenuProgressBar>(R"(<Control type="PROGRESS_BAR" min="10" max="20" color="80FF0000"/>)", &r);
    EXPECT_EQ(ok->GetPos(), 10);
    EXPECT_EQ(ok->GetPieceColor(), 0x80FF0000u);
}

TEST(ProgressBar, LinearFillsCutsItsTextureAndColoursByPercent)
{
    GuiEnvironment env(kCatalogue);
    auto bar = Bar(0, 120, 14, 50);
    ASSERT_EQ(Pieces(*bar), (std::vector<std::string>{"5 2 50x10"}));
    EXPECT_EQ(TexOf(*bar->GetPieces()[0]), "0 0 50x10");
    EXPECT_EQ(bar->GetPieceColor(), 0xFFFF0000u);
    bar->SetPos(60);
    Pieces(*bar);
    EXPECT_EQ(bar->GetPieceColor(), 0xFF00FF00u);
    bar->SetPos(0);
    EXPECT_TRUE(Pieces(*bar).empty());

    // Vertical: filled from the bottom, the texture cut at the top.
    auto up = Bar(4, 10, 50, 40);
    ASSERT_EQ(Pieces(*up), (std::vector<std::string>{"0 30 10x20"}));
    EXPECT_EQ(TexOf(*up->GetPieces()[0]), "0 30 10x20");
}

TEST(ProgressBar, TipShowsBetweenTheEndsWithItsSize)
{
    GuiEnvironment env(kCatalogue);
    auto bar = Bar(0, 120, 14, 50);
    bar->Update();
    ASSERT_TRUE(bar->IsTipShown());
    EXPECT_EQ(Rect(bar->GetTip()->GetRect()), "52 4 6x6") << "centred on the end of the fill, 50 % size";
    float x = 0, y = 0;
    bar->GetTipPosition(x, y);
    EXPECT_FLOAT_EQ(x, 55.0f);
    EXPECT_FLOAT_EQ(y, 7.0f);
    for (int pos : {0, 100}) {
        bar->SetPos(pos);
        bar->Update();
        EXPECT_FALSE(bar->IsTipShown()) << pos;
    }
}

TEST(ProgressBar, SmoothMovementGlidesToTheLatestTarget)
{
    GuiEnvironment env(kCatalogue);
    auto bar = Bar(0, 120, 14, 0);
    bar->SetPos(500);
    bar->Update();
    EXPECT_EQ(bar->GetPos(), 100) << "beyond the maximum shows a full bar";
    bar->SetStep(30);
    bar->SetPos(0);
    std::vector<int> shown;
    for (int i = 0; i < 5; ++i) {
        bar->Update();
        shown.push_back(bar->GetPos());
    }
    EXPECT_EQ(shown, (std::vector<int>{70, 40, 10, 0, 0}));
    // A new target while gliding is taken even when it equals the shown value.
    bar->SetPos(90);
    bar->Update();
    EXPECT_EQ(bar->GetPos(), 30);
    bar->SetPos(30);
    for (int i = 0; i < 3; ++i) bar->Update();
    EXPECT_EQ(bar->GetPos(), 30);
}

TEST(ProgressBar, DiscreteStylesCountTheirPiecesSafely)
{
    GuiEnvironment env(kCatalogue);
    auto single = Bar(1, 100, 10, 55);
    EXPECT_EQ(Pieces(*single), (std::vector<std::string>{"0 0 10x10", "10 0 10x10", "20 0 10x10", "30 0 10x10", "40 0 10x10"}));

    auto multiple = Bar(2, 40, 10, 40);
    EXPECT_EQ(Pieces(*multiple), (std::vector<std::string>{"0 0 10x10"}));
    multiple->SetPos(100);
    EXPECT_EQ(Pieces(*multiple).size(), 3u);
    // A range smaller than the number of pieces, and one that is no multiple of it.
    multiple->SetMaxPos(2);
    multiple->SetPos(1);
    EXPECT_EQ(Pieces(*multiple).size(), 1u);
    multiple->SetPos(2);
    EXPECT_EQ(Pieces(*multiple).size(), 3u);
    multiple->SetMaxPos(7);
    multiple->SetPos(7);
    EXPECT_EQ(Pieces(*multiple), (std::vector<std::string>{"0 0 10x10", "12 0 10x10", "24 0 10x10"}));

    auto images = Bar(3, 30, 30, 0);
    EXPECT_TRUE(Pieces(*images).empty());
    images->SetPos(50);
    ASSERT_EQ(Pieces(*images).size(), 1u);
    EXPECT_EQ(TexOf(*images->GetPieces()[0]), "0 0 10x10");
    EXPECT_EQ(Rect(images->GetPieces()[0]->GetRect()), "0 0 30x30");
    images->SetPos(100);
    Pieces(*images);
    EXPECT_EQ(TexOf(*images->GetPieces()[0]), "20 0 10x10");

    // An empty range (limits set equal) shows nothing and divides by nothing.
    images->SetMinPos(5);
    images->SetMaxPos(5);
    EXPECT_TRUE(Pieces(*images).empty());
    EXPECT_FLOAT_EQ(images->GetPercent(), 0.0f);
}
