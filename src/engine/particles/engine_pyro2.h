// Particle effects for the game's objects. InitPyro loads the one emitter library of the program
// (our own XML format, see engine_particles.h); every object that shows effects owns a CPyro2,
// adds emitters to it by name, moves them, and renders it once per frame. An emitter stays while
// it is active (or while its owner names it in RenderEmitter/RenderEmitters) and is removed
// 0.3 seconds of the container's clock after that ends; the clock advances by the engine's frame
// time only when the container renders.
//
// Particle randomness comes from the particle system's own generator, so effects never disturb
// the game's RandomInt sequence. It starts from a fixed seed at InitPyro; SetPyroSeed restarts it.
#pragma once

#include "engine/base/engine_helpers.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zf {
class CParticleEmitter;
class CParticleBatcher;
}

// Loads the emitter library and its textures. Logs "Pyro particle library initialized." and returns
// true. A library that is missing or cannot be used logs "Pyro exception: <what is wrong>" and throws
// std::runtime_error("Pyro: particle library initialization failed."). Drawing goes through the
// engine core (g_EngineCore) and its renderer.
bool InitPyro(const std::string& particle_file);
// Releases the library and its textures. Containers that still hold emitters stop drawing them.
void ShutdownPyro();
bool IsPyroInitialized();
// Restarts the particle generator from the seed (each new emitter takes its own seed from it).
void SetPyroSeed(uint64_t seed);
// The emitter names of the loaded library (empty before InitPyro).
std::vector<std::string> GetPyroEmitterNames();

class CPyro2 : public siv::object_chain<CPyro2> {
public:
    using EmitterId = uint32_t;

    CPyro2();
    ~CPyro2();
    CPyro2(const CPyro2&) = delete;
    CPyro2& operator=(const CPyro2&) = delete;

    // Starts the named emitter at (x, y) and returns its id; ids count up from 0 and are never
    // used twice. An unknown name is logged (once per name) and adds nothing: the id returned
    // then names no emitter. Throws std::runtime_error("Pyro emitters list is full!") when the
    // ids are used up.
    EmitterId AddEmitter(const std::string& name, float x, float y);

    // Advances and draws every emitter; the active ones are kept alive.
    void Render();
    // Advances and draws every emitter; only the named ones that are active are kept alive.
    void RenderEmitter(EmitterId id);
    void RenderEmitters(const std::vector<EmitterId>& ids);
    void RenderEmitters(const std::vector<int>& ids);

    // Every emitter's stored position.
    void Move(float dx, float dy);
    void SetPosition(float x, float y);
    // One emitter's stored position; unknown ids are ignored.
    void MoveEmitter(EmitterId id, float dx, float dy);
    void SetEmitterPosition(EmitterId id, float x, float y);
    // Shifts the particle system's own position of every emitter; the stored positions stay, and
    // the next render places the emitters at them again.
    void OffsetEmitters(float dx, float dy);

    // False for an unknown id.
    bool GetEmitterPosition(EmitterId id, float& x, float& y) const;
    bool HasEmitter(EmitterId id) const;
    bool HasEmitters() const { return !_emitters.empty(); }
    size_t GetEmitterCount() const { return _emitters.size(); }

    void RemoveEmitter(EmitterId id);
    void Clear();

    // The container's clock in seconds.
    float GetClock() const { return _clock; }
    // Live particles of all emitters.
    size_t GetParticleCount() const;
    // Sets the next id (tests of the id space).
    void SetNextId(EmitterId id) { _next_id = id; }

private:
    struct EmitterRecord {
        float x = 0.0f, y = 0.0f;
        float last_active = 0.0f;
        float start = 0.0f;
        std::unique_ptr<zf::CParticleEmitter> emitter;
    };

    void Begin();
    void End();
    void KeepAlive(EmitterRecord& record);
    void KeepAlive(EmitterId id);

    std::map<EmitterId, EmitterRecord> _emitters;
    EmitterId _next_id = 0;
    float _clock = 0.0f;
    float _frame_time = 0.0f;
    std::unique_ptr<zf::CParticleBatcher> _batcher;
};
