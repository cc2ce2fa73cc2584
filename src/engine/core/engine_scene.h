// The scene base: every screen of the game (logo, menu, selector, game, city) is a scene that runs
// its own event pump and frame loop until it sets a result.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>

// Milliseconds between the starts of two frames.
extern uint32_t g_FramePeriod;

// Results of AScene::Run.
enum ESceneResult {
    srRunning = 0,
    srFailure = 1,
    srNextScene = 2,      // run the next scene alias with the transition code
    srQuit = 3,           // quit requested: the pump ends when the quit event arrives
    srWindowClosed = 4,   // the window was closed while the scene was running
};

// Windows virtual-key codes of the keys the scenes answer in OnKeyDown.
constexpr int kVkReturn = 0x0D;
constexpr int kVkEscape = 0x1B;

class AScene;

// Called on the main thread after every frame a scene draws: whole-program tests watch and drive
// the game through it, as a player would between two frames. None by default.
using SceneFrameObserver = std::function<void(AScene& scene)>;
void SetSceneFrameObserver(SceneFrameObserver observer);

class AScene {
public:
    explicit AScene(const std::string& alias);

    // Called once when the scene starts to run.
    virtual void Enter() {}
    // Called once when the pump ends.
    virtual void Leave() {}
    // Called once after each drawn frame, before the next: the scene's input handling.
    virtual void PostFrame() {}
    // A key went down (Windows virtual-key code) while the scene is active.
    virtual void OnKeyDown(int /*vk*/) {}
    // Called after every frame attempt.
    virtual void AfterFrame() {}
    // Clears the frame to black.
    virtual void BeginDraw();
    // Updates and draws the scene once.
    virtual void Frame() = 0;
    // Stores the flag, pauses or resumes sound and gamma, logs "Switch active to %s".
    virtual void SetActive(bool active);
    virtual ~AScene();
    // Builds the scene's data; false means the scene cannot run.
    virtual bool Init() = 0;
    // Frees what Init built.
    virtual void Destroy() {}

    // The pump and frame loop; returns the result (1 to 4).
    int Run();
    // One frame: begin, BeginDraw, Frame, end (nothing when the frame cannot begin).
    void RenderFrame();
    // Frame time for animations: elapsed / 1000 s, one period when the frame stalled over 0.2 s.
    void SetFrameTime(uint32_t elapsed_ms, uint32_t period_ms);

    const std::string& GetAlias() const { return _alias; }
    bool IsActive() const { return _active; }
    int GetResult() const { return _result; }
    void SetResult(int result) { _result = result; }
    const std::string& GetNextScene() const { return _next_scene; }
    void SetNextScene(const std::string& alias) { _next_scene = alias; }
    int GetTransition() const { return _transition; }
    void SetTransition(int code) { _transition = code; }

    // The scene's own state machine: state, running cross-state id (0 when none), previous state.
    int GetState() const { return _state; }
    int GetCrossState() const { return _cross_state; }
    int GetPrevState() const { return _prev_state; }

    // Cross-states: numbered step functions that carry the scene from one state to another over
    // several frames. State 1 means "a cross-state runs". Starting one is ignored while another
    // runs or for id 0; otherwise the previous state is kept (unless it was 1), the state becomes
    // 1, OnCrossStateStart runs and the step is called once with start = true. Each frame
    // StepCrossState calls the running step with start = false. A cross-state ends by SetState,
    // by clearing the id and starting the next one (EndCrossState + StartCrossState), or by the
    // scene's result. An id without a registered step is logged and ignored.
    using CrossStep = std::function<void(bool start)>;
    void RegisterCrossState(int id, const char* name, CrossStep step);
    virtual void StartCrossState(int id);
    void StepCrossState();
    // Clears the running id without changing the state.
    void EndCrossState() { _cross_state = 0; }
    // The running cross-state hands over to the next one.
    void HandOver(int next)
    {
        EndCrossState();
        StartCrossState(next);
    }
    // Nothing for 0 or the current state; else the previous state is kept (unless it was 1), the
    // state becomes n and the running id 0. Returns the old state.
    int SetState(int n);
    // The stage counter of a cross-state (0 when idle).
    int& Stage(int id) { return _cross_stages[id]; }
    int GetStage(int id) const;
    const char* GetCrossStateName(int id) const;

protected:
    // Called by StartCrossState before the step's start (the game shows the system cursor there).
    virtual void OnCrossStateStart(int /*id*/) {}

    std::string _alias;
    bool _active = true;
    int _result = srRunning;
    std::string _next_scene;
    int _transition = -1;
    bool _frame_drawn = false;

    int _state = 0;
    int _cross_state = 0;
    int _prev_state = 0;

private:
    struct CrossEntry {
        const char* name;
        CrossStep step;
    };
    std::map<int, CrossEntry> _cross_table;
    std::map<int, int> _cross_stages;
};
