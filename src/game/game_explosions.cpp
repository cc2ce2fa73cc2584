// The game screen's explosions.
#include "game/game_explosions.h"

#include "engine/base/engine_log.h"
#include "engine/base/engine_xml.h"
#include "engine/particles/engine_pyro2.h"
#include "engine/render/engine_render.h"

#include <algorithm>
#include <exception>

namespace {
const char* const kExplosionsFile = "Settings\\Explosions.xml";
} // namespace

IExplosionManager* g_ExplosionManager = nullptr;

CExplosion::CExplosion()
{
    Init();
}

CExplosion::~CExplosion()
{
    // The sprites leave their renderers before the keeper goes.
    _pyro.reset();
    _emitters.clear();
    while (!_sprites.empty()) {
        ReleaseSprite(_sprites.back());
        _sprites.pop_back();
    }
    _keeper.reset();
    _descs.clear();
}

void CExplosion::Init()
{
    _pyro = std::make_shared<CPyro2>();
    _keeper = std::make_unique<CRenderKeeper>();
    LoadExplosions();
}

void CExplosion::LoadExplosions()
{
    _descs.clear();
    try {
        CXMLFile file(kExplosionsFile);
        CXMLNodeList list = file.SelectNodes("//Explosions/Explosion");
        for (int i = 0; i < list.GetLength(); ++i) {
            const CXMLNode node = list.GetItem(i);
            const std::string alias = node.GetAttribute("alias");
            ExplosionDesc desc;
            ReadGraphics(node, desc.graphics);
            desc.is_pyro = node.GetBoolAttribute("is_pyro", false);
            // A repeated alias keeps its first node.
            if (_descs.count(alias)) continue;
            if (!desc.is_pyro) {
                desc.animation.Setup(desc.graphics);
                if (desc.animation.GetFrameCount() > 0) desc.animation.Restart();
                // The texture is loaded now rather than at the first explosion.
                _keeper->GetRenderer(desc.graphics);
            }
            _descs.emplace(alias, std::move(desc));
        }
    } catch (const std::exception&) {
        // The XML layer has logged what is wrong with the file; no explosion is known.
    }
}

void CExplosion::Clear()
{
    if (_pyro) _pyro->Clear();
    _emitters.clear();
    for (const auto& sprite : _sprites) ReleaseSprite(sprite);
    _sprites.clear();
}

void CExplosion::Start(const std::string& alias, float x, float y)
{
    if (alias.empty()) return;
    const auto it = _descs.find(alias);
    if (it == _descs.end()) {
        GetLog().Error("Explosion alias not found: '%s'", alias.c_str());
        return;
    }
    if (it->second.is_pyro) {
        if (_pyro) _emitters.push_back(int(_pyro->AddEmitter(alias, float(int(x)), float(int(y)))));
    } else {
        StartSprite(it->second, x, y);
    }
}

void CExplosion::StartSprite(const ExplosionDesc& desc, float x, float y)
{
    const float left = float(int(x - float(desc.graphics.width / 2)));
    const float top = float(int(y - float(desc.graphics.height / 2)));
    auto sprite = std::make_shared<CSprite>(left, top, desc.graphics, *_keeper);
    sprite->PlayAnimation(1);
    _sprites.push_back(std::move(sprite));
}

void CExplosion::ReleaseSprite(const std::shared_ptr<CSprite>& sprite)
{
    if (sprite->GetRenderer() && _keeper) _keeper->ReleaseRenderer(sprite->GetRenderer());
    sprite->DetachRenderer();
}

void CExplosion::Render()
{
    if (_pyro) _pyro->Render();
    _keeper->Draw();

    // A sprite whose pass has ended goes; the others keep their order.
    auto done = std::stable_partition(_sprites.begin(), _sprites.end(),
                                      [](const std::shared_ptr<CSprite>& s) { return s->IsPlaying(); });
    for (auto it = done; it != _sprites.end(); ++it) ReleaseSprite(*it);
    _sprites.erase(done, _sprites.end());

    _emitters.erase(std::remove_if(_emitters.begin(), _emitters.end(),
                                   [this](int id) { return !_pyro || !_pyro->HasEmitter(CPyro2::EmitterId(id)); }),
                    _emitters.end());
}

int CExplosion::StartPyro(const std::string& name, float x, float y)
{
    return int(_pyro->AddEmitter(name, float(int(x)), float(int(y))));
}

void CExplosion::SetEmitterPosition(int id, float x, float y)
{
    _pyro->SetEmitterPosition(CPyro2::EmitterId(id), x, y);
}

void CExplosion::MoveEmitter(int id, float dx, float dy)
{
    _pyro->MoveEmitter(CPyro2::EmitterId(id), dx, dy);
}

bool CExplosion::GetEmitterPosition(int id, float& x, float& y)
{
    return _pyro->GetEmitterPosition(CPyro2::EmitterId(id), x, y);
}

bool CExplosion::HasEmitter(int id)
{
    return _pyro->HasEmitter(CPyro2::EmitterId(id));
}

void CExplosion::RemoveEmitter(int id)
{
    _pyro->RemoveEmitter(CPyro2::EmitterId(id));
}

void CExplosion::RenderEmitters(const std::vector<int>& ids)
{
    _pyro->RenderEmitters(ids);
}

void CExplosion::RenderEmitter(int id)
{
    _pyro->RenderEmitter(CPyro2::EmitterId(id));
}

IExplosionManager* CreateExplosionManager()
{
    delete g_ExplosionManager;
    g_ExplosionManager = nullptr;
    g_ExplosionManager = new CExplosion();
    return g_ExplosionManager;
}

void DestroyExplosionManager()
{
    delete g_ExplosionManager;
    g_ExplosionManager = nullptr;
}
