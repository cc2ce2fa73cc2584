#include "engine/render/engine_render.h"
#include "engine/core/engine_core_internal.h"
#include "engine/render/engine_texture_internal.h"

#include "engine/base/engine_filesys.h"
#include "engine/base/engine_layout.h"
#include "engine/base/engine_log.h"

#include <algorithm>
#include <stdexcept>

namespace {

constexpr float kDegToRad = 0.017453292f;
constexpr unsigned kVertexBytes = sizeof(VERTEX_2DPNT1);
constexpr unsigned kQuadBytes = 4 * kVertexBytes;
// Creation flags of a renderer's buffer: write-only, no clipping; the managed pool.
constexpr unsigned kBufferUsage = 40;
constexpr unsigned kManagedPool = 1;

std::string NormalizedName(const std::string& name)
{
    std::string key = name;
    NormalizePath(key);
    return key;
}

const std::string& EmptyName()
{
    static const std::string empty;
    return empty;
}

} // namespace

// ---- ARenderObject ----

ARenderObject::~ARenderObject()
{
    if (_renderer) _renderer->RemoveObject(this);
}

void ARenderObject::SetTexture(const std::string& name)
{
    if (_owns_renderer && _renderer && _renderer->GetTextureName() == NormalizedName(name)) return;
    auto renderer = std::make_shared<CRenderer>(name, false);
    if (_renderer) _renderer->RemoveObject(this);
    _renderer = renderer;
    _renderer->AddObject(this);
    _owns_renderer = true;
}

void ARenderObject::SetRenderer(const std::shared_ptr<CRenderer>& renderer)
{
    if (renderer == _renderer) return;
    if (_renderer) _renderer->RemoveObject(this);
    _renderer = renderer;
    if (_renderer) _renderer->AddObject(this);
    _owns_renderer = false;
}

void ARenderObject::DetachRenderer()
{
    if (_renderer) _renderer->RemoveObject(this);
    _renderer.reset();
    _owns_renderer = false;
}

void ARenderObject::Draw()
{
    if (_owns_renderer && _renderer) _renderer->Draw();
}

void ARenderObject::SetVisible(bool visible)
{
    if (visible == _visible) return;
    _visible = visible;
    MarkRenderer(visible ? (rdRefill | rdRecount) : rdRefill);
}

void ARenderObject::MarkRenderer(uint32_t flags)
{
    if (_renderer) _renderer->SetDirty(flags);
}

// ---- CSprite ----

CSprite::CSprite()
    : _rotation(CMatrix4::Identity()), _translation(CMatrix4::Identity()), _pre_transform(CMatrix4::Identity())
{
}

CSprite::CSprite(const FRect& rect, const FRect& tex_rect) : CSprite()
{
    _rect = rect;
    _animation.SetStill(tex_rect.left, tex_rect.top, tex_rect.right, tex_rect.bottom);
    ComputeLocalRect();
    SetPosition(rect.left, rect.top);
}

CSprite::CSprite(const CSprite* source, bool copy_renderer) : CSprite()
{
    if (source) CopyFrom(source, copy_renderer);
}

CSprite::CSprite(const CSprite& source) : CSprite(&source, true) {}

CSprite::CSprite(float x, float y, const GraphicsDesc& desc, CRenderKeeper& keeper, bool grayed) : CSprite()
{
    _rect = FRect{x, y, x + float(desc.width), y + float(desc.height)};
    _animation.Setup(desc);
    _animation.FitPolygon(_rect.left, _rect.top, _rect.right, _rect.bottom);
    ComputeLocalRect();
    SetPosition(x, y);
    if (desc.angle != 0) SetAngle(float(desc.angle));
    SetColor(desc.color);
    SetRenderer((grayed || desc.grayed) ? keeper.GetRenderer(desc.texture, true) : keeper.GetRenderer(desc.texture));
}

CSprite::~CSprite()
{
    DetachRenderer();
    delete _shadow;
    _shadow = nullptr;
}

void CSprite::CopyFrom(const CSprite* source, bool copy_renderer)
{
    if (!source) {
        VERIFY_SOFT(source != nullptr && "&obj");
        return;
    }
    if (source == this) return;
    DetachRenderer();
    _animation = source->_animation;
    _rect = source->_rect;
    _local_rect = source->_local_rect;
    _z = source->_z;
    std::copy(std::begin(source->_colors), std::end(source->_colors), std::begin(_colors));
    _inv_tex_height = source->_inv_tex_height;
    _inv_tex_width = source->_inv_tex_width;
    _angle = source->_angle;
    _pivot_x = source->_pivot_x;
    _pivot_y = source->_pivot_y;
    _rotation = source->_rotation;
    _translation = source->_translation;
    _pre_transform = source->_pre_transform;
    std::copy(std::begin(source->_vertices), std::end(source->_vertices), std::begin(_vertices));
    _dirty = dfAll;
    _shadow_dx = source->_shadow_dx;
    _shadow_dy = source->_shadow_dy;
    _visible = source->_visible;
    _flip_x = source->_flip_x;
    _flip_y = source->_flip_y;
    delete _shadow;
    _shadow = source->_shadow ? new CSprite(source->_shadow, false) : nullptr;
    if (copy_renderer && source->_renderer) {
        if (source->_owns_renderer && !source->_renderer->GetTexture()) {
            // A cleared renderer has no texture to share: the copy stays without one.
        } else if (source->_owns_renderer) {
            auto renderer = std::make_shared<CRenderer>(source->_renderer->GetTexture());
            _renderer = renderer;
            _renderer->AddSprite(this);
            _owns_renderer = true;
        } else {
            SetRenderer(source->_renderer);
        }
    }
}

void CSprite::ComputeLocalRect()
{
    const float w = _rect.Width();
    const float h = _rect.Height();
    _local_rect.left = -w / 2 - _pivot_x;
    _local_rect.right = w / 2 - _pivot_x;
    _local_rect.top = -h / 2 - _pivot_y;
    _local_rect.bottom = h / 2 - _pivot_y;
    _dirty |= dfPosition;
}

void CSprite::MarkRenderer(uint32_t flags)
{
    if (_renderer) _renderer->SetDirty(flags);
}

void CSprite::CreateShadow()
{
    _shadow = new CSprite(this, false);
    _shadow->EnablePolygon(false);
    _shadow->SetPosition(_rect.left + _shadow_dx, _rect.top + _shadow_dy);
    _shadow->SetRGB(0x202020);
    _shadow->SetAlpha(100);
}

void CSprite::Init(float x, float y, const GraphicsDesc& desc, bool with_shadow)
{
    _rect = FRect{x, y, x + float(desc.width), y + float(desc.height)};
    _animation.Setup(desc);
    _animation.FitPolygon(_rect.left, _rect.top, _rect.right, _rect.bottom);
    ComputeLocalRect();
    SetPosition(x, y);
    SetAngle(float(desc.angle));
    SetColor(desc.color);

    // The renderer lists the shadow just before its sprite: take both out while the shadow changes.
    const auto renderer = _renderer;
    if (renderer) renderer->RemoveSprite(this);
    delete _shadow;
    _shadow = nullptr;
    if (with_shadow) CreateShadow();
    if (renderer) renderer->AddSprite(this);

    SetTexture(desc.texture, desc.grayed);
}

void CSprite::SetRects(const FRect& rect, const FRect& tex_rect)
{
    _rect = rect;
    _animation.SetStill(tex_rect.left, tex_rect.top, tex_rect.right, tex_rect.bottom);
    ComputeLocalRect();
    SetPosition(rect.left, rect.top);
    _dirty |= dfTexCoords;
    SyncShadowShape();
    MarkRenderer(rdRefill);
}

void CSprite::SyncShadowShape()
{
    if (!_shadow) return;
    _shadow->_animation = _animation;
    _shadow->_animation.EnablePolygon(false);
    _shadow->_rect = _rect;
    _shadow->_pivot_x = _pivot_x;
    _shadow->_pivot_y = _pivot_y;
    _shadow->ComputeLocalRect();
    _shadow->SetPosition(_rect.left + _shadow_dx, _rect.top + _shadow_dy);
    _shadow->SetAngle(_angle);
    _shadow->_dirty |= dfTexCoords;
}

void CSprite::SetRectGraphics(const FRect& rect, const GraphicsDesc& desc)
{
    _rect = rect;
    _animation.Setup(desc);
    _animation.FitPolygon(rect.left, rect.top, rect.right, rect.bottom);
    ComputeLocalRect();
    SetPosition(rect.left, rect.top);
    SetAngle(float(desc.angle));
    SetColor(desc.color);
    _dirty |= dfTexCoords;
    SyncShadowShape();
    MarkRenderer(rdRefill);
}

void CSprite::SetPosition(float x, float y)
{
    if (_shadow) _shadow->SetPosition(x + _shadow_dx, y + _shadow_dy);
    const float w = _rect.Width();
    const float h = _rect.Height();
    _rect = FRect{x, y, x + w, y + h};
    _translation = CMatrix4::Translation(_rect.left - _local_rect.left, _rect.top - _local_rect.top, 0.0f);
    _dirty |= dfPosition;
    MarkRenderer(rdRefill);
}

void CSprite::Move(float dx, float dy)
{
    SetPosition(_rect.left + dx, _rect.top + dy);
}

void CSprite::SetAngle(float degrees)
{
    if (_shadow) _shadow->SetAngle(degrees);
    _angle = degrees;
    _rotation = CMatrix4::RotationZ(degrees * kDegToRad);
    _dirty |= dfPosition;
    MarkRenderer(rdRefill);
}

void CSprite::SetPivot(float x, float y)
{
    if (_shadow) _shadow->SetPivot(x, y);
    _pivot_x = x;
    _pivot_y = y;
    ComputeLocalRect();
    _animation.GetPolygon().SetPivot(x, y);
    MarkRenderer(rdRefill);
}

void CSprite::Resize(float dw, float dh)
{
    if (_shadow) _shadow->Resize(dw, dh);
    const float w = _rect.Width();
    const float h = _rect.Height();
    if (w == 0.0f || h == 0.0f) return;
    if (!(w + dw >= 0.0f && h + dh >= 0.0f)) return;
    _rect.left -= dw / 2;
    _rect.right += dw / 2;
    _rect.top -= dh / 2;
    _rect.bottom += dh / 2;
    ComputeLocalRect();
    _animation.GetPolygon().Scale((w + dw) / w, (h + dh) / h);
    _dirty |= dfPosition;
    MarkRenderer(rdRefill);
}

void CSprite::SetSize(float w, float h)
{
    Resize(w - _rect.Width(), h - _rect.Height());
}

void CSprite::SetDepth(float z)
{
    if (_shadow) _shadow->SetDepth(z);
    _z = z;
    _dirty |= dfDepth;
    MarkRenderer(rdRefill);
}

void CSprite::SetFlip(bool flip_x, bool flip_y)
{
    if (_shadow) _shadow->SetFlip(flip_x, flip_y);
    if (flip_x == _flip_x && flip_y == _flip_y) return;
    _flip_x = flip_x;
    _flip_y = flip_y;
    _dirty |= dfTexCoords;
    MarkRenderer(rdRefill);
}

void CSprite::SetColor(uint32_t argb)
{
    for (auto& c : _colors) c = argb;
    _dirty |= dfColors;
    MarkRenderer(rdRefill);
}

void CSprite::SetRGB(uint32_t rgb)
{
    for (auto& c : _colors) c = (c & 0xFF000000u) | (rgb & 0x00FFFFFFu);
    _dirty |= dfColors;
    MarkRenderer(rdRefill);
}

void CSprite::SetAlpha(uint32_t alpha)
{
    const uint32_t a = std::min<uint32_t>(alpha, 255u);
    for (auto& c : _colors) c = (c & 0x00FFFFFFu) | (a << 24);
    _dirty |= dfColors;
    MarkRenderer(rdRefill);
}

uint32_t CSprite::GetAlpha(unsigned n_vertex) const
{
    if (n_vertex >= 4) {
        VERIFY_SOFT(n_vertex < 4);
        return 0;
    }
    return _colors[n_vertex] >> 24;
}

uint32_t CSprite::GetColor(unsigned n_vertex) const
{
    if (n_vertex >= 4) {
        VERIFY_SOFT(n_vertex < 4);
        return 0;
    }
    return _colors[n_vertex];
}

void CSprite::SetVisible(bool visible)
{
    // The shadow goes with its sprite.
    if (_shadow) _shadow->SetVisible(visible);
    if (visible == _visible) return;
    _visible = visible;
    MarkRenderer(visible ? (rdRefill | rdRecount) : rdRefill);
}

void CSprite::RestartAnimation()
{
    if (_shadow) _shadow->RestartAnimation();
    _animation.Restart();
    _dirty |= dfTexCoords;
    MarkRenderer(rdRefill);
}

bool CSprite::PlayAnimation(uint32_t loops)
{
    if (_shadow) _shadow->PlayAnimation(loops);
    const bool playing = loops != 0 && _animation.GetFrameCount() > 0;
    _animation.SetPlaying(playing);
    if (playing) {
        _animation.Restart();
        _animation.SetLoopsLimit(loops);
        _dirty |= dfTexCoords;
    }
    if (_renderer) {
        _renderer->SetDirty(rdRefill);
        if (playing) _renderer->SetAnimated();
    }
    return playing;
}

bool CSprite::ResumeAnimation()
{
    if (_shadow) _shadow->ResumeAnimation();
    const bool playing = _animation.GetFrameCount() > 0;
    _animation.SetPlaying(playing);
    if (playing) _dirty |= dfTexCoords;
    if (_renderer) {
        _renderer->SetDirty(rdRefill);
        if (playing) _renderer->SetAnimated();
    }
    return playing;
}

void CSprite::FinishAnimation()
{
    if (_shadow) _shadow->FinishAnimation();
    if (_animation.IsPlaying()) _animation.SetLoopsLimit(_animation.GetLoopsDone() + 1);
}

void CSprite::SetTexture(const std::string& name, bool grayed)
{
    if (_owns_renderer && _renderer) {
        std::string key = NormalizedName(name);
        if (grayed) key += "(gray)";
        if (_renderer->GetTextureName() == key) return;
    }
    auto renderer = std::make_shared<CRenderer>(name, grayed);
    if (_renderer) _renderer->RemoveSprite(this);
    _renderer = renderer;
    _renderer->AddSprite(this);
    _owns_renderer = true;
}

void CSprite::SetTexture(const CTexturePtr& texture)
{
    if (_owns_renderer && _renderer && _renderer->GetTexture() == texture) return;
    auto renderer = std::make_shared<CRenderer>(texture);
    if (_renderer) _renderer->RemoveSprite(this);
    _renderer = renderer;
    _renderer->AddSprite(this);
    _owns_renderer = true;
}

void CSprite::SetRenderer(const std::shared_ptr<CRenderer>& renderer)
{
    if (renderer == _renderer) return;
    if (_renderer) _renderer->RemoveSprite(this);
    _renderer = renderer;
    if (_renderer) _renderer->AddSprite(this);
    _owns_renderer = false;
}

void CSprite::DetachRenderer()
{
    if (_renderer) _renderer->RemoveSprite(this);
    _renderer.reset();
    _owns_renderer = false;
}

void CSprite::MakeGray()
{
    if (_owns_renderer && _renderer) _renderer->MakeGray();
}

void CSprite::Draw()
{
    if (_owns_renderer && _renderer) _renderer->Draw();
}

void CSprite::SetTextureScale(float inv_width, float inv_height)
{
    _inv_tex_width = inv_width;
    _inv_tex_height = inv_height;
    _dirty |= dfTexCoords;
}

void CSprite::UpdateVertices()
{
    const uint32_t dirty = _dirty;
    if (dirty & dfPosition) {
        const CMatrix4 m = _pre_transform * _rotation * _translation;
        const float xs[4] = {_local_rect.left, _local_rect.right, _local_rect.left, _local_rect.right};
        const float ys[4] = {_local_rect.top, _local_rect.top, _local_rect.bottom, _local_rect.bottom};
        for (int i = 0; i < 4; ++i) {
            const CVector2 p = m.TransformCoord(xs[i], ys[i]);
            _vertices[i].x = p.x - 0.5f;
            _vertices[i].y = p.y - 0.5f;
        }
        if (_animation.IsPolygonEnabled()) _animation.GetPolygon().Transform(_rotation, _pre_transform, _translation);
    }
    if (dirty & dfTexCoords) {
        const AnimationFrame& f = _animation.GetCurrentFrame();
        float ul = f.left * _inv_tex_width, ur = f.right * _inv_tex_width;
        float vt = f.top * _inv_tex_height, vb = f.bottom * _inv_tex_height;
        if (_flip_x) std::swap(ul, ur);
        if (_flip_y) std::swap(vt, vb);
        SetQuadTexCoords(_vertices, ul, vt, ur, vb);
    }
    if (dirty & dfColors) {
        for (int i = 0; i < 4; ++i) _vertices[i].color = _colors[i];
    }
    _dirty = 0;
    if (dirty & dfDepth) {
        for (auto& v : _vertices) v.z = _z;
    }
}

// ---- CRenderer ----

CRenderer::CRenderer() = default;

CRenderer::CRenderer(const std::string& name, bool grayed)
{
    Init(name, grayed);
}

CRenderer::CRenderer(const CTexturePtr& texture)
{
    Init(texture);
}

CRenderer::~CRenderer()
{
    for (CSprite* s : _sprites)
        if (s->_renderer.get() == this) s->_owns_renderer = false;
    _sprites.clear();
    _objects.clear();
    CTextureCacher::Instance().Release(_texture);
    _texture.reset();
    _vertex_buffer.reset();
}

const std::string& CRenderer::GetTextureName() const
{
    return _texture ? _texture->GetName() : EmptyName();
}

float CRenderer::GetTextureWidth() const
{
    return _texture ? std::max(1.0f, _texture->GetWidth()) : 1.0f;
}

float CRenderer::GetTextureHeight() const
{
    return _texture ? std::max(1.0f, _texture->GetHeight()) : 1.0f;
}

bool CRenderer::Init(const std::string& name, bool grayed)
{
    auto& cache = CTextureCacher::Instance();
    cache.Release(_texture);
    _texture.reset();
    CTexturePtr texture = cache.GetTexture(name);
    if (grayed && texture) {
        CTexturePtr gray = cache.GetGrayTexture(texture);
        if (gray) {
            cache.Release(texture);
            texture = gray;
        } else {
            // A texture that cannot be grayed is drawn as it is rather than ending the game.
            GetLog().Error("Error: can't create grayed texture %s.", name.c_str());
        }
    }
    if (!texture) {
        GetLog().Error("Error: can't create%s texture %s.", grayed ? " grayed" : "", name.c_str());
        throw std::runtime_error("Can't create texture");
    }
    _texture = texture;  // the cache counted this use
    return FinishInit();
}

bool CRenderer::Init(const CTexturePtr& texture)
{
    if (!texture) {
        GetLog().Error("Error: can't create%s texture %s.", "", "");
        throw std::runtime_error("Can't create texture");
    }
    if (_texture != texture) {
        CTextureCacher::Instance().Release(_texture);
        _texture = texture;
        _texture->AddUse();
    }
    return FinishInit();
}

bool CRenderer::FinishInit()
{
    auto self = weak_from_this().lock();  // members may hold the last reference
    const std::string& name = _texture->GetName();
    if (!_texture->IsLoaded()) GetLog().Error("Error: texture %s not found.", name.c_str());
    if (_texture->GetWidth() < 1)
        GetLog().Error("Error: texture %s width less then 1 (%s)", name.c_str(), "CRenderer::Init");
    if (_texture->GetHeight() < 1)
        GetLog().Error("Error: texture %s height less then 1 (%s)", name.c_str(), "CRenderer::Init");
    DetachAll();
    return true;
}

void CRenderer::DetachAll()
{
    auto self = weak_from_this().lock();
    auto sprites = std::move(_sprites);
    auto objects = std::move(_objects);
    _sprites.clear();
    _objects.clear();
    for (CSprite* s : sprites) {
        if (s->_renderer.get() == this) {
            s->_renderer.reset();
            s->_owns_renderer = false;
        }
    }
    for (ARenderObject* o : objects) {
        if (o->_renderer.get() == this) {
            o->_renderer.reset();
            o->_owns_renderer = false;
        }
    }
    _dirty = rdAll;
}

void CRenderer::AddSprite(CSprite* sprite)
{
    if (!sprite) return;
    if (std::find(_sprites.begin(), _sprites.end(), sprite) != _sprites.end()) return;
    const float w = GetTextureWidth();
    const float h = GetTextureHeight();
    if (sprite->_shadow) {
        _sprites.push_back(sprite->_shadow);
        sprite->_shadow->SetTextureScale(1.0f / w, 1.0f / h);
    }
    _sprites.push_back(sprite);
    sprite->SetTextureScale(1.0f / w, 1.0f / h);
    _dirty = rdAll;
    if (sprite->IsPlaying() || (sprite->_shadow && sprite->_shadow->IsPlaying())) _animated = true;
}

void CRenderer::RemoveSprite(CSprite* sprite)
{
    if (!sprite) return;
    CSprite* shadow = sprite->_shadow;
    _sprites.erase(std::remove_if(_sprites.begin(), _sprites.end(),
                                  [&](CSprite* s) { return s == sprite || (shadow && s == shadow); }),
                   _sprites.end());
    _dirty = rdAll;
}

void CRenderer::AddObject(ARenderObject* object)
{
    if (!object) return;
    if (std::find(_objects.begin(), _objects.end(), object) != _objects.end()) return;
    _objects.push_back(object);
    object->SetTextureSize(GetTextureWidth(), GetTextureHeight());
    _dirty = rdAll;
    if (object->IsAnimated()) _animated = true;
}

void CRenderer::RemoveObject(ARenderObject* object)
{
    _objects.erase(std::remove(_objects.begin(), _objects.end(), object), _objects.end());
    _dirty = rdAll;
}

void CRenderer::Clear()
{
    auto self = weak_from_this().lock();
    CTextureCacher::Instance().Release(_texture);
    _texture.reset();
    _vertex_buffer.reset();
    _capacity = 0;
    _quad_count = 0;
    DetachAll();
}

void CRenderer::MakeGray()
{
    if (!_texture || _texture->IsGrayed()) return;
    auto& cache = CTextureCacher::Instance();
    CTexturePtr gray = cache.GetGrayTexture(_texture);
    if (!gray) {
        GetLog().Error("Error: can't create grayed texture %s.", _texture->GetName().c_str());
        return;
    }
    cache.Release(_texture);
    _texture = gray;
    _dirty = rdAll;
}

void CRenderer::StepAnimations()
{
    if (_frame_gated) {
        if (_stepped) return;
        _stepped = true;
    }
    bool changed = false;
    bool any_playing = false;
    for (CSprite* s : _sprites) {
        if (!s->_animation.IsPlaying()) continue;
        any_playing = true;
        if (s->_animation.Step()) {
            s->_dirty |= dfTexCoords;
            changed = true;
        }
    }
    for (ARenderObject* o : _objects) {
        bool still = false;
        if (o->UpdateAnimation(still)) changed = true;
        any_playing = any_playing || still;
    }
    if (changed) _dirty |= rdRefill;
    _animated = any_playing;
}

void CRenderer::Rebuild()
{
    const unsigned sprite_quads = static_cast<unsigned>(_sprites.size());
    // The objects' quads are always counted again: a count taken from the last build could let
    // a grown object write past the buffer.
    unsigned object_quads = 0;
    for (ARenderObject* o : _objects) object_quads += o->GetQuadCount();
    const unsigned needed = object_quads + sprite_quads;
    if (needed > _capacity) {
        _capacity = needed;
        _vertex_buffer.reset();
        VertexBufferPtr buffer;
        if (g_EngineCore) {
            g_EngineCore->CreateVertexBuffer(_capacity * kQuadBytes, kBufferUsage, ZF_FVF_2DPNT1, kManagedPool, &buffer);
        } else {
            buffer = std::make_shared<CVertexBuffer>(size_t(_capacity) * 4);
        }
        if (!buffer || buffer->size() < size_t(_capacity) * 4) {
            _capacity = 0;
            VERIFY(!"Fail to create vertex buffer.");
        }
        _vertex_buffer = buffer;
    }
    if (needed == 0) {
        _quad_count = 0;
        _dirty = 0;
        return;
    }
    VERTEX_2DPNT1* out = _vertex_buffer->data();
    const size_t limit = size_t(_capacity) * 4;
    size_t written = 0;
    for (CSprite* s : _sprites) {
        if (s->_dirty) s->UpdateVertices();
        if (!s->_visible) continue;
        std::copy(std::begin(s->_vertices), std::end(s->_vertices), out + written);
        written += 4;
    }
    for (ARenderObject* o : _objects) {
        const VERTEX_2DPNT1* v = o->GetVertices();
        if (!v) continue;
        size_t n = size_t(o->GetQuadCount()) * 4;
        if (written + n > limit) n = limit - written;
        std::copy(v, v + n, out + written);
        written += n;
    }
    _quad_count = static_cast<unsigned>(written / 4);
    _dirty = 0;
}

void CRenderer::Draw()
{
    if (_quad_count == 0 && _dirty == 0) return;
    if (_animated) StepAnimations();
    if (_dirty) Rebuild();
    if (_quad_count == 0 || !g_EngineCore) return;
    // A texture that could not be loaded is drawn as nothing.
    if (!_texture || !_texture->IsLoaded()) return;
    IEnginePlatform* platform = g_EngineCore->GetPlatform();
    // One opaque colour over every vertex is a tint that a copy of the texture may hold.
    const VERTEX_2DPNT1* v = _vertex_buffer->data();
    const uint32_t colour = v[0].color;
    const size_t vertices = size_t(_quad_count) * 4;
    const bool tint = colour >> 24 == 0xFF && (colour & 0xFFFFFFu) != 0xFFFFFFu &&
                      std::all_of(v, v + vertices, [colour](const VERTEX_2DPNT1& p) { return p.color == colour; });
    SDL_Texture* texture = tint ? CTexture::DeviceCopy::GetTinted(*_texture, EngineDevice(), colour)
                                : GetD3DTexture(*_texture);
    if (!texture && platform->GetDevice()) return;
    platform->SetTexture(0, texture);
    g_EngineCore->DrawQuads(_vertex_buffer->data(), _quad_count, kVertexBytes, _blend);
}

// ---- CRenderKeeper ----

CRenderKeeper::~CRenderKeeper()
{
    Clear();
}

CRendererPtr CRenderKeeper::Insert(const std::string& name, bool grayed)
{
    Entry entry;
    entry.grayed_key = grayed ? 1u : 0u;
    entry.name = NormalizedName(name);
    entry.renderer = std::make_shared<CRenderer>(name, grayed);
    entry.use_count = 1;
    auto pos = std::find_if(_entries.begin(), _entries.end(),
                            [&](const Entry& e) { return e.grayed_key > entry.grayed_key; });
    CRendererPtr renderer = entry.renderer;
    _entries.insert(pos, std::move(entry));
    return renderer;
}

CRendererPtr CRenderKeeper::GetRenderer(const std::string& name, bool grayed)
{
    if (grayed) _grayed = true;
    const uint32_t key = grayed ? 1u : 0u;
    const std::string norm = NormalizedName(name);
    for (auto& e : _entries) {
        if (e.grayed_key == key && e.name == norm) {
            ++e.use_count;
            return e.renderer;
        }
    }
    return Insert(name, grayed);
}

CRendererPtr CRenderKeeper::GetRenderer(const std::string& name)
{
    if (_grayed) return GetRenderer(name, false);
    const std::string norm = NormalizedName(name);
    for (auto& e : _entries) {
        if (e.name == norm) {
            ++e.use_count;
            return e.renderer;
        }
    }
    return Insert(name, false);
}

CRendererPtr CRenderKeeper::GetRenderer(const GraphicsDesc& desc)
{
    return desc.grayed ? GetRenderer(desc.texture, true) : GetRenderer(desc.texture);
}

void CRenderKeeper::ReleaseRenderer(const CRendererPtr& renderer)
{
    for (auto& e : _entries)
        if (e.renderer == renderer && e.use_count > 0) --e.use_count;
}

void CRenderKeeper::Draw()
{
    for (auto& e : _entries) e.renderer->Draw();
}

void CRenderKeeper::BeginFrame()
{
    for (auto& e : _entries) e.renderer->BeginFrame();
}

void CRenderKeeper::Clear()
{
    _entries.clear();
    _grayed = false;
}

int CRenderKeeper::GetUseCount(const std::string& name, bool grayed) const
{
    const std::string norm = NormalizedName(name);
    for (const auto& e : _entries)
        if (e.grayed_key == (grayed ? 1u : 0u) && e.name == norm) return e.use_count;
    return 0;
}
