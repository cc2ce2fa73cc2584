#include "engine/render/engine_anim.h"

#include "engine/base/engine_layout.h"
#include "engine/base/engine_log.h"
#include "engine/base/engine_xml.h"

#include <cmath>
#include <exception>
#include <random>

uint32_t AnimationRandom()
{
    static std::minstd_rand generator(12345);
    return static_cast<uint32_t>(generator());
}

CAnimation::CAnimation()
{
    Reset();
}

CAnimation::CAnimation(float left, float top, float right, float bottom)
{
    SetStill(left, top, right, bottom);
}

CAnimation::CAnimation(const std::string& file)
{
    Reset();
    Load(file);
}

CAnimation::CAnimation(const GraphicsDesc& desc)
{
    Reset();
    if (!desc.animation.empty()) Load(desc.animation);
    else SetStill(desc.tex_rect[0], desc.tex_rect[1], desc.tex_rect[2], desc.tex_rect[3]);
}

CAnimation::CAnimation(const CAnimation* other)
{
    if (other) *this = *other;
    else Reset();
}

void CAnimation::Reset()
{
    _frames.clear();
    _current = AnimationFrame();
    _polygon.Clear();
    _speed_factor = 1.0f;
    _playing = false;
    _loops_limit = 0;
    _random_start = false;
    _start_frame = 0;
    _polygon_enabled = false;
    _has_polygon = false;
    _tick_counter = 0;
    _current_index = 0;
    _loops_done = 0;
    _frame_count = 0;
    _default_delay = 1;
}

void CAnimation::SetStill(float left, float top, float right, float bottom)
{
    Reset();
    _current.left = left;
    _current.top = top;
    _current.right = right;
    _current.bottom = bottom;
}

void CAnimation::ShowFrame(uint32_t index)
{
    if (index >= _frames.size()) return;
    _current_index = index;
    _current = _frames[index];
}

bool CAnimation::Load(const std::string& file)
{
    try {
        CXMLFile xml(file);
        CXMLNodeList frames = xml.SelectNodes("//Animation/Frame");
        CXMLNode root = xml.SelectSingleNode("//Animation");
        _default_delay = root.GetIntAttribute("speed", 3);

        _frames.clear();
        for (int i = 0; i < frames.GetLength(); ++i) {
            CXMLNode node = frames.GetItem(i);
            std::vector<float> poly;
            ParseFloatList(poly, node.GetAttribute("poly", ""), " ,");
            if (!_has_polygon && !poly.empty()) {
                const int n = static_cast<int>(poly[0]);
                if (n != 0 && (static_cast<int>(poly.size()) - 1) / 2 == n) {
                    std::vector<CVector2> points;
                    for (int j = 0; j < n; ++j) points.emplace_back(poly[1 + 2 * j], poly[2 + 2 * j]);
                    _polygon.SetPoints(points);
                    _has_polygon = true;
                }
            }
            std::vector<float> rect;
            ParseFloatList(rect, node.GetAttribute("tex_rect", "0"), " ,");
            if (rect.size() < 4) {
                GetLog().Error("Error: animation from file %s; frame %d has invalid tex_rect. Frame skipped.",
                               file.c_str(), i);
                continue;
            }
            AnimationFrame frame;
            frame.left = rect[0];
            frame.top = rect[1];
            frame.right = rect[2];
            frame.bottom = rect[3];
            frame.next_frame = static_cast<uint32_t>(
                node.GetIntAttribute("next_frame", static_cast<int>(_frames.size()) + 1));
            frame.delay = static_cast<uint32_t>(node.GetIntAttribute("delay", _default_delay));
            _frames.push_back(frame);
        }
        _frame_count = static_cast<uint32_t>(_frames.size());
        _polygon_enabled = _has_polygon;
        if (_frames.empty()) {
            GetLog().Warning("Loading animation '%s' failed: no valid frames.", file.c_str());
            return false;
        }
        if (root.GetBoolAttribute("reverse", false)) {
            std::vector<AnimationFrame> reversed(_frames.rbegin(), _frames.rend());
            for (size_t k = 0; k < reversed.size(); ++k) reversed[k].next_frame = static_cast<uint32_t>(k + 1);
            _frames = std::move(reversed);
        }
        const int start = root.GetIntAttribute("start_frame", -999);
        _start_frame = (start < 0 || start >= static_cast<int>(_frame_count)) ? 0u : static_cast<uint32_t>(start);
        _random_start = root.GetBoolAttribute("random_start", false) && _frame_count >= 2;
        ShowFrame(_random_start ? AnimationRandom() % _frame_count : _start_frame);
        if (_frame_count == 1) {
            _playing = false;
            _frame_count = 0;
            _frames.clear();
        } else {
            _playing = !root.GetBoolAttribute("stopped", false);
        }
        if (_frame_count != 0) {
            const int loops = root.GetIntAttribute("loops", 0);
            _loops_limit = loops > 0 ? static_cast<uint32_t>(loops) : 0u;
            if (_loops_limit == 0 && root.GetBoolAttribute("animate_once", false)) _loops_limit = 1;
        }
        return true;
    } catch (const std::exception& e) {
        // The XML layer has logged why; the sprite shows a still picture instead.
        GetLog().Warning("Loading animation '%s' failed: %s", file.c_str(), e.what());
        _frames.clear();
        _frame_count = 0;
        _playing = false;
        return false;
    }
}

void CAnimation::Setup(const GraphicsDesc& desc)
{
    if (!desc.animation.empty()) {
        *this = *CAniCacher::Instance().GetAnimation(desc.animation);
        Restart();
    } else {
        SetStill(desc.tex_rect[0], desc.tex_rect[1], desc.tex_rect[2], desc.tex_rect[3]);
    }
}

void CAnimation::Restart()
{
    if (_frame_count == 0 || _frames.empty()) return;
    _tick_counter = 0;
    uint32_t index = _random_start ? AnimationRandom() % _frame_count : _start_frame;
    if (index >= _frames.size()) index = 0;
    ShowFrame(index);
    _loops_done = 0;
}

bool CAnimation::Step()
{
    if (!_playing || _frame_count == 0 || _frames.empty()) return false;
    ++_tick_counter;
    // Worked out in double: a huge delay from a damaged file holds the frame instead of overflowing.
    if (_tick_counter < std::trunc(static_cast<double>(_current.delay) * _speed_factor)) return false;
    _tick_counter = 0;
    uint32_t next = _current.next_frame;
    if (next > _frame_count - 1) {
        if (_loops_limit != 0) {
            ++_loops_done;
            if (_loops_done >= _loops_limit) {
                _playing = false;
                next = _frame_count - 1;
            } else {
                next = 0;
            }
        } else {
            next = 0;
        }
    }
    ShowFrame(next);
    return true;
}

int CAnimation::GetTotalDelay() const
{
    int total = 0;
    for (const auto& f : _frames) total += static_cast<int>(f.delay);
    return total;
}

void CAnimation::FitPolygon(float left, float top, float right, float bottom)
{
    if (!_has_polygon) return;
    const float tw = _current.right - _current.left;
    const float th = _current.bottom - _current.top;
    if (tw == 0.0f || th == 0.0f) return;
    _polygon.Scale((right - left) / tw, (bottom - top) / th);
}

const CAnimation* CAniCacher::GetAnimation(const std::string& file)
{
    auto it = _animations.find(file);
    if (it != _animations.end()) return &it->second;
    auto& entry = _animations[file];
    entry.Load(file);
    return &entry;
}
