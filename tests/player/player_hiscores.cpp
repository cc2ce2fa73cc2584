// Hiscores: filing rows into the level and champion tables, the file and its faults.
#include "player/player_test_util.h"

#include "support/test_support.h"

#include <filesystem>
#include <random>
#include <set>

using namespace player_test;

namespace {

using Rows = std::list<HiscoreRow>;

TEST(HiscoreTable, FilingTable)
{
    struct Filing { const char* name; int value; };
    struct Row { const char* what; bool smaller_is_better; size_t limit; Rows start; std::vector<Filing> files; Rows want; bool last_changed; };
    const Row rows[] = {
        {"equal scores keep their order", false, 3, {}, {{"A", 500}, {"B", 700}, {"C", 600}, {"D", 700}},
         {{"B", 700}, {"D", 700}, {"C", 600}}, true},
        {"equal to the worst of a full table: dropped", false, 3, {{"B", 700}, {"D", 700}, {"C", 600}}, {{"E", 600}},
         {{"B", 700}, {"D", 700}, {"C", 600}}, true},
        {"a worse time of a holder changes nothing", true, 3, {{"A", 80}, {"B", 85}}, {{"A", 90}}, {{"A", 80}, {"B", 85}}, false},
        {"a better time replaces it and sorts", true, 3, {{"B", 75}, {"A", 80}}, {{"A", 70}}, {{"A", 70}, {"B", 75}}, true},
        {"a lower score of a holder: not sorted, not cut", false, 3, {{"Z", 1}, {"A", 900}, {"B", 5}, {"C", 4}}, {{"A", 800}},
         {{"Z", 1}, {"A", 900}, {"B", 5}, {"C", 4}}, false},
        {"names are case-sensitive", false, 3, {{"ann", 100}}, {{"Ann", 50}}, {{"ann", 100}, {"Ann", 50}}, true},
        {"a sixth champion above the lowest pushes it out", false, 5,
         {{"A", 900}, {"B", 800}, {"C", 700}, {"D", 600}, {"E", 500}}, {{"F", 650}},
         {{"A", 900}, {"B", 800}, {"C", 700}, {"F", 650}, {"D", 600}}, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        HiscoreTable table{r.start, r.smaller_is_better};
        bool changed = false;
        for (const Filing& f : r.files) changed = table.File(HiscoreRow{f.name, f.value}, r.limit);
        EXPECT_EQ(table.rows, r.want);
        EXPECT_EQ(changed, r.last_changed);
    }
}

// Random filings: every table stays best first within its limit, names once, each holding the best
// value its player ever filed while the player is in it.
TEST(HiscoreTable, RandomFilingsKeepTheTablesInOrder)
{
    std::mt19937 rng(11);
    for (bool smaller : {false, true}) {
        HiscoreTable table{{}, smaller};
        std::map<std::string, int> best;
        for (int i = 0; i < 3000; ++i) {
            const std::string name(1, static_cast<char>('A' + rng() % 8));
            const int value = static_cast<int>(rng() % 200);
            table.File(HiscoreRow{name, value}, 3);
            auto it = best.find(name);
            if (it == best.end() || table.Better(value, it->second)) best[name] = value;
            ASSERT_LE(table.rows.size(), 3u);
            std::set<std::string> names;
            for (auto a = table.rows.begin(); a != table.rows.end(); ++a) {
                ASSERT_TRUE(names.insert(a->name).second);
                ASSERT_EQ(a->value, best[a->name]);
                if (std::next(a) != table.rows.end()) {
                    ASSERT_FALSE(table.Better(std::next(a)->value, a->value));
                }
            }
        }
    }
}

class Hiscores : public PlayerFixture {};

TEST_F(Hiscores, ResultsChampionsAndTheSavedFlag)
{
    ASSERT_TRUE(g_Profiles.AddProfile("Ann"));
    g_User.LoadFromProfile(g_Profiles.GetProfile("Ann"), kCurrentGameSlot);
    g_User.SetEpisode(1);
    g_User.SetLevel(2);
    CHiscores& h = g_Hiscores;
    EXPECT_TRUE(h.IsSaved());
    EXPECT_TRUE(h.Save());
    EXPECT_FALSE(std::filesystem::exists(dir / "Hiscores.xml"));   // nothing filed, nothing written

    LevelStats stats;
    stats.score = 5200;
    stats.time = 61000;
    h.AddResult(stats);
    EXPECT_FALSE(h.IsSaved());
    HiscoreRow best;
    ASSERT_TRUE(h.GetBest(httScore, 1, 2, best));
    EXPECT_EQ(best, (HiscoreRow{"Ann", 5200}));
    ASSERT_TRUE(h.GetBest(httTime, 1, 2, best));
    EXPECT_EQ(best, (HiscoreRow{"Ann", 61000}));
    ASSERT_TRUE(h.Save());
    EXPECT_TRUE(h.IsSaved());

    // A result that changes no table still marks the tables unsaved; a champion that changes none does not.
    stats.score = 100;
    stats.time = 99000;
    h.AddResult(stats);
    EXPECT_FALSE(h.IsSaved());
    ASSERT_TRUE(h.Save());
    h.AddChampion(httScore, HiscoreRow{"Ann", 48000});
    EXPECT_FALSE(h.IsSaved());
    ASSERT_TRUE(h.Save());
    h.AddChampion(httScore, HiscoreRow{"Ann", 47000});
    EXPECT_TRUE(h.IsSaved());

    // A level never played: no best row, and an empty entry that the file keeps.
    EXPECT_FALSE(h.GetBest(httScore, 0, 5, best));
    h.AddChampion(httScore, HiscoreRow{"Bob", 1});
    ASSERT_TRUE(h.Save());
    const std::string raw = ReadTextFile(dir / "Hiscores.xml");
    EXPECT_EQ(static_cast<uint8_t>(raw[0]), '<' ^ 0x5A);
    const std::string text = Scrambled(raw);
    EXPECT_TRUE(zftest::InOrder(text, {"<Episode number=\"0\">", "<Level number=\"5\">", "<Score />", "<Time />",
                                       "<Episode number=\"1\">", "<Level number=\"2\">", "<Champions>"}))
        << text;

    CHiscores back;
    ASSERT_TRUE(back.Load(dir / "Hiscores.xml"));
    EXPECT_EQ(back.GetEpisodes().size(), 2u);
    EXPECT_EQ(back.GetTable(httScore, 1, 2).rows, (Rows{{"Ann", 5200}}));
    EXPECT_EQ(back.GetTable(httTime, 1, 2).rows, (Rows{{"Ann", 61000}}));
    EXPECT_EQ(back.GetChampionTable(httScore).rows, (Rows{{"Ann", 48000}, {"Bob", 1}}));
    EXPECT_TRUE(back.GetTable(httScore, 0, 5).rows.empty());
}

// A won level as the game screen files it: the record gets the level's best score and time, and the
// file holds the result at once.
TEST_F(Hiscores, AWonLevelIsFiledIntoItsRecordAndTheFile)
{
    struct Play { const char* player; int score, time, total; const char* best_score_name; int best_score;
                  const char* best_time_name; int best_time; };
    const Play plays[] = {
        {"Ann", 5200, 61000, 43000, "Ann", 5200, "Ann", 61000},
        {"Bob", 4000, 50000, 90000, "Ann", 5200, "Bob", 50000},
        {"Ann", 6000, 70000, 60000, "Ann", 6000, "Bob", 50000},
    };
    for (const Play& p : plays) {
        SCOPED_TRACE(p.player);
        if (!g_Profiles.HasProfile(p.player)) {
            ASSERT_TRUE(g_Profiles.AddProfile(p.player));
        }
        g_User.LoadFromProfile(g_Profiles.GetProfile(p.player), kCurrentGameSlot);
        g_User.SetEpisode(0);
        g_User.SetLevel(1);
        g_User.Game().score = p.total;
        LevelRecord record;
        record.score = p.score;
        record.time = p.time;
        ASSERT_TRUE(g_Hiscores.FileLevelRecord(record));
        EXPECT_EQ(record.best_score_name, p.best_score_name);
        EXPECT_EQ(record.best_score, p.best_score);
        EXPECT_EQ(record.best_time_name, p.best_time_name);
        EXPECT_EQ(record.best_time, p.best_time);
        EXPECT_TRUE(g_Hiscores.IsSaved());
    }
    CHiscores back;
    ASSERT_TRUE(back.Load(dir / "Hiscores.xml"));
    EXPECT_EQ(back.GetTable(httScore, 0, 1).rows, (Rows{{"Ann", 6000}, {"Bob", 4000}}));
    EXPECT_EQ(back.GetTable(httTime, 0, 1).rows, (Rows{{"Bob", 50000}, {"Ann", 61000}}));
    EXPECT_EQ(back.GetChampionTable(httScore).rows, (Rows{{"Bob", 90000}, {"Ann", 60000}}));
}

TEST_F(Hiscores, ReadingKeepsRowsAsTheyStandAndDropsUnnumberedEntries)
{
    std::string xml = "<Hiscores><Episode number=\"0\"><Level number=\"1\"><Score>";
    for (int i = 0; i < 6; ++i) xml += "<Result name=\"P" + std::to_string(i) + "\" score=\"" + std::to_string(100 * i) + "\"/>";
    xml += "</Score></Level><Level><Score><Result name=\"X\" score=\"1\"/></Score></Level></Episode>"
           "<Episode><Level number=\"4\"/></Episode><Champions><Score><Result score=\"3\"/></Score></Champions></Hiscores>";
    WriteText(dir / "Hiscores.xml", Scrambled(xml));
    CHiscores h;
    ASSERT_TRUE(h.Load(dir / "Hiscores.xml"));
    EXPECT_EQ(h.GetEpisodes().size(), 1u);
    EXPECT_EQ(h.GetEpisodes().at(0).size(), 1u);
    EXPECT_EQ(h.GetTable(httScore, 0, 1).rows.size(), 6u);   // as read, not sorted or cut
    EXPECT_EQ(h.GetTable(httScore, 0, 1).rows.front().name, "P0");
    EXPECT_EQ(h.GetChampionTable(httScore).rows, (Rows{{"", 3}}));
    h.GetTable(httScore, 0, 1).File(HiscoreRow{"Q", 50}, 3);
    EXPECT_EQ(h.GetTable(httScore, 0, 1).rows, (Rows{{"P5", 500}, {"P4", 400}, {"P3", 300}}));
}

TEST_F(Hiscores, DamagedFilesAndTheGameFolderCopy)
{
    // A plain file is not a hiscores file: it is kept aside and the tables are empty.
    const std::string path = dir / "Hiscores.xml";
    const std::string plain = "<Hiscores><Champions><Score><Result name=\"A\" score=\"5\"/></Score></Champions></Hiscores>";
    WriteText(path, plain);
    CHiscores h;
    LogWatch mark;
    EXPECT_FALSE(h.Load(path));
    EXPECT_TRUE(mark.Has("hiscores file"));
    EXPECT_TRUE(h.GetChampionTable(httScore).rows.empty());
    EXPECT_EQ(ReadTextFile(path + ".bad-1"), plain);
    EXPECT_FALSE(std::filesystem::exists(path));

    // Without a file of its own, the copy of the game folder is read (and never moved).
    TempDir game;
    WriteText(game / "Hiscores.xml", Scrambled(plain));
    {
        zftest::ScopedChdir in(game.path());
        ASSERT_TRUE(h.Load(path));
    }
    EXPECT_EQ(h.GetChampionTable(httScore).rows, (Rows{{"A", 5}}));
    EXPECT_TRUE(std::filesystem::exists(game / "Hiscores.xml"));
    WriteText(game / "Hiscores.xml", "damaged");
    {
        zftest::ScopedChdir in(game.path());
        EXPECT_FALSE(h.Load(path));
    }
    EXPECT_TRUE(h.GetChampionTable(httScore).rows.empty());
    EXPECT_EQ(ReadTextFile(game / "Hiscores.xml"), "damaged");
}

TEST_F(Hiscores, UnsupportedTableTypes)
{
    struct Row { int type; bool champion; const char* text; };
    const Row rows[] = {
        {2, false, "\"Ask for hiscore table type which not supported.\""},
        {-1, false, "\"Ask for hiscore table type which not supported.\""},
        {1, true, "\"Ask for champion table type which not supported.\""},
    };
    for (const Row& r : rows) {
        LogWatch mark;
        try {
            if (r.champion) g_Hiscores.AddChampion(r.type, HiscoreRow{"A", 1});
            else g_Hiscores.GetTable(r.type, 0, 0);
            FAIL() << r.type;
        } catch (const std::exception& e) {
            EXPECT_STREQ(e.what(), r.text);
        }
        EXPECT_TRUE(mark.Has(std::string("Error: ") + r.text));
    }
    EXPECT_TRUE(g_Hiscores.GetEpisodes().empty());
}

} // namespace
