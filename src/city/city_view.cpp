#include "city/city_view.h"

#include "engine/base/engine_log.h"
#include "engine/base/engine_registry.h"
#include "engine/base/engine_xml.h"
#include "engine/core/engine_core.h"
#include "engine/core/engine_input.h"
#include "engine/particles/engine_pyro2.h"
#include "field/balls/field_ballsdepot.h"
#include "game/game_background.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {

constexpr const char* kCantCreate = "\"Can't create construction.\"";

bool IsShownKind(int kind) { return kind == cpBase || kind == cpHighlight || kind == cpBuiltEffect; }

int ScreenWidth() { return g_EngineCore->GetScreenWidth(); }
int ScreenHeight() { return g_EngineCore->GetScreenHeight(); }

} // namespace

// ---------------------------------------------------------------------------------------------
// Curves

CCurveWalker::CCurveWalker(CPath path, bool back_after_end)
    : _path(std::move(path)), _back_after_end(back_after_end)
{
    if (_path.GetPointCount() > 0) _previous = _path.GetPoints()[0];
    _index = _path.GetPointCount() > 1 ? 1 : 0;
}

CVector2 CCurveWalker::Step()
{
    const int count = _path.GetPointCount();
    if (count < 2) return {};
    const CVector2 point = _path.GetPoints()[size_t(_index)];
    const CVector2 delta = point - _previous;
    _previous = point;
    _index += _direction;
    if (_direction > 0 && _index >= count) {
        if (_back_after_end) {
            _direction = -1;
            _index = count - 2;
        } else {
            _index = 0;
        }
    } else if (_direction < 0 && _index < 0) {
        _direction = 1;
        _index = 1;
    }
    return delta;
}

bool LoadCurveFile(const std::string& file, CPath& path)
{
    try {
        CXMLFile xml(file);
        const CXMLNode root = xml.SelectSingleNode("//Curve");
        std::vector<CVector2> keys;
        const CXMLNodeList list = xml.SelectNodes("//Curve/Key");
        for (int i = 0; i < list.GetLength(); ++i) {
            const CXMLNode key = list.GetItem(i);
            keys.emplace_back(key.GetFloatAttribute("x"), key.GetFloatAttribute("y"));
        }
        if (keys.empty()) {
            GetLog().Error("Error: the curve '%s' has no key; its part does not move.", file.c_str());
            return false;
        }
        return path.Build(keys, root.GetFloatAttribute("step", 0.1f));
    } catch (const std::exception& e) {
        GetLog().Error("Error: the curve '%s' cannot be read (%s); its part does not move.", file.c_str(), e.what());
        return false;
    }
}

// ---------------------------------------------------------------------------------------------
// One construction

CConstruction::CConstruction(int32_t id, float x, float y) : _id(id), _x(x), _y(y)
{
    SetLevel(0);
}

CConstruction::~CConstruction() = default;

void CConstruction::SetLevel(int level)
{
    ConstructionUpgrade data;
    GetConstructDepot().GetUpgradeData(_id, level, data);
    _level = level;
    BuildParts(data);
}

void CConstruction::BuildParts(const ConstructionUpgrade& level)
{
    _parts.clear();
    _groups.clear();
    _group = 0;
    _layout = 0;
    _cycles = 0;
    _origin_dx = level.offset_x;
    _origin_dy = level.offset_y;
    _help_page = level.help_page;
    for (const ConstructionLayer& layer : level.layers) {
        ConstructionPart part;
        part.kind = layer.type;
        part.offset_x = level.offset_x + layer.offset_x;
        part.offset_y = level.offset_y + layer.offset_y;
        const float px = _x + part.offset_x;
        const float py = _y + part.offset_y;
        if (!layer.graphics.texture.empty()) {
            part.sprite = std::make_unique<CSprite>();
            part.sprite->Init(px, py, layer.graphics);
            // Built effects wait for the built animation; the others loop.
            if (part.kind == cpBuiltEffect) part.sprite->FinishAnimation();
        }
        part.particle_alias = layer.particle_alias;
        if (!part.particle_alias.empty()) {
            part.pyro = std::make_unique<CPyro2>();
            if (part.kind != cpBuiltEffect) {
                part.emitter_id = part.pyro->AddEmitter(part.particle_alias, px, py);
                part.has_emitter = true;
            }
        }
        if (layer.has_move) {
            CPath path;
            if (LoadCurveFile(layer.curve_file, path))
                part.walker = std::make_unique<CCurveWalker>(std::move(path), layer.back_after_end);
        }
        _parts.push_back(std::move(part));
    }

    // Layout groups in the catalogue's order of group ids, each with its layouts in file order.
    for (int32_t gid : level.group_ids) {
        LayoutGroup group;
        group.id = gid;
        for (const ConstructionLayout& layout : level.layouts)
            if (layout.group_id == gid) {
                group.layouts.push_back(layout);
                group.total_probability += layout.probability;
            }
        _groups.push_back(std::move(group));
    }
    // With layouts, every picture plays single passes, so that the passes can be counted.
    if (!_groups.empty())
        for (ConstructionPart& part : _parts)
            if ((part.kind == cpBase || part.kind == cpHighlight) && part.sprite) part.sprite->PlayAnimation(1);
    ComputeBox();
    ApplyAlphas();
}

void CConstruction::ComputeBox()
{
    bool any = false;
    for (const ConstructionPart& part : _parts) {
        if (!part.sprite) continue;
        const FRect& r = part.sprite->GetRect();
        if (!any) {
            _min_x = r.left, _min_y = r.top, _max_x = r.right, _max_y = r.bottom;
            any = true;
        } else {
            _min_x = std::min(_min_x, r.left);
            _min_y = std::min(_min_y, r.top);
            _max_x = std::max(_max_x, r.right);
            _max_y = std::max(_max_y, r.bottom);
        }
    }
    if (!any) _min_x = _max_x = _x, _min_y = _max_y = _y;
    _width = _max_x - _min_x;
}

void CConstruction::Move(float dx, float dy)
{
    _x += dx;
    _y += dy;
    _min_x += dx;
    _max_x += dx;
    _min_y += dy;
    _max_y += dy;
    for (ConstructionPart& part : _parts) {
        if (part.sprite) part.sprite->Move(dx, dy);
        if (part.pyro) part.pyro->Move(dx, dy);
    }
}

void CConstruction::ApplyAlphas()
{
    for (ConstructionPart& part : _parts) {
        if (!part.sprite) continue;
        if (part.kind == cpBase || part.kind == cpBaseInactive) part.sprite->SetAlpha(uint32_t(_base_alpha));
        else if (part.kind == cpHighlight || part.kind == cpHighlightInactive) part.sprite->SetAlpha(uint32_t(_highlight_alpha));
    }
}

void CConstruction::StartBuiltEffects()
{
    for (ConstructionPart& part : _parts) {
        if (part.kind != cpBuiltEffect) continue;
        if (part.sprite) part.sprite->PlayAnimation(1);
        if (part.pyro) {
            part.pyro->Clear();
            part.emitter_id = part.pyro->AddEmitter(part.particle_alias, _x + part.offset_x, _y + part.offset_y);
            part.has_emitter = true;
        }
    }
}

void CConstruction::SetVisualState(int state)
{
    switch (state) {
    case vsBuilt:
        _base_alpha = 0;
        _base_fade = bfIn;
        _highlight_alpha = 0;
        _highlight_fade = hfIn;
        _blink_count = 2;
        StartBuiltEffects();
        break;
    case vsHovered:
        if (_visual_state == vsBuilt) return;   // the built animation plays to its end
        _highlight_requested = true;
        _highlight_fade = hfIn;
        break;
    default:
        state = vsIdle;
        _highlight_requested = false;
        _base_alpha = 255;
        _highlight_alpha = 0;
        _base_fade = bfNone;
        _highlight_fade = hfNone;
        _blink_count = 0;
        break;
    }
    _visual_state = state;
    ApplyAlphas();
}

void CConstruction::StepFades()
{
    bool base_done = _base_fade == bfNone;
    if (_base_fade == bfIn) {
        _base_alpha = std::min(255, _base_alpha + kBaseAlphaStep);
        if (_base_alpha == 255) _base_fade = bfNone, base_done = true;
    } else if (_base_fade == bfOut) {
        _base_alpha = std::max(0, _base_alpha - kBaseAlphaStep);
        if (_base_alpha == 0) _base_fade = bfNone, base_done = true;
    }
    bool highlight_done = false;
    const int was = _highlight_fade;
    if (_highlight_fade == hfIn) {
        _highlight_alpha = std::min(255, _highlight_alpha + kHighlightAlphaStep);
        highlight_done = _highlight_alpha == 255;
    } else if (_highlight_fade == hfOut) {
        _highlight_alpha = std::max(0, _highlight_alpha - kHighlightAlphaStep);
        highlight_done = _highlight_alpha == 0;
    }

    if (_visual_state == vsBuilt) {
        if (highlight_done) {
            if (_blink_count == 0) {
                _highlight_fade = hfNone;
            } else if (was == hfIn) {
                _highlight_fade = hfOut;
                --_blink_count;
            } else {
                _highlight_fade = hfIn;
            }
        }
        if (_highlight_fade == hfNone && base_done) {
            SetVisualState(vsIdle);
            return;
        }
    } else if (_visual_state == vsHovered) {
        if (!(_highlight_requested && _mouse_over) && _highlight_fade != hfOut) _highlight_fade = hfOut;
        if (_highlight_fade == hfOut && _highlight_alpha == 0) {
            SetVisualState(vsIdle);
            return;
        }
        if (highlight_done && was == hfIn) _highlight_fade = hfNone;
    }
    ApplyAlphas();
}

int CConstruction::DefaultLayout(const LayoutGroup& group) const
{
    for (size_t i = 0; i < group.layouts.size(); ++i)
        if (group.layouts[i].base) return int(i);
    // A group without a base layout starts over with its first one.
    return 0;
}

void CConstruction::ChooseLayout(bool group_change)
{
    const LayoutGroup& group = _groups[size_t(_group)];
    if (group.layouts.empty()) return;
    int chosen = DefaultLayout(group);
    int r = RandomInt(0, group.total_probability);
    for (size_t i = 0; i < group.layouts.size(); ++i) {
        const ConstructionLayout& layout = group.layouts[i];
        if (r < layout.probability) {
            const bool current = !group_change && int(i) == _layout;
            if (!current && !(group_change && !layout.base)) chosen = int(i);
            break;
        }
        r -= layout.probability;
    }
    _layout = chosen;
    for (ConstructionPart& part : _parts)
        if (IsShownKind(part.kind)) part.kind += 4;
    for (const auto& member : group.layouts[size_t(_layout)].members) {
        if (member.first < 0 || size_t(member.first) >= _parts.size()) continue;
        ConstructionPart& part = _parts[size_t(member.first)];
        if (part.kind >= cpBaseInactive) part.kind -= 4;
        if (part.kind == cpBase && part.sprite) part.sprite->PlayAnimation(1);
    }
    _cycles = 0;
}

void CConstruction::StepLayouts()
{
    if (_groups.empty() || _groups[size_t(_group)].layouts.empty()) return;
    // A cycle ends when every shown picture has ended its pass.
    bool any = false;
    for (const ConstructionPart& part : _parts) {
        if ((part.kind != cpBase && part.kind != cpHighlight) || !part.sprite) continue;
        any = true;
        if (part.sprite->IsPlaying()) return;
    }
    if (!any) return;
    ++_cycles;
    const ConstructionLayout& layout = _groups[size_t(_group)].layouts[size_t(_layout)];
    auto restart = [this] {
        for (ConstructionPart& part : _parts)
            if (part.kind == cpBase && part.sprite) part.sprite->PlayAnimation(1);
    };
    if (_cycles <= layout.min_cycles) {
        restart();
        return;
    }
    if (_cycles < layout.max_cycles && RandomInt(1, 100) >= 50) {
        restart();
        return;
    }
    if (layout.base && _groups.size() > 1 && RandomInt(1, 100) < (_group == 0 ? 10 : 50)) {
        int next = RandomInt(0, int(_groups.size()) - 2);
        if (next >= _group) ++next;
        _group = next;
        ChooseLayout(true);
        SetVisualState(vsBuilt);
    } else {
        ChooseLayout(false);
    }
    restart();
}

void CConstruction::Update()
{
    if (!_built) return;
    if (_visual_state != vsIdle) StepFades();
    StepLayouts();
    for (ConstructionPart& part : _parts) {
        if (!part.walker) continue;
        const CVector2 d = part.walker->Step();
        if (part.sprite) part.sprite->Move(d.x, d.y);
        if (part.pyro) part.pyro->Move(d.x, d.y);
    }
}

void CConstruction::Draw()
{
    _mouse_over = false;
    if (!_built) return;
    if (_min_x > float(ScreenWidth()) || _max_x < 0.0f) return;
    const float mx = g_Mouse ? float(g_Mouse->GetX()) : -1.0f;
    const float my = g_Mouse ? float(g_Mouse->GetY()) : -1.0f;
    for (ConstructionPart& part : _parts) {
        if (!IsShownKind(part.kind)) continue;
        if (part.kind == cpBuiltEffect && !(part.sprite && part.sprite->IsPlaying())) {
            // the effect's particles may outlive its picture
            if (part.pyro) part.pyro->Render();
            continue;
        }
        if (part.pyro) part.pyro->Render();
        if (!part.sprite) continue;
        part.sprite->Draw();
        if (_mouse_over || !part.sprite->IsVisible()) continue;
        const CPolygon& poly = part.sprite->GetPolygon();
        if (part.sprite->IsPolygonEnabled() && !poly.IsEmpty()) {
            _mouse_over = poly.IsPointInside(mx, my);
        } else {
            const FRect& r = part.sprite->GetRect();
            _mouse_over = mx >= r.left && mx < r.right && my >= r.top && my < r.bottom;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Help dialog

CCityHelpDialog::~CCityHelpDialog() = default;

void CCityHelpDialog::ShowPage(int page)
{
    if (page <= 0) {
        HideImmediately();
        return;
    }
    if (auto pages = std::dynamic_pointer_cast<CMenuPageControl>(FindControl("ID_PAGES"))) {
        const int count = int(pages->GetPages().size());
        if (count > 0) pages->SetPage(size_t(std::min(page, count - 1)));
    }
    if (!IsShown()) ShowImmediately();
}

// ---------------------------------------------------------------------------------------------
// The view

CCityView::CCityView() = default;
CCityView::~CCityView() = default;

void CCityView::ResetVisualization()
{
    GetLog().Message("Reset city visualization...");
    _hover_enabled = true;
    _help_shown = false;
    _scroll_enabled = false;
    Load();
}

void CCityView::Load() { Load(kFile); }

void CCityView::Load(const std::string& file)
{
    _constructions.clear();
    _hovered.reset();
    _placements.clear();
    _background.reset();
    _left_arrow.reset();
    _right_arrow.reset();
    _help.ClearControls();
    try {
        LoadFile(file);
    } catch (const std::exception& e) {
        // The scene goes on with what was read (at worst an empty city).
        GetLog().Error("Error: the city '%s' cannot be shown in full (%s).", file.c_str(), e.what());
    }
}

void CCityView::LoadFile(const std::string& file)
{
    CXMLFile xml(file);
    const CXMLNode root = xml.SelectSingleNode("//City");
    VERIFY(root.IsValid());

    BackgroundDesc desc;
    LoadBackgroundDesc(root.SelectSingleNode("Background"), desc);
    _background = CreateComplexBackground();
    VERIFY(_background.get() != NULL);
    _background->Create(desc);
    _bg_width = desc.width;
    _bg_height = desc.height;
    _start_x = desc.start_x;
    _start_y = desc.start_y;

    auto arrow = [&root](const char* name) -> std::shared_ptr<CSprite> {
        const CXMLNode node = root.SelectSingleNode(name);
        if (!node.IsValid()) return nullptr;
        GraphicsDesc g;
        ReadGraphics(node, g);
        auto sprite = std::make_shared<CSprite>();
        sprite->Init(node.GetFloatAttribute("pos_x"), node.GetFloatAttribute("pos_y"), g);
        return sprite;
    };
    _left_arrow = arrow("LeftScrollArrow");
    _right_arrow = arrow("RightScrollArrow");

    const CXMLNode help = root.SelectSingleNode("ConstructionsHelpDialog");
    if (help.IsValid()) _help.Load(help);
    else GetLog().Error("Error: '%s' has no ConstructionsHelpDialog; the constructions show no help.", file.c_str());

    const CXMLNodeList list = root.SelectNodes("Constructions/Construction");
    for (int i = 0; i < list.GetLength(); ++i) {
        const CXMLNode n = list.GetItem(i);
        _placements.push_back({n.GetIntAttribute("id"), n.GetIntAttribute("pos_x"), n.GetIntAttribute("pos_y")});
    }
    CreateConstructions();
}

void CCityView::CreateConstructions()
{
    _constructions.clear();
    _hovered.reset();
    const float vx = _background ? _background->GetViewX() : 0.0f;
    const float vy = _background ? _background->GetViewY() : 0.0f;
    for (const Placement& p : _placements) {
        // Positions are picture pixels; on the screen they sit against the view point.
        const float x = float(p.pos_x) - vx;
        const float y = float(p.pos_y) - vy;
        std::shared_ptr<CConstruction> construction;
        try {
            construction = std::make_shared<CConstruction>(p.id, x, y);
        } catch (const std::exception&) {
            // One construction the catalogue lacks leaves the rest of the city standing.
            GetLog().Error("Error: %s (id %d)", kCantCreate, p.id);
            continue;
        }
        _constructions[p.id] = construction;
    }
}

CConstruction* CCityView::GetConstruction(int32_t id) const
{
    const auto it = _constructions.find(id);
    return it == _constructions.end() ? nullptr : it->second.get();
}

void CCityView::BuildFromCity(const std::vector<CityViewEntry>& entries)
{
    CreateConstructions();
    GetBallsDepot().ResetAvailable();
    _hover_enabled = true;
    if (_help_shown) {
        _help.ShowPage(0);
        if (g_Mouse) g_Mouse->ShowSystemCursor(true);
    }
    _help_shown = false;
    for (bool bonus : {false, true}) {
        for (const CityViewEntry& e : entries) {
            if (e.bonus != bonus || e.upgrade < 0) continue;
            CConstruction* c = GetConstruction(e.construct_id);
            if (!c) {
                GetLog().Error("Error: the city view has no construction %d; it is not shown.", e.construct_id);
                continue;
            }
            const int top = bonus ? 0 : e.upgrade;
            for (int level = 0; level <= top; ++level) SetConstructionUpgrade(e.construct_id, false);
            if (!bonus) {
                const ConstructionInfo* info = GetConstructDepot().Find(e.construct_id);
                if (info && info->brings_ball) GetBallsDepot().SetEnabled(info->ball_graph_type, false);
            }
            c->SetVisualState(CConstruction::vsIdle);
        }
    }
    _scroll_enabled = false;
    for (const auto& [id, c] : _constructions)
        if (c->IsBuilt() && GetScrollDistanceTo(id) != 0.0f) _scroll_enabled = true;
    if (!_scroll_enabled && _background)
        MoveView(float(_start_x) - _background->GetViewX(), float(_start_y) - _background->GetViewY());
}

void CCityView::SetConstructionUpgrade(int32_t id, bool animate)
{
    CConstruction* c = GetConstruction(id);
    if (!c) {
        GetLog().Error("Error: the city view has no construction %d to build.", id);
        return;
    }
    if (!c->IsBuilt()) {
        ConstructionInfo info;
        // Only a construction that brings a ball changes the balls in play.
        if (GetConstructDepot().GetConstruction(id, info) && info.brings_ball)
            GetBallsDepot().SetAvailable(info.ball_graph_type, info.ball_available);
        c->SetBuilt(true);
    } else if (c->GetLevel() + 1 < GetConstructDepot().GetLevelCount(id)) {
        c->SetLevel(c->GetLevel() + 1);
    } else {
        // The top level stays: the catalogue has nothing higher to show.
        GetLog().Error("Error: construction %d has no level above %d; it stays as it is.", id, c->GetLevel());
    }
    if (animate) c->SetVisualState(CConstruction::vsBuilt);
    if (!_scroll_enabled) EnableScrollFor(*c);
}

void CCityView::EnableScrollFor(const CConstruction& c)
{
    if (c.IsBuilt() && GetScrollDistanceTo(c.GetId()) != 0.0f) _scroll_enabled = true;
}

float CCityView::GetScrollDistanceTo(int32_t id) const
{
    const CConstruction* c = GetConstruction(id);
    if (!c) {
        GetLog().Error("Error: the city view has no construction %d to scroll to.", id);
        return 0.0f;
    }
    const float w = float(ScreenWidth());
    const float x = c->GetLeft();
    const float right = x + c->GetWidth();
    const float centre = x + c->GetWidth() / 2.0f;
    if (x >= -float(kScrollBand) && right < w + float(kScrollBand) && !_scroll_enabled) return 0.0f;
    if (x < 0.0f || right >= w) return centre - float(ScreenWidth() / 2);
    return 0.0f;
}

void CCityView::MoveView(float dx, float dy)
{
    if (!_background) return;
    const float old_x = _background->GetViewX();
    const float old_y = _background->GetViewY();
    _background->Scroll(float(int(dx)), float(int(dy)));
    const float ax = _background->GetViewX() - old_x;
    const float ay = _background->GetViewY() - old_y;
    if (ax == 0.0f && ay == 0.0f) return;
    for (auto& [id, c] : _constructions) c->Move(-ax, -ay);
}

void CCityView::Scroll(float dx, float dy)
{
    if (!_scroll_enabled || _help_shown) return;
    MoveView(dx, dy);
}

int CCityView::GetEdgeScrollStep(int x, int y) const
{
    if (y < 91 || y >= ScreenHeight() - 71) return 0;
    if (x < 61) return -5;                    // toward the city's left side
    if (x >= ScreenWidth() - 61) return 5;    // toward its right side
    return 0;
}

bool CCityView::IsLeftArrowShown() const
{
    return _left_arrow && _scroll_enabled && _input_enabled && _background && _background->GetViewX() > 0.0f;
}

bool CCityView::IsRightArrowShown() const
{
    return _right_arrow && _scroll_enabled && _input_enabled && _background &&
           _background->GetViewX() < float(_bg_width - ScreenWidth());
}

void CCityView::DrawArrows()
{
    if (IsLeftArrowShown()) _left_arrow->Draw();
    if (IsRightArrowShown()) _right_arrow->Draw();
}

void CCityView::UpdateConstructions()
{
    for (auto& [id, c] : _constructions) c->Update();
}

bool CCityView::IsBuildAnimationRunning() const
{
    for (const auto& [id, c] : _constructions)
        if (c->GetVisualState() == CConstruction::vsBuilt) return true;
    return false;
}

void CCityView::Draw()
{
    if (_background) _background->Update(true);
    std::shared_ptr<CConstruction> candidate;
    for (auto& [id, c] : _constructions) {
        c->Draw();
        if (!_help_shown && _hover_enabled && c->IsMouseOver()) candidate = c;
    }
    DrawArrows();

    if (!_help_shown && candidate) {
        candidate->SetVisualState(CConstruction::vsHovered);
        if (candidate != _hovered) {
            if (_hovered) _hovered->RequestHighlight(false);
            _hovered = candidate;
        }
        if (g_Mouse && g_Mouse->IsButtonDown(1) && _hover_enabled && candidate->GetHelpPage() > 0) {
            _help.ShowPage(candidate->GetHelpPage());
            _anchor_x = float(g_Mouse->GetX());
            _anchor_y = float(g_Mouse->GetY());
            g_Mouse->ShowSystemCursor(false);
            _help_shown = true;
        }
    }
    if (_help_shown) {
        if (g_Mouse) g_Mouse->SetPosition(int(_anchor_x), int(_anchor_y));
        if (!g_Mouse || !g_Mouse->IsButtonDown(1) || !_hover_enabled) {
            _help.ShowPage(0);
            if (g_Mouse) g_Mouse->ShowSystemCursor(true);
            _help_shown = false;
        }
    }
    if (!_hover_enabled && _hovered) {
        _hovered->RequestHighlight(false);
        _hovered.reset();
    }
    if (_help_shown) _help.Process();
}

void CCityView::Release()
{
    _constructions.clear();
    _hovered.reset();
    _left_arrow.reset();
    _right_arrow.reset();
    _background.reset();
    _help.ClearControls();
}

CCityView& GetCityView()
{
    static CCityView view;
    return view;
}
