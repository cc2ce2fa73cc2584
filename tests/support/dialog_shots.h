// Pictures of dialogs drawn by the real engine core on the software renderer, for the tests that
// look at shipped layouts: a few frames of the dialog over a plain colour with the last one read
// back, and the picture kept as a PNG in the folder an environment variable names.
#pragma once

#include "engine/core/engine_core_internal.h"
#include "gui/gui_dialog.h"
#include "support/pixel_compare.h"

#include <cstdlib>
#include <filesystem>
#include <string>

namespace zftest {

inline SurfacePtr DrawDialog(CBaseDialog& dialog, int frames, uint32_t background)
{
    CEngineCore& core = CEngineCore::Instance();
    SurfacePtr shot;
    for (int frame = 0; frame < frames; ++frame) {
        core.SetFrameTime(0.016f);
        if (!core.BeginFrame()) return nullptr;
        core.Clear(background);
        dialog.Process();
        if (frame == frames - 1) shot = ReadBack(core.GetDevice(), SDL_Rect{0, 0, 800, 600});
        core.EndFrame();
    }
    return shot;
}

// Writes "<folder>/<name>.png" when the variable names a folder; nothing otherwise.
inline void KeepPicture(const SurfacePtr& shot, const char* variable, const std::string& name)
{
    ASSERT_TRUE(shot) << SDL_GetError();
    const char* folder = std::getenv(variable);
    if (!folder || !*folder) return;
    std::filesystem::create_directories(folder);
    const std::string path = std::string(folder) + "/" + name + ".png";
    EXPECT_EQ(IMG_SavePNG(shot.get(), path.c_str()), 0) << IMG_GetError();
}

} // namespace zftest
