// Result figures that count up on the screen: elements bound to the labels of a dialog (a text, a
// counter, a clock time), groups of them that start and finish together, and a small delay timer.
#pragma once

#include "engine/base/engine_paramvalue.h"
#include "gui/gui_winder.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CMenuLabel;

namespace ScoreWinder {

// Frames a counted figure takes from its start to its end, and the sound it makes while it moves.
inline constexpr int kSteps = 50;
inline constexpr const char* kCountSound = "int_label_counter";

// One figure of a dialog, written into its value label; a caption label shows and hides with it.
// The labels belong to the dialog: an element holds them weakly, so a dialog that drops its controls
// leaves the element writing nowhere. A value label whose text takes two parameters keeps its first
// (a leading text its dialog sets) and shows the figure in the second.
class CBaseElement {
public:
    virtual ~CBaseElement() = default;
    CBaseElement(const CBaseElement&) = delete;
    CBaseElement& operator=(const CBaseElement&) = delete;

    // Presents the element and shows or hides its labels.
    virtual void Show(bool visible);
    virtual void Start(bool flag) { _started = flag; }
    virtual void Reserved() {}
    // One frame of counting.
    virtual void Step() = 0;
    // The final figure is reached.
    virtual bool IsDone() const = 0;

    bool IsPresented() const { return _presented; }
    bool IsStarted() const { return _started; }

protected:
    CBaseElement(const std::shared_ptr<CMenuLabel>& caption, const std::shared_ptr<CMenuLabel>& value);
    void SetFigure(const CParamValue& figure);

private:
    bool _presented = false;
    bool _started = false;
    std::weak_ptr<CMenuLabel> _caption;
    std::weak_ptr<CMenuLabel> _value;
};

// A text shown as it is; done from the start.
class CStringElement : public CBaseElement {
public:
    CStringElement(const std::string& text, const std::shared_ptr<CMenuLabel>& caption,
                   const std::shared_ptr<CMenuLabel>& value);
    void Step() override {}
    bool IsDone() const override { return true; }
};

// A whole number counted from `from` to `to` in kSteps frames once shown and started.
class CCounterElement : public CBaseElement {
public:
    CCounterElement(int from, int to, const std::shared_ptr<CMenuLabel>& caption,
                    const std::shared_ptr<CMenuLabel>& value);
    void Step() override;
    bool IsDone() const override;
    int GetShown() const;

protected:
    virtual CParamValue Figure() const { return CParamValue(GetShown()); }
    // Writes the start figure and hides the labels: built presented, hidden and not started.
    void Init();

    CValueWinder _winder;
};

// Milliseconds counted like a counter and shown as clock text ("h:mm:ss" with hours, else "m:ss").
class CTimeElement : public CCounterElement {
public:
    CTimeElement(int from_ms, int to_ms, const std::shared_ptr<CMenuLabel>& caption,
                 const std::shared_ptr<CMenuLabel>& value);

protected:
    CParamValue Figure() const override;
};

using CElementPtr = std::shared_ptr<CBaseElement>;

// Elements that run together, in the order they were added.
class CGroup {
public:
    void Add(const CElementPtr& element);
    void Step();
    void Show(bool visible);
    // Every element shown, then started.
    void StartAll();
    // Every element is started (true for an empty group).
    bool IsStarted() const;
    // Every element is done (true for an empty group).
    bool IsDone() const;
    const std::vector<CElementPtr>& GetElements() const { return _elements; }

private:
    std::vector<CElementPtr> _elements;
};

using CGroupPtr = std::shared_ptr<CGroup>;

} // namespace ScoreWinder

// A wait measured on the engine clock, in frames its owner counts, or never over. A timer that was
// never started never elapses.
class CDelayTimer {
public:
    enum EMode { dmRealTime = 0, dmNever = 1, dmFrames = 2 };

    CDelayTimer() = default;
    // Starts a wait of `period` milliseconds (real time) or frames (any mode but 0 and 1).
    void Start(int32_t mode, uint32_t period);
    // One frame has passed (counted by the frame modes).
    void Tick();
    bool IsElapsed() const;

    int32_t GetMode() const { return _mode; }
    uint32_t GetCounter() const { return _counter; }
    uint32_t GetPeriod() const { return _period; }

private:
    int32_t _mode = dmNever;
    uint32_t _start = 0;
    uint32_t _counter = 0;
    uint32_t _period = 0;
};
