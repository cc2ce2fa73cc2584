// Game slots, play states and level statistics.
#include "player/player_slot.h"

#include <gtest/gtest.h>

namespace {

TEST(Slot, ConstructedAndResetValues)
{
    CGameSlot slot;
    EXPECT_EQ(slot.game_state, ugsNone);
    EXPECT_EQ(slot.level, -1);
    EXPECT_EQ(slot.bonus_level, -1);
    EXPECT_EQ(slot.lives, 3);
    EXPECT_EQ(slot.background, -999);
    EXPECT_EQ(slot.bonus_background, -999);

    // A game in progress, everything set, then reset: only the alias stays.
    slot.alias = "current_game";
    slot.game_state = ugsPlaying;
    slot.play_state = upsLevelStarted;
    slot.episode = 2;
    slot.epoch = 3;
    slot.level = 4;
    slot.bonus_level = 1;
    slot.title = 5;
    slot.background = 7;
    slot.bg_shows = 2;
    slot.music = MusicTrack("level", 2);
    slot.music_plays = 4;
    slot.lives = 9;
    slot.score = 12345;
    slot.collect[1] = 10;
    slot.bonus[11] = 300;
    slot.city[101] = CityEntry{true, 1};
    slot.people[101].if_counter = 3;
    slot.statistics.field_saved = true;
    slot.statistics.cells.push_back(SavedCell{1, 2, 3});
    slot.Reset();

    CGameSlot want;
    want.alias = "current_game";
    want.game_state = ugsNew;
    want.background = 0;
    want.bonus_background = 0;
    EXPECT_EQ(slot, want);
}

TEST(Slot, PlayStatePredicates)
{
    struct Row { int ups; bool in_level, saved_level, in_bonus, saved_bonus; };
    const Row rows[] = {
        {upsNone, false, false, false, false},          {upsNextLevel, false, false, false, false},
        {upsLevelLoaded, true, false, false, false},    {upsLevelStarted, true, true, false, false},
        {upsLevelFinished, true, true, false, false},   {upsNextBonus, false, false, false, false},
        {upsBonusLoaded, false, false, true, false},    {upsBonusStarted, false, false, true, true},
        {upsBonusFinished, false, false, true, true},   {upsToShop, false, false, false, false},
    };
    for (const Row& r : rows) {
        CGameSlot slot;
        slot.play_state = r.ups;
        EXPECT_EQ(slot.IsInLevel(), r.in_level) << r.ups;
        EXPECT_EQ(slot.HasSavedLevel(), r.saved_level) << r.ups;
        EXPECT_EQ(slot.IsInBonusLevel(), r.in_bonus) << r.ups;
        EXPECT_EQ(slot.HasSavedBonusLevel(), r.saved_bonus) << r.ups;
    }
}

TEST(Slot, EpochStartSlotNames)
{
    EXPECT_EQ(GetEpochStartSlot(0), "epoch_start_1");
    EXPECT_EQ(GetEpochStartSlot(6), "epoch_start_7");
    for (int bad : {-1, 7}) {
        try {
            GetEpochStartSlot(bad);
            FAIL() << bad;
        } catch (const std::exception& e) {
            EXPECT_STREQ(e.what(), "verify {epoch_index >= 0 && epoch_index <= 6} failed");
        }
    }
}

TEST(LevelStats, ChainsLivesBonusesAndResets)
{
    LevelStats s;
    s.i_level = 4;
    s.time_cap = 90;
    s.was_locks = true;
    s.time = 5000;
    s.n_puzzles_broke = 12;
    s.AddChain(5, 100);
    s.AddChain(3, 40);
    EXPECT_EQ(s.n_chains, 2);
    EXPECT_EQ(s.n_moves, 2);
    EXPECT_EQ(s.total_chain_length, 8);
    EXPECT_EQ(s.total_chain_score, 140);
    EXPECT_EQ(s.max_chain_length, 5);
    EXPECT_EQ(s.max_chain_score, 100);
    s.AddLivesGain(2);
    s.AddLivesLoss(1);
    s.AddBonusGain(BonusEvent{11, 300, 2});
    s.AddBonusUse(BonusEvent{11, 900, 2});
    EXPECT_EQ(s.n_lives_gain, 2);
    EXPECT_EQ(s.n_lives_loss, 1);
    EXPECT_EQ(s.bonus_gain.front(), (BonusEvent{11, 300, 2}));
    EXPECT_EQ(s.bonus_use.size(), 1u);

    // A restart keeps what was counted besides time, moves and broken tiles.
    s.ResetProgress();
    EXPECT_EQ(s.time, 0);
    EXPECT_EQ(s.n_moves, 0);
    EXPECT_EQ(s.n_puzzles_broke, 0);
    EXPECT_EQ(s.n_chains, 2);

    // A new level's description leaves the statistics that follow it.
    s.LevelInfo::Reset();
    EXPECT_EQ(static_cast<const LevelInfo&>(s), LevelInfo());
    EXPECT_EQ(s.i_level, -999);
    EXPECT_EQ(s.n_lives_gain, 2);

    CStatistics st;
    st.field_saved = true;
    st.stats = s;
    st.balls.push_back(SavedBall{});
    st.Reset();
    EXPECT_EQ(st, CStatistics());

    LevelRecord record;
    EXPECT_EQ(record.offer_types[2], 1);
    EXPECT_EQ(record.offer_multipliers[0], 1);
    record.best_score = 7;
    record.Reset();
    EXPECT_EQ(record.best_score, 0);
}

} // namespace
