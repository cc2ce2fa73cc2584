// Every scene of the program lets the sound queue play the sounds asked for during its frame and
// move its music fades on, at the end of each frame.
#include "shell/main_appgame.h"

#include "engine/core/engine_scene.h"
#include "engine/sound/engine_soundqueue.h"
#include "engine/text/engine_langtext.h"
#include "field/config/field_config.h"
#include "player/player_gamevalues.h"
#include "support/recording_engine.h"
#include "support/recording_sound_keeper.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(SceneSound, EveryScenePlaysTheSoundsQueuedDuringItsFrame)
{
    zftest::ScopedChdir dir(ZF_GAME_DATA_DIR);
    CTextKeeper::Instance().SelectLanguage(0);
    // What the start-up gives the scenes first: the game values and the game configuration.
    RegisterGameValues();
    RegisterGameVariables();
    g_GameCfg = CGameCfg();
    g_GameCfg.Load();
    RecordingEngine engine;
    CRecordingSoundKeeper keeper;
    ISoundKeeper* old = g_SoundKeeper;
    g_SoundKeeper = &keeper;
    const SceneSet set = GetProgramScenes();
    const std::shared_ptr<AScene> logo = set.create_logo();
    for (AScene* scene : {logo.get(), set.menu, set.selector, set.game, set.city}) {
        SCOPED_TRACE(scene->GetAlias());
        ASSERT_TRUE(scene->Init());
        keeper.Clear();
        g_SoundQueue.QueueSound("it_select");
        scene->Frame();
        EXPECT_EQ(keeper.Count("PlaySample it_select"), 1u);
        scene->Destroy();
    }
    g_SoundKeeper = old;
}

} // namespace
