// The particle system behind CPyro2: an emitter library read from our own XML file, emitters
// that simulate their particles, and the batches of quads they draw.
//
// Library file (UTF-8 XML):
//
//   <ParticleLibrary>
//     <Texture id="glow" file="Textures\Pyro\Glow.png"/>
//     <Emitter name="Salut" loop="0">
//       <Layer texture="glow" blend="add" burst="80" life="0.8 1.4" speed="60 180"
//              angle="90" spread="360" gravity="0 120" drag="0.6" size="10 4"
//              color="FFFFF0C0 FFFFA040 00FF4020"/>
//     </Emitter>
//   </ParticleLibrary>
//
// Layer attributes (all optional except texture):
//   texture   id of a <Texture>
//   blend     "alpha" (default) or "add"
//   burst     particles spawned at once when the layer starts (default 0)
//   rate      particles per second while the layer spawns (default 0)
//   delay     seconds from the emitter's start until the layer starts (default 0)
//   duration  seconds the layer spawns at its rate (default 0); 0 in a looping emitter = all the time
//   life      seconds a particle lives: "min max" or one value (default 1)
//   speed     pixels per second at spawn: "min max" or one value (default 0)
//   angle     direction in degrees: 0 right, 90 up (default 90)
//   spread    width of the cone of directions in degrees, 360 = every direction (default 0)
//   radius    particles start anywhere within this distance of the emitter (default 0)
//   gravity   "x y" acceleration in pixels per second squared, y down (default "0 0")
//   drag      share of the velocity lost per second, 0..20 (default 0)
//   size      side of a particle in pixels over its life: 1 to 4 keys spread evenly (default 8)
//   color     ARGB hex colour over its life: 1 to 4 keys spread evenly (default "FFFFFFFF")
//   max       most particles alive in this layer at once (default 1000)
//
// Emitter attributes: name (required, unique); loop "1" makes the emitter repeat for ever with the
// cycle length "period" (seconds, 0.1 or more; default the longest layer's delay + duration, at
// least 1).
// A non-looping emitter ends by itself: it is active until its last layer has stopped spawning
// and its last particle has died. A looping emitter stays active until its owner removes it.
//
// Particles are drawn as axis-aligned, single-coloured squares, whole texture, so that a batch
// is a list of rectangles with a colour each.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace zf {

// A library file that cannot be used: the message names the file and the place.
class CParticleError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class ParticleBlend { Alpha, Add };

// Small seeded generator (xorshift64*) of the particle system, apart from the game's own random
// sequence so that effects never change the game's numbers.
class CParticleRandom {
public:
    explicit CParticleRandom(uint64_t seed = 1) { Seed(seed); }
    void Seed(uint64_t seed);
    uint32_t Next();
    // Uniform in [lo, hi].
    float Uniform(float lo, float hi);
private:
    uint64_t _state = 1;
};

struct ParticleRange {
    float lo = 0.0f;
    float hi = 0.0f;
};

// Up to four values spread evenly over a particle's life.
template <class T>
struct ParticleKeys {
    T keys[4] {};
    int count = 1;
};

struct ParticleLayerDesc {
    int texture = 0;                 // index into CParticleLibrary::GetTextures()
    ParticleBlend blend = ParticleBlend::Alpha;
    int burst = 0;
    float rate = 0.0f;
    float delay = 0.0f;
    float duration = 0.0f;
    ParticleRange life {1.0f, 1.0f};
    ParticleRange speed {0.0f, 0.0f};
    float angle = 90.0f;
    float spread = 0.0f;
    float radius = 0.0f;
    float gravity_x = 0.0f;
    float gravity_y = 0.0f;
    float drag = 0.0f;
    ParticleKeys<float> size {{8.0f}, 1};
    ParticleKeys<uint32_t> color {{0xFFFFFFFFu}, 1};
    int max = 1000;
};

struct ParticleEmitterDesc {
    std::string name;
    bool looping = false;
    float period = 0.0f;             // cycle length of a looping emitter
    float end_time = 0.0f;           // a non-looping emitter spawns nothing from this time on
    std::vector<ParticleLayerDesc> layers;
};

struct ParticleTextureDesc {
    std::string id;
    std::string file;                // game path, backslashes kept
};

// The emitters of one library file by name.
class CParticleLibrary {
public:
    // Reads a library from the file's text; source names the file in messages.
    // Throws CParticleError for anything that is not a usable library.
    static std::shared_ptr<const CParticleLibrary> Parse(const std::string& text, const std::string& source);

    // Null when the library has no emitter of that name.
    std::shared_ptr<const ParticleEmitterDesc> Find(const std::string& name) const;
    const std::vector<ParticleTextureDesc>& GetTextures() const { return _textures; }
    std::vector<std::string> GetEmitterNames() const;

private:
    std::vector<ParticleTextureDesc> _textures;
    std::map<std::string, std::shared_ptr<const ParticleEmitterDesc>> _emitters;
};

// One particle drawn: an axis-aligned square with one colour.
struct ParticleQuad {
    float x0, y0, x1, y1;
    uint32_t argb;
};

struct ParticleBatch {
    int texture = 0;
    ParticleBlend blend = ParticleBlend::Alpha;
    std::vector<ParticleQuad> quads;
};

// Collects the quads of one render pass, one batch per texture and blend mode in the order in
// which they first appear. Clear keeps the storage for the next pass.
class CParticleBatcher {
public:
    std::vector<ParticleQuad>& Get(int texture, ParticleBlend blend);
    void Clear();
    // Batches of the pass; those left empty after Clear are skipped by their users.
    const std::vector<ParticleBatch>& Batches() const { return _batches; }
    size_t QuadCount() const;
private:
    std::vector<ParticleBatch> _batches;
};

// One running effect: the layers of its description with their particles.
class CParticleEmitter {
public:
    CParticleEmitter(std::shared_ptr<const ParticleEmitterDesc> desc, uint64_t seed, float x, float y);

    // The two calls of every frame, in this order. Update advances the effect from the emitter's
    // own time (seconds since its start) by dt seconds (at most 0.1): it moves the particles and
    // drops the dead ones. Render places the emitter at (x, y, z), spawns what the step owes
    // there, and, when draw is set, adds its particles to the batcher.
    void Update(float time, float dt);
    void Render(float time, float dt, float x, float y, float z, bool draw, CParticleBatcher& out);

    // True while the effect still spawns or shows particles; always true for a looping emitter.
    bool IsActive() const;

    void GetPosition(float& x, float& y, float& z) const { x = _x; y = _y; z = _z; }
    void SetPosition(float x, float y, float z) { _x = x; _y = y; _z = z; }

    const std::string& GetName() const { return _desc->name; }
    size_t GetParticleCount() const;

private:
    struct Particle {
        float x, y, vx, vy, age, life;
    };
    struct Layer {
        const ParticleLayerDesc* desc;
        std::vector<Particle> particles;
        float next_burst;            // emitter time of the next burst, negative when none is left
        float carry;                 // fraction of a particle owed by the rate
    };
    void Spawn(Layer& layer, int count, float dt_spread);
    void SpawnStep();
    static bool Spawning(const ParticleEmitterDesc& e, const ParticleLayerDesc& l, float time);

    std::shared_ptr<const ParticleEmitterDesc> _desc;
    std::vector<Layer> _layers;
    CParticleRandom _random;
    float _x, _y, _z = 0.0f;
    float _time = 0.0f;              // emitter time at the end of the last step
    float _step_time = 0.0f;         // the last step, until Render has spawned for it
    float _step_dt = 0.0f;
    bool _step_pending = false;
};

} // namespace zf
