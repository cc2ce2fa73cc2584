#include "engine/particles/engine_particles.h"

#include "engine/base/engine_log.h"

#include <pugixml.hpp>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <set>

namespace zf {

// ---------------------------------------------------------------------------------------------
// Random numbers

void CParticleRandom::Seed(uint64_t seed)
{
    // splitmix64 of the seed, so that small or zero seeds give a well-mixed, non-zero state
    uint64_t z = seed + 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    _state = z ? z : 0x2545F4914F6CDD1Dull;
}

uint32_t CParticleRandom::Next()
{
    _state ^= _state >> 12;
    _state ^= _state << 25;
    _state ^= _state >> 27;
    return static_cast<uint32_t>((_state * 0x2545F4914F6CDD1Dull) >> 32);
}

float CParticleRandom::Uniform(float lo, float hi)
{
    const float u = static_cast<float>(Next() >> 8) * (1.0f / 16777215.0f);
    return lo + (hi - lo) * u;
}

// ---------------------------------------------------------------------------------------------
// Library file

namespace {

constexpr int kMaxParticlesPerLayer = 10000;

class CReader {
public:
    CReader(const std::string& source, std::string where) : _source(source), _where(std::move(where)) {}

    [[noreturn]] void Fail(const std::string& what) const
    {
        throw CParticleError(_source + ": " + _where + ": " + what);
    }

    std::vector<float> Floats(const pugi::xml_attribute& a) const
    {
        std::vector<float> values;
        const std::string text = a.value();
        const char* p = text.c_str();
        const char* end = p + text.size();
        while (true) {
            while (p < end && (*p == ' ' || *p == '\t' || *p == ',')) ++p;
            if (p == end) break;
            if (*p == '+') ++p;
            float v = 0.0f;
            auto [next, ec] = std::from_chars(p, end, v);
            if (ec != std::errc() || !std::isfinite(v) || (next < end && *next != ' ' && *next != '\t' && *next != ','))
                Fail(std::string("attribute '") + a.name() + "' is not a list of numbers: \"" + text + "\"");
            values.push_back(v);
            p = next;
        }
        if (values.empty())
            Fail(std::string("attribute '") + a.name() + "' is empty");
        return values;
    }

    float Float(const pugi::xml_attribute& a, float lo, float hi) const
    {
        const std::vector<float> v = Floats(a);
        if (v.size() != 1)
            Fail(std::string("attribute '") + a.name() + "' needs one number");
        Check(a, v[0], lo, hi);
        return v[0];
    }

    ParticleRange Range(const pugi::xml_attribute& a, float lo, float hi) const
    {
        const std::vector<float> v = Floats(a);
        if (v.size() > 2)
            Fail(std::string("attribute '") + a.name() + "' needs one number or \"min max\"");
        ParticleRange r {v[0], v.size() == 2 ? v[1] : v[0]};
        Check(a, r.lo, lo, hi);
        Check(a, r.hi, lo, hi);
        if (r.hi < r.lo)
            Fail(std::string("attribute '") + a.name() + "' has its maximum below its minimum");
        return r;
    }

    int Int(const pugi::xml_attribute& a, int lo, int hi) const
    {
        const std::string text = a.value();
        int v = 0;
        auto [next, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
        if (text.empty() || ec != std::errc() || next != text.data() + text.size())
            Fail(std::string("attribute '") + a.name() + "' is not a whole number: \"" + text + "\"");
        if (v < lo || v > hi)
            Fail(std::string("attribute '") + a.name() + "' is out of range " + std::to_string(lo) + ".." + std::to_string(hi));
        return v;
    }

    bool Bool(const pugi::xml_attribute& a) const
    {
        const std::string text = a.value();
        if (text == "1" || text == "true") return true;
        if (text == "0" || text == "false") return false;
        Fail(std::string("attribute '") + a.name() + "' must be 0 or 1");
    }

    ParticleKeys<float> SizeKeys(const pugi::xml_attribute& a) const
    {
        const std::vector<float> v = Floats(a);
        if (v.size() > 4)
            Fail(std::string("attribute '") + a.name() + "' has more than 4 keys");
        ParticleKeys<float> keys;
        keys.count = static_cast<int>(v.size());
        for (size_t i = 0; i < v.size(); ++i) {
            Check(a, v[i], 0.0f, 4096.0f);
            keys.keys[i] = v[i];
        }
        return keys;
    }

    ParticleKeys<uint32_t> ColorKeys(const pugi::xml_attribute& a) const
    {
        ParticleKeys<uint32_t> keys;
        keys.count = 0;
        const std::string text = a.value();
        size_t pos = 0;
        while (true) {
            pos = text.find_first_not_of(" \t,", pos);
            if (pos == std::string::npos) break;
            size_t end = text.find_first_of(" \t,", pos);
            if (end == std::string::npos) end = text.size();
            const std::string word = text.substr(pos, end - pos);
            uint32_t v = 0;
            auto [next, ec] = std::from_chars(word.data(), word.data() + word.size(), v, 16);
            if (word.size() != 8 || ec != std::errc() || next != word.data() + word.size())
                Fail(std::string("attribute '") + a.name() + "' needs ARGB colours of 8 hex digits: \"" + text + "\"");
            if (keys.count == 4)
                Fail(std::string("attribute '") + a.name() + "' has more than 4 keys");
            keys.keys[keys.count++] = v;
            pos = end;
        }
        if (keys.count == 0)
            Fail(std::string("attribute '") + a.name() + "' is empty");
        return keys;
    }

    void Check(const pugi::xml_attribute& a, float v, float lo, float hi) const
    {
        if (v < lo || v > hi)
            Fail(std::string("attribute '") + a.name() + "' is out of range");
    }

    void WarnUnknown(const pugi::xml_node& node, std::initializer_list<const char*> known) const
    {
        for (const pugi::xml_attribute& a : node.attributes()) {
            const bool ok = std::any_of(known.begin(), known.end(), [&](const char* k) { return std::string(k) == a.name(); });
            if (!ok)
                GetLog().Warning("Particles: %s: %s: unknown attribute '%s' ignored.", _source.c_str(), _where.c_str(), a.name());
        }
    }

private:
    const std::string& _source;
    std::string _where;
};

ParticleLayerDesc ReadLayer(const pugi::xml_node& node, const CReader& r,
                            const std::map<std::string, int>& textures)
{
    r.WarnUnknown(node, {"texture", "blend", "burst", "rate", "delay", "duration", "life", "speed", "angle", "spread",
                         "radius", "gravity", "drag", "size", "color", "max"});
    ParticleLayerDesc l;
    const std::string tex = node.attribute("texture").value();
    if (tex.empty())
        r.Fail("a layer needs a texture");
    auto it = textures.find(tex);
    if (it == textures.end())
        r.Fail("unknown texture '" + tex + "'");
    l.texture = it->second;

    if (pugi::xml_attribute a = node.attribute("blend")) {
        const std::string b = a.value();
        if (b == "alpha") l.blend = ParticleBlend::Alpha;
        else if (b == "add") l.blend = ParticleBlend::Add;
        else r.Fail("blend must be \"alpha\" or \"add\", not \"" + b + "\"");
    }
    if (auto a = node.attribute("burst")) l.burst = r.Int(a, 0, kMaxParticlesPerLayer);
    if (auto a = node.attribute("rate")) l.rate = r.Float(a, 0.0f, 10000.0f);
    if (auto a = node.attribute("delay")) l.delay = r.Float(a, 0.0f, 3600.0f);
    if (auto a = node.attribute("duration")) l.duration = r.Float(a, 0.0f, 3600.0f);
    if (auto a = node.attribute("life")) l.life = r.Range(a, 0.001f, 3600.0f);
    if (auto a = node.attribute("speed")) l.speed = r.Range(a, 0.0f, 100000.0f);
    if (auto a = node.attribute("angle")) l.angle = r.Float(a, -3600.0f, 3600.0f);
    if (auto a = node.attribute("spread")) l.spread = r.Float(a, 0.0f, 360.0f);
    if (auto a = node.attribute("radius")) l.radius = r.Float(a, 0.0f, 10000.0f);
    if (auto a = node.attribute("gravity")) {
        const std::vector<float> g = r.Floats(a);
        if (g.size() != 2)
            r.Fail("attribute 'gravity' needs \"x y\"");
        l.gravity_x = g[0];
        l.gravity_y = g[1];
    }
    if (auto a = node.attribute("drag")) l.drag = r.Float(a, 0.0f, 20.0f);
    if (auto a = node.attribute("size")) l.size = r.SizeKeys(a);
    if (auto a = node.attribute("color")) l.color = r.ColorKeys(a);
    if (auto a = node.attribute("max")) l.max = r.Int(a, 1, kMaxParticlesPerLayer);
    if (l.burst == 0 && l.rate <= 0.0f)
        r.Fail("the layer spawns nothing: give it a burst or a rate");
    return l;
}

} // namespace

std::shared_ptr<const CParticleLibrary> CParticleLibrary::Parse(const std::string& text, const std::string& source)
{
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = doc.load_buffer(text.data(), text.size());
    if (!parsed)
        throw CParticleError(source + ": not well-formed XML at offset " + std::to_string(parsed.offset) + ": " +
                             parsed.description());
    const pugi::xml_node root = doc.document_element();
    if (std::string(root.name()) != "ParticleLibrary")
        throw CParticleError(source + ": the root element must be 'ParticleLibrary', not '" + std::string(root.name()) + "'");

    auto lib = std::make_shared<CParticleLibrary>();
    std::map<std::string, int> texture_ids;
    for (const pugi::xml_node& t : root.children("Texture")) {
        CReader r(source, "texture '" + std::string(t.attribute("id").value()) + "'");
        r.WarnUnknown(t, {"id", "file"});
        ParticleTextureDesc desc {t.attribute("id").value(), t.attribute("file").value()};
        if (desc.id.empty()) r.Fail("a texture needs an id");
        if (desc.file.empty()) r.Fail("a texture needs a file");
        if (!texture_ids.emplace(desc.id, static_cast<int>(lib->_textures.size())).second)
            r.Fail("the id is used twice");
        lib->_textures.push_back(std::move(desc));
    }

    for (const pugi::xml_node& e : root.children("Emitter")) {
        const std::string name = e.attribute("name").value();
        CReader r(source, "emitter '" + name + "'");
        r.WarnUnknown(e, {"name", "loop", "period"});
        if (name.empty()) r.Fail("an emitter needs a name");
        if (lib->_emitters.count(name)) r.Fail("the name is used twice");
        auto desc = std::make_shared<ParticleEmitterDesc>();
        desc->name = name;
        if (auto a = e.attribute("loop")) desc->looping = r.Bool(a);
        for (const pugi::xml_node& l : e.children("Layer"))
            desc->layers.push_back(ReadLayer(l, r, texture_ids));
        if (desc->layers.empty()) r.Fail("an emitter needs at least one Layer element");
        float longest = 0.0f;
        for (const ParticleLayerDesc& l : desc->layers) {
            longest = std::max(longest, l.delay + l.duration);
            if (!desc->looping && l.rate > 0.0f && l.duration <= 0.0f)
                r.Fail("a layer with a rate needs a duration, or the emitter must loop");
        }
        desc->end_time = longest;
        if (auto a = e.attribute("period")) {
            if (!desc->looping) r.Fail("only a looping emitter has a period");
            desc->period = r.Float(a, 0.1f, 3600.0f);
        } else {
            desc->period = std::max(longest, 1.0f);
        }
        lib->_emitters.emplace(name, std::move(desc));
    }
    for (const pugi::xml_node& n : root.children()) {
        const std::string tag = n.name();
        if (n.type() == pugi::node_element && tag != "Texture" && tag != "Emitter")
            GetLog().Warning("Particles: %s: unknown element '%s' ignored.", source.c_str(), tag.c_str());
    }
    return lib;
}

std::shared_ptr<const ParticleEmitterDesc> CParticleLibrary::Find(const std::string& name) const
{
    auto it = _emitters.find(name);
    return it == _emitters.end() ? nullptr : it->second;
}

std::vector<std::string> CParticleLibrary::GetEmitterNames() const
{
    std::vector<std::string> names;
    for (const auto& [name, desc] : _emitters) names.push_back(name);
    return names;
}

// ---------------------------------------------------------------------------------------------
// Batches

std::vector<ParticleQuad>& CParticleBatcher::Get(int texture, ParticleBlend blend)
{
    for (ParticleBatch& b : _batches)
        if (b.texture == texture && b.blend == blend) return b.quads;
    _batches.push_back(ParticleBatch {texture, blend, {}});
    return _batches.back().quads;
}

void CParticleBatcher::Clear()
{
    for (ParticleBatch& b : _batches) b.quads.clear();
}

size_t CParticleBatcher::QuadCount() const
{
    size_t n = 0;
    for (const ParticleBatch& b : _batches) n += b.quads.size();
    return n;
}

// ---------------------------------------------------------------------------------------------
// Emitters

namespace {

constexpr float kMaxStep = 0.1f;     // a long pause is simulated as one frame of this length
constexpr float kPi = 3.14159265358979f;

float KeyAt(const ParticleKeys<float>& k, float f)
{
    if (k.count == 1) return k.keys[0];
    const float pos = f * static_cast<float>(k.count - 1);
    const int i = std::min(static_cast<int>(pos), k.count - 2);
    const float t = pos - static_cast<float>(i);
    return k.keys[i] + (k.keys[i + 1] - k.keys[i]) * t;
}

uint32_t ColorAt(const ParticleKeys<uint32_t>& k, float f)
{
    if (k.count == 1) return k.keys[0];
    const float pos = f * static_cast<float>(k.count - 1);
    const int i = std::min(static_cast<int>(pos), k.count - 2);
    const int t = static_cast<int>((pos - static_cast<float>(i)) * 256.0f);
    const uint32_t a = k.keys[i], b = k.keys[i + 1];
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const int ca = static_cast<int>((a >> shift) & 0xFF), cb = static_cast<int>((b >> shift) & 0xFF);
        const int c = ca + (((cb - ca) * t) >> 8);
        out |= static_cast<uint32_t>(std::clamp(c, 0, 255)) << shift;
    }
    return out;
}

} // namespace

CParticleEmitter::CParticleEmitter(std::shared_ptr<const ParticleEmitterDesc> desc, uint64_t seed, float x, float y)
    : _desc(std::move(desc)), _random(seed), _x(x), _y(y)
{
    _layers.reserve(_desc->layers.size());
    for (const ParticleLayerDesc& l : _desc->layers)
        _layers.push_back(Layer {&l, {}, l.delay, 0.0f});
}

bool CParticleEmitter::Spawning(const ParticleEmitterDesc& e, const ParticleLayerDesc& l, float time)
{
    if (l.rate <= 0.0f) return false;
    if (e.looping) {
        const float local = std::fmod(time, e.period);
        if (l.duration <= 0.0f) return local >= l.delay;
        return local >= l.delay && local < l.delay + l.duration;
    }
    return time >= l.delay && time < l.delay + l.duration;
}

void CParticleEmitter::Spawn(Layer& layer, int count, float dt_spread)
{
    const ParticleLayerDesc& d = *layer.desc;
    count = std::min(count, d.max - static_cast<int>(layer.particles.size()));
    for (int i = 0; i < count; ++i) {
        Particle p;
        const float dir = (d.angle + _random.Uniform(-0.5f, 0.5f) * d.spread) * (kPi / 180.0f);
        const float speed = _random.Uniform(d.speed.lo, d.speed.hi);
        p.vx = std::cos(dir) * speed;
        p.vy = -std::sin(dir) * speed;
        p.x = _x;
        p.y = _y;
        if (d.radius > 0.0f) {
            const float r = d.radius * std::sqrt(_random.Uniform(0.0f, 1.0f));
            const float t = _random.Uniform(0.0f, 2.0f * kPi);
            p.x += std::cos(t) * r;
            p.y += std::sin(t) * r;
        }
        p.life = _random.Uniform(d.life.lo, d.life.hi);
        // particles of one frame's rate are spread over the frame, so that streams stay smooth
        p.age = dt_spread * (static_cast<float>(i) + 0.5f) / static_cast<float>(count);
        p.x += p.vx * p.age;
        p.y += p.vy * p.age;
        layer.particles.push_back(p);
    }
}

void CParticleEmitter::Update(float time, float dt)
{
    dt = std::clamp(dt, 0.0f, kMaxStep);
    for (Layer& layer : _layers) {
        const ParticleLayerDesc& d = *layer.desc;
        const float keep = std::max(0.0f, 1.0f - d.drag * dt);
        auto dead = std::remove_if(layer.particles.begin(), layer.particles.end(), [&](Particle& p) {
            p.age += dt;
            if (p.age >= p.life) return true;
            p.vx = (p.vx + d.gravity_x * dt) * keep;
            p.vy = (p.vy + d.gravity_y * dt) * keep;
            p.x += p.vx * dt;
            p.y += p.vy * dt;
            return false;
        });
        layer.particles.erase(dead, layer.particles.end());
    }
    _step_time = time;
    _step_dt = dt;
    _step_pending = true;
    _time = time + dt;
}

void CParticleEmitter::SpawnStep()
{
    if (!_step_pending) return;
    _step_pending = false;
    const float time = _step_time, dt = _step_dt;
    for (Layer& layer : _layers) {
        const ParticleLayerDesc& d = *layer.desc;
        if (layer.next_burst >= 0.0f && time >= layer.next_burst) {
            if (d.burst > 0) Spawn(layer, d.burst, 0.0f);
            if (_desc->looping) {
                while (layer.next_burst <= time) layer.next_burst += _desc->period;
            } else {
                layer.next_burst = -1.0f;
            }
        }
        if (Spawning(*_desc, d, time)) {
            layer.carry += d.rate * dt;
            const int n = static_cast<int>(layer.carry);
            layer.carry -= static_cast<float>(n);
            if (n > 0) Spawn(layer, n, dt);
        } else {
            layer.carry = 0.0f;
        }
    }
}

void CParticleEmitter::Render(float /*time*/, float /*dt*/, float x, float y, float z, bool draw, CParticleBatcher& out)
{
    SetPosition(x, y, z);
    SpawnStep();
    if (!draw) return;
    for (const Layer& layer : _layers) {
        if (layer.particles.empty()) continue;
        const ParticleLayerDesc& d = *layer.desc;
        std::vector<ParticleQuad>& quads = out.Get(d.texture, d.blend);
        for (const Particle& p : layer.particles) {
            const float f = std::clamp(p.age / p.life, 0.0f, 1.0f);
            const uint32_t color = ColorAt(d.color, f);
            const float half = KeyAt(d.size, f) * 0.5f;
            if ((color >> 24) == 0 || half <= 0.0f) continue;
            quads.push_back(ParticleQuad {p.x - half, p.y - half, p.x + half, p.y + half, color});
        }
    }
}

bool CParticleEmitter::IsActive() const
{
    if (_desc->looping) return true;
    if (_time < _desc->end_time) return true;
    for (const Layer& layer : _layers)
        if (layer.next_burst >= 0.0f || !layer.particles.empty()) return true;
    return false;
}

size_t CParticleEmitter::GetParticleCount() const
{
    size_t n = 0;
    for (const Layer& layer : _layers) n += layer.particles.size();
    return n;
}

} // namespace zf
