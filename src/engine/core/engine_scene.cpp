#include "engine/core/engine_scene_internal.h"

#include <SDL.h>

#include "engine/base/engine_clock.h"
#include "engine/core/engine_core_internal.h"
#include "engine/core/engine_input_internal.h"
#include "engine/base/engine_log.h"

uint32_t g_FramePeriod = 16;

namespace {

bool DefaultWait(SDL_Event& event, uint32_t ms)
{
    // Without a running event queue SDL's wait returns at once: sleep instead of spinning.
    if (!SDL_WasInit(SDL_INIT_EVENTS)) {
        SDL_Delay(ms);
        return false;
    }
    return SDL_WaitEventTimeout(&event, int(ms)) != 0;
}

SceneWaitFunction& WaitFunction()
{
    static SceneWaitFunction wait = DefaultWait;
    return wait;
}

// A key press reaches the scene as it would as a plain key message: not while Alt is held
// (those are system keys), and F10 never.
bool IsSceneKey(const SDL_KeyboardEvent& key)
{
    if (key.keysym.mod & KMOD_ALT) return false;
    switch (key.keysym.scancode) {
    case SDL_SCANCODE_LALT:
    case SDL_SCANCODE_RALT:
    case SDL_SCANCODE_F10:
        return false;
    default:
        return true;
    }
}

// Hands the event to the engine core's window procedure, then activates or deactivates the scene as
// it says and passes a key press on.
void Dispatch(AScene& scene, const SDL_Event& event)
{
    const int activation = g_EngineCore->GetPlatform()->HandleEvent(event);
    if (activation != actNone) scene.SetActive(activation == actActive);
    if (event.type == SDL_KEYDOWN && scene.IsActive() && IsSceneKey(event.key)) {
        const int vk = CDik2Vk::Instance()[ScancodeToDik(event.key.keysym.scancode)];
        if (vk) scene.OnKeyDown(vk);
    }
}

// How long the loop may sleep while inactive before it looks at the result again.
constexpr uint32_t kInactiveWaitMs = 100;

} // namespace

SceneWaitFunction SetSceneWaitFunction(SceneWaitFunction wait)
{
    SceneWaitFunction old = WaitFunction();
    WaitFunction() = wait ? std::move(wait) : SceneWaitFunction(DefaultWait);
    return old;
}

namespace {
SceneFrameObserver g_frame_observer;
} // namespace

void SetSceneFrameObserver(SceneFrameObserver observer) { g_frame_observer = std::move(observer); }

AScene::AScene(const std::string& alias) : _alias(alias) {}

AScene::~AScene() = default;

void AScene::RegisterCrossState(int id, const char* name, CrossStep step)
{
    _cross_table[id] = CrossEntry{name, std::move(step)};
    _cross_stages[id] = 0;
}

void AScene::StartCrossState(int id)
{
    if (_cross_state != 0 || id == 0) return;
    const auto it = _cross_table.find(id);
    if (it == _cross_table.end()) {
        GetLog().Error("Scene %s: cross-state %d is unknown.", _alias.c_str(), id);
        return;
    }
    if (_state != 1) _prev_state = _state;
    _state = 1;
    _cross_state = id;
    OnCrossStateStart(id);
    it->second.step(true);
}

void AScene::StepCrossState()
{
    if (_cross_state == 0) return;
    const auto it = _cross_table.find(_cross_state);
    if (it != _cross_table.end()) it->second.step(false);
}

int AScene::SetState(int n)
{
    const int old = _state;
    if (n == 0 || n == _state) return old;
    if (_state != 1) _prev_state = _state;
    _state = n;
    _cross_state = 0;
    return old;
}

int AScene::GetStage(int id) const
{
    const auto it = _cross_stages.find(id);
    return it == _cross_stages.end() ? 0 : it->second;
}

const char* AScene::GetCrossStateName(int id) const
{
    const auto it = _cross_table.find(id);
    return it == _cross_table.end() ? "" : it->second.name;
}

void AScene::BeginDraw()
{
    g_EngineCore->Clear(0);
}

void AScene::SetActive(bool active)
{
    _active = active;
    g_EngineCore->Activate(active);
    GetLog().Warning("Switch active to %s", active ? "true" : "false");
}

int AScene::Run()
{
    _result = srRunning;
    Enter();
    if (_result != srRunning) return _result;

    const uint32_t period = g_FramePeriod;
    uint32_t start = zf::ClockNow();
    uint32_t elapsed = 0;
    bool quit_posted = false;
    SDL_Event event;

    for (;;) {
        if (_result != srRunning) {
            if (_result != srQuit) break;
            // Quit requested: close, and end when the quit event comes back through the queue.
            if (!quit_posted) {
                SDL_Event quit {};
                quit.type = SDL_QUIT;
                quit_posted = SDL_PushEvent(&quit) == 1;
            }
        }

        bool taken;
        if (_active)
            taken = SDL_PollEvent(&event) != 0;
        else
            taken = WaitFunction()(event, kInactiveWaitMs);   // an inactive scene sleeps

        if (!taken && _active) {
            if (_frame_drawn) {
                PostFrame();
                _frame_drawn = false;
            }
            elapsed = zf::ClockNow() - start;
            if (elapsed < period) {
                // Sleep until the next frame is due or an event arrives.
                taken = WaitFunction()(event, period - elapsed);
                if (!taken) continue;
            } else {
                SetFrameTime(elapsed, period);
                start = zf::ClockNow();
                RenderFrame();
                AfterFrame();
                if (g_frame_observer) g_frame_observer(*this);
                elapsed = 0;
                continue;
            }
        }
        if (!taken) continue;

        if (event.type == SDL_QUIT) {
            if (_result == srRunning) _result = srWindowClosed;
            break;
        }
        Dispatch(*this, event);
    }

    Leave();
    return _result;
}

void AScene::RenderFrame()
{
    if (!g_EngineCore->BeginFrame()) return;
    _frame_drawn = true;
    BeginDraw();
    Frame();
    g_EngineCore->EndFrame();
}

void AScene::SetFrameTime(uint32_t elapsed_ms, uint32_t period_ms)
{
    float t = float(elapsed_ms) / 1000.0f;
    if (t > 0.2f) t = period_ms ? float(period_ms) / 1000.0f : 0.01f;
    g_EngineCore->SetFrameTime(t);
}
