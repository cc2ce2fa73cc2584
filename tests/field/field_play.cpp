// The field in play over long runs: random mouse input on random levels keeps the field
// consistent (one ball per cell, no ball lost or duplicated, the refill ends, tile layers only go
// down), and a shipped level is played chain after chain until its goal is met.
#include "field_play_util.h"

#include <deque>
#include <random>
#include <set>

using namespace fieldtest;

namespace {

// A random level: 3 to 8 cells a side; balls of the four plain types with now and then a
// multiball, locks, boxes, walls, disabled and inactive cells; tile layers under some cells.
std::vector<std::string> RandomLevel(std::mt19937& rng)
{
    std::uniform_int_distribution<int> side(3, 8), pct(1, 100), type(1, 4);
    const int w = side(rng), h = side(rng);
    std::vector<std::string> rows;
    bool any_tile = false;
    for (int y = 0; y < h; ++y) {
        std::string row;
        for (int x = 0; x < w; ++x) {
            const int p = pct(rng);
            std::string t;
            if (p <= 4) t = "#";
            else if (p <= 8) t = "W";
            else if (p <= 10) t = "V";
            else if (p <= 12) t = "D";
            else if (p <= 15) t = ".";
            else if (p <= 18) t = "M";
            else t = std::to_string(type(rng));
            if (t[0] >= '1' && t[0] <= '4') {
                const int q = pct(rng);
                if (q <= 5) t += "l";
                else if (q <= 8) t += "L";
                else if (q <= 12) t += "b";
                else if (q <= 14) t += "B";
            }
            if (t != "#") {
                const int q = pct(rng);
                if (q <= 30) t += "t";
                else if (q <= 40) t += "T";
                any_tile = any_tile || q <= 40;
            }
            row += t + " ";
        }
        rows.push_back(row);
    }
    if (!any_tile) rows[0] = "1t " + rows[0].substr(rows[0].find(' ') + 1);
    return rows;
}

// A chain of one type through neighbours (multiballs join any), grown greedily from the cell up to
// the length, preferring cells with tile layers; just the cell when it cannot start one.
std::vector<int> GroupChain(const CGameField& field, int start, size_t length)
{
    const CBallsField& balls = field.GetBalls();
    std::vector<int> chain = {start};
    if (!balls.HasUsableBall(start) || balls.IsBoxed(start)) return chain;
    int type = balls.IsMultiball(start) ? -1 : balls.GetBallType(start);
    for (bool grown = true; grown && chain.size() < length;) {
        grown = false;
        int best = -1;
        for (int d = nbUp; d <= nbLeft; ++d) {
            const int n = g_LevelCfg.Neighbour(chain.back(), d);
            if (n < 0 || !balls.HasUsableBall(n) || balls.IsBoxed(n)) continue;
            if (!balls.IsMultiball(n) && type != -1 && balls.GetBallType(n) != type) continue;
            if (balls.IsFinisher(n) != balls.IsFinisher(start)) continue;
            if (std::find(chain.begin(), chain.end(), n) != chain.end()) continue;
            if (best < 0 || field.GetTiles().HasLayersLeft(n)) best = n;
        }
        if (best >= 0) {
            chain.push_back(best);
            if (type == -1 && !balls.IsMultiball(best)) type = balls.GetBallType(best);
            grown = true;
        }
    }
    return chain;
}

class FieldPlay : public PlayFixture {
protected:
    // Every cell's state agrees with its ball; every ball lies in one cell only.
    void CheckCells(std::set<const CBall*>& balls_now)
    {
        balls_now.clear();
        for (int cell = 0; cell < g_LevelCfg.GetCellCount(); ++cell) {
            const FieldCell* c = field.GetBalls().GetCell(cell);
            ASSERT_NE(c, nullptr);
            if (c->ball) {
                ASSERT_TRUE(balls_now.insert(c->ball.get()).second) << "a ball in two cells at " << cell;
                ASSERT_TRUE(c->state == csBall || c->state == csBusy || c->state == csMoving)
                    << "cell " << cell << " state " << c->state << " with a ball";
            } else {
                ASSERT_TRUE(c->state == csInactive || c->state == csEmpty || c->state == csWaitSlide)
                    << "cell " << cell << " state " << c->state << " without a ball";
            }
        }
    }
};

TEST_F(FieldPlay, RandomInputKeepsTheFieldConsistent)
{
    std::mt19937 rng(20261210);
    for (int level = 0; level < 12; ++level) {
        RandomSeed(uint32_t(level) + 7);
        const auto rows = RandomLevel(rng);
        Load(rows, "forced_match_probability=\"60\" ordinary_locked_probability=\"5\" ordinary_boxed_probability=\"5\"");
        const int w = g_LevelCfg.GetFieldWidth(), h = g_LevelCfg.GetFieldHeight();
        std::uniform_int_distribution<int> pct(1, 100), step(-1, 1), jump_x(-3, w + 2), jump_y(-3, h + 2);
        std::deque<FieldMouse> script;
        std::set<const CBall*> before, after;
        CheckCells(before);
        int layers = field.GetTiles().GetTotalLeft();
        int pending_for = 0;
        for (int update = 0; update < 3000; ++update) {
            SCOPED_TRACE("level " + std::to_string(level) + " update " + std::to_string(update));
            if (script.empty()) {
                if (pct(rng) <= 50) {
                    // A drag along a group of one type from a random cell, now and then skipping a
                    // cell (the path fill), going back, or pressing the right button on the way;
                    // released over its end, anywhere, or out of the window.
                    const auto chain = GroupChain(field, pct(rng) % std::max(1, g_LevelCfg.GetCellCount()), 12);
                    for (size_t i = 0; i < chain.size(); ++i) {
                        if (i > 0 && i + 1 < chain.size() && pct(rng) <= 25) continue;
                        int c = 0, r = 0;
                        g_LevelCfg.CellToPos(chain[i], c, r);
                        script.push_back(MouseAt(c, r));
                        if (pct(rng) <= 5) script.back().right_pressed = true;
                        if (i > 1 && pct(rng) <= 5) {
                            g_LevelCfg.CellToPos(chain[i - 1], c, r);
                            script.push_back(MouseAt(c, r));
                        }
                    }
                    FieldMouse release = script.empty() ? MouseAt(0, 0) : script.back();
                    if (pct(rng) <= 10) release = MouseAt(jump_x(rng), jump_y(rng));
                    if (pct(rng) <= 5) release.x = -50.0f;
                    release.left_down = false;
                    script.push_back(release);
                } else {
                    // Noise: wandering, presses and releases anywhere, the right button.
                    int c = jump_x(rng), r = jump_y(rng);
                    bool down = pct(rng) <= 50;
                    for (int n = 1 + pct(rng) % 20; n > 0; --n) {
                        (pct(rng) <= 50 ? c : r) += step(rng);
                        if (pct(rng) <= 15) down = !down;
                        script.push_back(MouseAt(c, r, down));
                        script.back().right_pressed = pct(rng) <= 5;
                        if (pct(rng) <= 3) script.back().x = -50.0f;
                    }
                }
            }
            const FieldMouse mouse = script.front();
            script.pop_front();

            // The balls a release may resolve (or a multiball replace) in this frame.
            std::set<const CBall*> may_go;
            for (const ChainEntry& e : field.GetChain().GetEntries())
                if (const FieldCell* c = field.GetBalls().GetCell(e.cell); c && c->ball) may_go.insert(c->ball.get());
            for (int cell = 0; cell < g_LevelCfg.GetCellCount(); ++cell) {
                const FieldCell* c = field.GetBalls().GetCell(cell);
                if (c->ball && (c->ball->graph_state == gosDead || c->ball->graph_state == gosExplosion))
                    may_go.insert(c->ball.get());
            }

            ASSERT_NO_THROW(Frame(mouse));
            CheckCells(after);
            for (const CBall* b : before)
                ASSERT_TRUE(after.count(b) || may_go.count(b)) << "a ball was lost";
            before.swap(after);

            const int now = field.GetTiles().GetTotalLeft();
            ASSERT_LE(now, layers) << "tile layers grew";
            layers = now;
            pending_for = field.IsRefillPending() ? pending_for + 1 : 0;
            ASSERT_LT(pending_for, 400) << "the refill does not end";
        }
        // Left alone, the field comes to rest.
        EXPECT_LT(Settle(), 2000) << "level " << level;
        EXPECT_FALSE(field.IsRefillPending());
        EXPECT_FALSE(field.GetBalls().HasMovingChain());
    }
    // The scripts resolved chains, long ones too, not only dropped them.
    EXPECT_GT(user.chains.size(), 100u);
    EXPECT_TRUE(std::any_of(user.chains.begin(), user.chains.end(), [](const ChainStats& c) { return c.length >= 5; }));
}

// The game's own data: the first tiled level of the first episode played with the real field object
// by a script that drags the chain breaking most tile layers and waits for the refill.
class ShippedLevelPlay : public ::testing::Test {
protected:
    ShippedLevelPlay() : _dir(ZF_GAME_DATA_DIR), _previous_keeper(g_SoundKeeper)
    {
        g_SoundKeeper = &sounds;
        SetUpField(&user, nullptr);
        RandomSeed(2026);
    }
    ~ShippedLevelPlay() override
    {
        g_SoundQueue.Update();
        g_SoundKeeper = _previous_keeper;
        SetFieldUser(nullptr);
        g_GameCfg = CGameCfg();
        g_LevelCfg = CLevelCfg();
        ReloadGraphBases();
    }

    FieldMouse Mouse(int cell, bool down) const
    {
        FieldMouse m;
        g_LevelCfg.CellToScreenCenter(cell, m.x, m.y);
        m.left_down = down;
        return m;
    }
    void Frame(const FieldMouse& m)
    {
        field.Render();
        field.HandleInput(m);
        field.Update();
    }
    // New balls for every free usable ball (the renewal of a field without moves, which the move
    // hint's own tests cover).
    void Renew()
    {
        CBallsField& balls = field.GetBalls();
        for (int cell = 0; cell < g_LevelCfg.GetCellCount(); ++cell)
            if (balls.HasUsableBall(cell) && !balls.IsLocked(cell) && !balls.IsBoxed(cell)) balls.RemoveBall(cell);
        std::vector<int> waiting;
        balls.ListWaitingCells(waiting);
        balls.ChooseNewBall(waiting, 1, 0, nbPlain, 0);
    }

    zftest::ScopedChdir _dir;
    CRecordingSoundKeeper sounds;
    ISoundKeeper* _previous_keeper;
    RecordingUser user;
    CGameField field;
};

TEST_F(ShippedLevelPlay, ChainsClearATiledLevel)
{
    field.LoadLevel("Levels\\E01\\L03.xml");
    ASSERT_GT(field.GetStats().n_puzzles, 0);
    ASSERT_FALSE(field.IsGoalReached());
    int chains = 0, renewals = 0;
    for (int attempt = 0; attempt < 400 && !field.IsGoalReached(); ++attempt) {
        // The longest chain that breaks most tile layers.
        std::vector<int> best;
        int best_tiles = -1;
        for (int cell = 0; cell < g_LevelCfg.GetCellCount(); ++cell) {
            const std::vector<int> chain = GroupChain(field, cell, 12);
            if (int(chain.size()) < g_GameCfg.GetLineSize()) continue;
            if (std::all_of(chain.begin(), chain.end(), [this](int c) { return field.GetBalls().IsMultiball(c); }))
                continue;
            int tiles = 0;
            for (int c : chain) tiles += field.GetTiles().HasLayersLeft(c);
            if (tiles > best_tiles || (tiles == best_tiles && chain.size() > best.size())) {
                best = chain;
                best_tiles = tiles;
            }
        }
        if (best.empty()) {
            // No move left: the field is renewed as the game does it, and the play goes on.
            ASSERT_LT(renewals++, 50);
            Renew();
            continue;
        }
        const int broke = field.GetStats().n_puzzles_broke;
        for (int c : best) Frame(Mouse(c, true));
        Frame(Mouse(best.back(), false));
        ++chains;
        EXPECT_GE(field.GetStats().n_puzzles_broke, broke);
        for (int n = 0; n < 3000 && (field.IsRefillPending() || field.IsFieldBusy()); ++n) Frame(Mouse(0, false));
        ASSERT_FALSE(field.IsRefillPending());
    }
    EXPECT_TRUE(field.IsGoalReached()) << chains << " chains, " << renewals << " renewals";
    for (int n = 0; n < 3000 && !field.IsLevelFinished(); ++n) Frame(Mouse(0, false));
    EXPECT_TRUE(field.IsLevelFinished());
    EXPECT_EQ(field.GetTiles().GetTotalLeft(), 0);
    EXPECT_EQ(int(user.chains.size()), chains);
    EXPECT_GT(user.score, 0);
}

} // namespace
