// Under a virtual X display the engine opens a real 800 x 600 window and what it draws reaches the
// display. Runs only where xvfb-run exists.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core_test_util.h"
#include "support/pixel_compare.h"

using namespace coretest;

namespace {

bool OnPath(const char* tool)
{
    return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

uint32_t Pixel(SDL_Surface* s, int x, int y)
{
    SDL_Surface* argb = SDL_ConvertSurfaceFormat(s, SDL_PIXELFORMAT_ARGB8888, 0);
    uint32_t p = static_cast<uint32_t*>(argb->pixels)[y * (argb->pitch / 4) + x];
    SDL_FreeSurface(argb);
    return p | 0xFF000000u;
}

void ExpectNear(uint32_t got, uint32_t want, const char* what)
{
    EXPECT_LE(zftest::ChannelDistance(got, want), 6) << what << ": got " << std::hex << got << " want " << want;
}

// Reads a 32-bit TGA written by the engine into an ARGB surface (rows bottom-up in the file).
SDL_Surface* LoadTga(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::vector<uint8_t> d((std::istreambuf_iterator<char>(f)), {});
    if (d.size() < 18) return nullptr;
    const int w = d[12] | d[13] << 8, h = d[14] | d[15] << 8;
    if (d.size() != 18 + size_t(w) * h * 4) return nullptr;
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = &d[18 + (size_t(h - 1 - y) * w + x) * 4];
            static_cast<uint32_t*>(s->pixels)[y * (s->pitch / 4) + x] =
                uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
        }
    return s;
}

// The picture the scene draws, sampled where it is unambiguous: screen coordinates, shown at
// (ox, oy) with the given scale.
void CheckPicture(SDL_Surface* s, int ox, int oy, double scale = 1.0)
{
    auto at = [&](int x, int y) { return Pixel(s, ox + int(x * scale), oy + int(y * scale)); };
    ExpectNear(at(20, 20), 0xFF283C64u, "background");
    ExpectNear(at(200, 175), 0xFFE02020u, "red rectangle");
    ExpectNear(at(450, 275), 0xFF20C040u, "green rectangle");
    ExpectNear(at(650, 150), 0xFFF0D020u, "turned square, centre");
    ExpectNear(at(650, 150 - 65), 0xFFF0D020u, "turned square, top corner region");
    ExpectNear(at(650 - 60, 150 - 60), 0xFF283C64u, "outside the turned square");
    ExpectNear(at(610, 410), 0xFFFFFFFFu, "checkerboard, white cell");
    ExpectNear(at(650, 410), 0xFF202020u, "checkerboard, dark cell");
    ExpectNear(at(790, 590), 0xFF283C64u, "bottom-right corner");
}

// Runs the scene under a virtual display, with the extra environment settings given; the exit code.
int RunScene(const std::string& out, const std::string& env, bool photo)
{
    // A display wider than the screen's 4:3, so that full screen has bars left and right. The
    // display's own libraries (GL drivers, D-Bus) keep a few allocations to the end: not ours to
    // report when the scene runs under a leak checker.
    std::string cmd = "env -u SDL_VIDEODRIVER ZF_IGNORE_FOCUS=1 ASAN_OPTIONS=detect_leaks=0 " + env + " XDG_DATA_HOME='" +
                      out + "' xvfb-run -a -s '-screen 0 1280x800x24' '" ZF_CORE_XVFB_SCENE "' '" + out + "'";
    if (photo) cmd += " 'import -window root'";
    cmd += " >'" + out + "run.log' 2>&1";
    return std::system(cmd.c_str());
}

// What the scene left: its window's places, its screenshot and the photographs of the display.
void CheckRun(const std::string& out, bool photo)
{
    struct Place {
        int x = -1, y = -1, w = 0, h = 0, full = -1;
    };
    auto read_place = [&](const char* name) {
        Place p;
        std::ifstream(out + name) >> p.x >> p.y >> p.w >> p.h >> p.full;
        return p;
    };
    const Place window = read_place("window.txt");
    EXPECT_EQ(window.w, 800);
    EXPECT_EQ(window.h, 600);
    EXPECT_EQ(window.full, 0);

    // What the renderer drew (the engine's own screenshot of the frame).
    SDL_Surface* frame = LoadTga(out + "00000000.tga");
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->w, 800);
    EXPECT_EQ(frame->h, 600);
    CheckPicture(frame, 0, 0);
    SDL_FreeSurface(frame);

    // Desktop full screen: the window covers the whole display, also without a window manager to
    // carry the request out; back in a window it has its old size and place again.
    const Place full = read_place("window-full.txt");
    EXPECT_EQ(full.full, 1);
    EXPECT_EQ(full.x, 0);
    EXPECT_EQ(full.y, 0);
    EXPECT_EQ(full.w, 1280);
    EXPECT_EQ(full.h, 800);
    const Place back = read_place("window-back.txt");
    EXPECT_EQ(back.full, 0);
    EXPECT_EQ(back.x, window.x);
    EXPECT_EQ(back.y, window.y);
    EXPECT_EQ(back.w, 800);
    EXPECT_EQ(back.h, 600);

    // What the display shows: photographs of the whole virtual screen.
    if (!photo) GTEST_SKIP() << "imagemagick's import is not installed: display not photographed";
    SDL_Surface* display = SDL_LoadBMP((out + "display.bmp").c_str());
    ASSERT_NE(display, nullptr) << SDL_GetError();
    EXPECT_EQ(display->w, 1280);
    CheckPicture(display, window.x, window.y);
    if (const char* keep = std::getenv("ZF_KEEP_XVFB_SHOT")) SDL_SaveBMP(display, keep);
    SDL_FreeSurface(display);

    // Full screen: the picture scaled by 800 / 600 and centred, black bars left and right.
    display = SDL_LoadBMP((out + "display-full.bmp").c_str());
    ASSERT_NE(display, nullptr) << SDL_GetError();
    ASSERT_EQ(display->w, 1280);
    ASSERT_EQ(display->h, 800);
    CheckPicture(display, 107, 0, 800.0 / 600.0);
    ExpectNear(Pixel(display, 50, 400), 0xFF000000u, "left bar");
    ExpectNear(Pixel(display, 1230, 400), 0xFF000000u, "right bar");
    SDL_FreeSurface(display);
}

} // namespace

TEST(Xvfb, RealWindowShowsWhatTheSceneDrew)
{
    if (!OnPath("xvfb-run")) GTEST_SKIP() << "xvfb-run is not installed";
    const bool photo = OnPath("import");
    zftest::TempDir dir;
    const std::string out = dir.path() + "/";
    ASSERT_EQ(RunScene(out, "", photo), 0) << zftest::ReadTextFile(out + "run.log");
    CheckRun(out, photo);
}

// The same through OpenGL, which the engine passes over where the processor draws it (as on a
// virtual display) but takes on machines with a graphics driver.
TEST(Xvfb, OpenGLRendererShowsWhatTheSceneDrew)
{
    if (!OnPath("xvfb-run")) GTEST_SKIP() << "xvfb-run is not installed";
    const bool photo = OnPath("import");
    zftest::TempDir dir;
    const std::string out = dir.path() + "/";
    const int status = RunScene(out, "SDL_RENDER_DRIVER=opengl", photo);
    if (zftest::ReadTextFile(out + "Tovrin/Zerafine/log.html").find("Video Adapter : opengl") == std::string::npos)
        GTEST_SKIP() << "no OpenGL on the virtual display";
    ASSERT_EQ(status, 0) << zftest::ReadTextFile(out + "run.log");
    CheckRun(out, photo);
}
