// Controls of the dialog toolkit. Every element of a dialog is a CBaseControl: it reads its
// rectangle and flags from a "Control" node of a layout, polls the engine's mouse and keyboard
// once per frame in ProcessInput, draws itself in Update and reports what the player did to its
// event receiver. Skinned controls take their looks from numbered kinds of "Settings\Controls.xml"
// (gui_kinds.h). Mouse positions are logical screen pixels (800 x 600).
#pragma once

#include "engine/base/engine_helpers.h"
#include "engine/text/engine_langtext.h"
#include "engine/base/engine_layout.h"
#include "engine/render/engine_rectset.h"
#include "engine/render/engine_render.h"
#include "gui/gui_kinds.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CBaseControl;
class CBaseDialog;

// The receiver of control events; every operation does nothing unless overridden.
class IEventHolder {
public:
    virtual ~IEventHolder() = default;
    virtual void OnMouseEnter(CBaseControl*) {}
    virtual void OnMouseLeave(CBaseControl*) {}
    // A push control was pressed and released over itself.
    virtual void OnClick(CBaseControl*) {}
    virtual void OnPress(CBaseControl*) {}
    virtual void OnRelease(CBaseControl*) {}
    // A track bar's value changed.
    virtual void OnChange(CBaseControl*) {}
    // An edit got a key (a virtual-key code); the receiver may change it before the edit acts.
    virtual void OnKey(CBaseControl*, int& /*key*/) {}
    // An edit appended a character.
    virtual void OnChar(CBaseControl*, char) {}
    virtual void OnSelect(CBaseControl*, int /*index*/) {}
    virtual void OnItemActivate(CBaseControl*, int /*index*/) {}
};

// What holds controls: their render list.
class IControlHolder {
public:
    virtual ~IControlHolder() = default;
    virtual CRenderKeeper& GetRenderList() = 0;
};

// Virtual-key codes the toolkit acts on.
enum { VK_BACK_CODE = 8, VK_RETURN_CODE = 13, VK_LEFT_CODE = 37, VK_UP_CODE = 38, VK_RIGHT_CODE = 39,
       VK_DOWN_CODE = 40 };

// Plays a sample through the sound keeper; an empty alias plays nothing.
void PlayControlSound(const std::string& alias);

class CBaseControl : private siv::noncopyable {
public:
    CBaseControl(IControlHolder* container, IEventHolder* events);
    virtual ~CBaseControl();

    // Re-places the control's parts after x or y changed.
    virtual void UpdatePosition() {}
    virtual void OnMouseEnter();
    virtual void OnMouseLeave();
    // The per-frame input step.
    virtual void ProcessInput() {}
    // Reads the control from its "Control" node: "id", "height", "width", "left", "top",
    // "enabled", "visible".
    virtual bool Load(const CXMLNode& node);
    virtual void Reset() {}
    virtual void RestartAnimation() {}
    // False when the value is unchanged.
    virtual bool SetVisible(bool visible);
    virtual bool SetEnabled(bool enabled);
    // False for focusing a hidden or disabled control and when the value is unchanged.
    virtual bool SetFocus(bool focus);
    virtual bool CanFocus() const { return false; }
    virtual void SetPosition(float x, float y);
    virtual void Move(float dx, float dy);
    // The per-frame update and drawing.
    virtual void Update() {}
    // Strict hit test: 1 <= dx < width and 1 <= dy < height of the pointer's truncated offset.
    virtual bool IsMouseOver() const;
    // Input stops reaching the control (hidden, disabled, its dialog no longer takes input): a press
    // in progress ends without release or click and the hover is forgotten.
    virtual void CancelInput();

    const std::string& GetId() const { return _id; }
    float GetX() const { return _x; }
    float GetY() const { return _y; }
    float GetWidth() const { return _width; }
    float GetHeight() const { return _height; }
    bool IsVisible() const { return _visible; }
    bool IsEnabled() const { return _enabled; }
    bool IsFocused() const { return _focused; }
    bool IsHovered() const { return _hovered; }
    bool IsPressed() const { return _pressed; }
    void SetSize(float width, float height) { _width = width; _height = height; }
    IEventHolder* GetEvents() const { return _events; }
    IControlHolder* GetContainer() const { return _container; }

protected:
    // The rectangle test alone.
    bool IsInRect() const;

    std::string _id;
    float _x = 0.0f;
    float _y = 0.0f;
    float _width = 0.0f;
    float _height = 0.0f;
    bool _visible = false;
    bool _enabled = false;
    bool _focused = false;
    IControlHolder* _container = nullptr;
    IEventHolder* _events = nullptr;
    bool _hovered = false;
    bool _pressed = false;
};

using CBaseControlPtr = std::shared_ptr<CBaseControl>;

// Visual states and press sources of push controls.
enum { vsNone = 0, vsNormal = 1, vsHover = 2, vsPressed = 3, vsDisabled = 4 };
enum { psNone = 0, psMouse = 1, psKeyboard = 2, psJoystick = 3 };

// The press-release-click rule of buttons and check boxes: a press starts while the pointer is over
// the control (the left button going down, or the control's key), and only the source that started
// it ends it; release and click follow when that source lets go while the pointer is still over.
class APushControl : public CBaseControl {
public:
    APushControl(IControlHolder* container, IEventHolder* events, int key_code, bool with_visual_state);

    void ProcessInput() override;
    bool SetEnabled(bool enabled) override;
    bool SetVisible(bool visible) override;
    bool SetFocus(bool focus) override;
    bool CanFocus() const override { return _visible && _enabled; }
    void CancelInput() override;

    virtual void Press();
    virtual void Release();
    virtual void Click();

    int GetVisualState() const { return _visual_state; }
    int GetPressSource() const { return _press_source; }

protected:
    // Switches the look to a visual state.
    virtual void SetVisualState(int state) { _visual_state = state; }
    // Hooks around the rule's steps (sounds, the check box's toggle).
    virtual void BeforeMouseEnter() {}
    virtual void BeforePress() {}
    virtual void BeforeRelease() {}
    // After the visual state changed on entering or leaving.
    virtual void AfterHoverChange() {}
    void ChangeState(int state);

    int _visual_state = vsNone;
    int _press_source = psNone;

private:
    bool IsSourceDown(int source) const;

    int _key_code;
    bool _with_visual_state;
};

// The plain button part of composite controls (the track bar's arrows): one sprite per state.
class CSimpleButton : public APushControl {
public:
    CSimpleButton(IControlHolder* container, IEventHolder* events);

    // The four state sprites (normal, hover, pressed, disabled).
    void SetSprites(const CSpritePtr& normal, const CSpritePtr& hover, const CSpritePtr& pressed,
                    const CSpritePtr& disabled);
    void UpdatePosition() override;
    void Update() override;
    const CSpritePtr& GetShown() const { return _shown; }

protected:
    void SetVisualState(int state) override;

private:
    std::array<CSpritePtr, 4> _sprites;
    CSpritePtr _shown;
    CRendererPtr _renderer;
};

class CMenuLabel : public CBaseControl {
public:
    using CBaseControl::CBaseControl;
    bool Load(const CXMLNode& node) override;
    void UpdatePosition() override;
    void Update() override;
    void SetParam(const CParamValue& value) { _label.SetParam(value); }
    void SetParams(const CParamValue& first, const CParamValue& second) { _label.SetParams(first, second); }
    CStaticLabel& GetLabel() { return _label; }

private:
    CStaticLabel _label;
};

class CMenuImage : public CBaseControl {
public:
    using CBaseControl::CBaseControl;
    bool Load(const CXMLNode& node) override;
    void UpdatePosition() override;
    bool SetVisible(bool visible) override;
    bool SetEnabled(bool enabled) override;
    void Update() override;
    bool IsMouseOver() const override;
    void ProcessInput() override;

    void SetImage(const GraphicsDesc& desc);
    void SetAlpha(uint32_t alpha);
    void StartAnimation();
    void StopAnimation();
    void ResetAnimation();
    void FinishAnimation();
    bool IsAnimationPlaying() const;
    bool HasImage() const { return _has_image; }
    CSprite& GetSprite() { return _sprite; }
    const CSpritePtr& GetGrayCopy() const { return _gray; }

private:
    void MakeGrayCopy();
    template <class F> void ForBoth(F f);

    CSprite _sprite;
    CSpritePtr _gray;
    bool _has_image = false;
};

// The whole screen.
inline constexpr FRect kScreenRect{0.0f, 0.0f, 800.0f, 600.0f};

// An image showing one whole texture in a screen rectangle, outside any dialog (the screens' pictures).
std::unique_ptr<CMenuImage> MakePicture(const char* texture, const FRect& rect);

// The nine-slice skin of panels, buttons and progress bars built over a destination rectangle.
void BuildSkin(CStaticRectSet& quads, const FRect& dest, const SkinDesc& skin);
// The stages of a panel opening vertically (the full rectangle last).
std::vector<FRect> ExpandStages(const FRect& full, const SkinDesc& skin);

class CMenuPanel : public CBaseControl {
public:
    using CBaseControl::CBaseControl;
    ~CMenuPanel() override;
    bool Load(const CXMLNode& node) override;
    bool SetVisible(bool visible) override;
    bool SetFocus(bool focus) override;
    void SetPosition(float x, float y) override;
    void Move(float dx, float dy) override;
    void RestartAnimation() override { _step = 0; }
    void Update() override;

    const std::vector<FRect>& GetSteps() const { return _steps; }
    size_t GetStep() const { return _step; }
    const CStaticRectSet& GetQuads() const { return _quads; }

private:
    SkinDesc _skin;
    std::string _activate_sample;
    std::vector<FRect> _steps;
    size_t _step = 0;
    CStaticRectSet _quads;
    CRendererPtr _renderer;
};

// A skin's rect set on a renderer of its own.
struct SkinQuads {
    CStaticRectSet quads;
    CRendererPtr renderer;
    void Bind(const std::string& texture);
    void Draw();
    ~SkinQuads();
};

class CMenuButton : public APushControl {
public:
    CMenuButton(IControlHolder* container, IEventHolder* events);
    bool Load(const CXMLNode& node) override;
    void UpdatePosition() override;
    void Update() override;
    bool IsMouseOver() const override;
    bool SetEnabled(bool enabled) override;

    bool HasCaption() const { return _caption_shown; }
    CStaticLabel& GetCaption() { return _caption; }
    uint32_t GetCaptionColor(int state) const;
    const std::vector<uint32_t>& GetCaptionFade() const { return _caption_fade; }
    bool IsFading() const { return _fade_running; }
    const std::string& GetHoverSound() const { return _hover_sound; }
    const std::string& GetPressSound() const { return _press_sound; }
    const CSpritePtr& GetGlyphShown() const { return _glyph_shown; }
    bool HasSkin() const { return _has_skin; }
    const CStaticRectSet& GetQuads() const { return _skin_quads.quads; }

protected:
    void SetVisualState(int state) override;
    void BeforeMouseEnter() override;
    void BeforePress() override;
    void AfterHoverChange() override;

private:
    void ApplyFadeEnd();

    int _kind = 0;
    bool _has_skin = false;
    SkinDesc _skin;
    bool _caption_shown = false;
    CStaticLabel _caption;
    float _caption_dx = 0.0f, _caption_dy = 0.0f;
    uint32_t _caption_colors[4] = {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFF808080};
    std::vector<uint32_t> _caption_fade;
    bool _glyph_on = false;
    float _glyph_dx = 0.0f, _glyph_dy = 0.0f;
    CSpritePtr _glyph_shown;
    std::array<CSpritePtr, 4> _glyphs;
    std::vector<uint32_t> _glyph_fade;
    std::array<bool, 4> _restart{};
    std::string _hover_sound;
    std::string _press_sound;
    SkinQuads _skin_quads;
    bool _fade_running = false;
    bool _fade_first = false;
    size_t _caption_index = 0;
    size_t _glyph_index = 0;
};

// A list of n + 1 colours from a to b in n even steps per channel (n <= 0: a alone).
std::vector<uint32_t> MakeFadeList(uint32_t a, uint32_t b, int n);

class CMenuCheckBox : public APushControl {
public:
    CMenuCheckBox(IControlHolder* container, IEventHolder* events);
    bool Load(const CXMLNode& node) override;
    void UpdatePosition() override;
    void Update() override;
    bool IsChecked() const { return _checked; }
    void SetChecked(bool checked) { _checked = checked; }

protected:
    void BeforeRelease() override { _checked = !_checked; }

private:
    CSprite _box;
    CSprite _check;
    CStaticLabel _caption;
    float _caption_dx = 0.0f, _caption_dy = 0.0f;
    bool _checked = false;
};

class CMenuEdit : public CBaseControl {
public:
    // Characters an edit never takes.
    static constexpr const char* kRefused = "'!.#$%&()*+-/.,:;^<=>?@\\[]{}|~\"`";
    static constexpr size_t kHardLimit = 100;

    using CBaseControl::CBaseControl;
    bool Load(const CXMLNode& node) override;
    void UpdatePosition() override;
    void ProcessInput() override;
    void Update() override;
    virtual void Clear() { _text.clear(); }

    const std::string& GetText() const { return _text; }
    void SetText(const std::string& text) { _text = text.substr(0, kHardLimit); }
    size_t GetMaxLength() const { return _max_length; }
    CStaticLabel& GetLabel() { return _label; }
    // Whether the character would be taken (length, font and refused set).
    bool Accepts(char ch) const;

private:
    CStaticLabel _label;
    std::string _text;
    size_t _max_length = kHardLimit;
};

class CMenuTrackBar : public CBaseControl, public IEventHolder {
public:
    CMenuTrackBar(IControlHolder* container, IEventHolder* events);
    ~CMenuTrackBar() override;
    bool Load(const CXMLNode& node) override;
    // Sets up the bar from a kind without a layout node (the list box's scroll bar).
    void LoadKind(int kind);
    void UpdatePosition() override;
    void ProcessInput() override;
    void Update() override;
    bool IsMouseOver() const override;
    bool SetEnabled(bool enabled) override;
    bool SetVisible(bool visible) override;
    void CancelInput() override;

    using CBaseControl::SetPosition;
    // Clamps into [min, max]; OnChange when the value changed.
    void SetPosition(int v);
    void SetMax(int v);
    void SetMin(int v);
    int GetPosition() const { return _position; }
    int GetMin() const { return _min; }
    int GetMax() const { return _max; }
    int GetStep() const { return _step; }
    void SetStep(int step) { _step = step; }
    int GetOrientation() const { return _kind.orientation; }
    // The thumb's rectangle as last laid out.
    const FRect& GetThumbRect() const { return _thumb_rect; }
    // The value that a pointer offset along the bar (from the control's start) points at.
    int ValueAt(float along) const;
    const std::shared_ptr<CSimpleButton>& GetButton(int i) const { return _buttons[i]; }
    bool HasThumbHovered() const { return _thumb_hovered; }
    const CStaticLabel& GetCaption() const { return _caption; }

    // IEventHolder: the arrow buttons' presses.
    void OnPress(CBaseControl* control) override;

private:
    void Setup();
    void Layout();
    float EndMargin() const;
    float TrackLength() const;
    void Changed();

    TrackBarKind _kind;
    uint32_t _dirty = 0xFF;
    std::array<std::shared_ptr<CSimpleButton>, 2> _buttons;
    CSprite _thumb;
    FRect _thumb_rect;
    SkinQuads _back;
    std::vector<std::string> _captions;
    CStaticLabel _caption;
    float _caption_dx = 0.0f, _caption_dy = 0.0f;
    int _caption_shown = -1;
    bool _thumb_hovered = false;
    bool _dragging = false;
    int _max = 100;
    int _min = 0;
    int _position = 0;
    int _step = 1;
};

class CMenuListBox : public CBaseControl, public IEventHolder {
public:
    struct Item {
        std::string text;
        bool marked = false;
    };

    CMenuListBox(IControlHolder* container, IEventHolder* events);
    bool Load(const CXMLNode& node) override;
    void UpdatePosition() override;
    void ProcessInput() override;
    void Update() override;

    void SetItems(const std::vector<Item>& items);
    void SetSelection(int index);
    void SelectItem(int index);
    int GetSelected() const { return _selected; }
    int GetTop() const { return _top; }
    int GetVisibleRows() const { return _visible_rows; }
    int GetItemHeight() const { return _item_height; }
    int GetItemsLeft() const { return _items_left; }
    const std::vector<Item>& GetItems() const { return _items; }
    const std::shared_ptr<CMenuTrackBar>& GetScrollBar() const { return _scroll_bar; }
    const CStaticRectSet& GetSelector() const { return _selector.quads; }
    bool HasSelector() const { return _has_selector; }

    // IEventHolder: the scroll bar moved.
    void OnChange(CBaseControl* control) override;

private:
    void PlaceSelector();

    std::vector<Item> _items;
    int _item_type = litLabels;
    CStaticLabel _printer;
    int _selected = 0;
    int _top = 0;
    int _visible_rows = 0;
    int _item_height = 30;
    float _item_dx = 0.0f, _item_dy = 0.0f;
    uint32_t _color = 0xFFFFFFFF;
    uint32_t _marked_color = 0xFF808080;
    std::shared_ptr<CMenuTrackBar> _scroll_bar;
    float _scroll_dx = 0.0f, _scroll_dy = 0.0f;
    int _items_left = 0;
    bool _has_selector = false;
    SkinQuads _selector;
};

class CMenuProgressBar : public CBaseControl {
public:
    enum { dfPos = 2, dfLimits = 4 };

    CMenuProgressBar(IControlHolder* container, IEventHolder* events);
    ~CMenuProgressBar() override;
    bool Load(const CXMLNode& node) override;
    // Sets up the bar from a kind without a layout node (indicators).
    void LoadKind(int kind);
    void UpdatePosition() override;
    void Reset() override;
    void Update() override;

    void SetMinPos(int v);
    void SetMaxPos(int v);
    void SetPos(int v);
    void SetStep(int step) { _step = step < 0 ? 0 : step; }
    int GetPos() const { return _pos; }
    int GetTarget() const { return _target; }
    int GetMinPos() const { return _min_pos; }
    int GetMaxPos() const { return _max_pos; }
    // (position - min) / (max - min) * 100; 0 for an empty range.
    float GetPercent() const;
    // The point at the moving end of the indicator.
    void GetTipPosition(float& x, float& y) const;
    // Generates the pieces now when something changed (Update does it before drawing).
    void Regenerate();

    const std::vector<CSpritePtr>& GetPieces() const { return _pieces; }
    bool IsTipShown() const { return _tip_shown; }
    const CSpritePtr& GetTip() const { return _tip; }
    uint32_t GetPieceColor() const { return _color; }
    const ProgressBarKind& GetKind() const { return _pb_desc; }

private:
    void Setup();
    CSpritePtr MakePiece(const GraphicsDesc& desc, const FRect& rect, const FRect& tex);
    void GenerateLinear();
    void GenerateDiscreteSingle();
    void GenerateDiscreteMultiple();
    void GenerateMultiImage();
    // How many of the n discretes the shown position reaches (0 .. n).
    int64_t ReachedDiscretes() const;

    ProgressBarKind _pb_desc;
    int _min_pos = 0;
    int _max_pos = 100;
    int _pos = 0;
    int _target = 0;
    int _step = 0;
    uint32_t _dirty = 0xFF;
    std::vector<CSpritePtr> _pieces;
    SkinQuads _background;
    uint32_t _color = 0xFFFFFFFF;
    int _last_percent = -1;
    bool _tip_shown = false;
    CSpritePtr _tip;
    float _tip_x = -1e9f, _tip_y = -1e9f;
};

// The control classes by the "type" text of a layout; -1 for anything else.
enum ControlType {
    ctUnknown = -1, ctButton = 0, ctPanel = 1, ctTrackBar = 2, ctLabel = 3, ctImage = 4, ctListBox = 5,
    ctEdit = 6, ctCheckBox = 7, ctProgressBar = 8, ctPageControl = 9,
};
ControlType ParseControlType(const std::string& text);

// Builds the control a "Control" node describes, or null (invalid node, unknown type).
CBaseControlPtr CreateControl(IControlHolder* holder, IEventHolder* receiver, const CXMLNode& node);
