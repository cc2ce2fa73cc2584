// The scene loop's platform side, for the engine's own code and for tests. Nothing above the engine
// includes this header.
#pragma once

#include "engine/core/engine_scene.h"

#include <cstdint>
#include <functional>

union SDL_Event;

// How the frame loop waits while it has nothing to do: up to ms milliseconds for an event, which it
// takes (true) or not (false). The default sleeps in SDL's event queue; tests on a settable clock
// replace it with one that advances their clock. An empty function restores the default.
using SceneWaitFunction = std::function<bool(SDL_Event& event, uint32_t ms)>;
SceneWaitFunction SetSceneWaitFunction(SceneWaitFunction wait);
