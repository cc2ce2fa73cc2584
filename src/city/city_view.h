// The city on screen: a layered, horizontally scrollable background and, over it, one visual per
// construction of the shop, shown once bought and drawn at its upgrade level. The view scrolls
// only after the city has grown beyond the screen, shows arrows while there is more city either
// way, highlights the construction under the mouse and, while the right button is held on it,
// shows that construction's help page.
//
// Scrolling follows the layered background's sign convention (game/game_background.h): the view
// point is the picture point at the screen's top-left corner, Scroll(dx, dy) moves it by (dx, dy),
// and the background and the constructions move on screen by the opposite of the delta applied.
// GetEdgeScrollStep and GetScrollDistanceTo give view deltas in that same convention, so the
// scene passes them to Scroll unchanged.
#pragma once

#include "city/city_depot.h"
#include "engine/render/cross_fader.h"
#include "engine/render/engine_curve.h"
#include "engine/render/engine_render.h"
#include "gui/gui_dialog.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class CComplexBackground;
class CPyro2;
class CXMLNode;

// Part kinds given by the catalogue's layer "type". 4, 5 and 6 are the kinds 0, 1 and 2 of a
// part that the current layout leaves out; they are not drawn.
enum EConstructionPart : int {
    cpBase = 0,          // opaque when idle
    cpHighlight = 1,     // transparent when idle, shown while hovered and while being built
    cpBuiltEffect = 2,   // animation and particles play only with the built animation
    cpBaseInactive = 4,
    cpHighlightInactive = 5,
    cpBuiltEffectInactive = 6,
};

// Walks a part along a curve: one path point per update, then back to the start, or back and
// forth when the curve says so.
class CCurveWalker {
public:
    CCurveWalker(CPath path, bool back_after_end);
    // The movement of this update (the next point minus the previous one).
    CVector2 Step();
    int GetIndex() const { return _index; }
    int GetDirection() const { return _direction; }
    const CPath& GetPath() const { return _path; }

private:
    CPath _path;
    bool _back_after_end = false;
    int _index = 0;
    int _direction = 1;
    CVector2 _previous;
};

// Reads a curve file: <Curve step="0.1"><Key x="0" y="0"/>...</Curve>. The keys are offsets from
// the part's place; the path is sampled from the spline through them every `step` (default 0.1)
// of a key. False (logged) when the file cannot be read or holds no key.
bool LoadCurveFile(const std::string& file, CPath& path);

struct ConstructionPart {
    int kind = cpBase;
    std::unique_ptr<CSprite> sprite;       // may be empty
    std::unique_ptr<CPyro2> pyro;          // may be empty
    std::string particle_alias;
    uint32_t emitter_id = 0;
    bool has_emitter = false;
    std::unique_ptr<CCurveWalker> walker;  // may be empty
    float offset_x = 0.0f;                 // from the construction's origin
    float offset_y = 0.0f;
};

class CConstruction {
public:
    enum EVisualState { vsIdle = 0, vsBuilt = 9, vsHovered = 10 };
    enum EHighlightFade { hfNone = 0, hfIn = 4, hfOut = 8 };
    enum EBaseFade { bfNone = 0, bfIn = 1, bfOut = 2 };
    static constexpr int kBaseAlphaStep = 2;
    static constexpr int kHighlightAlphaStep = 8;

    // A construction at its level 0, not built, with its origin at (x, y) on the screen. Throws
    // when the catalogue has no such id or level.
    CConstruction(int32_t id, float x, float y);
    ~CConstruction();

    // Builds the parts of the level from the catalogue (throws when it has no such level).
    void SetLevel(int level);
    void SetBuilt(bool built) { _built = built; }
    void SetVisualState(int state);
    // One update: fades, built animation, layouts and curves.
    void Update();
    // Draws the parts when the construction is on the screen; finds whether the mouse is over it.
    void Draw();
    void Move(float dx, float dy);
    void RequestHighlight(bool on) { _highlight_requested = on; }

    int32_t GetId() const { return _id; }
    int GetLevel() const { return _level; }
    bool IsBuilt() const { return _built; }
    float GetX() const { return _x; }
    float GetY() const { return _y; }
    // The box of the parts' pictures on the screen (the origin when there is none).
    float GetLeft() const { return _min_x; }
    float GetWidth() const { return _width; }
    float GetTop() const { return _min_y; }
    float GetBottom() const { return _max_y; }
    int GetHelpPage() const { return _help_page; }
    bool IsMouseOver() const { return _mouse_over; }
    bool IsHighlightRequested() const { return _highlight_requested; }
    int GetVisualState() const { return _visual_state; }
    int GetHighlightFade() const { return _highlight_fade; }
    int GetBaseFade() const { return _base_fade; }
    int GetBlinkCount() const { return _blink_count; }
    int GetBaseAlpha() const { return _base_alpha; }
    int GetHighlightAlpha() const { return _highlight_alpha; }
    const std::vector<ConstructionPart>& GetParts() const { return _parts; }
    // Layouts: the current group (index), the current layout (index in the group), the cycles.
    int GetGroup() const { return _group; }
    int GetLayout() const { return _layout; }
    int GetCycles() const { return _cycles; }
    size_t GetGroupCount() const { return _groups.size(); }

private:
    struct LayoutGroup {
        int32_t id = 0;
        std::vector<ConstructionLayout> layouts;
        int total_probability = 0;
    };

    void BuildParts(const ConstructionUpgrade& level);
    void ComputeBox();
    void ApplyAlphas();
    void StepFades();
    void StepLayouts();
    void ChooseLayout(bool group_change);
    int DefaultLayout(const LayoutGroup& group) const;
    void StartBuiltEffects();

    int32_t _id = 0;
    int _level = 0;
    bool _built = false;
    float _x = 0.0f, _y = 0.0f;
    float _width = 0.0f;
    float _min_x = 0.0f, _min_y = 0.0f, _max_x = 0.0f, _max_y = 0.0f;
    float _origin_dx = 0.0f, _origin_dy = 0.0f;
    std::vector<ConstructionPart> _parts;
    int _help_page = 0;
    bool _mouse_over = false;
    bool _highlight_requested = false;
    int _visual_state = vsIdle;
    int _highlight_fade = hfNone;
    int _base_fade = bfNone;
    int _blink_count = 0;
    int _base_alpha = 255;
    int _highlight_alpha = 0;
    std::vector<LayoutGroup> _groups;
    int _group = 0;
    int _layout = 0;
    int _cycles = 0;
};

// The help dialog of the constructions: one page of "ID_PAGES" per described construction.
class CCityHelpDialog : public CBaseDialog {
public:
    ~CCityHelpDialog() override;
    // Page n (clamped to the last page), showing the dialog at once when hidden; n <= 0 hides it
    // at once.
    void ShowPage(int page);
};

// What the view shows of one construction of the city.
struct CityViewEntry {
    int32_t construct_id = 0;
    int upgrade = -1;      // the level bought; -1: not bought, not shown
    bool bonus = false;    // a bonus construction: shown at its first level
};

class CCityView {
public:
    static constexpr const char* kFile = "Settings\\City.xml";
    static constexpr int kScrollBand = 85;   // a construction this close to the screen needs no scroll

    CCityView();
    ~CCityView();

    // Logs "Reset city visualization...", enables hover, clears the help and the scroll, loads.
    void ResetVisualization();
    // Reads the city's file. A file that cannot be read, or lacks its root, is logged and leaves
    // the view with what was read up to then.
    void Load();
    void Load(const std::string& file);
    // Shows the bought constructions at their levels: the entries of the epochs' constructions,
    // then those with `bonus` set. Constructions without an entry stay hidden.
    void BuildFromCity(const std::vector<CityViewEntry>& entries);
    // Builds a hidden construction, or raises a built one a level; `animate` plays the built
    // animation. An id the view lacks, or a level the catalogue lacks, is logged and changes nothing.
    void SetConstructionUpgrade(int32_t id, bool animate);
    // The view delta along x that centres the construction, 0 when it need not scroll. 0 (logged)
    // for an id the view lacks.
    float GetScrollDistanceTo(int32_t id) const;
    // Moves the view (only with scroll enabled and the help hidden).
    void Scroll(float dx, float dy);
    // The view delta along x that the mouse at (x, y) asks for at the screen's edges.
    int GetEdgeScrollStep(int x, int y) const;
    void UpdateConstructions();
    bool IsBuildAnimationRunning() const;
    void Draw();
    void Release();

    void SetScrollEnabled(bool on) { _scroll_enabled = on; }
    void SetInputEnabled(bool on) { _input_enabled = on; }
    void SetHoverEnabled(bool on) { _hover_enabled = on; }
    bool IsScrollEnabled() const { return _scroll_enabled; }
    bool IsInputEnabled() const { return _input_enabled; }
    bool IsHoverEnabled() const { return _hover_enabled; }
    bool IsHelpShown() const { return _help_shown; }

    // Whether the arrows would be drawn now (more city to the left, to the right).
    bool IsLeftArrowShown() const;
    bool IsRightArrowShown() const;

    CConstruction* GetConstruction(int32_t id) const;
    const std::map<int32_t, std::shared_ptr<CConstruction>>& GetConstructions() const { return _constructions; }
    CConstruction* GetHovered() const { return _hovered.get(); }
    CComplexBackground* GetBackground() const { return _background.get(); }
    CCityHelpDialog& GetHelpDialog() { return _help; }
    CCrossFader& GetFader() { return _fader; }

private:
    struct Placement {
        int32_t id = 0;
        int pos_x = 0;
        int pos_y = 0;
    };

    void LoadFile(const std::string& file);
    void CreateConstructions();
    void EnableScrollFor(const CConstruction& c);
    void MoveView(float dx, float dy);
    void DrawArrows();

    std::map<int32_t, std::shared_ptr<CConstruction>> _constructions;
    std::shared_ptr<CConstruction> _hovered;
    std::shared_ptr<CComplexBackground> _background;
    bool _scroll_enabled = false;
    bool _input_enabled = true;
    std::shared_ptr<CSprite> _left_arrow;
    std::shared_ptr<CSprite> _right_arrow;
    CCityHelpDialog _help;
    CCrossFader _fader;
    bool _hover_enabled = true;
    bool _help_shown = false;
    float _anchor_x = 0.0f, _anchor_y = 0.0f;

    std::vector<Placement> _placements;   // the file's constructions, in file order
    int _bg_width = 0, _bg_height = 0;
    int _start_x = 0, _start_y = 0;
};

// The city's one view (the city scene builds it; the menu shows it as its best city).
CCityView& GetCityView();
