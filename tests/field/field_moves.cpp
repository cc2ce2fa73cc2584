// The move analysis and what it drives: the groups of balls that could be drawn as one chain and
// the moves among them (checked against a brute-force search over random fields), the hint's chain
// path, the special chain through the finishers, the two hint timers, the renewal of a stuck field,
// the match group a bonus asks for and the move a tutorial hint points at.
#include "field_play_util.h"

#include <algorithm>
#include <functional>
#include <random>
#include <set>

using namespace fieldtest;

namespace {

using Pos = std::pair<int, int>;

const char* const kHintDescriptions = R"(<Common>
  <Mark><graphics texture="Textures\Balls.png" tex_rect="0 0 8 8" width="12" height="12"/></Mark>
  <Arrow><graphics texture="Textures\Balls.png" tex_rect="0 0 16 8"/></Arrow>
</Common>)";

class Moves : public PlayFixture {
protected:
    Moves() : _descriptions(ParseXml(kHintDescriptions)) {}
    ~Moves() override { SetLineSize(3); }

    static void SetLineSize(int n)
    {
        g_GameCfg.LoadFrom(ParseXml("<GameCFG line_size=\"" + std::to_string(n) + "\"/>").SelectSingleNode("//GameCFG"));
    }
    void LoadHints()
    {
        field.GetFirstHint().Load(_descriptions.SelectSingleNode("//Arrow"), _descriptions.SelectSingleNode("//Mark"));
        field.GetSpecialHint().LoadMarks(_descriptions.SelectSingleNode("//Mark"));
    }
    Pos PosOf(int cell) const
    {
        int x = 0, y = 0;
        g_LevelCfg.CellToPos(cell, x, y);
        return {x, y};
    }
    std::vector<Pos> Cells(const std::vector<MoveCell>& cells) const
    {
        std::vector<Pos> out;
        for (const MoveCell& c : cells) out.emplace_back(c.x, c.y);
        return out;
    }
    std::vector<Pos> Cells(const std::vector<int>& cells) const
    {
        std::vector<Pos> out;
        for (int c : cells) out.push_back(PosOf(c));
        return out;
    }
    const MoveGroup& GroupAt(int column, int row, int type)
    {
        return field.GetMoveGroups()[size_t(field.GetCellGroup(Cell(column, row), type))];
    }
    // Draws the path through the field's own chain building; true when every cell was taken one
    // by one and the chain is complete.
    bool Playable(const std::vector<MoveCell>& path)
    {
        field.ClearChain();
        for (const MoveCell& c : path)
            if (!field.TryAddChainCell(c.cell)) return false;
        const bool ok = field.GetChain().IsComplete() && field.GetChain().GetEntries().size() == path.size();
        const bool finisher = !path.empty() && field.GetChain().GetType() == field.GetBalls().GetFinisherType();
        const bool count_ok = !finisher || field.GetChain().PlainLength() == field.GetLevelRecord().n_finishers;
        field.ClearChain();
        return ok && count_ok;
    }
    // The layer brought to rest after balls died: dead balls leave, waiting cells get new balls.
    void SettleBalls()
    {
        CBallsField& balls = field.GetBalls();
        for (int i = 0; i < 1000; ++i) {
            balls.Render();
            balls.Update();
            std::vector<int> waiting;
            balls.ListWaitingCells(waiting);
            if (!waiting.empty()) balls.ChooseNewBall(waiting, 1, 0, nbPlainCreate, 0);
            bool rest = waiting.empty() && !balls.HasBallInGraphState(gosDead);
            for (int c = 0; c < g_LevelCfg.GetCellCount() && rest; ++c)
                rest = balls.GetCellState(c) == csBall || balls.GetCellState(c) == csInactive ||
                       !balls.IsUsable(c);
            if (rest) return;
        }
        FAIL() << "the balls did not come to rest";
    }
    std::vector<int> DeadCells() const
    {
        std::vector<int> out;
        for (int c = 0; c < g_LevelCfg.GetCellCount(); ++c)
            if (field.GetBalls().HasBall(c) && field.GetBalls().GetBallGraphState(c) == gosDead) out.push_back(c);
        return out;
    }
    // One update's work of the moves: the step, the hints' display, the countdowns.
    bool Update()
    {
        const bool renewed = field.StepMoveHints();
        field.GetFirstHint().Update();
        field.GetSpecialHint().Update();
        field.CountDownHintTimers();
        return renewed;
    }

    CXMLFile _descriptions;
};

// ---- the groups and the moves

TEST_F(Moves, CountsOnlyGroupsThatMakeAChain)
{
    const struct {
        const char* what;
        std::vector<std::string> rows;
        int line_size;
        int moves;
    } cases[] = {
        {"pairs only", {"1 1 2 2", "3 3 4 4"}, 3, 0},
        {"a line of three", {"1 1 1 2", "3 4 3 4"}, 3, 1},
        {"multiballs alone are never a move", {"M M M M", "M M M M"}, 3, 0},
        {"a multiball between two types makes both", {"1 M 2", "1 # 2"}, 3, 2},
        {"a box breaks the line", {"1 1 1b 1 1"}, 3, 0},
        {"a lock does not", {"1 1l 1 2 3"}, 3, 1},
        {"a hole breaks the line", {"1 1 # 1 1"}, 3, 0},
        {"an empty wall breaks the line", {"1 1 W 1 1"}, 3, 0},
        {"no group across the row's end", {"2 2 1", "1 1 2", "3 4 3"}, 3, 0},
        {"a plus of five holds no chain of four", {"2 1 3", "1 1 1", "3 1 2"}, 4, 0},
        {"the same plus holds one of three", {"2 1 3", "1 1 1", "3 1 2"}, 3, 1},
        {"a line of two with line size two", {"1 1 2 3", "4 3 2 4"}, 2, 2},
        {"the finishers in a line", {"F F F 1", "2 3 2 3"}, 3, 1},
        {"four finishers in a T are never drawn in one chain", {"F F F", "3 F 3"}, 3, 0},
        {"a multiball completes a short finisher chain", {"F F M", "2 3 2"}, 3, 1},
    };
    for (const auto& c : cases) {
        SetLineSize(c.line_size);
        Load(c.rows);
        field.RequestMoveAnalysis();
        field.AnalyseMoves();
        EXPECT_EQ(field.GetValidMoveCount(), c.moves) << c.what;
        EXPECT_FALSE(field.IsAnalysisRequested()) << c.what;
    }
}

TEST_F(Moves, GroupsMergeIntoTheLaterCellsGroupKeepingTheirOrder)
{
    Load({"1 2 1", "1 2 1", "1 1 1"});
    field.AnalyseMoves();
    const auto& groups = field.GetMoveGroups();
    ASSERT_EQ(groups.size(), 4u);
    EXPECT_TRUE(groups[0].cells.empty());
    EXPECT_FALSE(groups[0].valid_move);

    // Group 1 began at the left column, group 3 at the right one; they met at the corner.
    EXPECT_EQ(Cells(groups[1].cells), (std::vector<Pos>{{0, 0}, {0, 1}, {0, 2}, {1, 2}, {2, 2}, {2, 0}, {2, 1}}));
    EXPECT_TRUE(groups[1].alive && groups[1].valid_move);
    EXPECT_EQ(groups[1].graph_type, 1);
    EXPECT_EQ(Cells(groups[2].cells), (std::vector<Pos>{{1, 0}, {1, 1}}));
    EXPECT_FALSE(groups[2].valid_move);
    EXPECT_FALSE(groups[3].alive);
    EXPECT_TRUE(groups[3].cells.empty());
    EXPECT_EQ(field.GetCellGroup(Cell(2, 0), 1), 1);
    EXPECT_EQ(field.GetCellGroup(Cell(1, 0), 2), 2);
    EXPECT_EQ(field.GetCellGroup(Cell(1, 0), 1), 0);
    EXPECT_EQ(field.GetValidMoveCount(), 1);
}

TEST_F(Moves, AMultiballBelongsToOneGroupPerType)
{
    Load({"1 M 2", "1 3 2"});
    field.AnalyseMoves();
    const int m = Cell(1, 0);
    EXPECT_NE(field.GetCellGroup(m, 1), 0);
    EXPECT_NE(field.GetCellGroup(m, 2), 0);
    EXPECT_NE(field.GetCellGroup(m, 1), field.GetCellGroup(m, 2));
    EXPECT_EQ(field.GetCellGroup(m, 3), field.GetCellGroup(Cell(1, 1), 3));
    EXPECT_TRUE(GroupAt(1, 0, 1).valid_move);
    EXPECT_TRUE(GroupAt(1, 0, 2).valid_move);
    EXPECT_FALSE(GroupAt(1, 1, 3).valid_move);   // a multiball and one plain ball
}

TEST_F(Moves, BallsUnderWallsAndInDisabledCellsTakeNoPart)
{
    // Balls hidden under a wall and in a disabled cell, between two pairs.
    std::string level = GridLevel({"1 1 W 1 1", "2 2 D 2 2"});
    level.replace(level.find("</Balls>"), 8,
                  "<Cell x=\"2\" y=\"0\"><Ball graph_type=\"1\"/></Cell><Cell x=\"2\" y=\"1\"><Ball graph_type=\"2\"/>"
                  "</Cell></Balls>");
    field.LoadLevel(LevelFromText(level), "hidden", false);
    ASSERT_TRUE(field.GetBalls().HasBall(Cell(2, 0)));
    ASSERT_TRUE(field.GetBalls().HasBall(Cell(2, 1)));
    field.AnalyseMoves();
    EXPECT_EQ(field.GetValidMoveCount(), 0);
    EXPECT_EQ(field.GetCellGroup(Cell(2, 0), 1), 0);
}

// A field drawn at random, with what a player sees of each cell.
struct ModelCell {
    bool ball = false;
    bool playable = false;
    int type = 0;   // 50 a multiball, 60 a finisher
};

struct RandomField {
    std::vector<std::string> rows;
    std::vector<Pos> hidden;   // balls under walls and in disabled cells
    std::vector<ModelCell> cells;
    int width = 0, height = 0;
    int finishers = 0;
};

RandomField MakeRandomField(std::mt19937& rng)
{
    RandomField f;
    f.width = std::uniform_int_distribution<int>(2, 7)(rng);
    f.height = std::uniform_int_distribution<int>(2, 6)(rng);
    const int types = std::uniform_int_distribution<int>(1, 3)(rng);
    std::uniform_int_distribution<int> pct(1, 100);
    for (int y = 0; y < f.height; ++y) {
        std::string row;
        for (int x = 0; x < f.width; ++x) {
            ModelCell m;
            std::string token;
            const int kind = pct(rng);
            if (kind <= 6) {
                token = "#";
            } else if (kind <= 12) {
                token = kind <= 9 ? "W" : "D";
                if (pct(rng) <= 70) f.hidden.emplace_back(x, y);
            } else {
                m.ball = true;
                const int t = pct(rng);
                m.type = t <= 12 ? 50 : t <= 18 ? 60 : 1 + std::uniform_int_distribution<int>(0, types - 1)(rng);
                token = m.type == 50 ? "M" : m.type == 60 ? "F" : std::to_string(m.type);
                if (m.type == 60) ++f.finishers;
                const int cover = pct(rng);
                if (cover <= 8) token += "b";
                else if (cover <= 11) token += "B";
                else if (cover <= 20) token += "l";
                else if (cover <= 24) token += "L";
                m.playable = cover > 11;
            }
            f.cells.push_back(m);
            row += (x ? " " : "") + token;
        }
        f.rows.push_back(row);
    }
    return f;
}

// The brute force: the connected sets of playable cells of one type (multiballs join any), and
// whether any simple path through one of them is a chain the game accepts.
struct BruteForce {
    const RandomField& f;
    int line_size;

    int At(int x, int y) const { return x < 0 || y < 0 || x >= f.width || y >= f.height ? -1 : y * f.width + x; }
    bool Matches(int c, int type) const
    {
        return c >= 0 && f.cells[size_t(c)].playable && (f.cells[size_t(c)].type == 50 || f.cells[size_t(c)].type == type);
    }
    std::vector<int> Around(int c) const
    {
        const int x = c % f.width, y = c / f.width;
        return {At(x, y - 1), At(x + 1, y), At(x, y + 1), At(x - 1, y)};
    }
    bool Accepts(int type, int length, int plain) const
    {
        if (length < line_size || plain < 1) return false;
        return type != 60 || plain == f.finishers;
    }
    bool AnyChain(const std::set<int>& component, int type) const
    {
        std::vector<int> path;
        std::function<bool(int, int)> walk = [&](int c, int plain) {
            path.push_back(c);
            plain += f.cells[size_t(c)].type == 50 ? 0 : 1;
            if (Accepts(type, int(path.size()), plain)) return true;
            if (type != 60 || plain <= f.finishers) {
                for (int n : Around(c))
                    if (component.count(n) && std::find(path.begin(), path.end(), n) == path.end() && walk(n, plain))
                        return true;
            }
            path.pop_back();
            return false;
        };
        for (int start : component)
            if (walk(start, 0)) return true;
        return false;
    }
    // (type, cells) of every component with a chain.
    std::set<std::pair<int, std::set<int>>> Moves() const
    {
        std::set<int> types;
        for (const ModelCell& m : f.cells)
            if (m.playable && m.type != 50) types.insert(m.type);
        std::set<std::pair<int, std::set<int>>> out;
        for (int type : types) {
            std::set<int> seen;
            for (int c = 0; c < int(f.cells.size()); ++c) {
                if (seen.count(c) || !Matches(c, type)) continue;
                std::set<int> component{c};
                std::vector<int> todo{c};
                while (!todo.empty()) {
                    const int v = todo.back();
                    todo.pop_back();
                    for (int n : Around(v))
                        if (Matches(n, type) && component.insert(n).second) todo.push_back(n);
                }
                seen.insert(component.begin(), component.end());
                if (AnyChain(component, type)) out.insert({type, component});
            }
        }
        return out;
    }
};

TEST_F(Moves, RandomFieldsReportEveryDrawableMoveAndNoOther)
{
    std::mt19937 rng(7001);
    int fields_with_moves = 0, fields_without = 0;
    for (int round = 0; round < 1000; ++round) {
        const RandomField f = MakeRandomField(rng);
        const int line_size = 2 + round % 4;
        SetLineSize(line_size);
        RandomSeed(uint32_t(round) + 1);
        std::string level = GridLevel(f.rows);
        std::string hidden;
        for (const auto& [x, y] : f.hidden)
            hidden += "<Cell x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) + "\"><Ball graph_type=\"" +
                      std::to_string(1 + (x + y) % 2) + "\"/></Cell>";
        level.replace(level.find("</Balls>"), 8, hidden + "</Balls>");
        field.LoadLevel(LevelFromText(level), "random", false);
        ASSERT_EQ(field.GetLevelRecord().n_finishers, f.finishers);

        field.AnalyseMoves();
        const auto expected = BruteForce{f, line_size}.Moves();
        std::set<std::pair<int, std::set<int>>> found;
        for (const MoveGroup& g : field.GetMoveGroups()) {
            if (!g.valid_move) continue;
            std::set<int> cells;
            for (const MoveCell& c : g.cells) cells.insert(c.cell);
            found.insert({g.graph_type, cells});
        }
        const std::string where = "round " + std::to_string(round) + " line size " + std::to_string(line_size);
        ASSERT_EQ(found, expected) << where;
        ASSERT_EQ(field.GetValidMoveCount(), int(expected.size())) << where;
        (expected.empty() ? fields_without : fields_with_moves)++;

        // Every move's hint path is a chain the player can draw, cell after cell.
        for (size_t id = 1; id < field.GetMoveGroups().size(); ++id) {
            MoveGroup g = field.GetMoveGroups()[id];
            if (!g.valid_move) continue;
            field.FindChainPath(g);
            ASSERT_TRUE(g.path_found) << where;
            ASSERT_TRUE(Playable(g.path)) << where << " group " << id;
        }

        // The match group of every playable cell: the largest move through it, else the cell.
        for (int c = 0; c < int(f.cells.size()); ++c) {
            if (!f.cells[size_t(c)].playable) continue;
            size_t largest = 0;
            for (const auto& [type, cells] : expected)
                if (cells.count(c)) largest = std::max(largest, cells.size());
            std::vector<int> cells;
            int type = 0;
            field.GetMatchGroup(c, cells, type);
            ASSERT_EQ(cells.size(), std::max<size_t>(largest, 1)) << where << " cell " << c;
            ASSERT_NE(std::find(cells.begin(), cells.end(), c), cells.end()) << where;
            if (largest > 0) {
                ASSERT_TRUE(expected.count({type, std::set<int>(cells.begin(), cells.end())})) << where;
            }
        }
    }
    // The draw gives both kinds of field often.
    EXPECT_GT(fields_with_moves, 200);
    EXPECT_GT(fields_without, 50);
}

// ---- the hint's chain path

TEST_F(Moves, TheChainPathRunsThroughTheGroupFromACorner)
{
    const struct {
        const char* what;
        std::vector<std::string> rows;
        size_t length;
    } cases[] = {
        {"a line", {"1 1 1 1 1", "2 3 2 3 2"}, 5},
        {"a ring", {"1 1 1", "1 2 1", "1 1 1"}, 8},
        {"a T", {"1 1 1 1 1", "2 3 1 3 2", "3 2 1 2 3"}, 5},
        {"a block", {"1 1 2", "1 1 3"}, 4},
        {"a hook", {"1 1 1 1", "2 3 2 1", "1 1 3 1", "1 2 1 1"}, 8},
        // The longest paths run through the multiballs only: a chain needs the plain ball.
        {"multiballs with one plain ball beside", {"M M M M", "2 1 2 3"}, 4},
    };
    for (const auto& c : cases) {
        Load(c.rows);
        field.AnalyseMoves();
        MoveGroup g = GroupAt(0, 0, 1);
        ASSERT_TRUE(g.valid_move) << c.what;
        field.FindChainPath(g);
        ASSERT_TRUE(g.path_found) << c.what;
        EXPECT_EQ(g.path.size(), c.length) << c.what;
        std::set<int> in_group, on_path;
        for (const MoveCell& m : g.cells) in_group.insert(m.cell);
        for (size_t i = 0; i < g.path.size(); ++i) {
            EXPECT_TRUE(in_group.count(g.path[i].cell)) << c.what;
            EXPECT_TRUE(on_path.insert(g.path[i].cell).second) << c.what << ": a cell twice";
            if (i > 0) {
                EXPECT_EQ(std::abs(g.path[i].x - g.path[i - 1].x) + std::abs(g.path[i].y - g.path[i - 1].y), 1)
                    << c.what;
            }
        }
        // The first cell lacks a group neighbour above or below, and one to the left or right.
        const auto has = [&](int dx, int dy) {
            return in_group.count(g_LevelCfg.CellAt(g.path[0].x + dx, g.path[0].y + dy)) > 0;
        };
        EXPECT_TRUE((!has(0, -1) || !has(0, 1)) && (!has(-1, 0) || !has(1, 0))) << c.what;
        EXPECT_TRUE(Playable(g.path)) << c.what;
    }
}

// ---- the special chain

TEST_F(Moves, TheSpecialChainIsShownAndHeldWhenTheFinishersCanBeDrawn)
{
    LoadHints();
    Load({"2 F F F", "3 4 3 4"});
    field.AnalyseMoves();
    const CMoveHint& hint = field.GetSpecialHint();
    ASSERT_TRUE(hint.IsShown());
    EXPECT_TRUE(hint.IsHeld());
    std::vector<Pos> shown = Cells(hint.GetCells());
    if (shown.front() != Pos{1, 0}) std::reverse(shown.begin(), shown.end());
    EXPECT_EQ(shown, (std::vector<Pos>{{1, 0}, {2, 0}, {3, 0}}));
    EXPECT_EQ(user.hints, std::vector<int>{114});

    // Once the finishers are apart the held hint fades out.
    field.GetBalls().ChangeBallType(Cell(2, 0), 2);
    field.AnalyseMoves();
    EXPECT_FALSE(hint.IsHeld());
    for (int i = 0; i < 8; ++i) field.GetSpecialHint().Update();
    EXPECT_FALSE(hint.IsShown());
    EXPECT_EQ(user.hints.size(), 1u);
}

TEST_F(Moves, NoSpecialChainWithoutFinishersOrWhenTheyCannotBeDrawnTogether)
{
    LoadHints();
    for (const auto& rows : {std::vector<std::string>{"1 1 1 2", "3 4 3 4"},
                             std::vector<std::string>{"F F F", "3 F 3"},
                             std::vector<std::string>{"F F 2 F", "3 4 3 4"}}) {
        Load(rows);
        field.AnalyseMoves();
        EXPECT_FALSE(field.GetSpecialHint().IsShown()) << rows[0];
    }
    EXPECT_TRUE(user.hints.empty());
}

TEST_F(Moves, AnUnloadedSpecialHintIsNotShownButTheTutorialIsAsked)
{
    Load({"F F F 1", "2 3 2 3"});
    EXPECT_NO_THROW(field.AnalyseMoves());
    EXPECT_FALSE(field.GetSpecialHint().IsShown());
    EXPECT_EQ(user.hints, std::vector<int>{114});
}

// ---- the timers

TEST_F(Moves, TheFirstHintShowsAMoveEveryTwoHundredUpdatesAfterTheRest)
{
    LoadHints();
    Load({"1 1 1 2", "3 4 3 4"});
    field.RequestMoveAnalysis();
    std::vector<int> shown_at;
    int previous = field.GetFirstHint().GetState();
    for (int update = 1; update <= 450; ++update) {
        EXPECT_FALSE(Update());
        const int state = field.GetFirstHint().GetState();
        if (state == CMoveHint::E_FADE_IN && previous != CMoveHint::E_FADE_IN) shown_at.push_back(update);
        previous = state;
    }
    EXPECT_EQ(shown_at, (std::vector<int>{201, 401}));
    EXPECT_EQ(Cells(field.GetFirstHint().GetCells()).size(), 3u);
    EXPECT_FALSE(field.GetNoMoveTimer().armed);
    EXPECT_TRUE(field.GetPopups().empty());

    // A new analysis starts the countdown again.
    for (int i = 0; i < 150; ++i) Update();
    field.RequestMoveAnalysis();
    Update();
    EXPECT_EQ(field.GetFirstHintTimer().delay, MoveHintTimer::kRearmUpdates - 1);
}

TEST_F(Moves, WithoutAMoveTheWarningComesAtOnceAndTheRenewalAHundredUpdatesLater)
{
    LoadHints();
    Load({"1 2 3", "2 3 1", "3 1 2"});
    field.ArmFirstHint(MoveHintTimer::kRearmUpdates);
    field.RequestMoveAnalysis();
    EXPECT_FALSE(Update());
    EXPECT_EQ(field.GetValidMoveCount(), 0);
    EXPECT_FALSE(field.GetFirstHintTimer().armed);
    ASSERT_EQ(field.GetPopups().size(), 1u);
    const FloatingPopup& warning = field.GetPopups().front();
    EXPECT_STREQ(warning.label, "No_moves_warn");
    EXPECT_FLOAT_EQ(warning.x, 400.0f);
    EXPECT_FLOAT_EQ(warning.y, 300.0f);
    EXPECT_FLOAT_EQ(warning.speed, 0.3f);
    EXPECT_EQ(warning.delay, 100);

    int renewed_at = 0;
    for (int update = 2; update <= 150 && !renewed_at; ++update)
        if (Update()) renewed_at = update;
    EXPECT_EQ(renewed_at, 101);
    EXPECT_FALSE(field.GetNoMoveTimer().armed);
    EXPECT_EQ(DeadCells().size(), 9u);   // fewer than twenty: every ball
    EXPECT_FALSE(field.GetFirstHint().IsShown());
}

// ---- the renewal

TEST_F(Moves, TheRenewalTakesOnlyFreeBallsAtMostTwenty)
{
    const struct {
        const char* what;
        std::vector<std::string> rows;
        size_t renewed;
    } cases[] = {
        {"thirty plain balls", {"1 2 3 4 1 2", "3 4 1 2 3 4", "1 2 3 4 1 2", "3 4 1 2 3 4", "1 2 3 4 1 2"}, 20},
        {"three plain and three multiballs among covered balls and finishers",
         {"1 2b 3l 4B 1L 2b", "3b 4l 1b 2l 3b 4l", "M 2b 3 4l 1b F", "3l 4b 1l 2b 3l 4b", "M 2L 3B 4 M F"}, 6},
        {"nothing free", {"1l 2b", "3B 4L"}, 0},
    };
    for (const auto& c : cases) {
        Load(c.rows);
        field.RenewBallsWhenStuck();
        const std::vector<int> dead = DeadCells();
        EXPECT_EQ(dead.size(), c.renewed) << c.what;
        for (int cell : dead) {
            EXPECT_FALSE(field.IsLocked(cell) || field.IsBoxed(cell) || field.IsFinisher(cell)) << c.what;
        }
    }
}

TEST_F(Moves, TheRenewalStopsAfterAHundredAndNinetyNineDraws)
{
    Load({"1l 2b 3l", "4b 1L 2B"});
    const uint32_t seed = 99;
    RandomSeed(seed);
    field.RenewBallsWhenStuck();
    const int after = RandomInt(0, 1 << 30);
    RandomSeed(seed);
    for (int i = 0; i < 199; ++i) RandomInt(0, 5);
    EXPECT_EQ(after, RandomInt(0, 1 << 30));
    EXPECT_TRUE(DeadCells().empty());
}

TEST_F(Moves, RenewingAStuckFieldEndsWithAMove)
{
    for (uint32_t seed = 1; seed <= 5; ++seed) {
        RandomSeed(seed);
        Load({"1 2 3 4", "3 4 1 2", "1 2 3 4", "3 4 1 2"});
        field.AnalyseMoves();
        ASSERT_EQ(field.GetValidMoveCount(), 0);
        int cycles = 0;
        while (field.GetValidMoveCount() == 0 && cycles < 30) {
            field.RenewBallsWhenStuck();
            SettleBalls();
            field.AnalyseMoves();
            ++cycles;
        }
        EXPECT_GT(field.GetValidMoveCount(), 0) << "seed " << seed;
    }
}

// ---- the match group and the tutorial move

TEST_F(Moves, TheMatchGroupIsTheLargestMoveThroughTheCellOfTheFieldAsItIs)
{
    Load({"1 1 1 2", "M 2 2 2", "3 4 3 1b"});
    const struct {
        Pos cell;
        size_t size;
        int type;
    } cases[] = {
        {{0, 1}, 5, 2},   // the multiball: its type-2 group is larger than its type-1 group
        {{0, 0}, 4, 1},
        {{0, 2}, 1, 3},   // a pair is no move: the cell alone
        {{3, 2}, 0, 0},   // boxed
    };
    for (const auto& c : cases) {
        std::vector<int> cells;
        int type = -1;
        field.GetMatchGroup(Cell(c.cell.first, c.cell.second), cells, type);
        EXPECT_EQ(cells.size(), c.size) << c.cell.first << "," << c.cell.second;
        EXPECT_EQ(type, c.type) << c.cell.first << "," << c.cell.second;
    }
    std::vector<int> cells;
    int type = -1;
    field.GetMatchGroup(-1, cells, type);
    EXPECT_TRUE(cells.empty());

    // A change of the field counts at once, before any analysis.
    field.GetBalls().ChangeBallType(Cell(2, 1), 4);
    field.GetMatchGroup(Cell(1, 1), cells, type);
    EXPECT_EQ(cells.size(), 1u);
}

TEST_F(Moves, TheTutorialMoveIsTheFirstThatFitsTheScreenOfTheType)
{
    LoadHints();
    // Type 1 reaches column 1 at most, type 2 column 5.
    Load({"1 1 3 4 2 2", "1 4 3 4 3 2"});
    field.AnalyseMoves();
    // A hint reaching 750 pixels to the right of its point fits only at the type-1 group.
    const HintRect wide{0.0f, 0.0f, 750.0f, 10.0f};
    for (uint32_t seed = 1; seed <= 6; ++seed) {
        RandomSeed(seed);
        float x = 0.0f, y = 0.0f;
        ASSERT_TRUE(field.FindMoveHintPosition(0, x, y, wide));
        EXPECT_FLOAT_EQ(x, 4.0f + 12.0f + 6.0f);   // the rightmost cell, column 1, row 0
        EXPECT_FLOAT_EQ(y, 4.0f + 6.0f);
    }
    EXPECT_TRUE(field.IsTutorialTargetShown());
    EXPECT_EQ(field.GetFirstHint().GetCells().size(), 3u);
    EXPECT_EQ(field.GetBalls().GetBallType(field.GetFirstHint().GetCells()[0]), 1);

    float x = 0.0f, y = 0.0f;
    EXPECT_FALSE(field.FindMoveHintPosition(2, x, y, wide));
    ASSERT_TRUE(field.FindMoveHintPosition(2, x, y, HintRect{}));
    EXPECT_FLOAT_EQ(x, 4.0f + 5 * 12.0f + 6.0f);   // column 5, the upper of its two cells
    EXPECT_FLOAT_EQ(y, 4.0f + 6.0f);
    EXPECT_FALSE(field.FindMoveHintPosition(3, x, y, HintRect{}));   // a pair and a single: no move
}

} // namespace
