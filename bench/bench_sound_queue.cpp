// The sound queue's per-frame update on the real sound keeper (SDL's dummy audio driver unless one
// is set) with the game's own sound tables: two musics cross-fading every frame, and a frame's
// sample requests (a few aliases, each asked for several times).
#include "engine/base/engine_clock.h"
#include "engine/sound/engine_sound_internal.h"
#include "engine/sound/engine_soundqueue.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

namespace {

uint32_t g_now = 1000;

CSoundKeeper* Keeper()
{
    static CSoundKeeper* keeper = [] {
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        std::filesystem::current_path(ZF_GAME_DATA_DIR);
        zf::SetClockSource([] { return g_now; });
        CSoundKeeper& k = CSoundKeeper::Instance();
        g_SoundKeeper = &k;
        k.SetVolumes(80, 80);
        k.LoadAllMusic();
        return &k;
    }();
    return keeper;
}

// Each iteration is one 16 ms frame; the cross-fade turns round every 4 seconds.
void Frame(benchmark::State& state, bool samples)
{
    Keeper();
    CSoundQueue queue;
    const MusicTrack level {"MUS_GAME1", 0}, nature {"MUS_NATURE", 0};
    queue.StartMusic(level, 0, 100);
    queue.StartMusic(nature, 0, 0);
    int frame = 0;
    for (auto _ : state) {
        if (frame % 250 == 0) {
            const bool up = (frame / 250) % 2 == 0;
            queue.FadeMusic(level, 4000, up ? 0 : 100);
            queue.FadeMusic(nature, 4000, up ? 100 : 0);
        }
        if (samples)
            for (const char* alias : {"it_select", "ball_pop", "it_select", "lock_break", "ball_pop", "it_select"})
                queue.QueueSound(alias);
        g_now += 16;
        ++frame;
        queue.Update();
    }
    queue.StopMusic(level, 0);
    queue.StopMusic(nature, 0);
}

} // namespace

BENCHMARK_CAPTURE(Frame, fades, false)->Name("SoundQueueUpdate/CrossFade")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Frame, fades_and_samples, true)->Name("SoundQueueUpdate/CrossFadeAndSamples")->Unit(benchmark::kMicrosecond);
