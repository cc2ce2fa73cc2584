// The real engine core for benchmarks: software renderer on the dummy video driver, started once.
#pragma once

#include <cstdlib>

#include "engine/core/engine_core_internal.h"

namespace zfbench {

// The started engine core, or null when it cannot start (the benchmark then reports an error).
inline CEngineCore* HeadlessEngine()
{
    static CEngineCore* core = [] {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        setenv("SDL_RENDER_DRIVER", "software", 0);
        CEngineCore& c = CEngineCore::Instance();
        g_EngineCore = &c;
        return c.Init("Zerafine", "Zerafine bench", true) ? &c : nullptr;
    }();
    return core;
}

} // namespace zfbench
