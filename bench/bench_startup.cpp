// Start-up of the whole program: the time from starting the process to its first presented frame,
// and the peak memory of a run that shows the first scene for a few frames and then closes.
//
// Each iteration starts this executable again as a child that runs the game (dummy video and audio
// drivers unless the environment names others, a fresh user folder). The child's frame presents
// pass through the wrapper below, which reports the first one through a pipe and closes the window
// half a second later (a still screen is presented only once).
#include "shell/main_entry.h"

#include <SDL.h>
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

namespace {

int g_report_fd = -1;
int g_presents = 0;
constexpr auto kShownFor = std::chrono::milliseconds(500);
std::string g_self;

int64_t NowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

// Every present of the program comes through here in the child.
extern "C" void SDL_RenderPresent(SDL_Renderer* renderer)
{
    using Present = void (*)(SDL_Renderer*);
    static Present real = reinterpret_cast<Present>(dlsym(RTLD_NEXT, "SDL_RenderPresent"));
    real(renderer);
    if (g_report_fd < 0) return;
    if (++g_presents == 1) {
        const int64_t t = NowNs();
        if (write(g_report_fd, &t, sizeof t) != static_cast<ssize_t>(sizeof t)) std::_Exit(97);
        std::thread([] {
            std::this_thread::sleep_for(kShownFor);
            SDL_Event quit{};
            quit.type = SDL_QUIT;
            SDL_PushEvent(&quit);
        }).detach();
    }
}

// Starts the game as a child in the user folder; the time from the start to its first presented
// frame, and its peak memory. False when it did not present a frame and exit normally.
bool RunGame(const char* home, double& seconds, long& peak_kb)
{
    int fds[2];
    if (pipe(fds) != 0) return false;
    const int64_t start = NowNs();
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        setenv("XDG_DATA_HOME", home, 1);
        setenv("SDL_VIDEODRIVER", std::getenv("SDL_VIDEODRIVER") ? std::getenv("SDL_VIDEODRIVER") : "dummy", 1);
        setenv("SDL_AUDIODRIVER", std::getenv("SDL_AUDIODRIVER") ? std::getenv("SDL_AUDIODRIVER") : "dummy", 1);
        const std::string fd = std::to_string(fds[1]);
        execl(g_self.c_str(), g_self.c_str(), "--run-game", fd.c_str(), static_cast<char*>(nullptr));
        std::_Exit(98);
    }
    close(fds[1]);
    int64_t first = 0;
    const bool got = read(fds[0], &first, sizeof first) == static_cast<ssize_t>(sizeof first);
    close(fds[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    seconds = static_cast<double>(first - start) / 1e9;
    peak_kb = std::max(peak_kb, usage.ru_maxrss);
    return got && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// "again:0" is a first start (a fresh user folder); "again:1" a start after one in the same folder,
// with the settings it kept.
static void BM_StartToFirstFrame(benchmark::State& state)
{
    const bool again = state.range(0) != 0;
    long peak_kb = 0;
    for (auto _ : state) {
        char home[] = "/tmp/zf-bench-XXXXXX";
        if (!mkdtemp(home)) {
            state.SkipWithError("no temporary folder");
            break;
        }
        double seconds = 0;
        long untimed_kb = 0;
        const bool ok = (!again || RunGame(home, seconds, untimed_kb)) && RunGame(home, seconds, peak_kb);
        std::filesystem::remove_all(home);
        if (!ok) {
            state.SkipWithError("the game did not present a frame and exit normally");
            break;
        }
        state.SetIterationTime(seconds);
    }
    state.counters["peak_rss_MiB"] = static_cast<double>(peak_kb) / 1024.0;
}
BENCHMARK(BM_StartToFirstFrame)->ArgName("again")->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond)
    ->Iterations(5);

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--run-game") == 0) {
        g_report_fd = std::atoi(argv[2]);
        char name[] = "zerafine";
        char* game_argv[] = {name, nullptr};
        EntryOptions options;
        options.data_dir = ZF_GAME_DATA_DIR;
        return ZerafineMain(1, game_argv, options);
    }
    g_self = std::filesystem::canonical("/proc/self/exe").string();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
