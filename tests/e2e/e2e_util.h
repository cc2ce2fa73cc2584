// Whole-program runs: the real entry, engine, scenes and files, in a death-test child, driven by
// SDL events that a script pushes when the log shows the program is ready for them (a second
// thread), or by a frame observer on the main thread between two frames.
#pragma once

#include "shell/main_entry.h"
#include "support/test_support.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace e2e {

using zftest::CountOf;
using zftest::InOrder;
using zftest::ReadTextFile;
using zftest::TempDir;
using zftest::WriteText;

// One step of a script: wait until the log holds the text for the count-th time, then act. A step
// without text is for runs that write no log: it acts every quarter second, once the program's
// video is up, until the program ends (or a minute has passed: 99).
struct ScriptStep {
    std::string wait_for;
    int count;
    std::function<void()> act;
};

// The log file of a run: in the user folder under XDG_DATA_HOME, or under HOME when that is empty.
inline std::string LogPathOfRun()
{
    const char* xdg = std::getenv("XDG_DATA_HOME");
    const std::string base = (xdg && *xdg) ? std::string(xdg) : std::string(std::getenv("HOME")) + "/.local/share";
    return base + "/Tovrin/Zerafine/log.html";
}

inline void PushKey(SDL_Scancode scancode)
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

inline void PushQuit()
{
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
}

// A game folder at `at` made of links to the shipped game files, without the files of "Settings"
// named in `missing` and with the Settings files of `replaced` written in place of the shipped ones.
// With `copied` the files are copies instead of links: a run under another user can read them even
// where the source tree lies in a folder only its owner may enter.
inline std::string MakeGameFolder(const std::string& at, const std::set<std::string>& missing,
                                  const std::map<std::string, std::string>& replaced = {}, bool copied = false)
{
    namespace fs = std::filesystem;
    fs::remove_all(at);
    fs::create_directories(at + "/Settings");
    const auto place = [copied](const fs::path& from, const fs::path& to) {
        if (copied)
            fs::copy(from, to, fs::copy_options::recursive);
        else if (fs::is_directory(from))
            fs::create_directory_symlink(from, to);
        else
            fs::create_symlink(from, to);
    };
    for (const auto& entry : fs::directory_iterator(ZF_GAME_DATA_DIR))
        if (entry.path().filename() != "Settings") place(entry.path(), at + "/" + entry.path().filename().string());
    for (const auto& entry : fs::directory_iterator(std::string(ZF_GAME_DATA_DIR) + "/Settings")) {
        const std::string name = entry.path().filename().string();
        if (!missing.count(name) && !replaced.count(name)) place(entry.path(), at + "/Settings/" + name);
    }
    for (const auto& [name, text] : replaced) WriteText(at + "/Settings/" + name, text);
    return at;
}

// Writes `text` as the file `relative` of a game folder made by MakeGameFolder: the linked folders
// on its way become real folders of links, so that only that file differs from the shipped one.
inline void OverrideGameFile(const std::string& folder, const std::string& relative, const std::string& text)
{
    namespace fs = std::filesystem;
    fs::path at = folder;
    const fs::path rel = relative;
    for (auto it = rel.begin(); it != rel.end(); ++it) {
        at /= *it;
        if (std::next(it) == rel.end()) break;
        if (fs::is_symlink(at)) {
            const fs::path target = fs::read_symlink(at);
            fs::remove(at);
            fs::create_directory(at);
            for (const auto& entry : fs::directory_iterator(target))
                fs::create_symlink(entry.path(), at / entry.path().filename());
        }
    }
    fs::remove(at);
    WriteText(at.string(), text);
}

// A process of root can write everywhere: the run that must meet a read-only folder runs as "nobody",
// who is given the test's folder first.
inline constexpr uid_t kNobody = 65534;
inline void GiveToNobodyIfRoot(const std::string& folder)
{
    if (::geteuid() != 0) return;
    if (::chown(folder.c_str(), kNobody, kNobody) != 0) std::abort();
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (::lchown(entry.path().c_str(), kNobody, kNobody) != 0) std::abort();
}
inline void BecomeNobodyIfRoot()
{
    if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
        std::abort();
}

// Runs the program in this (child) process with the script played by a second thread, and exits
// with the program's exit code. A step that does not come within the time limit ends the process
// with 99; a run driven by a frame observer alone must end within `limit`.
[[noreturn]] inline void RunProgram(std::vector<std::string> args, std::vector<ScriptStep> script,
                                    std::chrono::minutes limit = std::chrono::minutes(3))
{
    const std::string log_path = LogPathOfRun();
    std::thread driver([script, log_path, limit] {
        if (script.empty()) {
            std::this_thread::sleep_for(limit);
            std::fprintf(stderr, "the program did not end\n");
            std::_Exit(99);
        }
        for (const ScriptStep& step : script) {
            if (step.wait_for.empty()) {
                const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
                while (std::chrono::steady_clock::now() < deadline) {
                    if (SDL_WasInit(SDL_INIT_VIDEO)) step.act();
                    std::this_thread::sleep_for(std::chrono::milliseconds(250));
                }
                std::fprintf(stderr, "the program did not end\n");
                std::_Exit(99);
            }
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

// The screenshots in the folder; with ZF_E2E_KEEP_SHOTS=<folder> they are also copied there, their
// names after the prefix.
inline int CountShots(const std::string& folder, const std::string& prefix)
{
    int shots = 0;
    const char* keep = std::getenv("ZF_E2E_KEEP_SHOTS");
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".tga") continue;
        ++shots;
        if (keep)
            std::filesystem::copy_file(entry.path(), std::string(keep) + "/" + prefix + entry.path().filename().string(),
                                       std::filesystem::copy_options::overwrite_existing);
    }
    return shots;
}

// The report as key -> values (the last line of each key).
inline std::map<std::string, std::vector<std::vector<int>>> ReadReport(const std::string& path)
{
    std::map<std::string, std::vector<std::vector<int>>> report;
    std::istringstream in(ReadTextFile(path));
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string key;
        words >> key;
        std::vector<int> values;
        for (int v; words >> v;) values.push_back(v);
        report[key].push_back(values);
    }
    return report;
}

} // namespace e2e
