// A drawable made of many textured rectangles cut from one texture, moved and coloured as a whole
// (the skins of panels, buttons, list boxes and bars). It joins the batch of its texture's renderer.
#pragma once

#include "engine/render/engine_render.h"

#include <memory>
#include <vector>

class CStaticRectSet : public ARenderObject {
public:
    CStaticRectSet();
    ~CStaticRectSet() override;

    void SetTextureSize(float width, float height) override;
    bool IsAnimated() override { return false; }
    bool UpdateAnimation(bool& still_animated) override;
    unsigned GetQuadCount() override { return _count; }
    const VERTEX_2DPNT1* GetVertices() override;

    void AddRect(const FRect& rect, const FRect& tex_rect);
    void Move(float dx, float dy);
    void SetPosition(float x, float y);
    void SetColor(uint32_t argb);
    void Clear();

    const FRect& GetBounds() const { return _bounds; }
    const FRect& GetLocalBounds() const { return _local_bounds; }
    uint32_t GetColor() const { return _color; }
    uint32_t GetDirty() const { return _dirty; }

    struct Record {
        FRect rect;
        FRect local;
        FRect tex;
    };
    const std::vector<Record>& GetRects() const { return _rects; }

private:
    void Rebuild();

    FRect _bounds;
    FRect _local_bounds;
    uint32_t _color = 0xFFFFFFFF;
    CMatrix4 _rotation;
    CMatrix4 _translation;
    float _inv_tex_height = 1.0f;
    float _inv_tex_width = 1.0f;
    float _pivot_x = 0.0f;
    float _pivot_y = 0.0f;
    uint32_t _dirty = dfPosition | dfTexCoords | dfDepth | dfColors | dfResize;
    std::vector<Record> _rects;
    unsigned _count = 0;
    std::vector<VERTEX_2DPNT1> _vertices;
};
