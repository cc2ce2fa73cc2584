// The game screen's explosions: short named effects read from "Settings\Explosions.xml", each a
// sprite animation played once or a particle emitter of the particle library, plus the field's own
// particle emitters by id. One manager per level, created and destroyed by the game scene.
//
// Explosions.xml:
//   <Explosions>
//     <Explosion alias="Expl_Box" is_pyro="1"/>                   the emitter of that name
//     <Explosion alias="BonusChange" is_pyro="0">                  one pass of the sprite
//       <graphics texture="..." width="48" height="48"><animation file="..."/></graphics>
//     </Explosion>
//   </Explosions>
// A repeated alias keeps its first node.
#pragma once

#include "game/game_game.h"

#include "engine/base/engine_layout.h"
#include "engine/render/engine_anim.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

class CPyro2;
class CRenderKeeper;
class CSprite;

struct ExplosionDesc {
    GraphicsDesc graphics;
    CAnimation animation;
    bool is_pyro = false;
};

class CExplosion : public IExplosionManager {
public:
    // Creates the particle container and the render keeper, then reads the file.
    CExplosion();
    ~CExplosion() override;

    void Clear() override;
    void Start(const std::string& alias, float x, float y) override;
    void Render() override;
    int StartPyro(const std::string& name, float x, float y) override;
    void SetEmitterPosition(int id, float x, float y) override;
    void MoveEmitter(int id, float dx, float dy) override;
    bool GetEmitterPosition(int id, float& x, float& y) override;
    bool HasEmitter(int id) override;
    void RemoveEmitter(int id) override;
    void RenderEmitters(const std::vector<int>& ids) override;
    void RenderEmitter(int id) override;

    // What runs now (for the scene's checks and the tests).
    const std::map<std::string, ExplosionDesc>& GetDescriptions() const { return _descs; }
    const std::vector<std::shared_ptr<CSprite>>& GetRunningSprites() const { return _sprites; }
    const std::vector<int>& GetRunningEmitters() const { return _emitters; }

private:
    void Init();
    void LoadExplosions();
    // The sprite is centred on (x, y) and plays its animation once.
    void StartSprite(const ExplosionDesc& desc, float x, float y);
    void ReleaseSprite(const std::shared_ptr<CSprite>& sprite);

    std::shared_ptr<CPyro2> _pyro;
    std::unique_ptr<CRenderKeeper> _keeper;
    std::map<std::string, ExplosionDesc> _descs;
    std::vector<std::shared_ptr<CSprite>> _sprites;
    std::vector<int> _emitters;
};

// The level's manager, or null between levels.
extern IExplosionManager* g_ExplosionManager;

// Deletes the manager held in g_ExplosionManager (if any), builds a new one (which reads the file),
// keeps it there and returns it.
IExplosionManager* CreateExplosionManager();
// Deletes the manager and sets g_ExplosionManager to null.
void DestroyExplosionManager();
