// zf-levelcheck: checks the game's levels with the game's own field.
//
//   zf-levelcheck [--data DIR] [--runs N] [--need K] [--think MS] [--verbose] [LEVEL...]
//
// Without levels it checks every level that Settings\Episodes.xml names (ordinary and bonus levels)
// and every other level file under Levels\. A level is a game-folder path ("Levels\E01\L01.xml") or a
// file path relative to the data folder. For each level:
//   - every level key is given (a key left out would keep the previous level's value in the game);
//   - the new-ball odds are percentages and the lock and box odds each add up to less than 100; the
//     bonus types do not outnumber the ball types;
//   - its clock counts down from a start above its end (an ordinary level) or it has moves (a bonus
//     level), and an ordinary level has tile layers to break;
//   - the field loads (CGameField::LoadLevel) and has at least one move at its start;
//   - an automatic player wins it in at least K of N seeded runs. The player waits for the field to
//     come to rest, thinks for a while, asks the field's own move analysis for the groups of balls
//     that make a move, takes the chain path the field finds through each, plays the one that breaks
//     most (tiles, locks, boxes, walls) cell by cell and finishes it. The clock is driven at 16 ms per
//     update, so a run is the same on every machine. An ordinary level is won when its goal is reached
//     before the time bar runs out, a bonus level when its moves are spent.
// The exit status is 0 when every level passes, 1 when one fails, 2 on a usage error.

#include "engine/base/engine_clock.h"
#include "engine/base/engine_log.h"
#include "engine/base/engine_registry.h"
#include "engine/base/engine_xml.h"
#include "engine/sound/engine_soundqueue.h"
#include "engine/text/engine_langtext.h"
#include "field/balls/field_ballsdepot.h"
#include "field/chain/field_gamefield.h"
#include "field/config/field_config.h"
#include "field/field_services.h"
#include "field/graph/field_graphbase.h"
#include "field/timebar/field_timer.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kUpdateMs = 16;

// ---- what the field asks of the player and the game screen: a fresh player with nothing yet

class CheckUser : public IFieldUser {
public:
    int GetCreditGrade(int) const override { return 0; }
    void SetCreditAvailable(int, bool) override {}
    void SetResourceAvailable(int type, bool available) override
    {
        if (available) _resources.insert(type);
    }
    void LoadCredit(const CXMLNode&) override {}
    void ListUpgradableBonuses(std::vector<int>& types) const override { types.clear(); }
    void AddScore(int) override {}
    void AddResource(int, int) override {}
    void AddBonusCredit(int, int) override {}
    // The checker plays without bonuses.
    int ConsumeCredit(int) override { return 0; }
    void ReturnCredit(int, int) override {}
    void SetFirstChainDone() override { _first_chain = true; }
    void AddChain(const ChainStats&) override {}
    void RequestHint(int) override {}
    int GetLevelNumber() const override { return 0; }
    int GetBonusLevelNumber() const override { return 0; }
    bool GetSavedLevel(bool, FieldSaveRecord&) const override { return false; }
    int GetResourceAmount(int) const override { return 0; }
    bool HasResource(int type) const override { return _resources.count(type) > 0; }
    bool IsFirstChainDone() const override { return _first_chain; }

private:
    std::set<int> _resources;
    bool _first_chain = false;
};

class CheckScene : public IFieldScene {
public:
    void StartExplosion(const std::string&, float, float) override {}
    int GetState() const override { return kPlaying; }
    int GetCrossState() const override { return 0; }
    void StartCrossState(int) override {}
    void SetMusicVolume(int) override {}
    void ShowBonusResource(int) override {}
    void OnBonusLevelEnd() override {}
    bool GetBonusSlotPosition(int, float&, float&) const override { return false; }
};

// The timer panel's bar, which nobody sees here.
class HiddenBar : public ITimeBarView {
public:
    void SetMinPos(int) override {}
    void SetMaxPos(int) override {}
    void SetPos(int) override {}
    void GetTipPosition(float& x, float& y) const override { x = y = 0.0f; }
};

// The driven clock, and the bar the time bar shows itself on.
uint32_t g_now = 1000;
HiddenBar g_bar;

// ---- the levels to check

struct LevelEntry {
    std::string path;   // game-folder path
    bool bonus = false;
    bool listed = false;   // named by the episode list
};

std::string ToGamePath(std::string path)
{
    std::replace(path.begin(), path.end(), '/', '\\');
    while (path.rfind(".\\", 0) == 0) path.erase(0, 2);
    return path;
}

std::string ToDiskPath(std::string path)
{
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

// A level file whose "State" gives moves and no time counts as a bonus level.
bool LooksLikeBonusLevel(const std::string& path)
{
    try {
        CXMLFile file(path);
        const CXMLNode state = file.SelectSingleNode("Level/State");
        return state.IsValid() && state.GetAttribute("moves", "-") != "-" && state.GetAttribute("delta", "-") == "-";
    } catch (const std::exception&) {
        return false;
    }
}

// Every level of the episode list, then the other level files under Levels\.
bool CollectLevels(std::vector<LevelEntry>& levels, std::vector<std::string>& problems)
{
    try {
        CXMLFile episodes("Settings\\Episodes.xml");
        const CXMLNodeList list = episodes.SelectNodes("//Episodes/Episode");
        for (int e = 0; e < list.GetLength(); ++e) {
            const CXMLNode episode = list.GetItem(e);
            for (const auto& [element, bonus] : {std::pair{"Level", false}, std::pair{"Bonus", true}}) {
                const CXMLNodeList children = episode.SelectNodes(element);
                const char* count_key = bonus ? "bonus_level_count" : "level_count";
                if (children.GetLength() != episode.GetIntAttribute(count_key, 0))
                    problems.push_back("Settings\\Episodes.xml: episode " + std::to_string(e) + " has " +
                                       std::to_string(children.GetLength()) + " " + element + " elements, " +
                                       count_key + " says " + std::to_string(episode.GetIntAttribute(count_key, 0)));
                for (int i = 0; i < children.GetLength(); ++i) {
                    const std::string file = ToGamePath(children.GetItem(i).GetAttribute("file"));
                    if (!std::filesystem::is_regular_file(ToDiskPath(file)))
                        problems.push_back("Settings\\Episodes.xml names " + file + ", which does not exist");
                    else
                        levels.push_back({file, bonus, true});
                }
            }
        }
    } catch (const std::exception& e) {
        problems.push_back(std::string("Settings\\Episodes.xml cannot be read: ") + e.what());
        return false;
    }
    std::vector<std::string> others;
    std::error_code ec;
    if (std::filesystem::is_directory("Levels"))
        for (const auto& f : std::filesystem::recursive_directory_iterator("Levels", ec))
            if (f.is_regular_file() && f.path().extension() == ".xml") others.push_back(ToGamePath(f.path().string()));
    std::sort(others.begin(), others.end());
    for (const std::string& path : others) {
        if (std::any_of(levels.begin(), levels.end(), [&](const LevelEntry& l) { return l.path == path; })) continue;
        levels.push_back({path, LooksLikeBonusLevel(ToDiskPath(path)), false});
    }
    return true;
}

// ---- the static checks of a level file

const char* const kLevelKeys[] = {"field_width", "field_height", "field_pos_x", "field_pos_y", "allow_ball_types",
                                  "allow_bonus_types", "bonus_probability", "forced_match_probability",
                                  "ordinary_locked_probability", "double_locked_probability",
                                  "ordinary_boxed_probability", "double_boxed_probability"};

void CheckFile(const CXMLNode& root, bool bonus, std::vector<std::string>& problems)
{
    const CXMLNode config = root.SelectSingleNode("Config");
    const CXMLNode field = root.SelectSingleNode("Field");
    std::map<std::string, int> value;
    for (const char* key : kLevelKeys) {
        std::string text = field.IsValid() ? field.GetAttribute(key, "-") : "-";
        if (text == "-" && config.IsValid()) text = config.GetAttribute(key, "-");
        if (text == "-") {
            problems.push_back(std::string("the level key ") + key + " is not given");
            continue;
        }
        const CXMLNode& from = (field.IsValid() && field.GetAttribute(key, "-") != "-") ? field : config;
        value[key] = from.GetIntAttribute(key, 0);
    }
    for (const char* key : {"bonus_probability", "forced_match_probability", "ordinary_locked_probability",
                            "double_locked_probability", "ordinary_boxed_probability", "double_boxed_probability"}) {
        const auto it = value.find(key);
        if (it != value.end() && (it->second < 0 || it->second > 100))
            problems.push_back(std::string(key) + " is " + std::to_string(it->second) + ", not a percentage");
    }
    const auto sum = [&](const char* a, const char* b) { return value[a] + value[b]; };
    if (sum("ordinary_locked_probability", "double_locked_probability") >= 100)
        problems.push_back("the lock odds add up to 100 or more");
    if (sum("ordinary_boxed_probability", "double_boxed_probability") >= 100)
        problems.push_back("the box odds add up to 100 or more");
    if (value["allow_ball_types"] < 1) problems.push_back("allow_ball_types is below 1");
    if (value["allow_bonus_types"] < 0 || value["allow_bonus_types"] > value["allow_ball_types"])
        problems.push_back("allow_bonus_types is not between 0 and allow_ball_types");
    if (value["field_width"] < 1 || value["field_height"] < 1) problems.push_back("the field has no cells");

    const CXMLNode state = root.SelectSingleNode("State");
    if (!state.IsValid()) {
        problems.push_back("the level has no State");
        return;
    }
    if (bonus) {
        if (state.GetIntAttribute("moves", 10) < 1) problems.push_back("the bonus level has no moves");
    } else {
        const float min = state.GetFloatAttribute("min", 0.0f), pos = state.GetFloatAttribute("pos", 0.0f);
        const float delta = state.GetFloatAttribute("delta", 1.0f);
        const int delay = state.GetIntAttribute("delay", 1000);
        if (!(delta < 0.0f) || delay <= 0 || !(pos > min))
            problems.push_back("the time bar does not count down from its start to its end");
    }
}

// ---- the automatic player

struct RunResult {
    bool won = false;
    bool finished = false;   // the field came to rest after the goal
    int moves = 0;
    int renewals = 0;
    int refused = 0;          // paths the chain did not take whole
    uint32_t ms = 0;          // play time until the goal or the end of the time
    std::string failure;
    std::string left;         // where tile layers were left, when the run was lost
};

// What a chain would break: tile layers on its cells, locks, boxes and walls beside it; and, to stir
// the balls round the tiles that are left, the cells next to those tiles.
int Score(const CGameField& field, const std::vector<MoveCell>& path)
{
    const CBallsField& balls = field.GetBalls();
    const CTilesField& tiles = field.GetTiles();
    int score = 0;
    std::set<int> touched;
    for (const MoveCell& c : path) {
        score += 1 + 12 * tiles.GetLeft(c.cell) + (balls.IsLocked(c.cell) ? 6 : 0);
        bool near_tile = false;
        for (int d = nbUp; d <= nbLeft; ++d) {
            const int n = g_LevelCfg.Neighbour(c.cell, d);
            if (n < 0) continue;
            near_tile = near_tile || tiles.HasLayersLeft(n);
            if (!touched.insert(n).second) continue;
            if (balls.HasWall(n)) score += 20;
            if (balls.HasBall(n) && balls.IsBoxed(n)) score += 10;
        }
        if (near_tile) score += 3;
    }
    return score;
}

bool AtRest(const CGameField& field)
{
    return !field.IsFieldBusy() && !field.IsRefillPending() && !field.IsFinisherRunning() &&
           !field.IsOpeningPending() && !field.GetBalls().HasMovingChain();
}

// Plays the best move the analysis offers; false when the field has none.
bool PlayMove(CGameField& field, RunResult& run)
{
    field.AnalyseMoves();
    if (field.GetValidMoveCount() == 0) return false;
    std::vector<MoveCell> best;
    int best_score = -1;
    std::vector<MoveGroup> groups = field.GetMoveGroups();
    for (MoveGroup& group : groups) {
        if (!group.alive || !group.valid_move) continue;
        field.FindChainPath(group);
        if (int(group.path.size()) < g_GameCfg.GetLineSize()) continue;
        const int score = Score(field, group.path);
        if (score > best_score) {
            best_score = score;
            best = group.path;
        }
    }
    if (best.empty()) return false;
    size_t taken = 0;
    for (const MoveCell& c : best) {
        if (!field.TryAddChainCell(c.cell)) break;
        ++taken;
    }
    if (taken < best.size()) ++run.refused;
    if (int(taken) >= g_GameCfg.GetLineSize()) {
        field.FinishChain();
        ++run.moves;
    } else {
        field.ClearChain();
    }
    return true;
}

RunResult PlayRun(const LevelEntry& level, uint32_t seed, uint32_t think_ms)
{
    RunResult run;
    RandomSeed(seed);
    CGameField field;
    CXMLFile file(level.path);
    const CXMLNode root = file.SelectSingleNode("Level");
    field.LoadLevel(level.path, level.bonus);

    g_GameTimer.BindControls(&g_bar, nullptr, nullptr);
    field.LoadLevelClock(root);
    uint32_t limit_ms = 0;
    if (level.bonus) {
        limit_ms = uint32_t(g_MovesCounter.GetTotalMoves()) * (think_ms + 30000u);
    } else {
        const CXMLNode state = root.SelectSingleNode("State");
        const float span = (g_GameTimer.GetStartPos() - g_GameTimer.GetMinPos()) /
                           std::max(0.0001f, -g_GameTimer.GetDelta());
        limit_ms = uint32_t(span * float(std::max(1, state.GetIntAttribute("delay", 1000)))) + 60000u;
    }

    const uint32_t start = g_now;
    uint32_t rest_since = 0;
    bool resting = false;
    while (g_now - start < limit_ms) {
        g_now += kUpdateMs;
        if (!level.bonus) {
            g_GameTimer.Update();
            if (g_GameTimer.GetMode() == CGameTimer::tmRunning && g_GameTimer.GetPos() <= g_GameTimer.GetMinPos()) {
                run.failure = "the time ran out";
                break;
            }
        }
        if (field.IsGoalReached()) {
            run.won = true;
            break;
        }
        if (AtRest(field)) {
            if (!resting) rest_since = g_now;
            resting = true;
            // Without a move the player waits: the field renews its balls after the warning's delay.
            if (g_now - rest_since >= think_ms && PlayMove(field, run)) resting = false;
        } else {
            resting = false;
        }
        const MoveHintTimer& no_move = field.GetNoMoveTimer();
        if (field.GetValidMoveCount() == 0 && no_move.armed && no_move.delay == 0) ++run.renewals;
        field.Render();
        field.Update();
        g_SoundQueue.Update();
    }
    run.ms = g_now - start;
    if (!run.won) {
        for (int cell = 0; cell < g_LevelCfg.GetCellCount(); ++cell) {
            if (!field.GetTiles().HasLayersLeft(cell)) continue;
            int x = 0, y = 0;
            g_LevelCfg.CellToPos(cell, x, y);
            const CBallsField& balls = field.GetBalls();
            run.left += " (" + std::to_string(x) + "," + std::to_string(y) + ")";
            if (!balls.IsUsable(cell)) run.left += "closed";
            if (balls.HasBall(cell)) run.left += "type" + std::to_string(balls.GetBallType(cell));
            if (balls.IsLocked(cell)) run.left += "locked";
            if (balls.IsBoxed(cell)) run.left += "boxed";
        }
    }
    if (!run.won && run.failure.empty()) run.failure = "no end within " + std::to_string(limit_ms / 1000) + " s";
    if (run.won) {
        for (int n = 0; n < 5000 && !field.IsLevelFinished(); ++n) {
            g_now += kUpdateMs;
            field.Render();
            field.Update();
            g_SoundQueue.Update();
        }
        run.finished = field.IsLevelFinished();
    }
    field.Clear();
    return run;
}

// ---- one level

struct Options {
    std::string data = ".";
    int runs = 10;
    int need = 9;
    uint32_t think_ms = 1000;
    bool verbose = false;
    std::vector<std::string> levels;
};

bool CheckLevel(const LevelEntry& level, const Options& options)
{
    std::vector<std::string> problems;
    std::string summary;
    try {
        CXMLFile file(level.path);
        const CXMLNode root = file.SelectSingleNode("Level");
        if (!root.IsValid()) throw std::runtime_error("no Level element");
        CheckFile(root, level.bonus, problems);

        RandomSeed(1);
        CGameField field;
        field.LoadLevel(level.path, level.bonus);
        g_GameTimer.BindControls(&g_bar, nullptr, nullptr);
        field.LoadLevelClock(root);
        if (!level.bonus && field.GetStats().n_puzzles == 0)
            problems.push_back("no tile layer to break: the level is won before its first move");
        else if (level.bonus && field.IsGoalReached())
            problems.push_back("the bonus level is over before its first move (no bonus ball type to raise)");
        field.AnalyseMoves();
        if (field.GetValidMoveCount() == 0) problems.push_back("no move at the start");
        field.Clear();
    } catch (const std::exception& e) {
        problems.push_back(std::string("the level does not load: ") + e.what());
    }

    if (problems.empty()) {
        int won = 0;
        uint32_t slowest = 0, fastest = ~0u, total_moves = 0;
        std::string last_failure;
        for (int i = 0; i < options.runs; ++i) {
            RunResult run;
            try {
                run = PlayRun(level, 7919u * uint32_t(i + 1), options.think_ms);
            } catch (const std::exception& e) {
                run.failure = std::string("the play stopped: ") + e.what();
            }
            if (run.won && !run.finished) run.failure = "the field did not come to rest after the goal";
            const bool ok = run.won && run.finished;
            if (ok) {
                ++won;
                slowest = std::max(slowest, run.ms);
                fastest = std::min(fastest, run.ms);
                total_moves += uint32_t(run.moves);
            } else {
                last_failure = run.failure;
            }
            if (options.verbose)
                std::printf("    run %d: %s after %u s, %d moves, %d renewals, %d paths cut\n", i + 1,
                            ok ? "won" : run.failure.c_str(), run.ms / 1000, run.moves, run.renewals, run.refused);
            if (options.verbose && !run.left.empty()) std::printf("      tile layers left at%s\n", run.left.c_str());
        }
        char text[256];
        if (won > 0)
            std::snprintf(text, sizeof(text), "%d/%d won, %u to %u s, %u moves on average", won, options.runs,
                          fastest / 1000, slowest / 1000, total_moves / uint32_t(won));
        else
            std::snprintf(text, sizeof(text), "0/%d won", options.runs);
        summary = text;
        if (won < options.need)
            problems.push_back("the automatic player won " + std::to_string(won) + " of " +
                               std::to_string(options.runs) + " runs (" + last_failure + ")");
    }

    const char* kind = level.bonus ? "bonus" : "level";
    if (problems.empty()) {
        std::printf("ok    %s %s: %s%s\n", kind, level.path.c_str(), summary.c_str(),
                    level.listed ? "" : " (not named by Settings\\Episodes.xml)");
        return true;
    }
    std::printf("FAIL  %s %s%s%s\n", kind, level.path.c_str(), summary.empty() ? "" : ": ", summary.c_str());
    for (const std::string& p : problems) std::printf("      - %s\n", p.c_str());
    return false;
}

int Usage()
{
    std::fprintf(stderr, "usage: zf-levelcheck [--data DIR] [--runs N] [--need K] [--think MS] [--verbose] [LEVEL...]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool has_value = i + 1 < argc;
        if (a == "--data" && has_value) options.data = argv[++i];
        else if (a == "--runs" && has_value) options.runs = std::atoi(argv[++i]);
        else if (a == "--need" && has_value) options.need = std::atoi(argv[++i]);
        else if (a == "--think" && has_value) options.think_ms = uint32_t(std::max(0, std::atoi(argv[++i])));
        else if (a == "--verbose") options.verbose = true;
        else if (!a.empty() && a[0] == '-') return Usage();
        else options.levels.push_back(a);
    }
    if (options.runs < 1 || options.need < 0 || options.need > options.runs) return Usage();
    if (chdir(options.data.c_str()) != 0) {
        std::fprintf(stderr, "zf-levelcheck: cannot enter the data folder %s\n", options.data.c_str());
        return 2;
    }

    zf::SetClockSource([] { return g_now; });
    CheckUser user;
    CheckScene scene;
    g_GameCfg = CGameCfg();
    g_GameCfg.Load();
    g_LevelCfg = CLevelCfg();
    ReloadGraphBases();
    GetBallsDepot();
    SetFieldUser(&user);
    SetFieldScene(&scene);
    GetBallsDepot().Load();
    CTextKeeper::Instance().SelectLanguage(0);

    std::vector<LevelEntry> levels;
    std::vector<std::string> problems;
    if (options.levels.empty()) {
        CollectLevels(levels, problems);
    } else {
        for (const std::string& l : options.levels) {
            const std::string path = ToGamePath(l);
            if (!std::filesystem::is_regular_file(ToDiskPath(path))) {
                problems.push_back(path + " does not exist");
                continue;
            }
            levels.push_back({path, LooksLikeBonusLevel(ToDiskPath(path)), true});
        }
    }

    int failed = 0;
    for (const std::string& p : problems) {
        std::printf("FAIL  %s\n", p.c_str());
        ++failed;
    }
    for (const LevelEntry& level : levels)
        if (!CheckLevel(level, options)) ++failed;
    std::printf("%zu level(s) checked, %d problem(s)\n", levels.size(), failed);

    SetFieldUser(nullptr);
    SetFieldScene(nullptr);
    zf::SetClockSource({});
    return failed == 0 ? 0 : 1;
}
