// Building the chain: which cells it takes (neighbours, one type, multiballs joining any type,
// boxes, walls, the field's edge), the path fill up to four steps, going back, and what the mouse
// does with it.
#include "field_play_util.h"

using namespace fieldtest;

namespace {

using Pos = std::pair<int, int>;

const std::vector<std::string> kGrid = {
    "1 1  1b 1 2 1",
    "1 M  1  1 1 1",
    "2 1  W  1 3 1",
    "1t 1  1  # 1 1",
};

class ChainBuilding : public PlayFixture {
protected:
    std::vector<Pos> Entries() const
    {
        std::vector<Pos> out;
        for (const ChainEntry& e : field.GetChain().GetEntries()) out.emplace_back(e.column, e.row);
        return out;
    }
};

TEST_F(ChainBuilding, AcceptsNeighboursOfOneTypeAndFillsPathsUpToFourSteps)
{
    const struct {
        const char* what;
        std::vector<Pos> moves;
        std::vector<Pos> entries;
        int type;
        bool complete;
    } cases[] = {
        {"a neighbour of the type", {{0, 0}, {1, 0}}, {{0, 0}, {1, 0}}, 1, false},
        {"another type is refused", {{3, 0}, {4, 0}}, {{3, 0}}, 1, false},
        {"a multiball joins, three make it complete", {{0, 0}, {1, 0}, {1, 1}}, {{0, 0}, {1, 0}, {1, 1}}, 1, true},
        {"a start on a multiball binds no type", {{1, 1}}, {{1, 1}}, -1, false},
        {"the first plain ball fixes the type", {{1, 1}, {1, 2}}, {{1, 1}, {1, 2}}, 1, false},
        {"three steps fill the two cells between", {{2, 1}, {5, 1}}, {{2, 1}, {3, 1}, {4, 1}, {5, 1}}, 1, true},
        {"a fill passes a multiball", {{0, 1}, {2, 1}}, {{0, 1}, {1, 1}, {2, 1}}, 1, true},
        {"a boxed middle on the same row blocks", {{1, 0}, {3, 0}}, {{1, 0}}, 1, false},
        {"a blocked step turns vertical", {{1, 2}, {2, 3}}, {{1, 2}, {1, 3}, {2, 3}}, 1, true},
        {"another type in the way blocks", {{3, 2}, {5, 2}}, {{3, 2}}, 1, false},
        {"five steps are refused", {{0, 0}, {5, 0}}, {{0, 0}}, 1, false},
        {"four steps around a corner", {{2, 1}, {5, 0}}, {{2, 1}, {3, 1}, {4, 1}, {5, 1}, {5, 0}}, 1, true},
        {"a wall is never taken", {{1, 2}, {2, 2}}, {{1, 2}}, 1, false},
        {"a boxed ball is never taken", {{2, 0}}, {}, -1, false},
        {"an inactive cell is never taken", {{2, 3}, {3, 3}}, {{2, 3}}, 1, false},
        {"no step across the row's end", {{5, 1}, {0, 2}}, {{5, 1}}, 1, false},
    };
    Load(kGrid);
    for (const auto& c : cases) {
        field.ClearChain();
        for (const auto& [x, y] : c.moves) field.TryAddChainCell(Cell(x, y));
        EXPECT_EQ(Entries(), c.entries) << c.what;
        EXPECT_EQ(field.GetChain().GetType(), c.type) << c.what;
        EXPECT_EQ(field.GetChain().IsComplete(), c.complete) << c.what;
    }
}

TEST_F(ChainBuilding, GoingBackCutsOnlyToTheTwoCellsBeforeTheLast)
{
    const struct {
        Pos onto;
        bool cut;
        size_t left;
        bool complete;
    } cases[] = {
        {{5, 1}, false, 4, true},   // the last entry itself
        {{4, 1}, true, 3, true},    // the one before
        {{3, 1}, true, 2, false},   // two before
        {{2, 1}, false, 4, true},   // three before
        {{0, 0}, false, 4, true},   // not in the chain
    };
    Load(kGrid);
    for (const auto& c : cases) {
        field.ClearChain();
        field.TryAddChainCell(Cell(2, 1));
        field.TryAddChainCell(Cell(5, 1));
        EXPECT_EQ(field.TruncateChain(Cell(c.onto.first, c.onto.second)), c.cut);
        EXPECT_EQ(field.GetChain().GetEntries().size(), c.left);
        EXPECT_EQ(field.GetChain().IsComplete(), c.complete);
    }

    // Cutting back to a multiball alone unbinds the type; multiballs alone are never complete.
    field.ClearChain();
    field.TryAddChainCell(Cell(1, 1));
    field.TryAddChainCell(Cell(2, 1));
    EXPECT_TRUE(field.TruncateChain(Cell(1, 1)));
    EXPECT_EQ(field.GetChain().GetType(), -1);
    EXPECT_FALSE(field.GetChain().IsComplete());
    EXPECT_FALSE(field.GetChain().HasPlainBall());
}

TEST_F(ChainBuilding, TheMouseDragsCutsAndClearsTheChain)
{
    Load(kGrid);
    Samples();
    field.HandleInput(MouseAt(2, 1));
    field.HandleInput(MouseAt(5, 1));   // a fill of three cells is one accepted move
    field.HandleInput(MouseAt(5, 1));
    EXPECT_TRUE(field.IsSelectingChain());
    EXPECT_EQ(field.GetChain().GetEntries().size(), 4u);
    g_SoundQueue.Update();
    EXPECT_EQ(sounds.Count("PlaySample it_select"), 1u);
    field.HandleInput(MouseAt(4, 1));   // back onto the one before: cut, silent
    EXPECT_EQ(field.GetChain().GetEntries().size(), 3u);
    FieldMouse outside = MouseAt(40, 40);   // held outside the field: nothing changes
    field.HandleInput(outside);
    EXPECT_EQ(field.GetChain().GetEntries().size(), 3u);
    FieldMouse right = MouseAt(4, 1);
    right.right_pressed = true;   // the right button clears, the drag goes on
    field.HandleInput(right);
    EXPECT_TRUE(field.IsSelectingChain());
    EXPECT_EQ(field.GetChain().GetEntries().size(), 1u);
    EXPECT_EQ(field.GetHoveredCell(), Cell(4, 1));
    Samples();
    field.HandleInput(MouseAt(40, 40, false));   // released outside: a chain of one resolves to nothing
    EXPECT_FALSE(field.IsSelectingChain());
    EXPECT_FALSE(field.GetChain().IsStarted());
    EXPECT_FALSE(field.IsRefillPending());
    EXPECT_EQ(Samples(), std::vector<std::string>{});

    // Two entries that cannot resolve are a mismatch.
    field.HandleInput(MouseAt(0, 0));
    field.HandleInput(MouseAt(1, 0));
    EXPECT_EQ(Samples(), (std::vector<std::string>{"PlaySample it_select"}));
    field.HandleInput(MouseAt(1, 0, false));
    EXPECT_EQ(Samples(), (std::vector<std::string>{"PlaySample it_mismatch"}));
    EXPECT_FALSE(field.IsRefillPending());
}

TEST_F(ChainBuilding, TheChainAndTheHoveredCellAreMarked)
{
    Load(kGrid);
    // Up, right, down, right, drawn with the fixture's marks.
    const std::vector<Pos> path = {{0, 1}, {0, 0}, {1, 0}};
    for (const auto& [c, r] : path) Frame(MouseAt(c, r));
    Frame(MouseAt(1, 1));   // a multiball below the last: down
    Frame(MouseAt(2, 1));   // right
    field.Render();
    const auto at = [](int c, int r) { return std::pair<float, float>{4.0f + 12.0f * float(c), 4.0f + 12.0f * float(r)}; };
    struct Expected {
        std::string name;
        std::pair<float, float> pos;
        float angle;
    };
    const std::vector<Expected> expected = {
        {"MouseOverCellTop", at(2, 1), 0.0f},
        {"ChainSelect", at(0, 1), 0.0f},
        {"ChainSelect", at(0, 0), 0.0f},
        {"ChainArrow", {at(0, 0).first - 6.0f, at(0, 0).second + 6.0f}, -90.0f},   // up: at the later cell
        {"ChainSelect", at(1, 0), 0.0f},
        {"ChainArrow", at(0, 0), 0.0f},                                            // right: at the earlier
        {"ChainSelect", at(1, 1), 0.0f},
        {"ChainArrow", {at(1, 0).first - 6.0f, at(1, 0).second + 6.0f}, 90.0f},    // down: at the earlier
        {"ChainSelect", at(2, 1), 0.0f},
        {"ChainArrow", at(1, 1), 0.0f},
    };
    const auto& marks = field.GetChainView().GetMarks();
    ASSERT_EQ(marks.size(), expected.size());
    for (size_t i = 0; i < marks.size(); ++i) {
        EXPECT_EQ(marks[i].name, expected[i].name) << i;
        EXPECT_FLOAT_EQ(marks[i].x, expected[i].pos.first) << i;
        EXPECT_FLOAT_EQ(marks[i].y, expected[i].pos.second) << i;
        EXPECT_FLOAT_EQ(marks[i].angle, expected[i].angle) << i;
    }
    // Going left is drawn at the later cell, turned half round (the right button starts afresh).
    FieldMouse restart = MouseAt(5, 1);
    restart.right_pressed = true;
    Frame(restart);
    Frame(MouseAt(4, 1));
    field.Render();
    const auto& left = field.GetChainView().GetMarks();
    ASSERT_EQ(left.size(), 4u);
    EXPECT_EQ(left[3].name, "ChainArrow");
    EXPECT_FLOAT_EQ(left[3].x, at(4, 1).first);
    EXPECT_FLOAT_EQ(left[3].angle, 180.0f);
}

// The cells the hovered cell would affect are marked beneath its own mark, until the hover moves.
TEST_F(ChainBuilding, TheCellsTheHoverWouldAffectAreMarkedUntilItMoves)
{
    Load(kGrid);
    const auto at = [](int c, int r) { return std::pair<float, float>{4.0f + 12.0f * float(c), 4.0f + 12.0f * float(r)}; };
    const auto laid = [this] {
        field.Render();
        std::vector<std::pair<std::string, std::pair<float, float>>> out;
        for (const auto& m : field.GetChainView().GetMarks()) out.push_back({m.name, {m.x, m.y}});
        return out;
    };
    Frame(MouseAt(2, 1, false));
    field.SetAffectedCells({Cell(1, 1), Cell(3, 1)});
    using Marks = std::vector<std::pair<std::string, std::pair<float, float>>>;
    EXPECT_EQ(laid(), (Marks{{"MouseOverCell", at(2, 1)},
                             {"MouseOverCell", at(1, 1)},
                             {"MouseOverCell", at(3, 1)},
                             {"MouseOverCellTop", at(2, 1)}}));
    // The same cell hovered again keeps them; another cell drops them.
    Frame(MouseAt(2, 1, false));
    EXPECT_EQ(field.GetAffectedCells().size(), 2u);
    Frame(MouseAt(1, 1, false));
    EXPECT_TRUE(field.GetAffectedCells().empty());
    EXPECT_EQ(laid(), (Marks{{"MouseOverCellTop", at(1, 1)}}));
}

} // namespace
