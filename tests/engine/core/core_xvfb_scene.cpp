// A small scene that opens the real window and draws a known picture: the background, a red and a
// green rectangle, a turned yellow square and a textured checkerboard. After some frames it saves
// what it drew (the engine's screenshot), writes where its window is and, given a command that
// photographs the display into the file named after it, runs it ("display.bmp"). Then it switches
// to full screen, draws again, writes the window again ("window-full.txt"), photographs the display
// again ("display-full.bmp"), switches back, writes the window a third time ("window-back.txt") and
// quits.
//
// Usage: core_xvfb_scene <output folder ending in '/'> [photograph command]
#include <SDL.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core_test_util.h"
#include "engine/core/engine_core_internal.h"
#include "engine/core/engine_scene.h"

namespace {

using coretest::Quad;

class PictureScene : public AScene {
public:
    PictureScene(std::string out, std::string command)
        : AScene("Picture"), _out(std::move(out)), _command(std::move(command)) {}

    bool Init() override
    {
        // An 8 x 8 checkerboard of white and dark cells, 2 x 2 texels each.
        _texture = SDL_CreateTexture(EngineDevice(), SDL_PIXELFORMAT_ARGB8888,
                                     SDL_TEXTUREACCESS_STATIC, 8, 8);
        if (!_texture) return false;
        SDL_SetTextureScaleMode(_texture, SDL_ScaleModeNearest);
        uint32_t px[64];
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) px[y * 8 + x] = ((x / 2 + y / 2) % 2) ? 0xFF202020u : 0xFFFFFFFFu;
        SDL_UpdateTexture(_texture, nullptr, px, 8 * 4);
        return true;
    }

    void Frame() override
    {
        IEngineCore* core = g_EngineCore;
        core->Clear(0xFF283C64u);
        VERTEX_2DPNT1 v[8];
        Quad(v, 100, 100, 300, 250, 0xFFE02020u);
        Quad(v + 4, 350, 150, 550, 400, 0xFF20C040u);
        core->GetPlatform()->SetTexture(0, nullptr);
        core->DrawQuads(v, 2, sizeof(VERTEX_2DPNT1));

        // A square turned by 45 degrees about its centre (650, 150): the world transform moves by t,
        // turns about the origin and shows the result relative to the screen centre, so t is the
        // wanted offset turned back.
        const double a = 45.0 * 0.017453292;
        const double ox = 650.0 - 400.0, oy = 150.0 - 300.0;
        const float tx = float(ox * std::cos(a) + oy * std::sin(a));
        const float ty = float(-ox * std::sin(a) + oy * std::cos(a));
        Quad(v, -50, -50, 50, 50, 0xFFF0D020u);
        core->SetWorldTransform(45.0f, tx, ty);
        core->DrawQuads(v, 1, sizeof(VERTEX_2DPNT1));
        core->SetWorldTransform(0.0f, -400.0f, -300.0f);

        Quad(v, 600, 400, 760, 560, 0xFFFFFFFFu);
        core->GetPlatform()->SetTexture(0, _texture);
        core->DrawQuads(v, 1, sizeof(VERTEX_2DPNT1));
        core->GetPlatform()->SetTexture(0, nullptr);

        ++_frames;
        if (_frames == 30) Windowed();
        if (_frames == 60) FullScreen();
        if (_frames == 90) Back();
    }

    void AfterFrame() override
    {
        // Switched between frames, as the engine does on Alt+Enter.
        const bool full = g_EngineCore->IsFullscreen();
        if ((_frames == 30 && !full) || (_frames == 60 && full)) {
            if (!g_EngineCore->ToggleFullscreen()) SetResult(srFailure);
        }
    }

    void Destroy() override
    {
        if (_texture) SDL_DestroyTexture(_texture);
        _texture = nullptr;
    }

private:
    void Photograph(const char* name)
    {
        if (_command.empty()) return;
        const std::string cmd = _command + " '" + _out + name + "'";
        if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "command failed: %s\n", cmd.c_str());
    }

    void WriteWindow(const char* name)
    {
        int x = 0, y = 0, w = 0, h = 0;
        SDL_GetWindowPosition(EnginePlatform()->GetWindow(), &x, &y);
        SDL_GetWindowSize(EnginePlatform()->GetWindow(), &w, &h);
        if (FILE* f = std::fopen((_out + name).c_str(), "w")) {
            std::fprintf(f, "%d %d %d %d %d\n", x, y, w, h, g_EngineCore->IsFullscreen() ? 1 : 0);
            std::fclose(f);
        }
    }

    void Windowed()
    {
        WriteWindow("window.txt");
        CEngineCore::Instance().SaveScreenshot(_out);
        Photograph("display.bmp");
    }

    void FullScreen()
    {
        WriteWindow("window-full.txt");
        Photograph("display-full.bmp");
    }

    void Back()
    {
        WriteWindow("window-back.txt");
        SetResult(srQuit);
    }

    std::string _out, _command;
    SDL_Texture* _texture = nullptr;
    int _frames = 0;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <output folder/> [command]\n", argv[0]);
        return 2;
    }
    g_EngineCore = &CEngineCore::Instance();
    if (!CEngineCore::Instance().Init("Zerafine", "Zerafine", true)) return 3;
    PictureScene scene(argv[1], argc > 2 ? argv[2] : "");
    if (!scene.Init()) return 4;
    const int result = scene.Run();
    scene.Destroy();
    CEngineCore::Instance().Shutdown();
    return result == srQuit ? 0 : 5;
}
