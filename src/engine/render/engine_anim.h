// Frame animations: an ordered list of texture rectangles inside one texture, each shown for a
// number of drawn frames, with a successor frame, loops and an optional hit polygon.
//
// Animation file (XML):
//   <Animation speed="3" reverse="0" start_frame="0" random_start="0" stopped="0" loops="0"
//              animate_once="0">
//     <Frame tex_rect="0 0 32 32" delay="3" next_frame="1" poly="4 -16 -16 16 -16 16 16 -16 16"/>
//     ...
//   </Animation>
// speed: default delay of a frame in drawn frames (3); reverse: play the frames backwards;
// start_frame: first frame shown (out of range: 0); random_start: start at a random frame;
// stopped: do not play after loading; loops: passes (0 endless); animate_once: one pass when
// loops is 0. Frame: tex_rect (left top right bottom, texture pixels; fewer than four numbers skip
// the frame), delay (drawn frames, default speed), next_frame (default the next one), poly (point
// count, then x y pairs, relative to the sprite's centre in texture pixels; the first valid one is
// the animation's hit polygon).
#pragma once

#include "engine/base/engine_helpers.h"
#include "engine/render/engine_polygon.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct GraphicsDesc;

struct AnimationFrame {
    float left = 0.0f;
    float top = 0.0f;
    float right = 0.0f;
    float bottom = 0.0f;
    uint32_t next_frame = 0;
    uint32_t delay = 0;
};

class CAnimation {
public:
    CAnimation();
    // A still picture of that texture rectangle.
    CAnimation(float left, float top, float right, float bottom);
    explicit CAnimation(const std::string& file);
    explicit CAnimation(const GraphicsDesc& desc);
    explicit CAnimation(const CAnimation* other);
    CAnimation(const CAnimation&) = default;
    CAnimation& operator=(const CAnimation&) = default;

    void Reset();
    void SetStill(float left, float top, float right, float bottom);
    // Loads the file directly (no cache). False (logged) when it holds no valid frame; a missing or
    // damaged file is logged by the XML layer and also gives false.
    bool Load(const std::string& file);
    // Copies the cached animation of the description's file and restarts it, or a still picture of
    // the description's texture rectangle.
    void Setup(const GraphicsDesc& desc);
    // Back to the first frame (or a random one), loops done 0. Only with frames.
    void Restart();
    // One drawn frame; true when the shown frame changed.
    bool Step();
    // Sum of the frames' delays (one pass in drawn frames).
    int GetTotalDelay() const;
    // Scales the polygon from the current frame's texture size to the rect's size.
    void FitPolygon(float left, float top, float right, float bottom);

    const AnimationFrame& GetCurrentFrame() const { return _current; }
    const std::vector<AnimationFrame>& GetFrames() const { return _frames; }
    uint32_t GetCurrentIndex() const { return _current_index; }
    uint32_t GetFrameCount() const { return _frame_count; }
    uint32_t GetLoopsDone() const { return _loops_done; }
    uint32_t GetLoopsLimit() const { return _loops_limit; }
    void SetLoopsLimit(uint32_t limit) { _loops_limit = limit; }
    bool IsPlaying() const { return _playing; }
    void SetPlaying(bool playing) { _playing = playing; }
    float GetSpeedFactor() const { return _speed_factor; }
    void SetSpeedFactor(float factor) { _speed_factor = factor; }
    int GetDefaultDelay() const { return _default_delay; }
    bool IsRandomStart() const { return _random_start; }
    uint32_t GetStartFrame() const { return _start_frame; }

    CPolygon& GetPolygon() { return _polygon; }
    const CPolygon& GetPolygon() const { return _polygon; }
    bool HasPolygon() const { return _has_polygon; }
    bool IsPolygonEnabled() const { return _polygon_enabled; }
    void EnablePolygon(bool enabled) { _polygon_enabled = enabled && _has_polygon; }

private:
    void ShowFrame(uint32_t index);

    std::vector<AnimationFrame> _frames;
    AnimationFrame _current;
    CPolygon _polygon;
    bool _playing = false;
    uint32_t _loops_limit = 0;
    bool _random_start = false;
    uint32_t _start_frame = 0;
    bool _polygon_enabled = false;
    bool _has_polygon = false;
    int32_t _tick_counter = 0;
    uint32_t _current_index = 0;
    uint32_t _loops_done = 0;
    uint32_t _frame_count = 0;
    int32_t _default_delay = 1;
    float _speed_factor = 1.0f;
};

// Animation files loaded once, handed out by pointer; a file that failed stays cached empty.
class CAniCacher : public siv::singleton<CAniCacher> {
    friend class siv::singleton<CAniCacher>;
public:
    const CAnimation* GetAnimation(const std::string& file);
    void Clear() { _animations.clear(); }

private:
    CAniCacher() = default;
    std::map<std::string, CAnimation> _animations;
};

// Random numbers of random animation starts (apart from the game's own sequence).
uint32_t AnimationRandom();
