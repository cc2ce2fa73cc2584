// The layered background behind the playing field and behind the city: layers of tiles (sprites
// or particle emitters); a moving layer scrolls its tiles up, down, left or right at its own
// speed, a tile may rotate and pulse in alpha, and a scrolling tile can have a twin one picture
// span behind it so that its picture repeats without a gap.
//
// View sign convention (the one used by the whole game, the city included): the view point is
// the picture point shown at the screen's top-left corner. Scroll(dx, dy) moves the view by
// (dx, dy) picture pixels, so a positive dx shows more of the picture's right part; everything
// drawn on screen (layers, tiles, emitters, the picture rectangle) moves by the opposite of the
// delta actually applied.
#pragma once

#include "engine/base/engine_layout.h"
#include "engine/render/engine_render.h"

#include <memory>
#include <string>
#include <vector>

class CXMLNode;
class CPyro2;

enum EScrollType : int {
    stVerticalUp = 0,
    stVerticalDown = 1,
    stHorizontalLeft = 2,
    stHorizontalRight = 3,
};

constexpr int kBgDefault = -999;

struct BackgroundTileDesc {
    int group_id = 0;
    int id = 0;
    int x = 0;
    int y = 0;
    int activates_at = 0;
    int cycles = 9999;
    bool use_twin = false;
    int width = kBgDefault;
    int height = kBgDefault;
    bool flip_x = false;
    bool flip_y = false;
    float angle = float(kBgDefault);
    float rotate_speed = 0.0f;
    int color = kBgDefault;   // ARGB bits; kBgDefault: none
    bool has_color = false;
    float alpha_min = 255.0f;
    float alpha_max = 255.0f;
    float alpha_speed = 0.0f;
};

struct BackgroundLayerDesc {
    float speed = 0.0f;
    int speed_cycle = 1;
    bool is_static = false;
    int scroll_type = stHorizontalRight;
    std::vector<BackgroundTileDesc> tiles;
};

struct BackgroundDesc {
    int width = 0;
    int height = 0;
    int start_x = 0;
    int start_y = 0;
    FRect picture;
    std::vector<BackgroundLayerDesc> layers;
};

// Reads a "Background" node; sizes default to the screen's. Gives true.
bool LoadBackgroundDesc(const CXMLNode& node, BackgroundDesc& desc);

// One object of the tile base: a sprite description and its angle, or an emitter name.
struct TileBaseObject {
    GraphicsDesc graphics;
    float angle = 0.0f;
    std::string emitter;
};
using TileBase = std::vector<std::vector<TileBaseObject>>;

// Reads "//TileBase/Group" of the file; a file that cannot be read gives an empty base (logged).
TileBase LoadTileBase(const std::string& file);

class CBackgroundLayer;

class CBackgroundTile {
public:
    CBackgroundTile(const BackgroundTileDesc& desc, const TileBaseObject& object, CBackgroundLayer& layer);
    ~CBackgroundTile();
    CBackgroundTile(const CBackgroundTile&) = delete;
    CBackgroundTile& operator=(const CBackgroundTile&) = delete;

    void Update();
    void Move(float dx, float dy);
    void SetDepth(float z);
    void DrawParticles();

    bool IsCreated() const { return _created; }
    bool IsFinished() const { return _finished; }
    bool IsEmitter() const { return !_emitter_name.empty(); }
    float GetX() const { return _x; }
    float GetY() const { return _y; }
    int GetWidth() const { return _width; }
    int GetHeight() const { return _height; }
    int GetCyclesLeft() const { return _cycles_left; }
    float GetAngle() const { return _angle; }
    float GetAlpha() const { return _alpha; }
    const CSprite* GetSprite() const { return _sprite.get(); }
    const CSprite* GetTwin() const { return _twin.get(); }
    CPyro2* GetPyro() const { return _pyro.get(); }

private:
    void Create();
    void Release();
    void PlaceTwin();
    void Step();
    bool HasLeftPicture();
    int EntrySize() const;

    CBackgroundLayer& _layer;
    BackgroundTileDesc _desc;
    GraphicsDesc _graphics;
    std::string _emitter_name;
    std::unique_ptr<CSprite> _sprite;
    std::unique_ptr<CSprite> _twin;
    std::unique_ptr<CPyro2> _pyro;
    uint32_t _emitter_id = 0;
    float _x = 0.0f;
    float _y = 0.0f;
    int _width = 0;
    int _height = 0;
    float _angle = 0.0f;
    float _rotate_speed = 0.0f;
    float _alpha = 255.0f;
    float _alpha_speed = 0.0f;
    int _countdown = 0;
    int _cycles_left = 0;
    int _step = 0;
    float _z = 0.0f;
    bool _created = false;
    bool _finished = false;
};

class CBackgroundLayer {
public:
    CBackgroundLayer(const BackgroundLayerDesc& desc, const FRect& picture, CRenderKeeper& keeper);
    ~CBackgroundLayer();

    void AddTile(std::unique_ptr<CBackgroundTile> tile);
    void Update();
    void DrawParticles();
    void Move(float dx, float dy);

    bool IsMoving() const { return !_static; }
    float GetSpeed() const { return _speed; }
    int GetSpeedCycle() const { return _speed_cycle; }
    int GetScrollType() const { return _scroll_type; }
    const FRect& GetPicture() const { return _picture; }
    CRenderKeeper& GetKeeper() { return _keeper; }
    size_t GetTileCount() const { return _tiles.size(); }
    CBackgroundTile& GetTile(size_t i) { return *_tiles[i]; }

private:
    float _speed = 0.0f;
    int _speed_cycle = 1;
    bool _static = true;
    int _scroll_type = stHorizontalRight;
    FRect _picture;
    CRenderKeeper& _keeper;
    std::vector<std::unique_ptr<CBackgroundTile>> _tiles;
};

class CComplexBackground {
public:
    CComplexBackground();
    ~CComplexBackground();
    CComplexBackground(const CComplexBackground&) = delete;
    CComplexBackground& operator=(const CComplexBackground&) = delete;

    // Clears, then builds the layers of the description from "Settings\TileBase.xml".
    bool Create(const BackgroundDesc& desc);
    // The same with a tile base already read.
    bool Create(const BackgroundDesc& desc, const TileBase& base);
    // Draws the sprites (one draw per texture), then the emitters; step_tiles: every tile steps.
    void Update(bool step_tiles);
    // Moves the view (see the sign convention at the top), clamped to the picture.
    void Scroll(float dx, float dy);
    void Clear();

    float GetViewX() const { return _view_x; }
    float GetViewY() const { return _view_y; }
    const FRect& GetPicture() const { return _picture; }
    size_t GetLayerCount() const { return _layers.size(); }
    CBackgroundLayer& GetLayer(size_t i) { return *_layers[i]; }

private:
    int _width = 0;
    int _height = 0;
    float _view_x = 0.0f;
    float _view_y = 0.0f;
    FRect _picture;
    std::unique_ptr<CRenderKeeper> _keeper;
    std::vector<std::unique_ptr<CBackgroundLayer>> _layers;
};

std::shared_ptr<CComplexBackground> CreateComplexBackground();

// The background ids a player's game carries from level to level.
struct BackgroundChoice {
    int background = kBgDefault;
    int bonus_background = kBgDefault;
    int shows = 0;   // ordinary levels shown with the current background
};

// Chooses the background of the next level: the bonus id on a bonus level, else the ordinary
// id, which after all epochs are complete changes every third ordinary level to another node
// (never the last one). first_* give the first epoch's ids for a game that has none yet.
// Returns the node index to show, always inside 0 .. node_count - 1 (0 when there are no nodes;
// an id outside the range is logged and node 0 is shown).
int ChooseLevelBackground(BackgroundChoice& choice, bool bonus_level, bool all_epochs_complete,
                          int node_count, int first_background, int first_bonus_background);

// Reads node `index` of "//Game/Background" in the file into the description; false (logged)
// when the file or the node cannot be read.
bool LoadLevelBackgroundDesc(const std::string& file, int index, BackgroundDesc& desc);
