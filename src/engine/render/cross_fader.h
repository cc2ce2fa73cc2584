// The full-screen fade used by the scenes' cross-states: one screen-sized square whose alpha steps
// toward a target once per drawn frame. Fading out darkens the screen (alpha rises), fading in
// clears it (alpha falls).
#pragma once

#include "engine/render/engine_render.h"

#include <memory>

class CCrossFader {
public:
    enum EState { fsIdle = 0, fsRising = 1, fsFalling = 2 };

    // The texture of the square.
    static constexpr const char* kSquareTexture = "Textures\\Common\\Square.tga";

    CCrossFader() = default;

    // Creates the square (screen-sized, nearly black, hidden); `step` is the alpha change per frame.
    void Init(int step);
    // Alpha rises from `from` toward `to`; the square is shown.
    void StartFadeOut(int from, int to);
    // Alpha falls from `from` toward `to`; the square is shown.
    void StartFadeIn(int from, int to);
    // The same from the square's current alpha (255 when there is no square).
    void FadeOutTo(int to);
    void FadeInTo(int to);
    // Draws the square while it is visible, then steps the alpha.
    void Draw();
    void Update();

    // A fade is running.
    bool IsRunning() const { return _state != fsIdle; }
    int GetState() const { return _state; }
    bool IsVisible() const { return _visible; }
    int GetStep() const { return _step; }
    void SetStep(int step) { _step = step; }
    // The square (null before Init): its alpha is the fade's current value.
    const std::shared_ptr<CSprite>& GetSprite() const { return _shader; }

private:
    int CurrentAlpha() const;

    std::shared_ptr<CSprite> _shader;
    int _step = 4;
    int _lower = 0;
    int _upper = 255;
    int _state = fsIdle;
    bool _visible = false;
};
