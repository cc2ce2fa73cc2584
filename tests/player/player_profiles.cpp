// The profiles file: round trips of full saved games, scrambled and plain, the rules of reading,
// the profile operations and names, and the faults of the disk.
#include "player/player_test_util.h"

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include <filesystem>

using namespace player_test;

namespace {

// A game in a level in progress, with every part a slot holds.
CGameSlot FullSlot(int32_t play_state)
{
    CGameSlot s;
    s.alias = kCurrentGameSlot;
    s.game_state = ugsPlaying;
    s.play_state = play_state;
    s.episode = 1;
    s.epoch = 2;
    s.level = 3;
    s.bonus_level = -1;
    s.title = 1;
    s.background = 4;
    s.bonus_background = -999;
    s.bg_shows = 2;
    s.music = MusicTrack("meadow", 1);
    s.bonus_music = MusicTrack("bonus", 3);
    s.music_plays = 5;
    s.lives = 4;
    s.score = 48000;
    s.collect = {{1, 350}, {2, -20}, {3, 75}};
    s.bonus = {{11, 420}, {16, 1600}};
    s.city = {{101, {true, 0}}, {102, {true, 2}}};
    s.people[102] = ManState{true, 3, {10, 20, 30}, {7}, false};
    s.people[104] = ManState{false, -1, {}, {}, true};
    CStatistics& st = s.statistics;
    st.field_saved = s.HasSavedLevel() || s.HasSavedBonusLevel();
    if (st.field_saved) {
        st.moves_left = 6;
        st.elapsed_time = 61234;
        st.remained_time = 30000;
        st.stats.i_level = 3;
        st.stats.time_cap = 120;
        st.stats.n_puzzles = 40;
        st.stats.was_locks = true;
        st.stats.was_triple_walls = true;
        st.stats.score = 5200;
        st.stats.time = 61234;
        st.stats.collect = {{1, 120}, {3, 40}};
        st.stats.was_time_alert = true;
        st.stats.bonus_res_type = 3;
        st.stats.bonus_res_amount = 25;
        st.stats.AddChain(6, 180);
        st.stats.AddBonusGain(BonusEvent{11, 2000, 1});
        st.stats.AddBonusUse(BonusEvent{11, 9000, 1});
        st.cells = {{0, 0, 2}, {5, 7, 1}};
        st.available_balls = {1, 4, 6};
        st.places = {{2, 3, true, 0}, {4, 4, false, 2}};
        st.balls = {{0, 0, 1, 0, 0}, {5, 7, 4, 1, 2}};
    }
    return s;
}

CProfiles ThreeProfiles(const std::string& path)
{
    CProfiles p;
    p.Load(path);
    EXPECT_TRUE(p.AddProfile("beta"));
    EXPECT_TRUE(p.AddProfile("alpha"));
    EXPECT_TRUE(p.AddProfile("gamma"));
    return p;
}

TEST(Profiles, FullGamesRoundTripScrambledAndPlain)
{
    TempDir dir;
    const std::string path = dir / "Profiles.xml";
    CProfiles profiles = ThreeProfiles(path);
    CProfile& beta = profiles.GetProfile("beta");
    beta.w_param_1 = 777;
    beta.w_param_2 = 2053;
    beta.w_param_3 = -4;
    beta.not_show_hints = true;
    beta.Shown_hints = {{2, true}, {5, false}};
    beta.SetGame(kCurrentGameSlot, FullSlot(upsLevelStarted));
    CGameSlot epoch = FullSlot(upsNextLevel);
    epoch.alias = GetEpochStartSlot(1);
    beta.SetGame(GetEpochStartSlot(1), epoch);
    CGameSlot bonus = FullSlot(upsBonusStarted);
    bonus.alias = kBestGameSlot;
    profiles.GetProfile("gamma").SetGame(kBestGameSlot, bonus);
    ASSERT_TRUE(profiles.SetActive("gamma"));
    ASSERT_TRUE(profiles.Save());

    // Written scrambled: the constant pins the format of every file written so far.
    const std::string raw = ReadTextFile(path);
    ASSERT_GT(raw.size(), 5u);
    EXPECT_EQ(static_cast<uint8_t>(raw[0]), '<' ^ 0x5A);
    const std::string text = Scrambled(raw);
    EXPECT_EQ(text.compare(0, 5, "<?xml"), 0);
    // Slots in name order: "current_game" before "epoch_start_2".
    EXPECT_LT(text.find("alias=\"current_game\""), text.find("alias=\"epoch_start_2\""));

    // The scrambled file, and the same document as plain text, read back to the same profiles.
    TempDir plain_dir;
    WriteText(plain_dir / "Profiles.xml", text);
    WriteText(plain_dir / "Bom.xml", "\xEF\xBB\xBF" + text);   // a plain file an editor saved with a byte-order mark
    for (const std::string& file : {path, plain_dir / "Profiles.xml", plain_dir / "Bom.xml"}) {
        SCOPED_TRACE(file);
        CProfiles back;
        ASSERT_TRUE(back.Load(file));
        EXPECT_EQ(back.GetActiveName(), "gamma");
        EXPECT_EQ(back.GetProfiles(), profiles.GetProfiles());
    }
}

TEST(Profiles, WhatIsNotWrittenAndTheLevelOnlyInSavedPlayStates)
{
    TempDir dir;
    const std::string path = dir / "Profiles.xml";
    for (int ups = upsNone; ups <= upsToShop; ++ups) {
        SCOPED_TRACE(ups);
        CProfiles profiles;
        profiles.Load(path);
        ASSERT_TRUE(profiles.AddProfile("Ann") || profiles.HasProfile("Ann"));
        CGameSlot slot = FullSlot(upsLevelStarted);
        slot.play_state = ups;
        slot.collect[4] = 0;                        // an empty amount
        slot.bonus[12] = 0;
        slot.city[103] = CityEntry{false, 2};       // not bought
        slot.statistics.cells.push_back(SavedCell{2.75f, -0.5f, 1});
        profiles.GetProfile("Ann").SetGame(kCurrentGameSlot, slot);
        ASSERT_TRUE(profiles.Save());
        const bool saved_level = ups == 3 || ups == 4 || ups == 7 || ups == 8;
        EXPECT_EQ(Scrambled(ReadTextFile(path)).find("<Level>") != std::string::npos, saved_level);

        CProfiles back;
        ASSERT_TRUE(back.Load(path));
        const CGameSlot& read = back.GetProfile("Ann").GetGame(kCurrentGameSlot);
        EXPECT_EQ(read.statistics.field_saved, saved_level);
        EXPECT_EQ(read.collect.count(4), 0u);
        EXPECT_EQ(read.bonus.count(12), 0u);
        EXPECT_EQ(read.city.count(103), 0u);
        if (saved_level) {
            // Cell coordinates are whole numbers on disk.
            EXPECT_EQ(read.statistics.cells.back(), (SavedCell{2.0f, 0.0f, 1}));
            EXPECT_EQ(read.statistics.stats, slot.statistics.stats);
        } else {
            EXPECT_EQ(read.statistics, CStatistics());
        }
    }
}

TEST(Profiles, ReadingRules)
{
    struct Row { const char* name; std::string xml; bool loaded; const char* active; std::vector<std::string> names; const char* log; };
    const Row rows[] = {
        {"empty profiles", "<Profiles active_user=\"\"/>", true, "", {}, nullptr},
        {"unknown active user: the first", "<Profiles active_user=\"Zed\"><Profile name=\"b\"/><Profile name=\"a\"/></Profiles>",
         true, "a", {"a", "b"}, "Active user profile not found."},
        {"no active user: the first", "<Profiles><Profile name=\"b\"/><Profile name=\"a\"/></Profiles>", true, "a", {"a", "b"}, nullptr},
        {"a nameless profile is dropped", "<Profiles active_user=\"a\"><Profile/><Profile name=\"a\"/></Profiles>", true, "a", {"a"}, nullptr},
        {"no root", "<Players/>", false, "", {}, "root element 'Profiles' is missing"},
        {"does not parse", "<Profiles><Profile name=\"a\">", false, "", {}, "Error: parse error - "},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        TempDir dir;
        const std::string path = dir / "Profiles.xml";
        WriteText(path, Scrambled(r.xml));
        CProfiles p;
        LogWatch mark;
        EXPECT_EQ(p.Load(path), r.loaded);
        EXPECT_EQ(p.GetActiveName(), r.active);
        std::vector<std::string> names;
        p.GetNames(names);
        EXPECT_EQ(names, r.names);
        if (r.log) {
            EXPECT_TRUE(mark.Has(r.log)) << mark.Text();
        }
        // A file that cannot be read is kept aside whole, never overwritten by the next save.
        EXPECT_EQ(std::filesystem::exists(path + ".bad-1"), !r.loaded);
        if (!r.loaded) {
            EXPECT_EQ(ReadTextFile(path + ".bad-1"), Scrambled(r.xml));
            EXPECT_TRUE(p.AddProfile("New"));
            EXPECT_TRUE(p.Save());
            EXPECT_EQ(ReadTextFile(path + ".bad-1"), Scrambled(r.xml));
        }
    }

    // Later duplicates win; hints without a type and slots without an alias are dropped; a missing
    // level reads as 0.
    TempDir dir;
    const std::string path = dir / "Profiles.xml";
    WriteText(path, "<Profiles><Profile name=\"a\" w_param_1=\"1\"/><Profile name=\"a\" w_param_1=\"2\"><Shown_hints>"
                    "<Hint show=\"1\"/><Hint type=\"4\" show=\"1\"/></Shown_hints><Game alias=\"current_game\" level=\"5\"/>"
                    "<Game alias=\"current_game\" episode=\"1\"/><Game level=\"9\"/></Profile></Profiles>");
    CProfiles p;
    ASSERT_TRUE(p.Load(path));
    const CProfile& a = p.GetProfile("a");
    EXPECT_EQ(a.w_param_1, 2);
    EXPECT_EQ(a.Shown_hints, (std::map<int32_t, bool>{{4, true}}));
    EXPECT_EQ(a.GetGames().size(), 1u);
    EXPECT_EQ(a.GetGame(kCurrentGameSlot).episode, 1);
    EXPECT_EQ(a.GetGame(kCurrentGameSlot).level, 0);
    EXPECT_FALSE(CProfiles().Load(dir / "none.xml"));
}

TEST(Profiles, ProfileOperations)
{
    TempDir dir;
    CProfiles p = ThreeProfiles(dir / "Profiles.xml");
    EXPECT_EQ(p.GetActiveName(), "beta");   // the first added
    EXPECT_EQ(p.GetProfileName(0), "alpha");
    EXPECT_EQ(p.GetProfileName(2), "gamma");
    EXPECT_EQ(p.GetProfileName(3), "");
    EXPECT_EQ(p.GetProfileName(-1), "");
    EXPECT_FALSE(p.SetActive("delta"));
    EXPECT_EQ(p.GetActiveName(), "beta");

    EXPECT_TRUE(p.DeleteProfile("beta"));
    EXPECT_EQ(p.GetActiveName(), "alpha");
    EXPECT_FALSE(p.DeleteProfile("beta"));
    EXPECT_FALSE(p.DeleteProfile(""));
    EXPECT_TRUE(p.DeleteProfile("gamma"));
    EXPECT_EQ(p.GetActiveName(), "alpha");
    EXPECT_TRUE(p.DeleteProfile("alpha"));
    EXPECT_FALSE(p.HasActive());

    try {
        p.GetProfile("alpha");
        FAIL();
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "verify {pos != _profiles.end()} failed");
    }
    try {
        CProfile().GetGame("best_game");
        FAIL();
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "verify {pos != _games.end()} failed");
    }
}

TEST(Profiles, NamesAreCheckedBeforeTheyAreStored)
{
    struct Row { std::string name; bool accepted; };
    const Row rows[] = {
        {"Ann", true}, {"Mary Jane", true}, {"R2 D2_x", true}, {"Ren\xE9", true}, {std::string(100, 'a'), true},
        {"", false}, {"   ", false}, {std::string(101, 'a'), false}, {"a/b", false}, {"a\\b", false},
        {"..", false}, {"tab\there", false}, {"new\nline", false}, {"x<y", false}, {"quo\"te", false},
        {"del\x7F", false}, {"und\x81", false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(IsValidProfileName(r.name), r.accepted);
        CProfiles p;
        EXPECT_EQ(p.AddProfile(r.name), r.accepted);
        EXPECT_EQ(p.GetProfiles().size(), r.accepted ? 1u : 0u);
    }
    // Duplicates regardless of case, also of the accented letters.
    CProfiles p;
    ASSERT_TRUE(p.AddProfile("Ren\xE9"));
    for (const char* dup : {"Ren\xE9", "REN\xC9", "ren\xE9"}) EXPECT_FALSE(p.AddProfile(dup)) << dup;
    EXPECT_TRUE(p.AddProfile("Rene"));
    EXPECT_EQ(p.GetProfiles().size(), 2u);
}

TEST(Profiles, AWriteThatFailsKeepsTheOldFile)
{
    TempDir dir;
    {
        CProfiles p;
        p.Load(dir / "missing/Profiles.xml");
        ASSERT_TRUE(p.AddProfile("Ann"));
        LogWatch mark;
        EXPECT_FALSE(p.Save());
        EXPECT_TRUE(mark.Has("Error: failed to save profiles to"));
        EXPECT_TRUE(p.HasProfile("Ann"));
    }
    // A disk that fills up while the file is written (the file size limit stands in for it): the
    // short write fails the save and the old file stays whole.
    const std::string path = dir / "Profiles.xml";
    CProfiles p;
    p.Load(path);
    ASSERT_TRUE(p.AddProfile("Ann"));
    ASSERT_TRUE(p.Save());
    const std::string before = ReadTextFile(path);
    const uintmax_t log_size = std::filesystem::file_size(GetLog().GetPath());
    // A game whose file is larger than the limit (every cell takes more than 16 bytes).
    CGameSlot big = FullSlot(upsLevelStarted);
    for (uintmax_t i = 0; i < (log_size + 16384) / 16 + 1000; ++i)
        big.statistics.cells.push_back(SavedCell{float(i % 10), float(i / 10), 1});
    p.GetProfile("Ann").SetGame(kCurrentGameSlot, big);
    rlimit old_limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old_limit), 0);
    const auto old_handler = ::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old_limit;
    small.rlim_cur = static_cast<rlim_t>(log_size + 16384);   // the log may still grow a little
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    LogWatch mark;
    const bool saved = p.Save();
    ::setrlimit(RLIMIT_FSIZE, &old_limit);
    ::signal(SIGXFSZ, old_handler);
    EXPECT_FALSE(saved);
    EXPECT_TRUE(mark.Has("Error: failed to save profiles to"));
    EXPECT_EQ(ReadTextFile(path), before);
    EXPECT_EQ(p.GetProfile("Ann").GetGame(kCurrentGameSlot), big);
    // No temporary file is left beside it.
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) files += entry.is_regular_file();
    EXPECT_EQ(files, 1u);
}

} // namespace
