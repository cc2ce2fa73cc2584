#include "engine/particles/engine_pyro2.h"

#include "engine/core/engine_core_internal.h"
#include "engine/base/engine_filesys.h"
#include "engine/base/engine_log.h"
#include "engine/particles/engine_particles.h"
#include "engine/render/engine_texture_internal.h"

#include <set>
#include <stdexcept>

namespace {

constexpr float kKeepAliveSeconds = 0.3f;
constexpr uint64_t kDefaultSeed = 0x5EED5EEDull;

// The one loaded library with its textures.
struct PyroState {
    bool initialized = false;
    std::shared_ptr<const zf::CParticleLibrary> library;
    std::vector<CTexturePtr> textures;        // by library texture index, from the texture cache
    int reset_listener = 0;
    IEngineCore* listener_core = nullptr;
    zf::CParticleRandom random {kDefaultSeed};
    std::set<std::string> unknown_names;      // names already reported
    std::vector<VERTEX_2DPNT1> vertices;      // scratch of one batch
};

PyroState& State()
{
    static PyroState state;
    return state;
}

// Gives up the device objects (before a device reset, and at shut-down).
void ReleaseDeviceObjects()
{
    PyroState& s = State();
    for (const CTexturePtr& t : s.textures) CTextureCacher::Instance().Release(t);
    s.textures.clear();
}

// Takes the textures of the library (at start, and after a device reset: the cache keeps their
// pixels, so nothing is read again).
void AcquireDeviceObjects(bool report)
{
    PyroState& s = State();
    ReleaseDeviceObjects();
    if (!s.library) return;
    for (const zf::ParticleTextureDesc& t : s.library->GetTextures()) {
        CTexturePtr texture = CTextureCacher::Instance().GetTexture(t.file);
        if (report && (!texture || !texture->IsLoaded()))
            GetLog().Error("Error: particle texture '%s' (%s) cannot be loaded; its particles are not drawn.",
                           t.id.c_str(), t.file.c_str());
        s.textures.push_back(std::move(texture));
    }
}

void DrawBatches(const zf::CParticleBatcher& batcher)
{
    PyroState& s = State();
    IEngineCore* core = g_EngineCore;
    if (!core || !s.initialized) return;
    for (const zf::ParticleBatch& batch : batcher.Batches()) {
        if (batch.quads.empty()) continue;
        const size_t index = static_cast<size_t>(batch.texture);
        CTexture* texture = index < s.textures.size() ? s.textures[index].get() : nullptr;
        if (!texture || !texture->IsLoaded()) continue;
        s.vertices.resize(batch.quads.size() * 4);
        VERTEX_2DPNT1* v = s.vertices.data();
        for (const zf::ParticleQuad& q : batch.quads) {
            // sprite convention: corners sit half a pixel up and left
            const float x0 = q.x0 - 0.5f, y0 = q.y0 - 0.5f, x1 = q.x1 - 0.5f, y1 = q.y1 - 0.5f;
            *v++ = VERTEX_2DPNT1 {x0, y0, 0.0f, q.argb, 0.0f, 0.0f};
            *v++ = VERTEX_2DPNT1 {x1, y0, 0.0f, q.argb, 1.0f, 0.0f};
            *v++ = VERTEX_2DPNT1 {x0, y1, 0.0f, q.argb, 0.0f, 1.0f};
            *v++ = VERTEX_2DPNT1 {x1, y1, 0.0f, q.argb, 1.0f, 1.0f};
        }
        core->GetPlatform()->SetTexture(0, GetD3DTexture(*texture));
        core->DrawQuads(s.vertices.data(), static_cast<unsigned>(batch.quads.size()), sizeof(VERTEX_2DPNT1),
                        batch.blend == zf::ParticleBlend::Add ? EBlend::Add : EBlend::Alpha);
    }
}

} // namespace

bool InitPyro(const std::string& particle_file)
{
    if (State().initialized) ShutdownPyro();
    PyroState& s = State();
    try {
        ByteVector bytes;
        if (!CFileSystem::Instance().ReadFile(particle_file, bytes))
            throw zf::CParticleError(particle_file + ": the file cannot be read");
        s.library = zf::CParticleLibrary::Parse(std::string(bytes.begin(), bytes.end()), particle_file);
    } catch (const zf::CParticleError& e) {
        s.library.reset();
        GetLog().Error("Pyro exception: %s", e.what());
        throw std::runtime_error("Pyro: particle library initialization failed.");
    }
    s.random.Seed(kDefaultSeed);
    s.unknown_names.clear();
    AcquireDeviceObjects(true);
    if (g_EngineCore) {
        s.listener_core = g_EngineCore;
        s.reset_listener = g_EngineCore->AddDeviceResetListener([](bool after) {
            if (after) AcquireDeviceObjects(false); else ReleaseDeviceObjects();
        });
    }
    s.initialized = true;
    GetLog().Message("Pyro particle library initialized.");
    return true;
}

void ShutdownPyro()
{
    PyroState& s = State();
    if (s.listener_core && s.listener_core == g_EngineCore)
        s.listener_core->RemoveDeviceResetListener(s.reset_listener);
    s.listener_core = nullptr;
    s.reset_listener = 0;
    ReleaseDeviceObjects();
    s.library.reset();
    s.initialized = false;
}

bool IsPyroInitialized()
{
    return State().initialized;
}

void SetPyroSeed(uint64_t seed)
{
    State().random.Seed(seed);
}

std::vector<std::string> GetPyroEmitterNames()
{
    const PyroState& s = State();
    return s.library ? s.library->GetEmitterNames() : std::vector<std::string>();
}

// ---------------------------------------------------------------------------------------------

CPyro2::CPyro2() : _batcher(std::make_unique<zf::CParticleBatcher>()) {}

CPyro2::~CPyro2() = default;

CPyro2::EmitterId CPyro2::AddEmitter(const std::string& name, float x, float y)
{
    if (_next_id == 0xFFFFFFFFu)
        throw std::runtime_error("Pyro emitters list is full!");
    PyroState& s = State();
    const EmitterId id = _next_id++;
    std::shared_ptr<const zf::ParticleEmitterDesc> desc = s.library ? s.library->Find(name) : nullptr;
    if (!desc) {
        if (s.unknown_names.insert(name).second) {
            if (s.library)
                GetLog().Error("Error: particle emitter '%s' not found.", name.c_str());
            else
                GetLog().Error("Error: particle emitter '%s' asked for without a particle library.", name.c_str());
        }
        return id;
    }
    EmitterRecord record;
    record.x = x;
    record.y = y;
    record.last_active = _clock;
    record.start = _clock;
    record.emitter = std::make_unique<zf::CParticleEmitter>(std::move(desc), static_cast<uint64_t>(s.random.Next()) << 32 | s.random.Next(), x, y);
    _emitters.emplace(id, std::move(record));
    return id;
}

void CPyro2::Begin()
{
    _frame_time = g_EngineCore ? g_EngineCore->GetFrameTime() : 0.0f;
    if (_emitters.empty()) return;
    for (auto& [id, r] : _emitters)
        r.emitter->Update(_clock - r.start, _frame_time);
    _batcher->Clear();
    for (auto& [id, r] : _emitters)
        r.emitter->Render(_clock - r.start, _frame_time, r.x, r.y, 0.0f, true, *_batcher);
    DrawBatches(*_batcher);
}

void CPyro2::End()
{
    for (auto it = _emitters.begin(); it != _emitters.end();) {
        if (_clock - it->second.last_active >= kKeepAliveSeconds)
            it = _emitters.erase(it);
        else
            ++it;
    }
    _clock += _frame_time;
    if (g_EngineCore) {
        g_EngineCore->SetVertexShader(ZF_FVF_2DPNT1);
        g_EngineCore->InvalidateQuadIndices();
    }
}

void CPyro2::KeepAlive(EmitterRecord& record)
{
    if (record.emitter->IsActive()) record.last_active = _clock;
}

void CPyro2::Render()
{
    Begin();
    for (auto& [id, r] : _emitters) KeepAlive(r);
    End();
}

void CPyro2::KeepAlive(EmitterId id)
{
    auto it = _emitters.find(id);
    if (it != _emitters.end()) KeepAlive(it->second);
}

void CPyro2::RenderEmitter(EmitterId id)
{
    Begin();
    KeepAlive(id);
    End();
}

void CPyro2::RenderEmitters(const std::vector<EmitterId>& ids)
{
    Begin();
    for (EmitterId id : ids) KeepAlive(id);
    End();
}

void CPyro2::RenderEmitters(const std::vector<int>& ids)
{
    Begin();
    for (int id : ids) KeepAlive(static_cast<EmitterId>(id));
    End();
}

void CPyro2::Move(float dx, float dy)
{
    for (auto& [id, r] : _emitters) {
        r.x += dx;
        r.y += dy;
    }
}

void CPyro2::SetPosition(float x, float y)
{
    for (auto& [id, r] : _emitters) {
        r.x = x;
        r.y = y;
    }
}

void CPyro2::MoveEmitter(EmitterId id, float dx, float dy)
{
    auto it = _emitters.find(id);
    if (it == _emitters.end()) return;
    it->second.x += dx;
    it->second.y += dy;
}

void CPyro2::SetEmitterPosition(EmitterId id, float x, float y)
{
    auto it = _emitters.find(id);
    if (it == _emitters.end()) return;
    it->second.x = x;
    it->second.y = y;
}

void CPyro2::OffsetEmitters(float dx, float dy)
{
    for (auto& [id, r] : _emitters) {
        float x, y, z;
        r.emitter->GetPosition(x, y, z);
        r.emitter->SetPosition(x + dx, y + dy, z);
    }
}

bool CPyro2::GetEmitterPosition(EmitterId id, float& x, float& y) const
{
    auto it = _emitters.find(id);
    if (it == _emitters.end()) return false;
    x = it->second.x;
    y = it->second.y;
    return true;
}

bool CPyro2::HasEmitter(EmitterId id) const
{
    return _emitters.count(id) != 0;
}

void CPyro2::RemoveEmitter(EmitterId id)
{
    _emitters.erase(id);
}

void CPyro2::Clear()
{
    _emitters.clear();
}

size_t CPyro2::GetParticleCount() const
{
    size_t n = 0;
    for (const auto& [id, r] : _emitters) n += r.emitter->GetParticleCount();
    return n;
}
