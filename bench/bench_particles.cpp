// Frame cost of 2,000 live particles: simulation alone, and simulation plus drawing through the
// engine core on the software renderer (the window of SDL's dummy video driver unless one is set).
// Each frame of the drawing runs are complete frames: begin, clear, particles, present.
#include "bench_engine.h"
#include "engine/core/engine_core_internal.h"
#include "engine/particles/engine_particles.h"
#include "engine/particles/engine_pyro2.h"

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr float kFrame = 0.016f;

// 25 emitters, each keeping 80 particles alive (50 per second for 1.6 s): 2,000 particles.
const char* const kLibrary = R"(<ParticleLibrary>
  <Texture id="glow" file="Textures\Pyro\Glow.png"/>
  <Texture id="spark" file="Textures\Pyro\Spark.png"/>
  <Emitter name="Alpha" loop="1" period="1">
    <Layer texture="glow" rate="50" life="1.6" speed="20 60" spread="360" gravity="0 30" size="16 6" color="FFFFC040 00FF6020"/>
  </Emitter>
  <Emitter name="Add" loop="1" period="1">
    <Layer texture="spark" blend="add" rate="50" life="1.6" speed="20 60" spread="360" gravity="0 30" size="16 6" color="FFFFC040 00FF6020"/>
  </Emitter>
</ParticleLibrary>)";

struct Setup {
    bool ok = false;
    Setup()
    {
        std::filesystem::current_path(ZF_GAME_DATA_DIR);
        const std::string file = (std::filesystem::temp_directory_path() / "zf_bench_particles.pyro").string();
        std::ofstream(file) << kLibrary;
        CEngineCore* core = zfbench::HeadlessEngine();
        ok = core && InitPyro(file);
        if (core) core->SetFrameTime(kFrame);
    }
};

bool Ready()
{
    static Setup setup;
    return setup.ok;
}

std::unique_ptr<CPyro2> MakeEffects(const char* name)
{
    SetPyroSeed(7);
    auto pyro = std::make_unique<CPyro2>();
    for (int i = 0; i < 25; ++i)
        pyro->AddEmitter(name, 80.0f + (i % 5) * 160.0f, 60.0f + (i / 5) * 120.0f);
    // two seconds to reach the steady state
    for (int i = 0; i < 125; ++i) {
        g_EngineCore->BeginFrame();
        pyro->Render();
        g_EngineCore->EndFrame();
    }
    return pyro;
}

// The particle system alone: 25 emitters stepped and batched, nothing submitted.
void Simulate(benchmark::State& state)
{
    const std::string text = kLibrary;
    auto library = zf::CParticleLibrary::Parse(text, "bench");
    std::vector<std::unique_ptr<zf::CParticleEmitter>> emitters;
    for (int i = 0; i < 25; ++i)
        emitters.push_back(std::make_unique<zf::CParticleEmitter>(library->Find("Alpha"), i, 80.0f * i, 300.0f));
    zf::CParticleBatcher batcher;
    float time = 0.0f;
    auto step = [&] {
        batcher.Clear();
        for (auto& e : emitters) e->Update(time, kFrame);
        for (auto& e : emitters) e->Render(time, kFrame, 0, 0, 0, true, batcher);
        time += kFrame;
    };
    for (int i = 0; i < 125; ++i) step();
    for (auto _ : state) {
        step();
        benchmark::DoNotOptimize(batcher.QuadCount());
    }
    state.counters["particles"] = static_cast<double>(batcher.QuadCount());
}

void Frame(benchmark::State& state, const char* name)
{
    if (!Ready()) { state.SkipWithError("no renderer"); return; }
    auto pyro = MakeEffects(name);
    for (auto _ : state) {
        g_EngineCore->BeginFrame();
        g_EngineCore->Clear(0xFF203048);
        pyro->Render();
        g_EngineCore->EndFrame();
    }
    state.counters["particles"] = static_cast<double>(pyro->GetParticleCount());
}

void EmptyFrame(benchmark::State& state)
{
    if (!Ready()) { state.SkipWithError("no renderer"); return; }
    for (auto _ : state) {
        g_EngineCore->BeginFrame();
        g_EngineCore->Clear(0xFF203048);
        g_EngineCore->EndFrame();
    }
}

} // namespace

BENCHMARK(Simulate)->Name("Particles2000/SimulateOnly")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Frame, alpha, "Alpha")->Name("Particles2000/FrameAlpha")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Frame, add, "Add")->Name("Particles2000/FrameAdd")->Unit(benchmark::kMicrosecond);
BENCHMARK(EmptyFrame)->Name("EmptyFrame")->Unit(benchmark::kMicrosecond);
