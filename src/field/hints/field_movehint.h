// A chain of cells shown as a hint: a mark over each cell and, unless the hint shows marks only,
// an arrow over each step whose brightness runs along the chain. The hint fades in, stays a while
// and fades out by itself unless it is held.
#pragma once

#include "engine/base/engine_layout.h"
#include "engine/render/engine_render.h"

#include <cstdint>
#include <memory>
#include <vector>

class CXMLNode;

class CMoveHint {
public:
    enum EState { E_NO_INIT = 0, E_IDLE = 1, E_FADE_IN = 2, E_FADE_OUT = 3, E_SHOWN = 4 };

    // Updates of each phase.
    static constexpr uint32_t kFadeInUpdates = 32;
    static constexpr uint32_t kShownUpdates = 64;
    static constexpr uint32_t kFadeOutUpdates = 32;
    static constexpr uint32_t kFadeOutRequestUpdates = 8;
    // Alpha per update of a fade.
    static constexpr uint32_t kAlphaStep = 6;

    CMoveHint();

    // Marks and arrows from the two descriptions; nothing when either node is missing.
    void Load(const CXMLNode& arrow_node, const CXMLNode& mark_node);
    // Marks only; nothing when the node is missing.
    void LoadMarks(const CXMLNode& mark_node);

    // Shows the chain of cells (fewer than two: nothing). Checks "_state != E_NO_INIT".
    void Show(const std::vector<int>& cells);
    // Fades out quickly unless idle; releases a hold.
    void FadeOut();
    // Nothing shown, at once.
    void Hide() { if (_state != E_NO_INIT) _state = E_IDLE; }
    // While held, a shown hint does not fade out by itself.
    void SetHold(bool hold) { _hold = hold; }
    bool IsHeld() const { return _hold; }

    // Once per drawn frame: the phase moves on, the sprites take their alpha and are drawn.
    void Update();

    int GetState() const { return _state; }
    bool IsShown() const { return _state != E_NO_INIT && _state != E_IDLE; }
    uint32_t GetAlpha() const { return _alpha; }
    bool IsMarksOnly() const { return _marks_only; }
    const std::vector<int>& GetCells() const { return _cells; }
    float GetArrowSpan() const { return _arrow_span; }
    float GetProgress(size_t i) const { return i < _progress.size() ? _progress[i] : 0.0f; }
    const CSprite* GetMark(size_t i) const { return i < _marks.size() ? _marks[i].get() : nullptr; }
    const CSprite* GetArrow(size_t i) const { return i < _arrows.size() ? _arrows[i].get() : nullptr; }
    const GraphicsDesc& GetMarkDesc() const { return _mark_desc; }
    const GraphicsDesc& GetArrowDesc() const { return _arrow_desc; }

private:
    void ReadMark(const CXMLNode& mark_node);
    void StartCountdown(uint32_t n) { _countdown = n; }
    void Draw();

    GraphicsDesc _mark_desc;
    GraphicsDesc _arrow_desc;
    bool _marks_only = false;
    int _state = E_NO_INIT;
    bool _hold = false;
    uint32_t _countdown = 0;
    uint32_t _alpha = 0;
    float _arrow_span = 0.0f;
    std::vector<int> _cells;
    std::vector<float> _progress;
    std::vector<int> _direction;
    std::vector<std::shared_ptr<CSprite>> _marks;
    std::vector<std::shared_ptr<CSprite>> _arrows;
    std::shared_ptr<CRenderKeeper> _keeper;
};
