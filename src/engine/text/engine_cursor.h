// The mouse pointer: a sprite chosen by name from the cursor table ("Settings\Mouse.xml") and drawn
// last in every frame at the mouse position plus the cursor's offset (minus its hotspot). Each cursor
// may name a standard system cursor, shown while the pointer is outside the window.
#pragma once

#include "engine/base/engine_helpers.h"
#include "engine/core/engine_input.h"
#include "engine/base/engine_layout.h"
#include "engine/render/engine_render.h"

#include <map>
#include <memory>
#include <string>

struct CursorDesc {
    int offset_x = 0;
    int offset_y = 0;
    int hardware_id = 0;      // a standard cursor identifier (IDC_ARROW 32512 ...), 0 for none
    GraphicsDesc graphics;
};

class CCursor : public ICursor, public siv::singleton<CCursor> {
    friend class siv::singleton<CCursor>;
public:
    // Loads the cursor table from the file (fatal when it holds no cursor) and selects "default",
    // or the cursor of the smallest name when there is none of that name.
    explicit CCursor(const std::string& file);
    ~CCursor() override;

    bool Select(const std::string& name) override;
    void SetSoftwareCursor(bool software) override;
    void ShowSystemCursor(bool show) override;
    void SetInside(bool inside) override;
    void SetSpritePosition(float x, float y) override;
    void Draw() override;
    // The system-cursor rule: with the software flag clear and a standard cursor for the current
    // entry, that cursor; otherwise none while inside the window and the entry's standard cursor
    // outside it.
    void Apply() override;

    // The sprite is drawn this frame.
    bool IsDrawn() const;
    const std::string& GetCurrentName() const { return _name; }
    const CSprite& GetSprite() const { return *_sprite; }
    int GetOffsetX() const { return _offset_x; }
    int GetOffsetY() const { return _offset_y; }
    bool IsVisible() const { return _visible; }
    bool IsInside() const { return _inside; }
    bool IsSoftware() const { return _software; }
    // The current entry names a standard cursor.
    bool HasHardwareCursor() const { return _hardware_id != 0; }
    const std::map<std::string, CursorDesc>& GetCursors() const { return _cursors; }

    // The standard cursor identifier of a "hardware" text, 0 for none.
    static int HardwareCursorId(const std::string& text);

private:
    CCursor();
    void Load(const std::string& file);

    std::map<std::string, CursorDesc> _cursors;
    std::shared_ptr<CSprite> _sprite;
    int _offset_x = 0;
    int _offset_y = 0;
    std::string _name;
    int _hardware_id = 0;
    struct SystemCursors;                      // the platform's standard cursors, made on first use
    std::unique_ptr<SystemCursors> _system;
    bool _visible = true;
    bool _inside = true;
    bool _software = true;
};

// Makes the program's cursor the mouse's pointer (CMouse forwards its cursor operations to it).
void AttachCursorToMouse();
