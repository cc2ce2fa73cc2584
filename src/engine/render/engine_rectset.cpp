#include "engine/render/engine_rectset.h"

#include <algorithm>

CStaticRectSet::CStaticRectSet()
    : _rotation(CMatrix4::Identity()), _translation(CMatrix4::Identity())
{
}

CStaticRectSet::~CStaticRectSet() = default;

void CStaticRectSet::SetTextureSize(float width, float height)
{
    _inv_tex_height = 1.0f / height;
    _inv_tex_width = 1.0f / width;
    _dirty |= dfTexCoords;
}

bool CStaticRectSet::UpdateAnimation(bool& still_animated)
{
    still_animated = false;
    return false;
}

void CStaticRectSet::AddRect(const FRect& rect, const FRect& tex_rect)
{
    FRect bounds = rect;
    if (!_rects.empty()) {
        bounds = _bounds;
        bounds.left = std::min(bounds.left, rect.left);
        bounds.top = std::min(bounds.top, rect.top);
        bounds.right = std::max(bounds.right, rect.right);
        bounds.bottom = std::max(bounds.bottom, rect.bottom);
    }
    const bool changed = bounds.left != _bounds.left || bounds.top != _bounds.top ||
                         bounds.right != _bounds.right || bounds.bottom != _bounds.bottom;
    if (changed) {
        _bounds = bounds;
        const float w = _bounds.Width();
        const float h = _bounds.Height();
        _local_bounds = FRect{-w / 2 - _pivot_x, -h / 2 - _pivot_y, w / 2 - _pivot_x, h / 2 - _pivot_y};
        const float tx = _bounds.left - _local_bounds.left;
        const float ty = _bounds.top - _local_bounds.top;
        for (auto& r : _rects) r.local = r.rect.Offset(-tx, -ty);
        _translation = CMatrix4::Translation(tx, ty, 0.0f);
    }
    const float tx = _translation.m[3][0];
    const float ty = _translation.m[3][1];
    _rects.push_back(Record{rect, rect.Offset(-tx, -ty), tex_rect});
    _dirty = dfPosition | dfTexCoords | dfDepth | dfColors | dfResize;
    _count = static_cast<unsigned>(_rects.size());
    MarkRenderer(rdRefill | rdRecount);
}

void CStaticRectSet::Move(float dx, float dy)
{
    if (_rects.empty()) return;
    _bounds = _bounds.Offset(dx, dy);
    for (auto& r : _rects) r.rect = r.rect.Offset(dx, dy);
    _translation = CMatrix4::Translation(_bounds.left - _local_bounds.left, _bounds.top - _local_bounds.top, 0.0f);
    _dirty |= dfPosition;
    MarkRenderer(rdRefill);
}

void CStaticRectSet::SetPosition(float x, float y)
{
    Move(x - _bounds.left, y - _bounds.top);
}

void CStaticRectSet::SetColor(uint32_t argb)
{
    if (argb == _color) return;
    _dirty |= dfColors;
    _color = argb;
    MarkRenderer(rdRefill);
}

void CStaticRectSet::Clear()
{
    _bounds = FRect{};
    _local_bounds = FRect{};
    _translation = CMatrix4::Identity();
    _rects.clear();
    _count = 0;
    _vertices.clear();
    _vertices.shrink_to_fit();
    _dirty |= dfPosition | dfTexCoords | dfDepth | dfColors;
    MarkRenderer(rdRefill | rdRecount);
}

void CStaticRectSet::Rebuild()
{
    if ((_dirty & dfResize) || _vertices.size() != size_t(_count) * 4) _vertices.assign(size_t(_count) * 4, VERTEX_2DPNT1{});
    if (_dirty & dfPosition) {
        const CMatrix4 m = _rotation * _translation;
        for (size_t i = 0; i < _rects.size(); ++i) {
            const FRect& l = _rects[i].local;
            const float xs[4] = {l.left, l.right, l.left, l.right};
            const float ys[4] = {l.top, l.top, l.bottom, l.bottom};
            for (int k = 0; k < 4; ++k) {
                const CVector2 p = m.TransformCoord(xs[k], ys[k]);
                _vertices[i * 4 + k].x = p.x - 0.5f;
                _vertices[i * 4 + k].y = p.y - 0.5f;
            }
        }
    }
    if (_dirty & dfTexCoords) {
        for (size_t i = 0; i < _rects.size(); ++i) {
            const FRect& t = _rects[i].tex;
            const float ul = t.left * _inv_tex_width, ur = t.right * _inv_tex_width;
            const float vt = t.top * _inv_tex_height, vb = t.bottom * _inv_tex_height;
            SetQuadTexCoords(&_vertices[i * 4], ul, vt, ur, vb);
        }
    }
    if (_dirty & dfColors)
        for (auto& v : _vertices) v.color = _color;
    if (_dirty & dfDepth)
        for (auto& v : _vertices) v.z = 0.0f;
    _dirty = 0;
}

const VERTEX_2DPNT1* CStaticRectSet::GetVertices()
{
    if (_dirty) Rebuild();
    if (!_visible || _vertices.empty()) return nullptr;
    return _vertices.data();
}
