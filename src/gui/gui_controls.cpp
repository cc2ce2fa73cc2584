#include "gui/gui_controls.h"

#include "engine/core/engine_input.h"
#include "engine/base/engine_log.h"
#include "engine/sound/engine_sound.h"
#include "engine/base/engine_xml.h"
#include "gui/gui_dialog.h"

#include <algorithm>
#include <cmath>

void PlayControlSound(const std::string& alias)
{
    if (!alias.empty() && g_SoundKeeper) g_SoundKeeper->PlaySample(alias);
}

// ---------------------------------------------------------------------------------------------
// CBaseControl

CBaseControl::CBaseControl(IControlHolder* container, IEventHolder* events) : _container(container), _events(events) {}

CBaseControl::~CBaseControl() = default;

void CBaseControl::OnMouseEnter()
{
    if (_events) _events->OnMouseEnter(this);
}

void CBaseControl::OnMouseLeave()
{
    if (_events) _events->OnMouseLeave(this);
}

bool CBaseControl::Load(const CXMLNode& node)
{
    _id = node.GetAttribute("id");
    _height = float(node.GetIntAttribute("height", 0));
    _width = float(node.GetIntAttribute("width", 0));
    _x = float(node.GetIntAttribute("left", 0));
    _y = float(node.GetIntAttribute("top", 0));
    SetEnabled(node.GetBoolAttribute("enabled", true));
    SetVisible(node.GetBoolAttribute("visible", true));
    return true;
}

bool CBaseControl::SetVisible(bool visible)
{
    if (_visible == visible) return false;
    _visible = visible;
    return true;
}

bool CBaseControl::SetEnabled(bool enabled)
{
    if (_enabled == enabled) return false;
    _enabled = enabled;
    return true;
}

bool CBaseControl::SetFocus(bool focus)
{
    if (focus && (!_enabled || !_visible)) return false;
    if (_focused == focus) return false;
    _focused = focus;
    return true;
}

void CBaseControl::SetPosition(float x, float y)
{
    _x = x;
    _y = y;
    UpdatePosition();
}

void CBaseControl::Move(float dx, float dy)
{
    _x += dx;
    _y += dy;
    UpdatePosition();
}

bool CBaseControl::IsInRect() const
{
    if (!g_Mouse) return false;
    const int dx = static_cast<int>(float(g_Mouse->GetX()) - _x);
    const int dy = static_cast<int>(float(g_Mouse->GetY()) - _y);
    return dx >= 1 && float(dx) < _width && dy >= 1 && float(dy) < _height;
}

bool CBaseControl::IsMouseOver() const { return IsInRect(); }

void CBaseControl::CancelInput()
{
    _pressed = false;
    _hovered = false;
}

// ---------------------------------------------------------------------------------------------
// APushControl

APushControl::APushControl(IControlHolder* container, IEventHolder* events, int key_code, bool with_visual_state)
    : CBaseControl(container, events), _key_code(key_code), _with_visual_state(with_visual_state)
{
}

void APushControl::ChangeState(int state)
{
    if (_with_visual_state) SetVisualState(state);
}

bool APushControl::IsSourceDown(int source) const
{
    switch (source) {
    case psMouse: return g_Mouse && g_Mouse->IsButtonDown(0);
    case psKeyboard: return g_Keyboard && g_Keyboard->IsKeyDown(_key_code);
    case psJoystick: return g_Joystick && g_Joystick->CheckButton(10);
    default: return false;
    }
}

void APushControl::ProcessInput()
{
    const bool over = IsMouseOver();
    if (over && !_hovered) {
        _hovered = true;
        ChangeState(vsHover);
        AfterHoverChange();
        BeforeMouseEnter();
        OnMouseEnter();
    } else if (!over && _hovered) {
        _hovered = false;
        _pressed = false;
        _press_source = psNone;
        ChangeState(vsNormal);
        AfterHoverChange();
        OnMouseLeave();
    }
    if (!_hovered) return;

    if (!_pressed) {
        // A mouse press starts only with the button going down over the control: a drag that
        // began elsewhere (a chain on the field) does not press what it ends on.
        const bool mouse = g_Mouse && g_Mouse->IsButtonPressed(0);
        const bool key = g_Keyboard && g_Keyboard->IsKeyDown(_key_code);
        const bool joystick = _with_visual_state && g_Joystick && g_Joystick->CheckButton(10);
        if (mouse || key || joystick) {
            _pressed = true;
            _press_source = key ? psKeyboard : mouse ? psMouse : psJoystick;
            ChangeState(vsPressed);
            BeforePress();
            Press();
        }
    } else if (!IsSourceDown(_press_source)) {
        _pressed = false;
        _press_source = psNone;
        ChangeState(vsHover);
        BeforeRelease();
        Release();
        Click();
    }
}

bool APushControl::SetEnabled(bool enabled)
{
    if (!CBaseControl::SetEnabled(enabled)) return false;
    if (!enabled) {
        _pressed = false;
        _press_source = psNone;
    }
    ChangeState(!enabled ? vsDisabled : _hovered ? vsHover : vsNormal);
    return true;
}

bool APushControl::SetVisible(bool visible)
{
    if (!CBaseControl::SetVisible(visible)) return false;
    if (!visible) {
        _pressed = false;
        _press_source = psNone;
    }
    return true;
}

bool APushControl::SetFocus(bool focus)
{
    if (!CBaseControl::SetFocus(focus)) return false;
    if (focus && g_Mouse) g_Mouse->SetPosition(int(_x + _width * 0.5f), int(_y + _height * 0.5f));
    return true;
}

void APushControl::CancelInput()
{
    const bool was_hovered = _hovered;
    CBaseControl::CancelInput();
    _press_source = psNone;
    if (was_hovered && _enabled) {
        ChangeState(vsNormal);
        AfterHoverChange();
    }
}

void APushControl::Press()
{
    if (_events) _events->OnPress(this);
}

void APushControl::Release()
{
    if (_events) _events->OnRelease(this);
}

void APushControl::Click()
{
    if (_events) _events->OnClick(this);
}

// ---------------------------------------------------------------------------------------------
// CSimpleButton

CSimpleButton::CSimpleButton(IControlHolder* container, IEventHolder* events)
    : APushControl(container, events, DIK_RETURN, true), _renderer(std::make_shared<CRenderer>())
{
}

void CSimpleButton::SetSprites(const CSpritePtr& normal, const CSpritePtr& hover, const CSpritePtr& pressed,
                               const CSpritePtr& disabled)
{
    if (_shown) _shown->DetachRenderer();
    _sprites = {normal, hover, pressed, disabled};
    if (normal && normal->GetRenderer()) _renderer = normal->GetRenderer();
    for (const CSpritePtr& s : _sprites)
        if (s) s->DetachRenderer();
    _shown.reset();
    const int state = _visual_state;
    _visual_state = vsNone;
    SetVisualState(state == vsNone ? vsNormal : state);
}

void CSimpleButton::SetVisualState(int state)
{
    if (state == _visual_state && _shown) return;
    _visual_state = state;
    if (_shown) _shown->DetachRenderer();
    CSpritePtr next = (state >= vsNormal && state <= vsDisabled) ? _sprites[size_t(state - 1)] : nullptr;
    if (!next) next = _sprites[0];
    _shown = next;
    if (_shown) _shown->SetRenderer(_renderer);
}

void CSimpleButton::UpdatePosition()
{
    for (const CSpritePtr& s : _sprites)
        if (s) s->SetPosition(_x, _y);
}

void CSimpleButton::Update()
{
    if (_visible && _shown && _renderer) _renderer->Draw();
}

// ---------------------------------------------------------------------------------------------
// CMenuLabel

bool CMenuLabel::Load(const CXMLNode& node)
{
    CBaseControl::Load(node);
    _label.SetLabel(node.GetAttribute("caption"));
    UpdatePosition();
    return true;
}

void CMenuLabel::UpdatePosition() { _label.SetPosition(_x, _y); }

void CMenuLabel::Update()
{
    if (_visible) _label.Draw();
}

// ---------------------------------------------------------------------------------------------
// CMenuImage

template <class F>
void CMenuImage::ForBoth(F f)
{
    f(_sprite);
    if (_gray) f(*_gray);
}

bool CMenuImage::Load(const CXMLNode& node)
{
    CBaseControl::Load(node);
    GraphicsDesc desc;
    ReadGraphics(node, desc);
    if (desc.texture.empty()) return true;
    desc.width = int(_width);
    desc.height = int(_height);
    SetImage(desc);
    const float px = node.GetFloatAttribute("rotate_pt_x", 0.0f);
    const float py = node.GetFloatAttribute("rotate_pt_y", 0.0f);
    const float angle = node.GetFloatAttribute("angle", 0.0f);
    ForBoth([&](CSprite& s) {
        s.SetPivot(px, py);
        s.SetAngle(angle);
    });
    return true;
}

void CMenuImage::SetImage(const GraphicsDesc& desc)
{
    _has_image = !desc.texture.empty();
    _gray.reset();
    _sprite.Init(_x, _y, desc);
    _sprite.SetVisible(_visible);
    if (!_enabled) MakeGrayCopy();
}

void CMenuImage::MakeGrayCopy()
{
    if (_gray || !_has_image) return;
    _gray = std::make_shared<CSprite>(&_sprite, true);
    _gray->MakeGray();
    _gray->SetVisible(_visible);
}

void CMenuImage::UpdatePosition()
{
    ForBoth([&](CSprite& s) { s.SetPosition(_x, _y); });
}

bool CMenuImage::SetVisible(bool visible)
{
    if (!CBaseControl::SetVisible(visible)) return false;
    ForBoth([&](CSprite& s) { s.SetVisible(visible); });
    if (!visible) _pressed = false;
    return true;
}

bool CMenuImage::SetEnabled(bool enabled)
{
    if (!CBaseControl::SetEnabled(enabled)) return false;
    if (!enabled) {
        _pressed = false;
        MakeGrayCopy();
    }
    return true;
}

void CMenuImage::Update()
{
    if (!_has_image) return;
    if (_enabled || !_gray) _sprite.Draw();
    else _gray->Draw();
}

bool CMenuImage::IsMouseOver() const
{
    if (!IsInRect()) return false;
    const CSprite& shown = (!_enabled && _gray) ? *_gray : _sprite;
    if (_has_image && shown.HasPolygon() && shown.IsPolygonEnabled())
        return shown.GetPolygon().IsPointInside(float(g_Mouse->GetX()), float(g_Mouse->GetY()));
    return true;
}

void CMenuImage::ProcessInput()
{
    const bool over = IsMouseOver();
    if (over && !_hovered) {
        _hovered = true;
        OnMouseEnter();
    } else if (!over && _hovered) {
        _hovered = false;
        _pressed = false;
        OnMouseLeave();
    }
    if (!_hovered) return;
    const bool down = g_Mouse && g_Mouse->IsButtonDown(0);
    if (!_pressed) {
        if (g_Mouse && g_Mouse->IsButtonPressed(0)) _pressed = true;
    } else if (!down) {
        _pressed = false;
        if (_events) {
            _events->OnRelease(this);
            _events->OnClick(this);
        }
    }
}

void CMenuImage::SetAlpha(uint32_t alpha)
{
    alpha = std::min<uint32_t>(alpha, 255);
    ForBoth([&](CSprite& s) { s.SetAlpha(alpha); });
}

void CMenuImage::StartAnimation()
{
    ForBoth([](CSprite& s) { s.PlayAnimation(0xFFFFFFFFu); });
}

void CMenuImage::StopAnimation()
{
    ForBoth([](CSprite& s) { s.PlayAnimation(0); });
}

void CMenuImage::ResetAnimation()
{
    ForBoth([](CSprite& s) { s.RestartAnimation(); });
}

void CMenuImage::FinishAnimation()
{
    ForBoth([](CSprite& s) { s.FinishAnimation(); });
}

bool CMenuImage::IsAnimationPlaying() const { return _sprite.IsPlaying(); }

std::unique_ptr<CMenuImage> MakePicture(const char* texture, const FRect& rect)
{
    auto image = std::make_unique<CMenuImage>(nullptr, nullptr);
    image->SetSize(rect.Width(), rect.Height());
    image->SetPosition(rect.left, rect.top);
    image->SetVisible(true);
    image->SetEnabled(true);
    GraphicsDesc desc;
    desc.texture = texture ? texture : "";
    desc.width = int(rect.Width());
    desc.height = int(rect.Height());
    desc.tex_rect[2] = rect.Width();
    desc.tex_rect[3] = rect.Height();
    image->SetImage(desc);
    // The whole texture, whatever its size.
    CSprite& sprite = image->GetSprite();
    const CTexturePtr tex = sprite.GetRenderer() ? sprite.GetRenderer()->GetTexture() : CTexturePtr();
    if (tex && tex->IsLoaded()) sprite.SetRects(rect, FRect{0.0f, 0.0f, float(tex->GetWidth()), float(tex->GetHeight())});
    return image;
}

// ---------------------------------------------------------------------------------------------
// Skins

void BuildSkin(CStaticRectSet& quads, const FRect& dest, const SkinDesc& skin)
{
    quads.Clear();
    const int L = int(dest.left), T = int(dest.top), R = int(dest.right), B = int(dest.bottom);
    auto add = [&](int x, int y, int w, int h, const FRect& tex) {
        quads.AddRect(FRect{float(x), float(y), float(x + w), float(y + h)}, tex);
    };
    const FRect& g = skin.glass;
    const int tw = int(g.Width()), th = int(g.Height());
    if (tw != 0 && th != 0) {
        // The glass lies inside its margins, tiled or stretched alike.
        const int gl = L + skin.mg_left, gt = T + skin.mg_top;
        const int gr = R - skin.mg_right, gb = B - skin.mg_bottom;
        if (skin.glass_tiled) {
            if (tw > 0 && th > 0) {
                const int cols = (gr - gl) / tw, rows = (gb - gt) / th;
                for (int j = 0; j < rows; ++j)
                    for (int i = 0; i < cols; ++i) add(gl + i * tw, gt + j * th, tw, th, g);
            }
        } else if (gr > gl && gb > gt) {
            add(gl, gt, gr - gl, gb - gt, g);
        }
    }
    // Borders: whole pieces between the corners; a part without a size is not drawn.
    auto row = [&](const SkinPart& part, const SkinPart& a, const SkinPart& b, int y) {
        if (part.width <= 0 || part.height <= 0) return;
        const int xs = L + a.dis_x + a.width, xe = R + b.dis_x - b.width;
        for (int i = 0; xs + (i + 1) * part.width <= xe; ++i) add(xs + i * part.width, y, part.width, part.height, part.tex);
    };
    auto column = [&](const SkinPart& part, const SkinPart& a, const SkinPart& b, int x) {
        if (part.width <= 0 || part.height <= 0) return;
        const int ys = T + a.dis_y + a.height, ye = B + b.dis_y - b.height;
        for (int i = 0; ys + (i + 1) * part.height <= ye; ++i) add(x, ys + i * part.height, part.width, part.height, part.tex);
    };
    row(skin.top, skin.top_left, skin.top_right, T);
    row(skin.bottom, skin.bottom_left, skin.bottom_right, B - skin.bottom.height);
    column(skin.left, skin.top_left, skin.bottom_left, L);
    column(skin.right, skin.top_right, skin.bottom_right, R - skin.right.width);
    auto corner = [&](const SkinPart& c, int x, int y) {
        if (c.width > 0 && c.height > 0) add(x + c.dis_x, y + c.dis_y, c.width, c.height, c.tex);
    };
    corner(skin.top_left, L, T);
    corner(skin.top_right, R - skin.top_right.width, T);
    corner(skin.bottom_left, L, B - skin.bottom_left.height);
    corner(skin.bottom_right, R - skin.bottom_right.width, B - skin.bottom_right.height);
}

std::vector<FRect> ExpandStages(const FRect& full, const SkinDesc& skin)
{
    const float inner = full.Height() - float(skin.top_left.height) - float(skin.bottom_left.height);
    if (!(inner > 0.0f)) return {full};
    // Six even growth steps from the centre line, the last one exactly the full rectangle.
    constexpr int kSteps = 6;
    std::vector<FRect> stages;
    for (int i = 0; i < kSteps; ++i) {
        const float shrink = inner * 0.5f * float(kSteps - i) / float(kSteps);
        stages.push_back(FRect{full.left, full.top + shrink, full.right, full.bottom - shrink});
    }
    stages.push_back(full);
    return stages;
}

void SkinQuads::Bind(const std::string& texture)
{
    quads.DetachRenderer();
    renderer.reset();
    // A kind without a skin texture draws no skin.
    if (texture.empty()) return;
    renderer = std::make_shared<CRenderer>(texture, false);
    quads.SetRenderer(renderer);
}

void SkinQuads::Draw()
{
    if (renderer && quads.IsVisible() && quads.GetQuadCount() > 0) renderer->Draw();
}

SkinQuads::~SkinQuads() { quads.DetachRenderer(); }

// ---------------------------------------------------------------------------------------------
// CMenuPanel

CMenuPanel::~CMenuPanel() { _quads.DetachRenderer(); }

bool CMenuPanel::Load(const CXMLNode& node)
{
    CBaseControl::Load(node);
    const int kind = node.GetIntAttribute("kind", 0);
    bool bad = false;
    const PanelKind& k = PickKind(CControlKinds::Instance().Panels(), kind, bad);
    if (bad) GetLog().Error("Error: invalid panel kind: %d!", kind);
    _skin = k.skin;
    _activate_sample = k.activate_sample;
    _quads.DetachRenderer();
    _renderer = _skin.texture.empty() ? nullptr : std::make_shared<CRenderer>(_skin.texture, false);
    if (_renderer) _quads.SetRenderer(_renderer);
    const FRect full{_x, _y, _x + _width, _y + _height};
    _steps = node.GetBoolAttribute("expand_by_y", false) ? ExpandStages(full, _skin) : std::vector<FRect>{full};
    _step = 0;
    BuildSkin(_quads, _steps[0], _skin);
    _quads.SetVisible(_visible);
    if (!_activate_sample.empty() && g_SoundKeeper) g_SoundKeeper->LoadSample(_activate_sample);
    return true;
}

bool CMenuPanel::SetVisible(bool visible)
{
    if (!CBaseControl::SetVisible(visible)) return false;
    _quads.SetVisible(visible);
    return true;
}

bool CMenuPanel::SetFocus(bool focus)
{
    if (!CBaseControl::SetFocus(focus)) return false;
    PlayControlSound(_activate_sample);
    return true;
}

void CMenuPanel::SetPosition(float x, float y)
{
    Move(x - _x, y - _y);
}

void CMenuPanel::Move(float dx, float dy)
{
    // The skin and its opening stages go with the panel.
    _quads.Move(dx, dy);
    for (FRect& s : _steps) s = s.Offset(dx, dy);
    CBaseControl::Move(dx, dy);
}

void CMenuPanel::Update()
{
    if (_steps.empty()) return;
    if (_step + 1 < _steps.size()) {
        ++_step;
        BuildSkin(_quads, _steps[_step], _skin);
    }
    if (_visible && _renderer && _quads.GetQuadCount() > 0) _renderer->Draw();
}

// ---------------------------------------------------------------------------------------------
// CMenuButton

std::vector<uint32_t> MakeFadeList(uint32_t a, uint32_t b, int n)
{
    std::vector<uint32_t> list{a};
    if (n <= 0) return list;
    float c[4], step[4];
    for (int ch = 0; ch < 4; ++ch) {
        const int shift = 24 - 8 * ch;
        c[ch] = float((a >> shift) & 0xFF) / 255.0f;
        step[ch] = (float((b >> shift) & 0xFF) / 255.0f - c[ch]) / float(n);
    }
    for (int i = 0; i < n; ++i) {
        uint32_t argb = 0;
        for (int ch = 0; ch < 4; ++ch) {
            c[ch] = std::clamp(c[ch] + step[ch], 0.0f, 1.0f);
            argb |= uint32_t(std::lround(c[ch] * 255.0f)) << (24 - 8 * ch);
        }
        list.push_back(argb);
    }
    return list;
}

CMenuButton::CMenuButton(IControlHolder* container, IEventHolder* events)
    : APushControl(container, events, DIK_RETURN, true)
{
}

bool CMenuButton::Load(const CXMLNode& node)
{
    CBaseControl::Load(node);
    _kind = node.GetIntAttribute("kind", 0);
    bool bad = false;
    const ButtonKind& kind = PickKind(CControlKinds::Instance().Buttons(), _kind, bad);
    if (bad) GetLog().Error("Error: invalid button kind: %d!", _kind);
    _skin = kind.skin;

    const CXMLNode caption = node.SelectSingleNode("Caption");
    _caption_shown = caption.IsValid();
    if (_caption_shown) {
        _caption.SetLabel(caption.GetAttribute("label"));
        _caption_dx = float(caption.GetIntAttribute("dis_x", int(_width / 2)));
        _caption_dy = float(caption.GetIntAttribute("dis_y", int(_height / 2)));
        const uint32_t normal = _caption.GetColor();
        const CXMLNode color = caption.SelectSingleNode("Color");
        auto hex = [&](const char* name, uint32_t def) {
            const std::string t = color.GetAttribute(name);
            return t.empty() ? def : uint32_t(std::strtoul(t.c_str(), nullptr, 16));
        };
        _caption_colors[0] = normal;
        _caption_colors[1] = color.IsValid() ? hex("hover", normal) : 0xFFFFFFFF;
        _caption_colors[2] = color.IsValid() ? hex("pressed", normal) : 0xFFFFFFFF;
        _caption_colors[3] = color.IsValid() ? hex("disabled", 0xFF808080) : 0xFF808080;
    }

    const CXMLNode glyph = node.SelectSingleNode("Glyph");
    _glyph_on = glyph.IsValid();
    _glyphs = {};
    if (_glyph_on) {
        _glyph_dx = float(glyph.GetIntAttribute("dis_x", 0));
        _glyph_dy = float(glyph.GetIntAttribute("dis_y", 0));
        static const char* const names[4] = {"Glyph", "GlyphHover", "GlyphPressed", "GlyphDisabled"};
        for (size_t i = 0; i < 4; ++i) {
            const CXMLNode g = node.SelectSingleNode(names[i]);
            _restart[i] = g.GetBoolAttribute("restart_animation_every_use", false);
            if (!g.IsValid()) continue;
            GraphicsDesc desc;
            ReadGraphics(g, desc);
            auto sprite = std::make_shared<CSprite>();
            sprite->Init(_x + _glyph_dx, _y + _glyph_dy, desc);
            _glyphs[i] = sprite;
        }
        if (!_glyphs[0]) _glyphs[0] = std::make_shared<CSprite>();
        if (!_glyphs[3]) {
            _glyphs[3] = std::make_shared<CSprite>(_glyphs[0].get(), true);
            _glyphs[3]->MakeGray();
        }
    }

    const CXMLNode sound = node.SelectSingleNode("Sound");
    _hover_sound = sound.IsValid() ? sound.GetAttribute("mouse_over", "btn_enter") : std::string();
    _press_sound = sound.GetAttribute("button_down");

    _visual_state = vsNone;
    _skin_quads.Bind(_skin.texture);
    UpdatePosition();
    _has_skin = _skin_quads.quads.GetQuadCount() > 0;

    const int steps = std::max(0, kind.hover_ani_steps);
    _caption_fade = _caption_shown ? MakeFadeList(_caption_colors[0], _caption_colors[1], steps) : std::vector<uint32_t>{};
    _glyph_fade.clear();
    if (_glyph_on) {
        const uint32_t base = _glyphs[0]->GetColor();
        _glyph_fade = _glyphs[1] ? MakeFadeList(base, _glyphs[1]->GetColor(), steps) : std::vector<uint32_t>{base};
    }
    _fade_running = false;
    SetVisualState(_enabled ? vsNormal : vsDisabled);
    return true;
}

uint32_t CMenuButton::GetCaptionColor(int state) const
{
    return (state >= vsNormal && state <= vsDisabled) ? _caption_colors[state - 1] : _caption_colors[0];
}

void CMenuButton::SetVisualState(int state)
{
    if (state == _visual_state) return;
    _visual_state = state;
    if (_caption_shown) _caption.SetColor(GetCaptionColor(state));
    if (!_glyph_on) return;
    const size_t index = (state >= vsNormal && state <= vsDisabled) ? size_t(state - 1) : 0;
    CSpritePtr next = _glyphs[index] ? _glyphs[index] : _glyphs[0];
    if (_glyph_shown && next != _glyph_shown) next->SetRGB(_glyph_shown->GetColor());
    _glyph_shown = next;
    if (_restart[index]) _glyph_shown->PlayAnimation(1);
}

void CMenuButton::BeforeMouseEnter() { PlayControlSound(_hover_sound); }

void CMenuButton::BeforePress() { PlayControlSound(_press_sound); }

void CMenuButton::AfterHoverChange()
{
    if (_caption_fade.size() < 2 && _glyph_fade.size() < 2) {
        ApplyFadeEnd();
        return;
    }
    _fade_running = true;
    _fade_first = true;
    _caption_index = _hovered || _caption_fade.empty() ? 0 : _caption_fade.size() - 1;
    _glyph_index = _hovered || _glyph_fade.empty() ? 0 : _glyph_fade.size() - 1;
}

void CMenuButton::ApplyFadeEnd()
{
    // The end colours follow the state: a disabled button never keeps a hover colour.
    if (_caption_shown) {
        const int state = _visual_state == vsNormal || _visual_state == vsDisabled ? _visual_state : vsHover;
        _caption.SetColor(GetCaptionColor(state));
    }
    if (_glyph_on && _glyph_shown && !_glyph_fade.empty() && _visual_state != vsDisabled)
        _glyph_shown->SetColor(_visual_state != vsNormal ? _glyph_fade.back() : _glyph_fade.front());
}

bool CMenuButton::SetEnabled(bool enabled)
{
    if (!APushControl::SetEnabled(enabled)) return false;
    if (!enabled) {
        _fade_running = false;
        ApplyFadeEnd();
    }
    return true;
}

void CMenuButton::UpdatePosition()
{
    BuildSkin(_skin_quads.quads, FRect{_x, _y, _x + _width, _y + _height}, _skin);
    _caption.SetPosition(_x + _caption_dx, _y + _caption_dy);
    for (const CSpritePtr& g : _glyphs)
        if (g) g->SetPosition(_x + _glyph_dx, _y + _glyph_dy);
}

bool CMenuButton::IsMouseOver() const
{
    if (!IsInRect()) return false;
    if (_glyph_on && _glyph_shown && _glyph_shown->HasPolygon() && _glyph_shown->IsPolygonEnabled())
        return _glyph_shown->GetPolygon().IsPointInside(float(g_Mouse->GetX()), float(g_Mouse->GetY()));
    return true;
}

void CMenuButton::Update()
{
    if (!_visible) return;
    if (_fade_running) {
        if (_fade_first) {
            _fade_first = false;
        } else {
            bool moved = false;
            auto step = [&](size_t& index, const std::vector<uint32_t>& list) {
                if (list.empty()) return;
                if (_hovered && index + 1 < list.size()) { ++index; moved = true; }
                else if (!_hovered && index > 0) { --index; moved = true; }
            };
            step(_caption_index, _caption_fade);
            step(_glyph_index, _glyph_fade);
            _fade_running = moved;
        }
        if (_fade_running) {
            if (_caption_shown && !_caption_fade.empty()) _caption.SetColor(_caption_fade[_caption_index]);
            if (_glyph_on && _glyph_shown && !_glyph_fade.empty()) _glyph_shown->SetColor(_glyph_fade[_glyph_index]);
        } else {
            ApplyFadeEnd();
        }
    }
    if (_has_skin) _skin_quads.Draw();
    if (_glyph_on && _glyph_shown) _glyph_shown->Draw();
    if (_caption_shown) _caption.Draw();
}

// ---------------------------------------------------------------------------------------------
// CMenuCheckBox

CMenuCheckBox::CMenuCheckBox(IControlHolder* container, IEventHolder* events)
    : APushControl(container, events, DIK_SPACE, false)
{
}

bool CMenuCheckBox::Load(const CXMLNode& node)
{
    CBaseControl::Load(node);
    bool bad = false;
    const CheckBoxKind& kind = PickKind(CControlKinds::Instance().CheckBoxes(), 0, bad);
    _box.Init(_x, _y, kind.box);
    _check.Init(_x, _y, kind.check);
    _caption.SetLabel(node.GetAttribute("caption"));
    _caption_dx = float(kind.box.width + 5);
    _caption_dy = _height * 0.5f - _caption.GetHeight() * 0.5f;
    _press_source = psNone;
    _checked = false;
    UpdatePosition();
    return true;
}

void CMenuCheckBox::UpdatePosition()
{
    _box.SetPosition(_x, _y);
    _check.SetPosition(_x, _y);
    _caption.SetPosition(_x + _caption_dx, _y + _caption_dy);
}

void CMenuCheckBox::Update()
{
    if (!_visible) return;
    _box.Draw();
    if (_checked) _check.Draw();
    _caption.Draw();
}

// ---------------------------------------------------------------------------------------------
// The factory

ControlType ParseControlType(const std::string& text)
{
    static const char* const names[] = {"BUTTON", "PANEL", "TRACKBAR", "LABEL", "IMAGE",
                                        "LISTBOX", "EDIT", "CHECK_BOX", "PROGRESS_BAR", "PAGECONTROL"};
    for (int i = 0; i < 10; ++i)
        if (text == names[i]) return ControlType(i);
    return ctUnknown;
}

CBaseControlPtr CreateControl(IControlHolder* holder, IEventHolder* receiver, const CXMLNode& node)
{
    if (!node.IsValid()) return nullptr;
    const std::string type = node.GetAttribute("type");
    const ControlType t = ParseControlType(type);
    if (t == ctUnknown) {
        if (!type.empty()) GetLog().Error("Error: unknown control type '%s'", type.c_str());
        return nullptr;
    }
    CBaseControlPtr control;
    switch (t) {
    case ctButton: control = std::make_shared<CMenuButton>(holder, receiver); break;
    case ctPanel: control = std::make_shared<CMenuPanel>(holder, receiver); break;
    case ctTrackBar: control = std::make_shared<CMenuTrackBar>(holder, receiver); break;
    case ctLabel: control = std::make_shared<CMenuLabel>(holder, receiver); break;
    case ctImage: control = std::make_shared<CMenuImage>(holder, receiver); break;
    case ctListBox: control = std::make_shared<CMenuListBox>(holder, receiver); break;
    case ctEdit: control = std::make_shared<CMenuEdit>(holder, receiver); break;
    case ctCheckBox: control = std::make_shared<CMenuCheckBox>(holder, receiver); break;
    case ctProgressBar: control = std::make_shared<CMenuProgressBar>(holder, receiver); break;
    case ctPageControl: control = std::make_shared<CMenuPageControl>(holder, receiver); break;
    default: return nullptr;
    }
    control->Load(node);
    return control;
}
