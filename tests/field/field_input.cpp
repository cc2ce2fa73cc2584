// What the field's input does beside the chain: the first move hint's reset and re-arming, the
// hovering ignored while the field appears, the field's own cursor, and the people told of every
// resolved chain.
#include "field_play_util.h"

#include "engine/core/engine_input.h"
#include "field/people/field_people.h"

using namespace fieldtest;

namespace {

using Pos = std::pair<int, int>;

class FieldInput : public PlayFixture {
protected:
    ~FieldInput() override
    {
        CMouse::Instance().SetCursorService(nullptr);
        GetPeople().Load(ParseXml("<People/>"));
    }
};

TEST_F(FieldInput, TheFirstHintIsResetByADragAndArmedAgainByAChainThatDidNotResolve)
{
    Load({"1 1 1 2", "3 3 2 3t"});
    const CXMLFile marks = ParseXml(R"(<Common><Mark><graphics texture="Textures\Balls.png" tex_rect="0 0 8 8"/></Mark></Common>)");
    field.GetFirstHint().LoadMarks(marks.SelectSingleNode("//Mark"));
    field.ArmFirstHint(50);
    field.GetFirstHint().Show({Cell(0, 0), Cell(1, 0), Cell(2, 0)});
    ASSERT_TRUE(field.GetFirstHint().IsShown());

    // Pressing starts a drag: the hint goes and its timer is disarmed.
    Frame(MouseAt(0, 0));
    EXPECT_FALSE(field.GetFirstHint().IsShown());
    EXPECT_FALSE(field.GetFirstHintTimer().armed);

    // A chain too short to resolve: the hint is due again after 200 updates, the first of them the
    // update of the release's own frame.
    Frame(MouseAt(1, 0));
    Frame(MouseAt(1, 0, false));
    EXPECT_FALSE(field.IsRefillPending());
    EXPECT_TRUE(field.GetFirstHintTimer().armed);
    EXPECT_EQ(field.GetFirstHintTimer().delay, 199);

    // A chain that resolves leaves it reset.
    for (const Pos& p : std::vector<Pos>{{0, 0}, {1, 0}, {2, 0}}) Frame(MouseAt(p.first, p.second));
    EXPECT_FALSE(field.GetFirstHintTimer().armed);
    field.ArmFirstHint(30);   // armed meanwhile: resolving resets it
    Frame(MouseAt(2, 0, false));
    ASSERT_TRUE(field.GetStats().score > 0);
    EXPECT_FALSE(field.GetFirstHintTimer().armed);
}

TEST_F(FieldInput, WhileTheFieldAppearsHoveringIsIgnoredAndTheUpdateOnlyStepsTheRun)
{
    Load({"1 1 1 2", "3t 3 2 3"});
    CellObjects objects(size_t(g_LevelCfg.GetCellCount()));
    for (int cell = 0; cell < g_LevelCfg.GetCellCount(); ++cell)
        if (auto obj = field.GetTiles().GetCellObjects(cell)) objects[size_t(cell)].push_back(obj);
    field.GetAppearer().FieldStart(objects);
    ASSERT_TRUE(field.GetAppearer().IsRunning());

    Frame(MouseAt(1, 1, false));
    EXPECT_EQ(field.GetHoveredCell(), -1);
    EXPECT_TRUE(field.IsFieldBusy());

    int frames = 0;
    while (field.GetAppearer().IsRunning() && frames < 500) {
        Frame(MouseAt(1, 1, false));
        ++frames;
    }
    ASSERT_FALSE(field.GetAppearer().IsRunning());
    Frame(MouseAt(1, 1, false));
    EXPECT_EQ(field.GetHoveredCell(), Cell(1, 1));
}

TEST_F(FieldInput, TheFieldsCursorIsSelectedAgainEveryFrameAndAnUnknownOneIsNotKept)
{
    Load({"1 1 1 2", "3 3 2 3t"});
    RecordingCursor cursor;
    CMouse::Instance().SetCursorService(&cursor);
    Frame(MouseAt(3, 1, false));
    EXPECT_TRUE(cursor.selected.empty());   // no cursor of its own yet

    EXPECT_TRUE(field.SelectCursor("aim"));
    EXPECT_FALSE(field.SelectCursor("unknown"));
    EXPECT_EQ(field.GetCursorName(), "aim");
    cursor.selected.clear();
    Frame(MouseAt(3, 1, false));
    Frame(MouseAt(3, 1, false));
    EXPECT_EQ(cursor.selected, (std::vector<std::string>{"aim", "aim"}));
    field.RestoreCursor();
    EXPECT_EQ(cursor.selected.back(), "aim");
}

TEST_F(FieldInput, ThePeopleAreToldOfEveryResolvedChain)
{
    GetPeople().Load(ParseXml(R"(<People>
  <Man construct_id="201"><If type="IF_MAKE_CHAIN" length="4"/><Then type="1" res_type="1" amount="1"/></Man>
  <Man construct_id="202"><If type="IF_RESOURCE_COLLECT_IN_LEVEL" res_type="2" amount="30"/><Then type="1" res_type="1" amount="1"/></Man>
  <Man construct_id="203"><If type="IF_MAKE_EFFECTIVE_CHAINS_FOR_TIME" time="10" count="1"/><Then type="1" res_type="1" amount="1"/></Man>
  <Man construct_id="204"><If type="IF_MAKE_CHAINS_FOR_TIME" time="5" count="2"/><Then type="1" res_type="1" amount="1"/></Man>
</People>)"));
    for (int id : {201, 202, 203, 204}) GetPeople().SetCanExist(id);
    GetPeople().StartLevel(false);
    const auto acquired = [](int id) { return GetPeople().GetMan(id)->acquired; };

    // Three balls of resource 2 worth 12 each over two tiles, a second into the level.
    Load({"2 2t 2t 1 1 1 1", "3 3 3 3t 4 4 4"});
    field.SetElapsedTime(1000);
    Drag({{0, 0}, {1, 0}, {2, 0}});
    EXPECT_FALSE(acquired(201));   // three is short of four
    EXPECT_TRUE(acquired(202));    // 36 of resource 2 collected
    EXPECT_TRUE(acquired(203));    // it broke tile layers
    EXPECT_FALSE(acquired(204));
    Settle();

    // Twenty seconds later: the first chain is out of the five-second window.
    field.SetElapsedTime(20000);
    Drag({{3, 0}, {4, 0}, {5, 0}, {6, 0}});
    EXPECT_TRUE(acquired(201));
    EXPECT_FALSE(acquired(204));
}

} // namespace
