// Helpers of the render tests: the fixture folder, the log's growth, and a recording engine with a
// real (software) renderer behind it, so that every texture has its own device texture.
#pragma once

#include "engine/engine_log.h"
#include "engine/engine_texture.h"
#include "recording_engine.h"

#include <SDL.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

namespace rendertest {

inline const std::string kFixtureDir = std::string(ZF_TEST_DATA_DIR) + "/render";

// Runs the test in a folder and goes back afterwards.
class ScopedChdir {
public:
    explicit ScopedChdir(const std::string& dir)
    {
        char buf[4096];
        if (getcwd(buf, sizeof(buf))) _old = buf;
        if (chdir(dir.c_str()) != 0) throw std::runtime_error("cannot enter " + dir);
    }
    ~ScopedChdir() { if (!_old.empty() && chdir(_old.c_str()) != 0) {} }
    ScopedChdir(const ScopedChdir&) = delete;
    ScopedChdir& operator=(const ScopedChdir&) = delete;
private:
    std::string _old;
};

inline std::string ReadLog()
{
    std::ifstream in(GetLog().GetPath());
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The log's growth between construction and Text().
class LogWatch {
public:
    LogWatch() : _start(ReadLog().size()) {}
    std::string Text() const
    {
        const std::string log = ReadLog();
        return log.size() > _start ? log.substr(_start) : std::string();
    }
    bool Has(const std::string& s) const { return Text().find(s) != std::string::npos; }
    size_t Count(const std::string& s) const
    {
        const std::string t = Text();
        size_t n = 0;
        for (size_t p = t.find(s); p != std::string::npos; p = t.find(s, p + s.size())) ++n;
        return n;
    }
private:
    size_t _start;
};

// A recording engine whose device is a software renderer on a small surface. The texture cache is
// emptied on both ends, so no texture outlives the renderer it was uploaded to.
class DeviceRecordingEngine : public RecordingEngine {
public:
    DeviceRecordingEngine()
    {
        CTextureCacher::Instance().Clear();
        _surface = SDL_CreateRGBSurfaceWithFormat(0, 64, 64, 32, SDL_PIXELFORMAT_ARGB8888);
        _device = _surface ? SDL_CreateSoftwareRenderer(_surface) : nullptr;
        if (!_device) throw std::runtime_error(std::string("no software renderer: ") + SDL_GetError());
    }
    ~DeviceRecordingEngine() override
    {
        CTextureCacher::Instance().Clear();
        SDL_DestroyRenderer(_device);
        SDL_FreeSurface(_surface);
    }
    SDL_Renderer* GetDevice() const override { return _device; }

private:
    SDL_Surface* _surface = nullptr;
    SDL_Renderer* _device = nullptr;
};

} // namespace rendertest
