// The bonus panel of the game screen: the eight bonuses with their credit state, picked with a
// click to be used on the field and cancelled with the right mouse button or another click, a
// growing ring over a bonus whose grade rises, and the help button "ID_HELP".
#pragma once

#include "engine/base/engine_layout.h"
#include "game/game_gui.h"
#include "game/game_panels.h"
#include "gui/gui_dialog.h"

#include <memory>
#include <string>
#include <vector>

class CGameField;
class CMenuImage;
class CSprite;
class CXMLNode;

// A ring that grows from one size to another over a spot once it is started for a value above the
// last one it was started for.
class CRing {
public:
    CRing();
    ~CRing();
    CRing(const CRing&) = delete;
    CRing& operator=(const CRing&) = delete;

    // "id", "centre_x", "centre_y", "begin", "end", "speed" and a "graphics" child; another child
    // is logged and skipped.
    bool Load(const CXMLNode& node);
    // Starts only when enabled, not running and the value is above the last one started.
    void Start(int value);
    // One step of the growth; stops on reaching the end size.
    void Update();
    void Draw();
    void Stop() { _running = false; }

    const std::string& GetName() const { return _name; }
    bool IsRunning() const { return _running; }
    bool IsEnabled() const { return _enabled; }
    void SetEnabled(bool enabled) { _enabled = enabled; }
    void SetHeldVisible(bool held) { _held_visible = held; }
    float GetSize() const { return _size; }
    int GetLastValue() const { return _last_value; }
    void SetLastValue(int value) { _last_value = value; }

private:
    void PlaceSprite();

    std::string _name;
    float _centre_x = 0.0f;
    float _centre_y = 0.0f;
    float _begin = 0.0f;
    float _end = 0.0f;
    float _speed = 1.0f;
    GraphicsDesc _desc;
    std::unique_ptr<CSprite> _sprite;
    bool _enabled = true;
    bool _running = false;
    bool _held_visible = false;
    float _size = 0.0f;
    float _step = 0.0f;
    int _last_value = 0;
};

// One bonus of the panel: its five control names, its credit type and its kind on the field.
struct BonusPanelRow {
    const char* icon;
    const char* disabled;
    const char* empty;
    const char* ready;
    const char* glow;
    int credit_type;
    int bonus_kind;
};

// The eight rows in panel order.
const std::vector<BonusPanelRow>& GetBonusPanelRows();

class CBonusPanel : public CSlideableBaseDialog {
public:
    static constexpr int kNoSelection = -999;

    struct RowState {
        bool available = false;
        bool active = false;
        int grade = 0;
        bool operator==(const RowState&) const = default;
    };

    CBonusPanel();
    ~CBonusPanel() override;

    bool Load(const CXMLNode& node) override;
    // The controls, rings and indicators go; the panel can be loaded again.
    void ClearControls() override;
    void OnShow(bool immediate) override;
    void OnDraw() override;
    // The right mouse button held down cancels the pick.
    void OnProcessInput() override;
    void OnProcessed() override;
    void OnClick(CBaseControl* control) override;

    // The field the bonuses are used on (none: nothing can be picked).
    void SetField(CGameField* field) { _field = field; }
    // The help button, enabled while play runs and disabled while the help is shown.
    void EnableHelp(bool enabled);
    // Disarms the picked bonus on the field, giving its credit back; nothing without a pick.
    void CancelSelection();
    // The screen point of a bonus credit type for the field's effects: the centre x and top y of
    // its ready image; (0, 0) for a type that is not on the panel.
    GamePoint GetBonusIconPos(int credit_type) const;

    int GetSelectedRow() const { return _selected; }
    const RowState& GetRowState(int row) const { return _states[row]; }
    CRing* GetRing(int row) const { return _rings[row].get(); }
    int GetGlowAlpha() const;

private:
    void ResetRows();
    void SetRowImages(int row, const RowState& state);
    bool FieldAcceptsClick() const;

    CGameField* _field = nullptr;
    std::vector<std::unique_ptr<CRing>> _rings;
    CPanelIndicators _indicators;
    std::vector<RowState> _states;
    int _pulse = 0;
    int _selected = kNoSelection;
};
