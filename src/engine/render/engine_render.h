// Sprites and batched rendering. A CSprite is one textured quad with its own position, size,
// rotation, colour and frame animation; a CRenderer owns one texture and one vertex buffer and
// draws all its members with one draw call; a CRenderKeeper hands out shared renderers by texture
// name, so that everything of a dialog or a scene that uses one texture falls into one batch.
// Other drawables (text labels, rect sets) join a renderer through ARenderObject.
//
// Vertices are in screen pixels, moved by -0.5 after their transform (pixel centres onto texel
// centres); the engine core takes that offset back off when it submits them.
#pragma once

#include "engine/render/engine_anim.h"
#include "engine/core/engine_core.h"
#include "engine/render/engine_polygon.h"
#include "engine/render/engine_texture.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct GraphicsDesc;
class CRenderer;
class CRenderKeeper;

// Dirty flags of sprites and rect sets.
enum : uint32_t {
    dfPosition = 1,
    dfTexCoords = 2,
    dfDepth = 4,
    dfColors = 8,
    dfResize = 16,
    dfAll = 255,
};

// Dirty flags of a renderer.
enum : uint32_t {
    rdRefill = 1,
    rdRecount = 2,
    rdAll = 255,
};

struct FRect {
    float left = 0.0f;
    float top = 0.0f;
    float right = 0.0f;
    float bottom = 0.0f;

    float Width() const { return right - left; }
    float Height() const { return bottom - top; }
    // The same rectangle moved by (dx, dy).
    FRect Offset(float dx, float dy) const { return FRect{left + dx, top + dy, right + dx, bottom + dy}; }
};

// A drawable that contributes a run of quads to a renderer.
class ARenderObject {
public:
    ARenderObject() = default;
    virtual ~ARenderObject();
    ARenderObject(const ARenderObject&) = delete;
    ARenderObject& operator=(const ARenderObject&) = delete;

    virtual void SetTextureSize(float width, float height) = 0;
    virtual bool IsAnimated() = 0;
    // Steps the object's animation; true when its vertices changed. still_animated: it plays on.
    virtual bool UpdateAnimation(bool& still_animated) = 0;
    virtual unsigned GetQuadCount() = 0;
    // The object's vertices (GetQuadCount() * 4), or null when it has nothing to draw.
    virtual const VERTEX_2DPNT1* GetVertices() = 0;

    // Gives the object its own renderer on the named texture (never grayed).
    void SetTexture(const std::string& name);
    // Joins a shared renderer.
    void SetRenderer(const std::shared_ptr<CRenderer>& renderer);
    void DetachRenderer();
    // Draws the renderer when the object owns it.
    void Draw();
    void SetVisible(bool visible);
    bool IsVisible() const { return _visible; }
    const std::shared_ptr<CRenderer>& GetRenderer() const { return _renderer; }
    bool OwnsRenderer() const { return _owns_renderer; }

protected:
    // Marks the renderer for refill (and recount).
    void MarkRenderer(uint32_t flags);

    std::shared_ptr<CRenderer> _renderer;
    bool _owns_renderer = false;
    bool _visible = true;

    friend class CRenderer;
};

class CSprite {
public:
    CSprite();
    // A still picture: screen rect and texture rect.
    CSprite(const FRect& rect, const FRect& tex_rect);
    // A copy of the source (null: a default sprite). With copy_renderer, a source that owns its
    // renderer gives the copy its own renderer on the same texture, a source on a shared renderer
    // makes the copy share it.
    CSprite(const CSprite* source, bool copy_renderer);
    CSprite(const CSprite& source);
    // At (x, y) as the description says, on the keeper's renderer of the description's texture.
    CSprite(float x, float y, const GraphicsDesc& desc, CRenderKeeper& keeper, bool grayed = false);
    virtual ~CSprite();
    CSprite& operator=(const CSprite&) = delete;

    // Copies the source onto this sprite (after detaching its renderer), as the copy constructor.
    void CopyFrom(const CSprite* source, bool copy_renderer);

    // At (x, y) as the description says, with a renderer of its own; with_shadow adds the shadow.
    void Init(float x, float y, const GraphicsDesc& desc, bool with_shadow = false);
    void SetRects(const FRect& rect, const FRect& tex_rect);
    void SetRectGraphics(const FRect& rect, const GraphicsDesc& desc);

    void SetPosition(float x, float y);
    void Move(float dx, float dy);
    void SetAngle(float degrees);
    void SetPivot(float x, float y);
    void Resize(float dw, float dh);
    void SetSize(float w, float h);
    void SetDepth(float z);
    // Mirrors the texture: flip_x swaps the left and right texture coordinates, flip_y the top
    // and bottom ones.
    void SetFlip(bool flip_x, bool flip_y);

    void SetColor(uint32_t argb);
    // Replaces the colour bits, keeping each corner's alpha.
    void SetRGB(uint32_t rgb);
    // 0 to 255; larger values give 255.
    void SetAlpha(uint32_t alpha);
    uint32_t GetAlpha(unsigned n_vertex = 0) const;
    uint32_t GetColor(unsigned n_vertex = 0) const;

    void SetVisible(bool visible);
    bool IsVisible() const { return _visible; }

    void RestartAnimation();
    // Plays n passes from the start; n = 0 (or no frames) stops the animation. Returns whether
    // it plays.
    bool PlayAnimation(uint32_t loops);
    bool ResumeAnimation();
    // Lets the animation stop on its last frame at the end of the current pass.
    void FinishAnimation();
    bool IsPlaying() const { return _animation.IsPlaying(); }
    CAnimation& GetAnimation() { return _animation; }
    const CAnimation& GetAnimation() const { return _animation; }

    // A renderer of its own on the named texture (gray copy when grayed).
    void SetTexture(const std::string& name, bool grayed = false);
    void SetTexture(const CTexturePtr& texture);
    void SetRenderer(const std::shared_ptr<CRenderer>& renderer);
    void DetachRenderer();
    // An own renderer switches to the gray copy of its texture.
    void MakeGray();
    // Draws the renderer when the sprite owns it (shared renderers are drawn by their keeper).
    void Draw();

    // Called by the renderer: recomputes what the dirty flags say.
    void UpdateVertices();

    const FRect& GetRect() const { return _rect; }
    const FRect& GetLocalRect() const { return _local_rect; }
    float GetX() const { return _rect.left; }
    float GetY() const { return _rect.top; }
    float GetWidth() const { return _rect.Width(); }
    float GetHeight() const { return _rect.Height(); }
    float GetAngle() const { return _angle; }
    float GetPivotX() const { return _pivot_x; }
    float GetPivotY() const { return _pivot_y; }
    float GetDepth() const { return _z; }
    const VERTEX_2DPNT1* GetVertices() const { return _vertices; }
    uint32_t GetDirty() const { return _dirty; }
    const std::shared_ptr<CRenderer>& GetRenderer() const { return _renderer; }
    bool OwnsRenderer() const { return _owns_renderer; }
    CSprite* GetShadow() const { return _shadow; }
    void SetShadowOffset(float x, float y) { _shadow_dx = x; _shadow_dy = y; }

    // Hit polygon of the animation (present / in use).
    bool HasPolygon() const { return _animation.HasPolygon(); }
    bool IsPolygonEnabled() const { return _animation.IsPolygonEnabled(); }
    void EnablePolygon(bool enabled) { _animation.EnablePolygon(enabled); }
    const CPolygon& GetPolygon() const { return _animation.GetPolygon(); }
    void SetTextureScale(float inv_width, float inv_height);

private:
    void ComputeLocalRect();
    void MarkRenderer(uint32_t flags);
    void CreateShadow();
    // The shadow takes this sprite's rect (moved by the offset), frames, pivot and angle.
    void SyncShadowShape();

    CAnimation _animation;
    FRect _rect;
    FRect _local_rect;
    float _z = 0.0f;
    uint32_t _colors[4] = {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF};
    float _inv_tex_height = 1.0f;
    float _inv_tex_width = 1.0f;
    float _angle = 0.0f;
    float _pivot_x = 0.0f;
    float _pivot_y = 0.0f;
    CMatrix4 _rotation;
    CMatrix4 _translation;
    CMatrix4 _pre_transform;
    uint32_t _dirty = dfAll;
    VERTEX_2DPNT1 _vertices[4] = {};
    std::shared_ptr<CRenderer> _renderer;
    bool _owns_renderer = false;
    CSprite* _shadow = nullptr;
    float _shadow_dx = 7.0f;
    float _shadow_dy = 7.0f;
    bool _visible = true;
    bool _flip_x = false;
    bool _flip_y = false;

    friend class CRenderer;
};

using CSpritePtr = std::shared_ptr<CSprite>;

class CRenderer : public std::enable_shared_from_this<CRenderer> {
public:
    CRenderer();
    CRenderer(const std::string& name, bool grayed);
    explicit CRenderer(const CTexturePtr& texture);
    ~CRenderer();
    CRenderer(const CRenderer&) = delete;
    CRenderer& operator=(const CRenderer&) = delete;

    // Takes the named texture (its gray copy when grayed) from the cache. A missing file is only
    // logged: the renderer then draws nothing. A gray copy that cannot be made is logged and the
    // plain texture is used.
    bool Init(const std::string& name, bool grayed);
    bool Init(const CTexturePtr& texture);

    void AddSprite(CSprite* sprite);
    void RemoveSprite(CSprite* sprite);
    void AddObject(ARenderObject* object);
    void RemoveObject(ARenderObject* object);
    void Clear();
    // Switches to the gray copy of the texture (kept when no copy can be made).
    void MakeGray();

    // Steps the animations, rebuilds the vertex buffer when dirty, then one SetTexture and one
    // DrawQuads through the engine core.
    void Draw();

    void SetDirty(uint32_t flags) { _dirty |= flags; }
    void SetAnimated() { _animated = true; }
    uint32_t GetDirty() const { return _dirty; }
    bool IsAnimated() const { return _animated; }
    unsigned GetQuadCount() const { return _quad_count; }
    unsigned GetCapacity() const { return _capacity; }
    const CTexturePtr& GetTexture() const { return _texture; }
    const std::string& GetTextureName() const;
    const CVertexBuffer* GetVertexBuffer() const { return _vertex_buffer.get(); }
    const std::vector<CSprite*>& GetSprites() const { return _sprites; }
    const std::vector<ARenderObject*>& GetObjects() const { return _objects; }
    void SetBlend(EBlend blend) { _blend = blend; }

    // Steps animations at most once until the next call (a keeper's per-frame begin step).
    void BeginFrame() { _frame_gated = true; _stepped = false; }

    // Texture size used for texture coordinates (each at least 1).
    float GetTextureWidth() const;
    float GetTextureHeight() const;

private:
    bool FinishInit();
    void StepAnimations();
    void Rebuild();
    void DetachAll();

    std::vector<CSprite*> _sprites;
    std::vector<ARenderObject*> _objects;
    CTexturePtr _texture;
    VertexBufferPtr _vertex_buffer;
    unsigned _capacity = 0;
    unsigned _quad_count = 0;
    uint32_t _dirty = rdAll;
    bool _animated = false;
    bool _frame_gated = false;
    bool _stepped = false;
    EBlend _blend = EBlend::Alpha;
};

using CRendererPtr = std::shared_ptr<CRenderer>;

class CRenderKeeper {
public:
    CRenderKeeper() = default;
    ~CRenderKeeper();
    CRenderKeeper(const CRenderKeeper&) = delete;
    CRenderKeeper& operator=(const CRenderKeeper&) = delete;

    CRendererPtr GetRenderer(const std::string& name, bool grayed);
    CRendererPtr GetRenderer(const std::string& name);
    CRendererPtr GetRenderer(const GraphicsDesc& desc);
    // Lowers the use count of the renderer's entry.
    void ReleaseRenderer(const CRendererPtr& renderer);
    // Draws every renderer in entry order: one draw call per texture.
    void Draw();
    // Per-frame begin step: from here until the next begin step each renderer steps its
    // animations once, however often the keeper is drawn.
    void BeginFrame();
    void Clear();

    bool IsGrayed() const { return _grayed; }
    size_t GetCount() const { return _entries.size(); }
    int GetUseCount(const std::string& name, bool grayed) const;

private:
    struct Entry {
        uint32_t grayed_key = 0;
        std::string name;           // normalised texture name
        CRendererPtr renderer;
        int use_count = 0;
    };
    CRendererPtr Insert(const std::string& name, bool grayed);

    bool _grayed = false;
    std::vector<Entry> _entries;
};
