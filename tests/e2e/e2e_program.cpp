// Whole-program runs under the dummy video and audio drivers: the real entry, engine, scenes and
// files, driven by SDL events that a script pushes when the log shows the program is ready for them.
#include "shell/main_entry.h"
#include "support/test_support.h"

#include "engine/base/engine_registry.h"
#include "settings/main_userfiles.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>

namespace {

using zftest::CountOf;
using zftest::InOrder;
using zftest::ReadTextFile;
using zftest::TempDir;
using zftest::WriteText;

// One step of a script: wait until the log holds the text for the count-th time, then act.
struct ScriptStep {
    std::string wait_for;
    int count;
    std::function<void()> act;
};

void PushKey(SDL_Scancode scancode)
{
    SDL_Event down{};
    down.type = SDL_KEYDOWN;
    down.key.state = SDL_PRESSED;
    down.key.keysym.scancode = scancode;
    down.key.keysym.sym = SDL_GetKeyFromScancode(scancode);
    SDL_PushEvent(&down);
    SDL_Event up = down;
    up.type = SDL_KEYUP;
    up.key.state = SDL_RELEASED;
    SDL_PushEvent(&up);
}

void PushQuit()
{
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
}

// Runs the program in this (child) process with the script played by a second thread, and exits
// with the program's exit code. A step that does not come within the time limit ends the process
// with 99.
[[noreturn]] void RunProgram(std::vector<std::string> args, std::vector<ScriptStep> script)
{
    const std::string log_path = std::string(std::getenv("XDG_DATA_HOME")) + "/Tovrin/Zerafine/log.html";
    std::thread driver([script, log_path] {
        for (const ScriptStep& step : script) {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
            while (CountOf(ReadTextFile(log_path), step.wait_for) < static_cast<size_t>(step.count)) {
                if (std::chrono::steady_clock::now() > deadline) {
                    std::fprintf(stderr, "script step not reached: %s\n", step.wait_for.c_str());
                    std::_Exit(99);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            step.act();
        }
    });
    driver.detach();
    args.insert(args.begin(), "zerafine");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    EntryOptions options;
    options.data_dir = ZF_GAME_DATA_DIR;
    std::exit(ZerafineMain(static_cast<int>(argv.size()), argv.data(), options));
}

class Program : public ::testing::Test {
protected:
    // The child that runs a death-test statement executes the fixture again; it finds the folder of
    // its parent in the environment.
    void SetUp() override
    {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        if (const char* inherited = std::getenv("ZF_E2E_HOME")) {
            _home = inherited;
        } else {
            _owned = std::make_unique<TempDir>();
            _home = _owned->path();
            setenv("ZF_E2E_HOME", _home.c_str(), 1);
        }
        setenv("XDG_DATA_HOME", _home.c_str(), 1);
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        unsetenv("ZERAFINE_DATA");
    }
    void TearDown() override
    {
        if (_owned) unsetenv("ZF_E2E_HOME");
    }
    std::string UserFile(const std::string& name) const { return _home + "/Tovrin/Zerafine/" + name; }
    std::string Log() const { return ReadTextFile(UserFile("log.html")); }

    const std::string& home() const { return _home; }

private:
    std::unique_ptr<TempDir> _owned;
    std::string _home;
};

TEST_F(Program, StartsShowsTheMenuAndQuitsWithEscape)
{
    EXPECT_EXIT(RunProgram({}, {{"Load hiscores...", 1, [] { PushKey(SDL_SCANCODE_SPACE); }},   // skips the logo
                                {"Main menu.", 1, [] { PushKey(SDL_SCANCODE_ESCAPE); }}}),
                ::testing::ExitedWithCode(0), "");
    const std::string log = Log();
    EXPECT_TRUE(InOrder(log, {"Running application...", "Unable to load game settings, create default.",
                              "Initialize engine...", "Engine initialized.", "Enter game: Zerafine (version ",
                              "Load hints...", "Load profiles...", "Load hiscores...", "Main menu.",
                              "Exit game: shutdown normally.", "Application finished.",
                              "No statistics page host configured: no page opened."}))
        << log;
    EXPECT_EQ(log.find("Crush"), std::string::npos);
    struct stat st {};
    ASSERT_EQ(::stat((home() + "/Tovrin/Zerafine").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_NE(ReadTextFile(UserFile("Config.xml")).find("snd_vol=\"75\""), std::string::npos);
    // The renderer found at this start is kept for the next one.
    EXPECT_NE(ReadTextFile(UserFile("Config.xml")).find("renderer=\"software\""), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(UserFile("Profiles.xml")));   // no player was active
}

// Under SDL's disk audio driver the program's output is written to a file: while the menu shows, its
// music must really sound (faded in by the sound queue, which every scene steps each frame).
TEST_F(Program, TheMenuMusicSounds)
{
    WriteText(UserFile("Config.xml"), "<Config><Options no_logo=\"1\" mus_vol=\"100\" snd_vol=\"100\"/></Config>");
    const std::string audio = home() + "/audio.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", audio.c_str(), 1);
    EXPECT_EXIT(RunProgram({}, {{"Main menu.", 1,
                                 [] {
                                     std::this_thread::sleep_for(std::chrono::milliseconds(2500));
                                     PushKey(SDL_SCANCODE_ESCAPE);
                                 }}}),
                ::testing::ExitedWithCode(0), "");
    // Signed 16-bit stereo: the loudest 20 ms of the left channel.
    const std::string bytes = ReadTextFile(audio);
    const size_t frames = bytes.size() / 4, window = 882;
    ASSERT_GT(frames, window * 50) << "at least a second of output";
    double loudest = 0;
    for (size_t at = 0; at + window <= frames; at += window) {
        double sum = 0;
        for (size_t i = at; i < at + window; ++i) {
            int16_t v;
            std::memcpy(&v, bytes.data() + i * 4, 2);
            sum += double(v) * v;
        }
        loudest = std::max(loudest, std::sqrt(sum / window));
    }
    EXPECT_GT(loudest, 1000.0) << "the menu music is heard";
}

TEST_F(Program, ClosingTheWindowIsAUserBreak)
{
    WriteText(UserFile("Config.xml"), "<Config><Options no_logo=\"1\" snd_vol=\"20\"/></Config>");
    EXPECT_EXIT(RunProgram({"2", "5"}, {{"Main menu.", 1, [] { PushQuit(); }}}), ::testing::ExitedWithCode(0), "");
    const std::string log = Log();
    EXPECT_TRUE(InOrder(log, {"Main menu.", "Exit game: shutdown by user break.", "Application finished."})) << log;
    EXPECT_EQ(log.find("Init game state..."), std::string::npos);   // the command line needs the test keys
    // The settings file keeps what was set by hand and gains the written attributes.
    const std::string config = ReadTextFile(UserFile("Config.xml"));
    EXPECT_NE(config.find("no_logo=\"1\""), std::string::npos);
    EXPECT_NE(config.find("snd_vol=\"20\""), std::string::npos);
    EXPECT_NE(config.find("sensitivity=\"13\""), std::string::npos);
}

TEST_F(Program, TestStartReachesTheGameSceneWithTheLevelVariables)
{
    WriteText(UserFile("Config.xml"), "<Config><Options keys=\"1\" no_logo=\"1\"/></Config>");
    const std::string report = home() + "/vars.txt";
    auto record = [report] {
        CVariableRegistry& vars = GetGlobalVars();
        WriteText(report, vars.GetString("cur_level_file") + "|" + std::to_string(vars.GetBool("is_last_level")) + "|" +
                              std::to_string(vars.GetBool("test_mode")) + "|" +
                              std::to_string(vars.GetInt("init_bonus_level")));
        PushKey(SDL_SCANCODE_ESCAPE);
    };
    EXPECT_EXIT(RunProgram({"1", "2", "0"}, {{"Game scene: level", 1, record}}), ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(ReadTextFile(report), "Levels\\E02\\L03.xml|1|1|0");
    const std::string log = Log();
    EXPECT_TRUE(InOrder(log, {"Init game state...", "Loading episode #1...", "Starting GAME...",
                              "Game scene: level 'Levels\\E02\\L03.xml' (last level of the episode).",
                              "Exit game: shutdown normally.", "Application finished."}))
        << log;
    EXPECT_EQ(log.find("Main menu."), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(UserFile("Profiles.xml")));   // test mode saves nothing
}

TEST_F(Program, NewGameMovesFromLevelToLevelAndBackToTheMenu)
{
    WriteText(UserFile("Config.xml"), "<Config><Options no_logo=\"1\"/></Config>");
    EXPECT_EXIT(RunProgram({}, {{"Main menu.", 1, [] { PushKey(SDL_SCANCODE_RETURN); }},
                                {"Game scene: level", 1, [] { PushKey(SDL_SCANCODE_RETURN); }},
                                {"Game scene: level", 2, [] { PushKey(SDL_SCANCODE_ESCAPE); }},
                                {"Main menu.", 2, [] { PushKey(SDL_SCANCODE_ESCAPE); }}}),
                ::testing::ExitedWithCode(0), "");
    const std::string log = Log();
    EXPECT_TRUE(InOrder(log, {"Initialize game data...", "Loading episode #0...", "Game data initialized.",
                              "Game scene: level 'Levels\\E01\\L01.xml'", "Go next level...",
                              "Game scene: level 'Levels\\E01\\L02.xml'", "Main menu.", "Exit game: shutdown normally."}))
        << log;
}

TEST_F(Program, FinishingTheLastLevelOfTheGameReturnsToTheMenu)
{
    WriteText(UserFile("Config.xml"), "<Config><Options no_logo=\"1\"/></Config>");
    const int levels =
        static_cast<int>(CountOf(ReadTextFile(std::string(ZF_GAME_DATA_DIR) + "/Settings/Episodes.xml"), "<Level "));
    ASSERT_GT(levels, 0);
    std::vector<ScriptStep> script = {{"Main menu.", 1, [] { PushKey(SDL_SCANCODE_RETURN); }}};
    for (int n = 1; n <= levels; ++n) script.push_back({"Game scene: level", n, [] { PushKey(SDL_SCANCODE_RETURN); }});
    script.push_back({"Main menu.", 2, [] { PushKey(SDL_SCANCODE_ESCAPE); }});
    EXPECT_EXIT(RunProgram({}, script), ::testing::ExitedWithCode(0), "");
    const std::string log = Log();
    EXPECT_TRUE(InOrder(log, {"Go next level...", "Game completed.", "Main menu.", "Exit game: shutdown normally."}))
        << log;
    EXPECT_EQ(CountOf(log, "Game scene: level"), static_cast<size_t>(levels));
    EXPECT_EQ(log.find("Verify"), std::string::npos) << log;
}

TEST_F(Program, FailingStagesEndWithTheirNumber)
{
    // Stage 1: no game folder.
    setenv("ZERAFINE_DATA", (home() + "/missing").c_str(), 1);
    EXPECT_EXIT(RunProgram({}, {}), ::testing::ExitedWithCode(1), "");
    std::string log = Log();
    EXPECT_TRUE(InOrder(log, {"Running application...", "Application crushed on stage 1."})) << log;
    EXPECT_EQ(log.find("Application finished."), std::string::npos);

    // Stage 3: a game folder whose episode list is empty.
    TempDir game;
    for (const auto& entry : std::filesystem::directory_iterator(ZF_GAME_DATA_DIR))
        if (entry.path().filename() != "Settings")
            std::filesystem::create_directory_symlink(entry.path(), game.path() + "/" + entry.path().filename().string());
    for (const auto& entry : std::filesystem::directory_iterator(std::string(ZF_GAME_DATA_DIR) + "/Settings"))
        if (entry.path().filename() != "Episodes.xml") {
            std::filesystem::create_directories(game.path() + "/Settings");
            std::filesystem::create_symlink(entry.path(), game.path() + "/Settings/" + entry.path().filename().string());
        }
    WriteText(game / "Settings/Episodes.xml", "<Episodes/>");
    setenv("ZERAFINE_DATA", game.path().c_str(), 1);
    EXPECT_EXIT(RunProgram({}, {}), ::testing::ExitedWithCode(3), "");
    log = Log();
    EXPECT_TRUE(InOrder(log, {"No episodes found!", "Error: \"Failed to load levels data!\"",
                              "Crush with exception raised: \"Failed to load levels data!\" (WinMain)",
                              "Application crushed on stage 3."}))
        << log;
    EXPECT_EQ(log.find("Application finished."), std::string::npos);
    EXPECT_EQ(log.find("statistics page"), std::string::npos);
}

} // namespace
