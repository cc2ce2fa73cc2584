#include "shell/main_entry.h"

#include "shell/main_appgame.h"
#include "settings/main_settings.h"
#include "settings/main_userfiles.h"

#include "engine/core/engine_core.h"
#include "engine/text/engine_cursor.h"
#include "engine/base/engine_helpers.h"
#include "engine/base/engine_log.h"
#include "engine/particles/engine_pyro2.h"
#include "engine/base/engine_registry.h"
#include "engine/base/engine_sehtrans.h"
#include "engine/sound/engine_sound.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <thread>
#include <unistd.h>
#include <vector>


namespace {

const char* const kParticleFile = "Textures\\Pyro\\PyroDemo2.pyro";
const char* const kStatsPath = "/stats/zerafine.html";

void ChangeToGameFolder(const std::string& data_dir)
{
    const char* env = std::getenv("ZERAFINE_DATA");
    const std::string folder = (env && *env) ? std::string(env) : data_dir;
    if (folder.empty() || ::chdir(folder.c_str()) != 0) {
        GetLog().Error("Error: cannot enter the game folder '%s'.", folder.c_str());
        THROW_ERROR("\"Game folder not found!\"");
    }
    GetLog().Message("Game folder: %s", folder.c_str());
}

} // namespace

namespace {

// The text of the exception in flight; call inside a catch block.
std::string ExceptionText()
{
    try {
        throw;
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "unknown exception";
    }
}

// The newest error the log got since it had `errors_before` of them that says more than the
// exception's own row ("Error: <reason>"); "" when there is none.
std::string ErrorBehind(const std::string& reason, int errors_before)
{
    const CLog& log = GetLog();
    const std::vector<std::string>& recent = log.GetRecentErrors();
    const size_t fresh = std::min(recent.size(), static_cast<size_t>(std::max(0, log.GetErrorCount() - errors_before)));
    for (size_t i = 0; i < fresh; ++i) {
        const std::string& error = recent[recent.size() - 1 - i];
        if (error != "Error: " + reason) return error;
    }
    return std::string();
}

} // namespace

int RunStages(const std::vector<std::function<void()>>& stages, const std::function<void(int)>& on_failure,
              StageFailure* failure)
{
    for (size_t i = 0; i < stages.size(); ++i) {
        const int stage = static_cast<int>(i) + 1;
        SetCrashStage(stage);
        const int errors_before = GetLog().GetErrorCount();
        try {
            stages[i]();
        } catch (...) {
            if (failure) {
                failure->stage = stage;
                failure->reason = ExceptionText();
                failure->detail = ErrorBehind(failure->reason, errors_before);
            }
            HandleCrash("WinMain", stage);
            if (on_failure) on_failure(stage);
            return stage;
        }
    }
    SetCrashStage(0);
    return 0;
}

std::string StageFailureText(const StageFailure& failure, const std::string& log_path)
{
    static const char* const kStageNames[] = {"game folder and settings", "engine start", "loading the game",
                                              "running the game", "leaving the game", "releasing the scenes",
                                              "shut-down"};
    const int count = static_cast<int>(std::size(kStageNames));
    std::string text = "Zerafine stopped: stage " + std::to_string(failure.stage);
    if (failure.stage >= 1 && failure.stage <= count) text += std::string(" (") + kStageNames[failure.stage - 1] + ")";
    text += " failed: " + failure.reason;
    if (!failure.detail.empty()) text += " - " + failure.detail;
    text += log_path.empty() ? std::string(" No log was written.") : " The log is " + log_path;
    return text;
}

void ReportStageFailure(const StageFailure& failure)
{
    const std::string text = StageFailureText(failure, CLog::IsOff() ? std::string() : GetLog().GetPath());
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
    ShowErrorMessage("Zerafine", text.c_str());
}

std::string JoinCommandLine(int argc, char** argv)
{
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (!line.empty()) line += ' ';
        line += argv[i];
    }
    return line;
}

bool ApplyTestCommandLine(bool keys, const std::string& command_line)
{
    if (!keys || command_line.empty()) return false;
    CVariableRegistry& vars = GetGlobalVars();
    vars.SetBool("test_mode", true);
    int numbers[2] = {vars.GetInt("init_episode"), vars.GetInt("init_level")};
    // The leading numbers, each read like "%d" (a later number, like a third one, has no
    // destination); the first text that is no number ends the scan. A number beyond the int range
    // is taken as the nearest int, which names no episode or level.
    const char* p = command_line.c_str();
    for (int& number : numbers) {
        char* end = nullptr;
        const long long value = std::strtoll(p, &end, 10);
        if (end == p) break;
        number = static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
        p = end;
    }
    vars.SetInt("init_episode", numbers[0]);
    vars.SetInt("init_level", numbers[1]);
    vars.SetInt("init_bonus_level", 0);
    return true;
}

int ExitCodeOf(int exit_state)
{
    switch (exit_state) {
    case esNormal:
    case esUserBreak: return ecSuccess;
    case esFailed: return ecAppFailed;
    case esCrashed: return ecAppCrashed;
    default: return ecAppStrange;
    }
}

std::string StatisticsPageUrl(const std::string& host)
{
    if (host.empty()) return std::string();
    const bool has_scheme = host.find("://") != std::string::npos;
    return (has_scheme ? host : "https://" + host) + kStatsPath;
}

bool OpenStatisticsPage(const std::string& host, const UrlOpener& open_url)
{
    if (host.empty()) {
        GetLog().Message("No statistics page host configured: no page opened.");
        return false;
    }
    const std::string url = StatisticsPageUrl(host);
    const bool opened = open_url ? open_url(url) : OpenURL(url.c_str());
    if (!opened) GetLog().Error("Fail 'open' launch %s", url.c_str());
    return opened;
}

int ZerafineMain(int argc, char** argv, const EntryOptions& options)
{
    InstallSeTranslator();
    CLog& log = GetLog();
    log.MessageBold("Running application...");

    std::unique_ptr<CAppGame> app;
    int exit_state = esNone;   // taken in stage 5, before the application object goes away
    const std::string command_line = JoinCommandLine(argc, argv);

    std::vector<std::function<void()>> stages = {
        // 1: game folder, variables, settings, test start, system report.
        [&] {
            ChangeToGameFolder(options.data_dir);
            RemoveStaleUserTemporaries();
            RegisterGameVariables();
            SettingsRecord& settings = g_Settings.EnsureLoaded();
            g_TestKeys = settings.keys;
            ApplyTestCommandLine(settings.keys, command_line);
            log.WriteSystemInfo();
        },
        // 2: engine, particles, application object.
        [&] {
            log.WriteRow(CLog::lvlMessage, "");
            log.MessageBold("Initialize engine...");
            g_SoundKeeper = &ProgramSoundKeeper();
            g_EngineCore = &ProgramEngineCore();
            // Without a window and renderer nothing later can work: stop here, not in a later crash.
            SetKnownRenderer(StoredRendererVerdict());
            if (!g_EngineCore->Init("Zerafine", "Zerafine", g_Settings.EnsureLoaded().windowed))
                THROW_ERROR("\"Failed to initialize engine!\"");
            StoreRendererVerdict();
            g_EngineCore->SetCallback(cbAfterToggle, &OnDisplayModeChanged);
            AttachCursorToMouse();
            InitPyro(kParticleFile);
            log.MessageBold("Engine initialized.");
            app = std::make_unique<CAppGame>();
        },
        [&] { app->Enter(); },
        [&] { app->Run(); },
        [&] {
            app->Exit();
            exit_state = app->GetExitState();
        },
        [&] {
            app->ReleaseScenes();
            app.reset();
        },
        [&] {
            ShutdownPyro();
            log.WriteRow(CLog::lvlMessage, "");
            log.MessageBold("Application finished.");
        },
    };

    StageFailure failure;
    const int failed = RunStages(
        stages,
        [&](int stage) {
            if (stage >= 3) app.reset();
        },
        &failure);
    if (failed) {
        ReportStageFailure(failure);
        return failed;
    }

    if (OpenStatisticsPage(options.stats_host, options.open_url))
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    return ExitCodeOf(exit_state);
}
