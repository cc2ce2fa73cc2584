// The program from entry to exit: the staged start-up, the application's run and the shut-down.
#pragma once

#include <functional>
#include <string>
#include <vector>

// Opens a web page in the default browser; true when it was handed over.
using UrlOpener = std::function<bool(const std::string& url)>;

struct EntryOptions {
    // The game folder the program changes into when $ZERAFINE_DATA is not set.
    std::string data_dir;
    // Host of the statistics page opened at exit; empty: no page is opened.
    std::string stats_host;
    // How the page is opened (default: the desktop's URL handler).
    UrlOpener open_url;
};

// Exit codes: 0 after a complete run; 1..7 the start-up or shut-down stage that failed; after an
// orderly shut-down that followed a failure in the scene loop, 8 (the application failed),
// 9 (it crashed) or 10 (it ended in an unexpected way).
enum EExitCode { ecSuccess = 0, ecAppFailed = 8, ecAppCrashed = 9, ecAppStrange = 10 };

// What ended a stage: its number, the text of what it threw and the error the log got before
// that says more (a file that is missing or damaged, ...; "" when none).
struct StageFailure {
    int stage = 0;
    std::string reason;
    std::string detail;
};

// Runs the stages in order, each under its own handler; the running stage is the crash stage of a
// fault. A stage that throws is reported ("WinMain", its number), on_failure runs with the number and
// the number is returned (and the failure described in `failure` when given). 0 when every stage ran.
int RunStages(const std::vector<std::function<void()>>& stages, const std::function<void(int)>& on_failure,
              StageFailure* failure = nullptr);
// The one line that tells the player about a failed stage: the stage, the reason and where the log is.
std::string StageFailureText(const StageFailure& failure, const std::string& log_path);
// Prints that line to standard error and shows it in a message box when a display is there.
void ReportStageFailure(const StageFailure& failure);

int ZerafineMain(int argc, char** argv, const EntryOptions& options);

// The command line as one text: the arguments after the program name joined by single spaces.
std::string JoinCommandLine(int argc, char** argv);
// Takes a test start from the command line when the test keys are on: "test_mode", "init_episode",
// "init_level" and "init_bonus_level" (the global variables must be registered). True when test
// mode was switched on.
bool ApplyTestCommandLine(bool keys, const std::string& command_line);
// The process exit code of a run whose scene loop ended with the exit state.
int ExitCodeOf(int exit_state);
// The statistics page address of the host ("" without host).
std::string StatisticsPageUrl(const std::string& host);
// Opens the statistics page when a host is configured, else logs that nothing was opened.
// True when a page was handed over.
bool OpenStatisticsPage(const std::string& host, const UrlOpener& open_url);
