#include "engine/text/engine_cursor.h"

#include "engine/base/engine_log.h"
#include "engine/render/engine_texture.h"
#include "engine/base/engine_xml.h"

#include <SDL.h>

namespace {

struct HardwareName {
    const char* text;
    int id;
    SDL_SystemCursor system;
};

// SDL has no help cursor: the arrow stands in.
const HardwareName kHardwareNames[] = {
    {"IDC_ARROW", 32512, SDL_SYSTEM_CURSOR_ARROW},
    {"IDC_CROSS", 32515, SDL_SYSTEM_CURSOR_CROSSHAIR},
    {"IDC_HAND", 32649, SDL_SYSTEM_CURSOR_HAND},
    {"IDC_NO", 32648, SDL_SYSTEM_CURSOR_NO},
    {"IDC_HELP", 32651, SDL_SYSTEM_CURSOR_ARROW},
    {"IDC_SIZEALL", 32646, SDL_SYSTEM_CURSOR_SIZEALL},
    {"IDC_WAIT", 32514, SDL_SYSTEM_CURSOR_WAIT},
};

bool VideoReady()
{
    return SDL_WasInit(SDL_INIT_VIDEO) != 0;
}

} // namespace

struct CCursor::SystemCursors {
    SDL_Cursor* current = nullptr;        // the current entry's standard cursor
    std::map<int, SDL_Cursor*> made;      // by identifier; null for one the platform cannot make

    // The standard cursor of the identifier, made on first use; null for none.
    SDL_Cursor* Get(int id);
};

int CCursor::HardwareCursorId(const std::string& text)
{
    for (const HardwareName& h : kHardwareNames)
        if (text == h.text) return h.id;
    return 0;
}

CCursor::CCursor() : CCursor("Settings\\Mouse.xml") {}

CCursor::CCursor(const std::string& file) : _system(std::make_unique<SystemCursors>())
{
    GetLog();
    CTextureCacher::Instance();
    _sprite = std::make_shared<CSprite>();
    Load(file);
    if (!Select("default")) Select(_cursors.begin()->first);
}

CCursor::~CCursor()
{
    if (VideoReady()) {
        for (auto& [id, cursor] : _system->made)
            if (cursor) SDL_FreeCursor(cursor);
    }
}

void CCursor::Load(const std::string& file)
{
    CXMLFile xml(file);
    const CXMLNodeList nodes = xml.SelectNodes("//Mouse/Cursor");
    for (int i = 0; i < nodes.GetLength(); ++i) {
        const CXMLNode node = nodes.GetItem(i);
        const std::string name = node.GetAttribute("name", "");
        if (name.empty()) {
            GetLog().Error("Error: fail to load cursor #%d: empty name.", i + 1);
            continue;
        }
        CursorDesc desc;
        desc.hardware_id = HardwareCursorId(node.GetAttribute("hardware", ""));
        desc.offset_x = node.GetIntAttribute("offset_x", 0);
        desc.offset_y = node.GetIntAttribute("offset_y", 0);
        ReadGraphics(node, desc.graphics);
        _cursors[name] = desc;
    }
    VERIFY(!_cursors.empty());
}

SDL_Cursor* CCursor::SystemCursors::Get(int id)
{
    if (id == 0 || !VideoReady()) return nullptr;
    const auto it = made.find(id);
    if (it != made.end()) return it->second;
    SDL_Cursor* cursor = nullptr;
    for (const HardwareName& h : kHardwareNames)
        if (h.id == id) cursor = SDL_CreateSystemCursor(h.system);
    made[id] = cursor;   // a cursor the platform cannot make is not asked for again
    return cursor;
}

bool CCursor::Select(const std::string& name)
{
    if (name == _name) return true;
    const auto it = _cursors.find(name);
    if (it == _cursors.end()) {
        GetLog().Warning("Warning: cursor '%s' not found!", name.c_str());
        return false;
    }
    // The pointer's hotspot stays where it is.
    const float base_x = _sprite->GetX() - static_cast<float>(_offset_x);
    const float base_y = _sprite->GetY() - static_cast<float>(_offset_y);
    const CursorDesc& desc = it->second;
    _offset_x = desc.offset_x;
    _offset_y = desc.offset_y;
    _sprite->Init(base_x + static_cast<float>(_offset_x), base_y + static_cast<float>(_offset_y), desc.graphics);
    _hardware_id = desc.hardware_id;
    _system->current = _system->Get(desc.hardware_id);
    _name = name;
    Apply();
    return true;
}

void CCursor::SetSoftwareCursor(bool software)
{
    _software = software;
    Apply();
}

void CCursor::ShowSystemCursor(bool show)
{
    _visible = show;
    Apply();
}

void CCursor::SetInside(bool inside)
{
    _inside = inside;
    Apply();
}

void CCursor::SetSpritePosition(float x, float y)
{
    _sprite->SetPosition(x + static_cast<float>(_offset_x), y + static_cast<float>(_offset_y));
}

void CCursor::Apply()
{
    if (!VideoReady()) return;
    if (!_visible) {
        SDL_ShowCursor(SDL_DISABLE);
        return;
    }
    SDL_Cursor* hardware = _system->current;
    SDL_Cursor* shown = (!_software && hardware) ? hardware : (_inside ? nullptr : hardware);
    if (shown) {
        SDL_SetCursor(shown);
        SDL_ShowCursor(SDL_ENABLE);
    } else if (_inside) {
        // The sprite is the pointer.
        SDL_ShowCursor(SDL_DISABLE);
    } else {
        // Outside the window without a standard cursor of our own: the system's default.
        SDL_SetCursor(SDL_GetDefaultCursor());
        SDL_ShowCursor(SDL_ENABLE);
    }
}

bool CCursor::IsDrawn() const
{
    return !_name.empty() && _visible && _inside && (_software || !_system->current);
}

void CCursor::Draw()
{
    if (IsDrawn()) _sprite->Draw();
}

void AttachCursorToMouse()
{
    CMouse::Instance().SetCursorService(&CCursor::Instance());
}
