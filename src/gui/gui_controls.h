// Controls of the dialog toolkit: the base control, images and progress bars.
#pragma once

#include <string>

struct GuiPoint {
    float x = 0.0f;
    float y = 0.0f;
};

struct GuiRect {
    float x = 0.0f;
    float y = 0.0f;
    float w = 0.0f;
    float h = 0.0f;
};

class CBaseControl {
public:
    CBaseControl() = default;
    explicit CBaseControl(std::string id) : _id(std::move(id)) {}
    virtual ~CBaseControl() = default;
    CBaseControl(const CBaseControl&) = delete;
    CBaseControl& operator=(const CBaseControl&) = delete;

    const std::string& GetId() const { return _id; }
    // Shows or hides the control; true when that changed its visibility.
    virtual bool SetVisible(bool visible);
    bool IsVisible() const { return _visible; }

    void SetRect(const GuiRect& rect) { _rect = rect; }
    const GuiRect& GetRect() const { return _rect; }

protected:
    std::string _id;
    GuiRect _rect;
    bool _visible = true;
};

// An image with an optional frame animation (the danger blink of the time bar).
class CMenuImage : public CBaseControl {
public:
    using CBaseControl::CBaseControl;

    bool IsAnimationPlaying() const { return _animating; }
    void StartAnimation() { _animating = true; }
    void FinishAnimation() { _animating = false; }

private:
    bool _animating = false;
};

// A bar showing a position between a minimum and a maximum.
class CMenuProgressBar : public CBaseControl {
public:
    using CBaseControl::CBaseControl;

    enum { pbHorizontal = 0, pbVertical = 1 };

    void SetMinPos(int v) { _min_pos = v; }
    void SetMaxPos(int v) { _max_pos = v; }
    // Clamps the position into [min, max].
    void SetPos(int v);
    int GetPos() const { return _pos; }
    int GetMinPos() const { return _min_pos; }
    int GetMaxPos() const { return _max_pos; }
    void SetOrientation(int orientation) { _orientation = orientation; }

    // The point at the moving end of the bar: horizontal (x + filled width, y + h / 2),
    // vertical (x + w / 2, bottom - filled height).
    GuiPoint GetTipPosition() const;

private:
    int _min_pos = 0;
    int _max_pos = 100;
    int _pos = 0;
    int _orientation = pbHorizontal;
};
