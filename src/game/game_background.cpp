// The layered background.
#include "game/game_background.h"

#include "engine/base/engine_helpers.h"
#include "engine/base/engine_log.h"
#include "engine/base/engine_registry.h"
#include "engine/base/engine_xml.h"
#include "engine/core/engine_core.h"
#include "engine/particles/engine_pyro2.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <utility>

namespace {
const char* const kTileBaseFile = "Settings\\TileBase.xml";
constexpr float kDepthStep = 0.00001f;

int ScreenWidth() { return g_EngineCore ? g_EngineCore->GetScreenWidth() : 800; }
int ScreenHeight() { return g_EngineCore ? g_EngineCore->GetScreenHeight() : 600; }

float NormalizeAngle(float degrees)
{
    float a = std::fmod(degrees, 360.0f);
    if (a < 0.0f) a += 360.0f;
    if (a >= 360.0f) a = 0.0f;
    return a;
}

int ParseScrollType(const std::string& text)
{
    if (text == "VERTICAL_UP") return stVerticalUp;
    if (text == "VERTICAL_DOWN") return stVerticalDown;
    if (text == "HORIZONTAL_LEFT") return stHorizontalLeft;
    return stHorizontalRight;
}

// ARGB hexadecimal digits, with or without a "0x" prefix. False for anything else.
bool ParseColor(std::string text, uint32_t& color)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text = text.substr(2);
    if (text.empty() || text.size() > 8) return false;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 16);
    if (end == nullptr || *end != '\0') return false;
    color = uint32_t(value);
    return true;
}

uint32_t AlphaByte(float alpha)
{
    return uint32_t(std::clamp(alpha, 0.0f, 255.0f));
}
} // namespace

bool LoadBackgroundDesc(const CXMLNode& node, BackgroundDesc& desc)
{
    const int screen_w = ScreenWidth();
    const int screen_h = ScreenHeight();
    desc = BackgroundDesc{};
    desc.width = node.GetIntAttribute("width", screen_w);
    desc.height = node.GetIntAttribute("height", screen_h);
    desc.start_x = std::clamp(node.GetIntAttribute("start_x", 0), 0, std::max(0, desc.width - screen_w));
    desc.start_y = std::clamp(node.GetIntAttribute("start_y", 0), 0, std::max(0, desc.height - screen_h));
    desc.picture = FRect{float(-desc.start_x), float(-desc.start_y), float(desc.width - desc.start_x),
                         float(desc.height - desc.start_y)};

    const CXMLNodeList layers = node.SelectNodes("Layer");
    for (int i = 0; i < layers.GetLength(); ++i) {
        const CXMLNode ln = layers.GetItem(i);
        BackgroundLayerDesc layer;
        layer.speed = std::max(0.0f, ln.GetFloatAttribute("speed", 0.0f));
        layer.speed_cycle = ln.GetIntAttribute("speed_cycle", 1);
        layer.is_static = ln.GetBoolAttribute("is_static", false);
        layer.scroll_type = ParseScrollType(ln.GetAttribute("scroll_type", "HORIZONTAL_RIGHT"));

        const CXMLNodeList tiles = ln.SelectNodes("Tile");
        for (int j = 0; j < tiles.GetLength(); ++j) {
            const CXMLNode tn = tiles.GetItem(j);
            BackgroundTileDesc t;
            t.group_id = tn.GetIntAttribute("group_id", 0);
            t.id = tn.GetIntAttribute("id", 0);
            t.x = tn.GetIntAttribute("pos_x", 0) - desc.start_x;
            t.y = tn.GetIntAttribute("pos_y", 0) - desc.start_y;
            t.activates_at = tn.GetIntAttribute("activates_at", 0);
            t.cycles = tn.GetIntAttribute("cycles", 9999);
            t.use_twin = tn.GetBoolAttribute("use_twin", false);
            t.angle = tn.GetFloatAttribute("angle", float(kBgDefault));
            t.rotate_speed = float(tn.GetIntAttribute("rotate_speed", 0));
            t.width = int(tn.GetFloatAttribute("width", float(kBgDefault)));
            t.height = int(tn.GetFloatAttribute("height", float(kBgDefault)));
            t.flip_x = tn.GetBoolAttribute("flip_x", false);
            t.flip_y = tn.GetBoolAttribute("flip_y", false);
            const std::string color = tn.GetAttribute("color", "");
            if (!color.empty()) {
                uint32_t value = 0;
                if (ParseColor(color, value)) {
                    t.color = int(value);
                    t.has_color = true;
                } else {
                    GetLog().Error("ERROR: Background Tile color '%s' is not a hexadecimal ARGB colour!",
                                   color.c_str());
                }
            }
            t.alpha_min = float(tn.GetIntAttribute("alpha_min", 255));
            t.alpha_max = float(tn.GetIntAttribute("alpha_max", 255));
            t.alpha_speed = float(tn.GetIntAttribute("alpha_speed", 0));
            layer.tiles.push_back(t);
        }
        desc.layers.push_back(std::move(layer));
    }
    return true;
}

TileBase LoadTileBase(const std::string& file)
{
    TileBase base;
    try {
        CXMLFile xml(file);
        const CXMLNodeList groups = xml.SelectNodes("//TileBase/Group");
        for (int i = 0; i < groups.GetLength(); ++i) {
            const CXMLNodeList objects = groups.GetItem(i).SelectNodes("Object");
            std::vector<TileBaseObject> group;
            for (int j = 0; j < objects.GetLength(); ++j) {
                const CXMLNode on = objects.GetItem(j);
                TileBaseObject object;
                ReadGraphics(on, object.graphics);
                object.angle = on.GetFloatAttribute("angle", 0.0f);
                object.emitter = on.GetAttribute("emitter", "");
                group.push_back(std::move(object));
            }
            base.push_back(std::move(group));
        }
    } catch (const std::exception&) {
        // The XML layer has logged what is wrong with the file; the background has no tiles.
    }
    return base;
}

// ---------------------------------------------------------------------------------------------

CBackgroundTile::CBackgroundTile(const BackgroundTileDesc& desc, const TileBaseObject& object,
                                 CBackgroundLayer& layer)
    : _layer(layer), _desc(desc), _graphics(object.graphics), _emitter_name(object.emitter)
{
    if (desc.width != kBgDefault) _graphics.width = desc.width;
    if (desc.height != kBgDefault) _graphics.height = desc.height;
    _graphics.angle = 0;
    _width = _graphics.width;
    _height = _graphics.height;
    _angle = NormalizeAngle(desc.angle != float(kBgDefault) ? desc.angle : object.angle);
    _rotate_speed = desc.rotate_speed;
    _alpha = desc.alpha_max;
    _alpha_speed = -std::fabs(desc.alpha_speed);
    _cycles_left = desc.cycles > 0 ? desc.cycles - 1 : 0;
    _x = float(desc.x);
    _y = float(desc.y);

    if (layer.IsMoving() && desc.activates_at != 0) {
        const FRect& pic = layer.GetPicture();
        const float size = float(EntrySize());
        switch (layer.GetScrollType()) {
        case stVerticalUp: _y = pic.bottom; break;
        case stVerticalDown: _y = pic.top - size; break;
        case stHorizontalLeft: _x = pic.right; break;
        default: _x = pic.left - size; break;
        }
        if (desc.activates_at < 0) {
            const float advance = float(-desc.activates_at) * layer.GetSpeed();
            const bool vertical = layer.GetScrollType() <= stVerticalDown;
            const float wrap = (vertical ? pic.Height() : pic.Width()) + size + 1.0f;
            switch (layer.GetScrollType()) {
            case stVerticalUp:
                _y -= advance;
                while (_y + size < pic.top) _y += wrap;
                break;
            case stVerticalDown:
                _y += advance;
                while (_y >= pic.bottom) _y -= wrap;
                break;
            case stHorizontalLeft:
                _x -= advance;
                while (_x + size < pic.left) _x += wrap;
                break;
            default:
                _x += advance;
                while (_x >= pic.right) _x -= wrap;
                break;
            }
        }
        _countdown = std::max(0, desc.activates_at);
    }
    if (_countdown == 0) Create();
}

CBackgroundTile::~CBackgroundTile()
{
    Release();
}

int CBackgroundTile::EntrySize() const
{
    const bool turns = _desc.angle != float(kBgDefault) || _rotate_speed != 0.0f || _angle != 0.0f;
    if (turns) return std::max(_width, _height);
    return _layer.GetScrollType() <= stVerticalDown ? _height : _width;
}

void CBackgroundTile::Create()
{
    _created = true;
    if (IsEmitter()) {
        _pyro = std::make_unique<CPyro2>();
        _emitter_id = _pyro->AddEmitter(_emitter_name, _x, _y);
        return;
    }
    _sprite = std::make_unique<CSprite>(_x, _y, _graphics, _layer.GetKeeper());
    VERIFY(_sprite->GetRenderer() != nullptr);
    _sprite->SetFlip(_desc.flip_x, _desc.flip_y);
    if (_angle != 0.0f) _sprite->SetAngle(_angle);
    if (_desc.has_color) _sprite->SetColor(uint32_t(_desc.color));
    if (_desc.alpha_speed != 0.0f || _desc.alpha_max < 255.0f) _sprite->SetAlpha(AlphaByte(_alpha));
    _sprite->SetDepth(_z);
    if (_layer.IsMoving() && _desc.cycles > 1 && _desc.use_twin) {
        _twin = std::make_unique<CSprite>(_x, _y, _graphics, _layer.GetKeeper());
        _twin->SetFlip(_desc.flip_x, _desc.flip_y);
        if (_angle != 0.0f) _twin->SetAngle(_angle);
        _twin->SetColor(_sprite->GetColor());
        _twin->SetDepth(_z);
        PlaceTwin();
    }
}

void CBackgroundTile::Release()
{
    for (auto* sprite : {&_sprite, &_twin}) {
        if (*sprite) {
            if ((*sprite)->GetRenderer()) _layer.GetKeeper().ReleaseRenderer((*sprite)->GetRenderer());
            (*sprite)->DetachRenderer();
            sprite->reset();
        }
    }
    if (_pyro) {
        _pyro->Clear();
        _pyro.reset();
    }
}

void CBackgroundTile::PlaceTwin()
{
    if (!_twin) return;
    const FRect& pic = _layer.GetPicture();
    float x = _x, y = _y;
    switch (_layer.GetScrollType()) {
    case stVerticalUp: y += pic.Height(); break;
    case stVerticalDown: y -= pic.Height(); break;
    case stHorizontalLeft: x += pic.Width(); break;
    default: x -= pic.Width(); break;
    }
    _twin->SetPosition(x, y);
}

void CBackgroundTile::SetDepth(float z)
{
    _z = z;
    if (_sprite) _sprite->SetDepth(z);
    if (_twin) _twin->SetDepth(z);
}

void CBackgroundTile::Move(float dx, float dy)
{
    _x += dx;
    _y += dy;
    if (_sprite) _sprite->Move(dx, dy);
    if (_twin) _twin->Move(dx, dy);
    if (_pyro) _pyro->MoveEmitter(_emitter_id, dx, dy);
}

bool CBackgroundTile::HasLeftPicture()
{
    const FRect& pic = _layer.GetPicture();
    float x = _x, y = _y;
    if (IsEmitter()) {
        VERIFY(_pyro != nullptr);
        // Both coordinates of the emitter are read; a lost emitter is judged by the tile's place.
        if (!_pyro->GetEmitterPosition(_emitter_id, x, y)) {
            ::zf::ReportFailedCheck("_pyro->GetEmitterPosition(_emitter_id, x, y)", __FILE__, __LINE__);
            x = _x;
            y = _y;
        }
    }
    switch (_layer.GetScrollType()) {
    case stVerticalUp: return y + float(_height) < pic.top;
    case stVerticalDown: return y >= pic.bottom;
    case stHorizontalLeft: return x + float(_width) < pic.left;
    default: return x >= pic.right;
    }
}

void CBackgroundTile::Step()
{
    if (++_step < _layer.GetSpeedCycle()) return;
    _step = 0;
    if (!IsEmitter()) VERIFY(_sprite != nullptr);
    const float speed = _layer.GetSpeed();
    switch (_layer.GetScrollType()) {
    case stVerticalUp: Move(0.0f, -speed); break;
    case stVerticalDown: Move(0.0f, speed); break;
    case stHorizontalLeft: Move(-speed, 0.0f); break;
    default: Move(speed, 0.0f); break;
    }
    PlaceTwin();
    if (!HasLeftPicture()) return;

    if (_cycles_left <= 0) {
        _finished = true;
        Release();
        return;
    }
    const FRect& pic = _layer.GetPicture();
    switch (_layer.GetScrollType()) {
    case stVerticalUp: Move(0.0f, 2.0f * pic.Height()); break;
    case stVerticalDown: Move(0.0f, -2.0f * pic.Height()); break;
    case stHorizontalLeft: Move(2.0f * pic.Width(), 0.0f); break;
    default: Move(-2.0f * pic.Width(), 0.0f); break;
    }
    --_cycles_left;
    if (_twin) {
        // The twin, one span ahead of the moved sprite, leads from now on.
        std::swap(_sprite, _twin);
        _x = _sprite->GetX();
        _y = _sprite->GetY();
        PlaceTwin();
    }
}

void CBackgroundTile::Update()
{
    if (_finished) return;
    if (!_created) {
        if (_countdown > 0) --_countdown;
        if (_countdown == 0) Create();
        return;
    }
    if (IsEmitter()) VERIFY(_pyro != nullptr);
    if (_layer.IsMoving()) {
        Step();
        if (_finished) return;
    }
    if (!_sprite) return;
    if (_rotate_speed != 0.0f) {
        _sprite->SetAngle(_angle);
        if (_twin) _twin->SetAngle(_angle);
        _angle = NormalizeAngle(_angle + _rotate_speed);
    }
    if (_alpha_speed != 0.0f) {
        _sprite->SetAlpha(AlphaByte(_alpha));
        if (_twin) _twin->SetAlpha(AlphaByte(_alpha));
        _alpha += _alpha_speed;
        if (_alpha < _desc.alpha_min || _alpha > _desc.alpha_max) _alpha_speed = -_alpha_speed;
    }
}

void CBackgroundTile::DrawParticles()
{
    if (_created && !_finished && _pyro) _pyro->RenderEmitter(_emitter_id);
}

// ---------------------------------------------------------------------------------------------

CBackgroundLayer::CBackgroundLayer(const BackgroundLayerDesc& desc, const FRect& picture, CRenderKeeper& keeper)
    : _speed(std::max(0.0f, desc.speed)),
      _speed_cycle(std::max(1, desc.speed_cycle)),
      _static(desc.is_static || desc.speed <= 0.0f),
      _scroll_type(desc.scroll_type),
      _picture(picture),
      _keeper(keeper)
{
}

CBackgroundLayer::~CBackgroundLayer()
{
    _tiles.clear();
}

void CBackgroundLayer::AddTile(std::unique_ptr<CBackgroundTile> tile)
{
    tile->SetDepth(kDepthStep * float(_tiles.size()));
    _tiles.push_back(std::move(tile));
}

void CBackgroundLayer::Update()
{
    for (auto& tile : _tiles) tile->Update();
}

void CBackgroundLayer::DrawParticles()
{
    for (auto& tile : _tiles) tile->DrawParticles();
}

void CBackgroundLayer::Move(float dx, float dy)
{
    _picture = _picture.Offset(dx, dy);
    for (auto& tile : _tiles) tile->Move(dx, dy);
}

// ---------------------------------------------------------------------------------------------

CComplexBackground::CComplexBackground() : _keeper(std::make_unique<CRenderKeeper>()) {}

CComplexBackground::~CComplexBackground()
{
    Clear();
}

std::shared_ptr<CComplexBackground> CreateComplexBackground()
{
    return std::make_shared<CComplexBackground>();
}

bool CComplexBackground::Create(const BackgroundDesc& desc)
{
    return Create(desc, LoadTileBase(kTileBaseFile));
}

bool CComplexBackground::Create(const BackgroundDesc& desc, const TileBase& base)
{
    Clear();
    _width = desc.width;
    _height = desc.height;
    _view_x = float(desc.start_x);
    _view_y = float(desc.start_y);
    _picture = desc.picture;
    for (const auto& ld : desc.layers) {
        auto layer = std::make_unique<CBackgroundLayer>(ld, _picture, *_keeper);
        for (const auto& td : ld.tiles) {
            if (td.group_id < 0 || size_t(td.group_id) >= base.size()) {
                GetLog().Error("ERROR: Background Tile group_id=%d doesn't exist!", td.group_id);
                continue;
            }
            const auto& group = base[size_t(td.group_id)];
            if (td.id < 0 || size_t(td.id) >= group.size()) {
                GetLog().Error("ERROR: Background Tile group_id=%d and id=%d doesn't exist!", td.group_id, td.id);
                continue;
            }
            layer->AddTile(std::make_unique<CBackgroundTile>(td, group[size_t(td.id)], *layer));
        }
        _layers.push_back(std::move(layer));
    }
    return true;
}

void CComplexBackground::Update(bool step_tiles)
{
    _keeper->BeginFrame();
    _keeper->Draw();
    for (auto& layer : _layers) layer->DrawParticles();
    if (!step_tiles) return;
    for (auto& layer : _layers) layer->Update();
}

void CComplexBackground::Scroll(float dx, float dy)
{
    const float max_x = float(std::max(0, _width - ScreenWidth()));
    const float max_y = float(std::max(0, _height - ScreenHeight()));
    const float nx = std::clamp(_view_x + dx, 0.0f, max_x);
    const float ny = std::clamp(_view_y + dy, 0.0f, max_y);
    const float ax = nx - _view_x;
    const float ay = ny - _view_y;
    _view_x = nx;
    _view_y = ny;
    if (ax == 0.0f && ay == 0.0f) return;
    _picture = _picture.Offset(-ax, -ay);
    for (auto& layer : _layers) layer->Move(-ax, -ay);
}

void CComplexBackground::Clear()
{
    _layers.clear();
}

// ---------------------------------------------------------------------------------------------

int ChooseLevelBackground(BackgroundChoice& choice, bool bonus_level, bool all_epochs_complete,
                          int node_count, int first_background, int first_bonus_background)
{
    auto checked = [node_count](int id) {
        if (node_count <= 0) {
            GetLog().Error("ERROR: no background is defined!");
            return 0;
        }
        if (id < 0 || id >= node_count) {
            GetLog().Error("ERROR: Background id=%d doesn't exist, the first background is shown!", id);
            return 0;
        }
        return id;
    };

    if (bonus_level) {
        if (choice.bonus_background == kBgDefault) choice.bonus_background = first_bonus_background;
        return checked(choice.bonus_background);
    }
    if (choice.background == kBgDefault) {
        choice.background = first_background;
        choice.shows = 0;
    }
    // The last node is never drawn; with fewer than two other nodes there is nothing to change to.
    if (all_epochs_complete && choice.shows >= 3 && node_count - 1 >= 2) {
        const int previous = choice.background;
        int id = previous;
        while (id == previous) id = RandomInt(0, node_count - 2);
        choice.background = id;
        choice.shows = 0;
    }
    ++choice.shows;
    return checked(choice.background);
}

bool LoadLevelBackgroundDesc(const std::string& file, int index, BackgroundDesc& desc)
{
    try {
        CXMLFile xml(file);
        const CXMLNodeList nodes = xml.SelectNodes("//Game/Background");
        if (index < 0 || index >= nodes.GetLength()) {
            GetLog().Error("ERROR: Background id=%d doesn't exist!", index);
            return false;
        }
        return LoadBackgroundDesc(nodes.GetItem(index), desc);
    } catch (const std::exception&) {
        // The XML layer has logged what is wrong with the file.
        return false;
    }
}
