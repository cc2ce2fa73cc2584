// A picture of the field (ball, lock, box, wall, tile): a stack of sprites built from one state of
// its graph type, moved, sized, turned and faded as one, with at most one timed effect. Effects
// count updates; a process-wide count of running effects tells the field when every animation of
// it has ended.
#pragma once

#include "field/graph/field_graphbase.h"

#include "engine/render/engine_render.h"

#include <cstdint>
#include <memory>
#include <vector>

class CGraphObj;

// The number of effects running on graph objects.
class CEffectCounter {
public:
    static void Increment();
    // Checks "_effect_counter": lowering a count of 0 is logged and thrown.
    static void Decrement();
    static bool HasRunning();
    static int GetCount();
};

class IBaseEffect {
public:
    virtual ~IBaseEffect() = default;
    // Attaches the effect and computes its steps from the object's current values (null: no steps).
    virtual void SetObject(CGraphObj* object) = 0;
    // A new effect of the same class and fields, attached to another object.
    virtual std::unique_ptr<IBaseEffect> Clone(CGraphObj* object) const = 0;
    // Stops the counter and puts the object at the effect's end values.
    virtual void Finish() = 0;
    // One update; true while the effect runs, false once it has reached its end.
    virtual bool Step() = 0;

    uint32_t GetRemaining() const { return _remaining; }
    bool IsRunning() const { return _running; }
    void SetPaused(bool paused) { _paused = paused; }

protected:
    void StartCounter(uint32_t n) { _remaining = n; _running = true; _paused = false; }
    void TickCounter() { if (_running && !_paused && _remaining > 0) --_remaining; }
    bool CounterEnded() const { return _running && _remaining == 0; }
    void StopCounter() { _remaining = 0; }
    // The object, or the logged and thrown check "_obj != NULL".
    CGraphObj& Object() const;

    uint32_t _remaining = 0;
    bool _running = false;
    bool _paused = false;
    CGraphObj* _obj = nullptr;
};

// Fades every layer to a target alpha.
class CAlphaEffect : public IBaseEffect {
public:
    CAlphaEffect(CGraphObj* object, uint32_t target_alpha, uint32_t interval);
    void SetObject(CGraphObj* object) override;
    std::unique_ptr<IBaseEffect> Clone(CGraphObj* object) const override;
    void Finish() override;
    bool Step() override;

private:
    float _target = 0.0f;
    float _current = 0.0f;
    float _step = 0.0f;
};

// Sizes the object to a target width and height about its centre.
class CScaleEffect : public IBaseEffect {
public:
    CScaleEffect(CGraphObj* object, float target_width, float target_height, uint32_t interval);
    void SetObject(CGraphObj* object) override;
    std::unique_ptr<IBaseEffect> Clone(CGraphObj* object) const override;
    void Finish() override;
    bool Step() override;

private:
    float _target_w = 0.0f, _target_h = 0.0f;
    float _step_w = 0.0f, _step_h = 0.0f;
};

// Grows the object past its final size by a percentage, shrinks it back and fades it in, ending
// at the final size and position.
class CAppearEffect : public IBaseEffect {
public:
    CAppearEffect(CGraphObj* object, uint32_t target_alpha, float target_width, float target_height,
                  float final_width, float final_height, float final_x, float final_y, float overshoot_percent,
                  uint32_t interval);
    void SetObject(CGraphObj* object) override;
    std::unique_ptr<IBaseEffect> Clone(CGraphObj* object) const override;
    void Finish() override;
    bool Step() override;

private:
    float _target_alpha = 0.0f, _current_alpha = 0.0f, _alpha_step = 0.0f;
    float _start_w = 0.0f, _start_h = 0.0f;
    float _target_w = 0.0f, _target_h = 0.0f;
    float _final_w = 0.0f, _final_h = 0.0f;
    float _final_x = 0.0f, _final_y = 0.0f;
    float _over_w = 0.0f, _over_h = 0.0f;
    float _percent = 0.0f;
    float _speed_w = 0.0f, _speed_h = 0.0f;
};

class CGraphObj {
public:
    // Builds the sprites of the state at that size; the sprites are drawn by the keeper's
    // renderers. Checks "action != NULL" and "_render_manager != NULL".
    CGraphObj(const GraphObjState* state, float width, float height, const std::shared_ptr<CRenderKeeper>& keeper);
    ~CGraphObj();
    CGraphObj(const CGraphObj&) = delete;
    CGraphObj& operator=(const CGraphObj&) = delete;

    // Rebuilds the sprites from the state at that size (at the origin).
    void SetState(const GraphObjState* state, float width, float height);
    // Rebuilds the sprites from the state, keeping position, size and angle.
    void ChangeState(const GraphObjState* state);
    const GraphObjState* GetState() const { return _state; }

    void Move(float dx, float dy);
    void SetPos(float x, float y);
    void SetAngle(float degrees);
    void SetSize(float width, float height);
    void Resize(float dwidth, float dheight);
    // Layer -1: every layer; a layer past the last: nothing. The alpha is rounded to nearest even.
    void SetAlpha(float alpha, int layer = -1);
    // Shows or hides every layer; kept across state changes.
    void SetVisible(bool visible);
    bool IsVisible() const { return _visible; }

    // Queries of a layer (0 by default); a layer that does not exist answers 0 or false.
    bool GetPos(float& x, float& y, int layer = 0) const;
    float GetX(int layer = 0) const;
    float GetY(int layer = 0) const;
    float GetWidth(int layer = 0) const;
    float GetHeight(int layer = 0) const;
    float GetAngle(int layer = 0) const;
    uint32_t GetAlpha(int layer = 0) const;
    size_t GetLayerCount() const { return _layers.size(); }
    const CSprite* GetLayer(size_t layer) const { return layer < _layers.size() ? _layers[layer].get() : nullptr; }

    // Queues the state's sound at that index (the last one past the end); nothing without sounds.
    void PlaySound(size_t index = 0) const;

    // Finishes a running effect, then runs this one (checks "effect.get() != NULL").
    void SetEffect(std::unique_ptr<IBaseEffect> effect);
    // One step of the running effect; it is dropped once it ends.
    void StepEffect();
    // Finishes and drops the running effect.
    void StopEffect();
    bool HasEffect() const { return _effect != nullptr; }

private:
    void ReleaseSprites();
    const CSprite* Layer(int layer) const;

    std::vector<std::unique_ptr<CSprite>> _layers;
    std::unique_ptr<IBaseEffect> _effect;
    const GraphObjState* _state = nullptr;
    bool _visible = true;
    std::shared_ptr<CRenderKeeper> _render_manager;
};

using CGraphObjPtr = std::shared_ptr<CGraphObj>;
