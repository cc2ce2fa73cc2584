// Panels of the game screen that the field talks to: the moves panel and the timer panel (the
// bonus panel is in game_bonuspanel.h).
#pragma once

struct GamePoint {
    float x = 0.0f;
    float y = 0.0f;
};

class CMoverPanel {
public:
    // The level's moves; the panel shows them.
    void ExplodeBody(int count) { _moves = count; }
    void SpendMove() { if (_moves > 0) --_moves; }
    int GetMoves() const { return _moves; }
    // The body's middle and the head image; (0, 0) while the panel has none.
    GamePoint GetBodyMiddlePos() const { return _has_body ? _body : GamePoint(); }
    GamePoint GetHeadPos() const { return _has_head ? _head : GamePoint(); }
    void SetBody(GamePoint middle) { _body = middle; _has_body = true; }
    void SetHead(GamePoint head) { _head = head; _has_head = true; }

private:
    int _moves = 0;
    GamePoint _body;
    GamePoint _head;
    bool _has_body = false;
    bool _has_head = false;
};

class CTimerPanel {
public:
    // The remaining time turns into bonus resource: the appear effect starts.
    void PlayBonusResourceAppearEffect() { ++_appear_effects; }
    int GetAppearEffectCount() const { return _appear_effects; }

private:
    int _appear_effects = 0;
};
