// The settings file: first start, missing attributes, the current-folder copy, saving into an
// existing file, damaged files and a folder that cannot be written.
#include "support/shell_test_util.h"

#include "engine/base/engine_xml.h"
#include "settings/main_settings.h"
#include "engine/base/engine_userfolder.h"

#include <sys/stat.h>

#include <limits>

#include <gtest/gtest.h>

using namespace shell_test;

namespace {

// The attributes of "//Config/Options" of the file, "" for a missing one.
std::string Attr(const std::string& path, const char* name)
{
    CXMLFile file(path);
    return file.SelectSingleNode("//Config/Options").GetAttribute(name, "");
}

class Settings : public ::testing::Test {
protected:
    TempDir user;        // the user folder
    TempDir current;     // the current folder (no "Config.xml" unless a test writes one)
    ScopedChdir in_current{current.path()};
    std::string path = user / "Config.xml";
};

TEST_F(Settings, FirstStartWritesTheDefaultsAndLoadsThemNextTime)
{
    CGameSettings settings(path);
    LogWatch mark;
    SettingsRecord& r = settings.EnsureLoaded();
    EXPECT_NE(mark.Text().find("Unable to load game settings, create default."), std::string::npos);
    EXPECT_FALSE(settings.IsLoaded());
    EXPECT_EQ(r, SettingsRecord());
    const std::pair<const char*, const char*> written[] = {{"snd_vol", "75"}, {"mus_vol", "50"}, {"gamma", "0"},
                                                           {"windowed", "0"}, {"language", "0"}, {"sensitivity", "15"},
                                                           {"swap_buttons", "0"}};
    for (const auto& [name, value] : written) EXPECT_EQ(Attr(path, name), value) << name;
    for (const char* name : {"show_fps", "keys", "no_logo"}) EXPECT_EQ(Attr(path, name), "") << name;

    settings.EnsureLoaded();
    EXPECT_TRUE(settings.IsLoaded());
    EXPECT_EQ(settings.Record().snd_vol, 75);
    EXPECT_EQ(settings.Record().sensitivity, 15);
}

TEST_F(Settings, MissingAttributesTakeTheFileDefaultsAndSavingKeepsTheRest)
{
    WriteText(path, "<Config><Options keys=\"1\" extra=\"kept\"/><Other a=\"b\"/></Config>");
    CGameSettings settings(path);
    SettingsRecord& r = settings.EnsureLoaded();
    EXPECT_TRUE(settings.IsLoaded());
    EXPECT_EQ(r.snd_vol, 100);
    EXPECT_EQ(r.mus_vol, 100);
    EXPECT_EQ(r.sensitivity, 13);
    EXPECT_TRUE(r.keys);
    EXPECT_FALSE(r.no_logo);

    r.gamma = 3;
    r.windowed = true;
    settings.Save();
    EXPECT_EQ(Attr(path, "snd_vol"), "100");
    EXPECT_EQ(Attr(path, "gamma"), "3");
    EXPECT_EQ(Attr(path, "windowed"), "1");
    EXPECT_EQ(Attr(path, "sensitivity"), "13");
    EXPECT_EQ(Attr(path, "keys"), "1");
    EXPECT_EQ(Attr(path, "extra"), "kept");
    CXMLFile file(path);
    EXPECT_EQ(file.SelectSingleNode("//Config/Other").GetAttribute("a"), "b");
}

TEST_F(Settings, CurrentFolderCopyIsReadAndTheUserFileMadeOnSave)
{
    WriteText(current / "Config.xml", "<Config><Options snd_vol=\"33\" no_logo=\"1\"/></Config>");
    CGameSettings settings(path);
    EXPECT_EQ(settings.EnsureLoaded().snd_vol, 33);
    EXPECT_TRUE(settings.Record().no_logo);
    EXPECT_FALSE(std::filesystem::exists(path));
    LogWatch mark;
    settings.Save();
    EXPECT_NE(mark.Text().find("No game settings file, create new."), std::string::npos);
    EXPECT_EQ(Attr(path, "snd_vol"), "33");
    EXPECT_EQ(ReadTextFile("Config.xml"), "<Config><Options snd_vol=\"33\" no_logo=\"1\"/></Config>");
}

TEST_F(Settings, FileWithoutOptionsStillStoresTheSettings)
{
    WriteText(path, "<Config><Other/></Config>");
    CGameSettings settings(path);
    EXPECT_EQ(settings.EnsureLoaded(), SettingsRecord());
    EXPECT_TRUE(settings.IsLoaded());
    settings.Record().language = 2;
    settings.Save();
    EXPECT_EQ(Attr(path, "language"), "2");
    CXMLFile file(path);
    EXPECT_TRUE(file.SelectSingleNode("//Config/Other").IsValid());
}

TEST_F(Settings, DamagedFileIsKeptAsideNotOverwritten)
{
    const std::string damaged = "<Config><Options snd_vol=\"12\"";   // cut short
    for (const char* name : {"load", "save"}) {
        SCOPED_TRACE(name);
        std::filesystem::remove_all(user.path());
        std::filesystem::create_directories(user.path());
        WriteText(path, damaged);
        CGameSettings settings(path);
        LogWatch mark;
        if (std::string(name) == "load") settings.EnsureLoaded();
        else settings.Save();
        EXPECT_NE(mark.Text().find("cannot be read"), std::string::npos) << mark.Text();
        EXPECT_EQ(ReadTextFile(path + ".bad-1"), damaged);
        EXPECT_EQ(Attr(path, "snd_vol"), "75");   // a fresh file with the record
    }
}

TEST_F(Settings, UnwritableFileIsAnErrorWithTheText)
{
    WriteText(user / "blocker", "a file, not a folder");
    CGameSettings settings(user / "blocker/Config.xml");
    LogWatch mark;
    EXPECT_NO_THROW(settings.EnsureLoaded());   // logged; the game goes on with the defaults
    EXPECT_EQ(settings.Record(), SettingsRecord());
    EXPECT_NE(mark.Text().find("Error: \"Unable to save game settings!\""), std::string::npos);
}

TEST_F(Settings, DisplayModeToggleStoresTheWindowedFlag)
{
    std::filesystem::remove(g_Settings.GetPath());
    g_Settings.Load();
    StoreDisplayMode(false);
    EXPECT_EQ(Attr(g_Settings.GetPath(), "windowed"), "1");
    StoreDisplayMode(true);
    EXPECT_EQ(Attr(g_Settings.GetPath(), "windowed"), "0");
    SettingsRecord copy = g_Settings.EnsureLoaded();
    copy.mus_vol = 7;
    g_Settings.Assign(copy);
    EXPECT_EQ(Attr(g_Settings.GetPath(), "mus_vol"), "7");

    // A settings file that cannot be written: the toggle is logged and the game goes on.
    std::filesystem::remove(g_Settings.GetPath());
    std::filesystem::create_directory(g_Settings.GetPath());
    LogWatch mark;
    EXPECT_NO_THROW(OnDisplayModeChanged());
    EXPECT_NE(mark.Text().find("window mode not stored"), std::string::npos) << mark.Text();
    std::filesystem::remove(g_Settings.GetPath());
}

// The renderer an earlier start found, by its name in the file; any other name is no verdict.
TEST_F(Settings, TheKeptRendererVerdictIsReadByName)
{
    struct Case { const char* name; ERendererVerdict verdict; } cases[] = {
        {"software", rvSoftware}, {"accelerated", rvAccelerated}, {"", rvUnknown}, {"Software", rvUnknown},
    };
    for (const Case& c : cases) {
        WriteText(g_Settings.GetPath(), std::string("<Config><Options renderer=\"") + c.name + "\"/></Config>");
        g_Settings.Load();
        EXPECT_EQ(StoredRendererVerdict(), c.verdict) << c.name;
    }
    std::filesystem::remove(g_Settings.GetPath());
}

TEST(PanelSpeed, ConfiguredSpeedIsTruncatedAndBounded)
{
    const std::pair<float, int> rows[] = {{14.9f, 14}, {14.0f, 14}, {1.0f, 1}, {0.5f, 1}, {-3.0f, 1},
                                          {1e30f, 800}, {std::numeric_limits<float>::infinity(), 800},
                                          {std::numeric_limits<float>::quiet_NaN(), 1}};
    for (const auto& [configured, speed] : rows) EXPECT_EQ(PanelSlideSpeedOf(configured), speed) << configured;
}

TEST_F(Settings, UserFolderIsPrivate)
{
    struct stat st {};
    ASSERT_EQ(::stat(GetUserDataFolder().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(GetUserDataFolder().back(), '/');
}

} // namespace
