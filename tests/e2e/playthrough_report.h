// The automatic player's record of a run, line by line as it played ("level", "bonus", "buy", "epoch",
// "shot", "won", "fail"), and the report made of it: the levels with their time left, the epochs' prices
// against what the episodes paid, the promotions and the memory of the process.
#pragma once

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace playthrough {

struct LevelRow {
    bool bonus = false;
    int episode = 0, level = 0;
    long time_left = 0, clock = 0, score_gained = 0, score = 0;   // clock: the level's seconds (0 for a bonus level)
    long resources[4] = {};   // by resource type: 1 money, 2 staff, 3 food
    long title = 0, deaths = 0, lives = 0, rss_kib = 0;
};
struct BuyRow {
    int epoch = 0, played = 0, id = 0, upgrade = 0;
    long price[4] = {};
};
struct EpochRow {
    int epoch = 0, played = 0;
    long left[4] = {};
};
struct Run {
    std::vector<LevelRow> levels;
    std::vector<BuyRow> buys;
    std::vector<EpochRow> epochs;
    std::vector<std::string> shots;   // the screenshots' names in the order they were taken
    int games_won = 0;
    std::string failure;
};

// The seconds an ordinary level's clock starts with, from its file (0 when it cannot be read).
inline long LevelSeconds(const std::string& data_dir, int episode, int level)
{
    char path[64];
    std::snprintf(path, sizeof(path), "/Levels/E%02d/L%02d.xml", episode + 1, level + 1);
    std::ifstream in(data_dir + path);
    std::stringstream text;
    text << in.rdbuf();
    const std::string s = text.str();
    const size_t state = s.find("<State ");
    const size_t at = s.find(" pos=\"", state == std::string::npos ? 0 : state);
    return state == std::string::npos || at == std::string::npos ? 0 : std::atol(s.c_str() + at + 6);
}


// The levels played through the end of the episode (counted from 0), in the run's order.
inline int LevelsThroughEpisode(const Run& run, int episode)
{
    return int(std::count_if(run.levels.begin(), run.levels.end(),
                             [episode](const LevelRow& r) { return r.episode <= episode; }));
}

// The epochs of a single game built after the end of their episode.
inline std::vector<int> LateEpochs(const Run& run)
{
    std::vector<int> late;
    for (const EpochRow& e : run.epochs)
        if (e.played > LevelsThroughEpisode(run, e.epoch)) late.push_back(e.epoch);
    return late;
}

inline Run ReadRun(const std::string& text, const std::string& data_dir)
{
    Run run;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string key;
        words >> key;
        if (key == "fail") {
            words >> std::ws;
            std::getline(words, run.failure);
            if (run.failure.empty()) run.failure = "failed";
        } else if (key == "level" || key == "bonus") {
            LevelRow r;
            r.bonus = key == "bonus";
            words >> r.episode >> r.level >> r.time_left >> r.score_gained >> r.score >> r.resources[1] >>
                r.resources[2] >> r.resources[3] >> r.title >> r.deaths >> r.lives >> r.rss_kib;
            if (!r.bonus) r.clock = LevelSeconds(data_dir, r.episode, r.level);
            run.levels.push_back(r);
        } else if (key == "buy") {
            BuyRow b;
            words >> b.epoch >> b.played >> b.id >> b.upgrade >> b.price[1] >> b.price[2] >> b.price[3];
            run.buys.push_back(b);
        } else if (key == "epoch") {
            EpochRow e;
            words >> e.epoch >> e.played >> e.left[1] >> e.left[2] >> e.left[3];
            run.epochs.push_back(e);
        } else if (key == "shot") {
            std::string name;
            words >> name;
            run.shots.push_back(name);
        } else if (key == "won") {
            ++run.games_won;
        }
    }
    return run;
}

// think_ms: the player's pause before each chain.
// The mean resident memory over the levels [from, to) of the run (clamped to its levels).
inline long MeanResidentKiB(const Run& run, size_t from, size_t to)
{
    to = std::min(to, run.levels.size());
    if (from >= to) return 0;
    long sum = 0;
    for (size_t i = from; i < to; ++i) sum += run.levels[i].rss_kib;
    return sum / long(to - from);
}

// A long run's memory: the mean over the hundred levels after the first hundred (by then the program
// has seen its levels and the allocator has settled) and over the last hundred.
struct SoakMemory {
    long settled_kib = 0, last_kib = 0;
    bool measured = false;
};
inline SoakMemory MeasureSoak(const Run& run)
{
    SoakMemory m;
    const size_t n = run.levels.size();
    if (n < 300) return m;
    m.settled_kib = MeanResidentKiB(run, 100, 200);
    m.last_kib = MeanResidentKiB(run, n - 100, n);
    m.measured = true;
    return m;
}

inline std::string FormatReport(const Run& run, int think_ms)
{
    std::ostringstream out;
    char row[256];
    long seconds = 0;
    for (const LevelRow& r : run.levels) seconds += r.clock - r.time_left;
    const LevelRow last = run.levels.empty() ? LevelRow{} : run.levels.back();
    out << "# The automatic player's run\n\n";
    std::snprintf(row, sizeof(row), "%d ms", think_ms);
    out << "Made by `tools/playthrough`: the whole program from a new player's first start, every level played with the\n"
           "chains the field's move analysis finds (a pause of " << row << " before each, no bonus fired), the bonus\n"
           "level taken that a promotion offers, everything the shop offers bought as soon as it can be paid, the next\n"
           "epoch opened in the selector.\n\n";
    std::snprintf(row, sizeof(row), "- levels won: %zu (%ld minutes on the ordinary levels' clocks); games won: %d\n", run.levels.size(),
                  seconds / 60, run.games_won);
    out << row;
    std::snprintf(row, sizeof(row), "- final score %ld, title %ld\n", last.score, last.title + 1);
    out << row;
    std::string result = run.failure;
    if (run.games_won <= 1)   // one game: its epochs against its episodes
        for (int epoch : LateEpochs(run))
            result += (result.empty() ? "" : ", ") + ("epoch " + std::to_string(epoch + 1) + " built after its episode");
    out << "- result: " << (result.empty() ? "passed" : "FAILED: " + result) << "\n\n";

    // What was spent before each level's end: the resources earned are those held plus those spent.
    std::vector<std::array<long, 4>> spent_before(run.levels.size() + 2, std::array<long, 4>{});
    for (const BuyRow& b : run.buys)
        for (size_t k = size_t(b.played) + 1; k < spent_before.size(); ++k)
            for (int t = 1; t <= 3; ++t) spent_before[k][size_t(t)] += b.price[t];

    out << "## Epochs: prices against what the levels paid\n\n";
    out << "| epoch | price money/staff/food | its episode paid | built after level | left over |\n|---|---|---|---|---|\n";
    std::map<int, std::array<long, 4>> price;
    for (const BuyRow& b : run.buys)
        for (int t = 1; t <= 3; ++t) price[b.epoch][size_t(t)] += b.price[t];
    for (const auto& [epoch, p] : price) {
        std::array<long, 4> paid{}, before{};
        int episode_end = -1;
        for (size_t i = 0; i < run.levels.size(); ++i) {
            const LevelRow& r = run.levels[i];
            if (r.episode < epoch)
                for (int t = 1; t <= 3; ++t) before[size_t(t)] = r.resources[t] + spent_before[i + 1][size_t(t)];
            if (r.episode == epoch) {
                episode_end = int(i);
                for (int t = 1; t <= 3; ++t) paid[size_t(t)] = r.resources[t] + spent_before[i + 1][size_t(t)] - before[size_t(t)];
            }
        }
        std::string built = "not built";
        std::string left = "";
        for (const EpochRow& e : run.epochs)
            if (e.epoch == epoch) {
                std::snprintf(row, sizeof(row), "%d", e.played);
                built = row;
                std::snprintf(row, sizeof(row), "%ld/%ld/%ld", e.left[1], e.left[2], e.left[3]);
                left = row;
            }
        if (episode_end >= 0) {
            std::snprintf(row, sizeof(row), " (episode ends at %d)", episode_end + 1);
            built += row;
        }
        std::snprintf(row, sizeof(row), "| %d | %ld/%ld/%ld | %ld/%ld/%ld | %s | %s |\n", epoch + 1, p[1], p[2], p[3],
                      paid[1], paid[2], paid[3], built.c_str(), left.c_str());
        out << row;
    }

    out << "\n## Promotions\n\n";
    long title = 0;
    for (size_t i = 0; i < run.levels.size(); ++i)
        if (run.levels[i].title != title) {
            title = run.levels[i].title;
            std::snprintf(row, sizeof(row), "- title %ld after level %zu (episode %d), score %ld\n", title + 1, i + 1,
                          run.levels[i].episode + 1, run.levels[i].score);
            out << row;
        }

    out << "\n## Levels\n\n";
    out << "| # | episode | level | time left / clock (s) | score | money/staff/food held | lives lost |\n"
           "|---|---|---|---|---|---|---|\n";
    for (size_t i = 0; i < run.levels.size(); ++i) {
        const LevelRow& r = run.levels[i];
        const std::string clock = r.bonus ? "bonus (moves)" : std::to_string(r.time_left) + " / " + std::to_string(r.clock);
        std::snprintf(row, sizeof(row), "| %zu | %d | %s%d | %s | %ld | %ld/%ld/%ld | %ld |\n", i + 1, r.episode + 1,
                      r.bonus ? "B" : "L", r.level + 1, clock.c_str(), r.score_gained, r.resources[1],
                      r.resources[2], r.resources[3], r.deaths);
        out << row;
    }

    out << "\n## Memory\n\n";
    if (!run.levels.empty()) {
        long peak = 0;
        for (const LevelRow& r : run.levels) peak = std::max(peak, r.rss_kib);
        const size_t settled = std::min<size_t>(9, run.levels.size() - 1);
        std::snprintf(row, sizeof(row),
                      "Resident memory of the process: %ld KiB after the first level, %ld KiB after level %zu, %ld KiB "
                      "after the last (level %zu), at most %ld KiB.\n",
                      run.levels.front().rss_kib, run.levels[settled].rss_kib, settled + 1, last.rss_kib,
                      run.levels.size(), peak);
        out << row;
        if (const SoakMemory m = MeasureSoak(run); m.measured) {
            std::snprintf(row, sizeof(row),
                          "\nMean over levels 101 to 200: %ld KiB; over the last hundred levels: %ld KiB (%+ld KiB).\n",
                          m.settled_kib, m.last_kib, m.last_kib - m.settled_kib);
            out << row;
        }
        out << "\n| levels | mean resident memory (KiB) |\n|---|---|\n";
        for (size_t from = 0; from < run.levels.size(); from += 50) {
            std::snprintf(row, sizeof(row), "| %zu to %zu | %ld |\n", from + 1, std::min(from + 50, run.levels.size()),
                          MeanResidentKiB(run, from, from + 50));
            out << row;
        }
    }
    return out.str();
}

} // namespace playthrough
