// A process that saves the profiles and the hiscores over and over is killed at random moments;
// every file it leaves behind reads back whole, as the version before or after the save that ran.
#include "player/player_test_util.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>

using namespace player_test;

namespace {

constexpr int kProfiles = 4;
constexpr int kCells = 60;
constexpr int kEpisodes = 4;
constexpr int kLevels = 8;
constexpr int kTimeBase = 1000000;

// Version n of the profiles: every number that varies is derived from n.
void SaveProfilesVersion(const std::string& path, int n)
{
    CProfiles p;
    p.Load(path);
    for (int k = 0; k < kProfiles; ++k) {
        const std::string name = "P" + std::to_string(k);
        if (!p.HasProfile(name)) p.AddProfile(name);
        CGameSlot slot;
        slot.play_state = upsLevelStarted;
        slot.level = n;
        slot.score = n * 10 + k;
        for (int c = 0; c < kCells; ++c) slot.statistics.cells.push_back(SavedCell{float(c % 9), float(c / 9), n});
        p.GetProfile(name).SetGame(kCurrentGameSlot, slot);
    }
    p.SetActive("P" + std::to_string(n % kProfiles));
    p.Save();
}

// The version the profiles file holds; -1 when it is not one whole version. No file: 0.
int ProfilesVersion(const std::string& path)
{
    if (!std::filesystem::exists(path)) return 0;
    CProfiles p;
    if (!p.Load(path) || static_cast<int>(p.GetProfiles().size()) != kProfiles) return -1;
    const int n = p.GetProfile("P0").GetGame(kCurrentGameSlot).level;
    if (p.GetActiveName() != "P" + std::to_string(n % kProfiles)) return -1;
    for (int k = 0; k < kProfiles; ++k) {
        const CGameSlot& slot = p.GetProfile("P" + std::to_string(k)).GetGame(kCurrentGameSlot);
        if (slot.level != n || slot.score != n * 10 + k || static_cast<int>(slot.statistics.cells.size()) != kCells) return -1;
        for (const SavedCell& c : slot.statistics.cells)
            if (c.puzzle != n) return -1;
    }
    return n;
}

void SaveHiscoresVersion(const std::string& path, int n)
{
    CHiscores h;
    h.Load(path);
    for (int e = 0; e < kEpisodes; ++e)
        for (int l = 0; l < kLevels; ++l)
            for (const char* name : {"Ann", "Bob", "Cy"}) {
                h.GetTable(httScore, e, l).File(HiscoreRow{name, n}, 3);
                h.GetTable(httTime, e, l).File(HiscoreRow{name, kTimeBase - n}, 3);
            }
    h.AddChampion(httScore, HiscoreRow{"Ann", n});
    h.Save();
}

int HiscoresVersion(const std::string& path)
{
    if (!std::filesystem::exists(path)) return 0;
    CHiscores h;
    if (!h.Load(path)) return -1;
    const auto& champions = h.GetChampionTable(httScore).rows;
    if (champions.size() != 1) return -1;
    const int n = champions.front().value;
    if (static_cast<int>(h.GetEpisodes().size()) != kEpisodes) return -1;
    for (int e = 0; e < kEpisodes; ++e)
        for (int l = 0; l < kLevels; ++l) {
            const auto& score = h.GetTable(httScore, e, l).rows;
            const auto& time = h.GetTable(httTime, e, l).rows;
            if (score.size() != 3 || time.size() != 3) return -1;
            for (const HiscoreRow& r : score)
                if (r.value != n) return -1;
            for (const HiscoreRow& r : time)
                if (r.value != kTimeBase - n) return -1;
        }
    return n;
}

[[noreturn]] void SaveForever(const std::string& profiles, const std::string& hiscores, int from)
{
    for (int n = from + 1; n < from + 100000; ++n) {
        SaveProfilesVersion(profiles, n);
        SaveHiscoresVersion(hiscores, n);
    }
    _exit(0);
}

TEST(KillWhileSaving, EveryFileLeftReadsBackWhole)
{
    TempDir dir;
    const std::string profiles = dir / "Profiles.xml";
    const std::string hiscores = dir / "Hiscores.xml";
    // The kills fall anywhere in up to four save cycles of this machine (and build).
    int cycle_us = 0;
    {
        TempDir timing;
        SaveProfilesVersion(timing / "Profiles.xml", 1);
        SaveHiscoresVersion(timing / "Hiscores.xml", 1);
        const auto start = std::chrono::steady_clock::now();
        SaveProfilesVersion(timing / "Profiles.xml", 2);
        SaveHiscoresVersion(timing / "Hiscores.xml", 2);
        cycle_us = static_cast<int>(
            std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count());
    }
    std::mt19937 rng(20261210);
    // A busy machine starts the saving child late: when few rounds let a save through, the kills
    // wait longer, so that they keep falling inside the save cycles rather than before them.
    int bound_us = 4 * std::max(cycle_us, 1000);
    int profiles_version = 0, hiscores_version = 0, kills = 0, advanced = 0;
    for (int round = 0; round < 1000 && (round < 220 || advanced <= 20); ++round) {
        if (round % 40 == 39 && advanced * 10 < round) bound_us = std::min(2 * bound_us, 200000);
        std::uniform_int_distribution<int> delay_us(0, bound_us);
        const int from = std::max(profiles_version, hiscores_version);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) SaveForever(profiles, hiscores, from);
        ::usleep(static_cast<useconds_t>(delay_us(rng)));
        ASSERT_EQ(::kill(child, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        kills += WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;

        const int p = ProfilesVersion(profiles);
        const int h = HiscoresVersion(hiscores);
        ASSERT_GE(p, profiles_version) << "round " << round;
        ASSERT_GE(h, hiscores_version) << "round " << round;
        // Profiles are saved before the hiscores of the same version.
        ASSERT_LE(h, p) << "round " << round;
        advanced += p > profiles_version;
        profiles_version = p;
        hiscores_version = h;
    }
    EXPECT_GE(kills, 200);
    EXPECT_GT(advanced, 20) << "save cycle " << cycle_us << " us, kills within " << bound_us << " us";   // the saves did run between the kills
    // No file was ever found unreadable and moved aside.
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().filename().string().find(".bad-"), std::string::npos) << entry.path();
}

} // namespace
