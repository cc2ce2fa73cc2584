// The panels that frame the playing field while a level runs: the top panel of an ordinary level
// (score, resources, lives, the menu and city buttons, the resource blink the city's shop uses),
// the top panel of a bonus level, the timer panel with the time bar, and the moves panel of a
// bonus level whose body of segments counts the moves left. Also the life icon of the top panels
// and the flashing text in the middle of the screen that tells of a lost life.
#pragma once

#include "engine/base/engine_layout.h"
#include "engine/text/engine_langtext.h"
#include "field/timebar/field_timer.h"
#include "gui/gui_dialog.h"

#include <memory>
#include <string>
#include <vector>

class CGameField;
class CGameIndicator;
class CMenuImage;
class CMenuLabel;
class CMenuProgressBar;
class CPyro2;
class CSprite;
class CXMLNode;

// The game indicators of a panel, read from the "Indicator" children of its node.
class CPanelIndicators {
public:
    // The list must be empty (a failed check is logged and thrown otherwise).
    void Load(const CXMLNode& panel_node);
    void Draw();
    void Clear() { _indicators.clear(); }
    size_t GetCount() const { return _indicators.size(); }
    const std::vector<std::shared_ptr<CGameIndicator>>& GetIndicators() const { return _indicators; }

private:
    std::vector<std::shared_ptr<CGameIndicator>> _indicators;
};

// The lives picture of the top panels: a plain, an add-life and a danger look, each placed on the
// screen by "Settings\Bases\Common.xml".
class CLifeIcon {
public:
    enum ELook { liNormal = 0, liAddLife = 1, liDanger = 2 };

    CLifeIcon();
    ~CLifeIcon();
    CLifeIcon(const CLifeIcon&) = delete;
    CLifeIcon& operator=(const CLifeIcon&) = delete;

    // Reads "//Common/Life/Normal", "//Common/Life/AddLife" and "//Common/Life/Danger" (each a
    // "graphics" child and "left", "top"); a missing node fails its check (logged and thrown).
    void Load(const std::string& common_file = "Settings\\Bases\\Common.xml");
    // The add-life look while a life is added, else the plain one, or the danger one in danger.
    void Draw();
    // Ends the adding once the add-life animation has stopped.
    void Update();
    // One pass of the add-life animation.
    void PlayAddLife();
    void SetDanger(bool danger) { _danger = danger; }
    bool IsDanger() const { return _danger; }
    bool IsAddingLife() const { return _adding; }
    // The look Draw shows now.
    ELook GetLook() const;
    CSprite* GetSprite(ELook look) const;

private:
    std::shared_ptr<CSprite> _normal;
    std::shared_ptr<CSprite> _add_life;
    std::shared_ptr<CSprite> _danger_sprite;
    bool _danger = false;
    bool _adding = false;
};

// The top panel of an ordinary level. Its "ID_MENU" button asks for the pause (result 4) and its
// "ID_RELAX" button for a look at the city (result 5).
class CGameTopPanel : public CSlideableBaseDialog {
public:
    enum EResult { trMenu = 4, trRelax = 5 };

    CGameTopPanel();
    ~CGameTopPanel() override;

    bool Load(const CXMLNode& node) override;
    // The controls and the indicators go; the panel can be loaded again.
    void ClearControls() override;
    void OnClick(CBaseControl* control) override;
    void OnDraw() override;
    void OnDrawEnd() override;

    // The field whose activity holds the buttons back (none: nothing holds them back).
    void SetField(CGameField* field) { _field = field; }
    // Danger shows only while the game scene plays; in any other state it is off.
    void SetDanger(bool on);
    void PlayAddLife() { _life.PlayAddLife(); }

    // The city's shop points out resources that are short: each flagged resource's indicator
    // state changes three times, twenty frames apart, and stays in state 1 until StopBlink.
    void StartBlink(bool money, bool staff, bool food);
    void StopBlink();
    // The blink state (0 or 1) of resource type 1 money, 2 staff, 3 food; 0 for any other type.
    int GetBlinkState(int resource_type) const;
    // One frame of the blink (run after the slide step of every drawn frame).
    void UpdateBlink();

    CLifeIcon& GetLifeIcon() { return _life; }
    const CPanelIndicators& GetIndicators() const { return _indicators; }

private:
    bool FieldAllowsClick() const;

    CGameField* _field = nullptr;
    CPanelIndicators _indicators;
    CLifeIcon _life;
    bool _blink_active = false;
    int _blink_delay = 0;
    bool _blink_money = false;
    bool _blink_staff = false;
    bool _blink_food = false;
    int _blink_toggles = 0;
    int _money_state = 0;
    int _staff_state = 0;
    int _food_state = 0;
};

// The top panel of a bonus level: as the ordinary one, without the blink, and its buttons do not
// wait for the field.
class CGameBonusTopPanel : public CSlideableBaseDialog {
public:
    CGameBonusTopPanel();
    ~CGameBonusTopPanel() override;

    bool Load(const CXMLNode& node) override;
    // The controls and the indicators go; the panel can be loaded again.
    void ClearControls() override;
    void OnClick(CBaseControl* control) override;
    void OnDraw() override;

    void SetDanger(bool on);
    void PlayAddLife() { _life.PlayAddLife(); }

    CLifeIcon& GetLifeIcon() { return _life; }
    const CPanelIndicators& GetIndicators() const { return _indicators; }

private:
    CPanelIndicators _indicators;
    CLifeIcon _life;
};

// The time bar's progress bar as the level's timer sees it.
class CProgressBarView : public ITimeBarView {
public:
    void Bind(std::shared_ptr<CMenuProgressBar> bar) { _bar = std::move(bar); }
    void SetMinPos(int v) override;
    void SetMaxPos(int v) override;
    void SetPos(int v) override;
    void GetTipPosition(float& x, float& y) const override;

private:
    std::shared_ptr<CMenuProgressBar> _bar;
};

// Any control shown or hidden by the timer's warning.
class CControlWarningView : public IWarningView {
public:
    void Bind(CBaseControlPtr control) { _control = std::move(control); }
    void SetVisible(bool visible) override;
    bool IsVisible() const override;

private:
    CBaseControlPtr _control;
};

// The danger image, blinking by its animation.
class CImageWarningView : public IWarningImage {
public:
    void Bind(std::shared_ptr<CMenuImage> image) { _image = std::move(image); }
    void SetVisible(bool visible) override;
    bool IsVisible() const override;
    void StartAnimation() override;
    void FinishAnimation() override;
    bool IsAnimationPlaying() const override;

private:
    std::shared_ptr<CMenuImage> _image;
};

// The timer panel of an ordinary level: the time bar "ID_TIMER_BAR", the danger controls, and a
// particle effect with a sound when a bonus resource appears.
class CTimerPanel : public CSlideableBaseDialog {
public:
    CTimerPanel();
    ~CTimerPanel() override;

    // Also "BonusResourceAppearEffect": a "pyro" child ("alias", "pos_x", "pos_y") and a "sound"
    // child ("alias").
    bool Load(const CXMLNode& node) override;
    // The controls and the indicators go; the panel can be loaded again.
    void ClearControls() override;
    // The slide, then the danger image's animation back to its start and stopped.
    void OnShow(bool immediate) override;
    void OnDraw() override;

    // A new effect replaces the last one; without an emitter name there is none. The sound is
    // queued when there is one.
    void PlayBonusResourceAppearEffect();

    // The views the level's timer binds. The bar is required: a missing "ID_TIMER_BAR" or one that
    // is not a progress bar is logged and thrown. The danger views are null without their control
    // (or, for "ID_DANGER", without an image of that id).
    ITimeBarView* GetTimeBar();
    IWarningView* GetDangerOff();
    IWarningImage* GetDanger();

    const std::string& GetAppearEmitter() const { return _appear_emitter; }
    const std::string& GetAppearSound() const { return _appear_sound; }
    // The effect's particles (null when none was started or the last one had no emitter).
    CPyro2* GetAppearEffect() const { return _appear_effect.get(); }
    const CPanelIndicators& GetIndicators() const { return _indicators; }

private:
    CPanelIndicators _indicators;
    std::string _appear_emitter;
    float _appear_x = 0.0f;
    float _appear_y = 0.0f;
    std::string _appear_sound;
    std::shared_ptr<CPyro2> _appear_effect;
    CProgressBarView _bar_view;
    CControlWarningView _danger_off_view;
    CImageWarningView _danger_view;
};

// The moves panel of a bonus level: a body of one segment per move left stacked upwards from the
// basis image, the head image and the moves label on top. A spent move blows the lowest segment
// up and the rest falls down by one step; moves spent while one explodes wait their turn.
class CMoverPanel : public CSlideableBaseDialog, public IMoverPanel {
public:
    CMoverPanel();
    ~CMoverPanel() override;

    // Also "Body", "BodyExpl" (with "sound"), "BodyExplFast" (each a "graphics" child),
    // "Parameters" ("body_step") and the controls "ID_IMAGE_BASIS", "ID_IMAGE_HEAD" and
    // "ID_MOVES_LEFT" (the last two optional).
    bool Load(const CXMLNode& node) override;
    // The controls and the indicators go; the panel can be loaded again.
    void ClearControls() override;
    void OnDraw() override;
    void OnProcessed() override;

    // Builds the body for that many moves (a negative count as none) and stops every explosion.
    void SetMoves(int moves);
    // IMoverPanel: the field's name for SetMoves.
    void ExplodeBody(int moves) override { SetMoves(moves); }
    // One move fewer: the lowest segment explodes now, or after the running explosions.
    void SpendMove() override;
    // The top left of the middle segment; (0, 0) without a body.
    void GetBodyMiddlePos(float& x, float& y) const override;
    // An explosion runs or waits.
    bool IsAnimating() const override { return _exploding || _queued > 0; }
    // The top left of the head image; (0, 0) without one.
    void GetHeadPos(float& x, float& y) const;
    // The remaining segments explode quickly (the level ended with moves left).
    void SetFast(bool fast) { _fast = fast; }
    bool IsFast() const { return _fast; }
    int GetMovesLeft() const { return _moves_left; }

    int GetQueuedExplosions() const { return _queued; }
    bool IsExploding() const { return _exploding; }
    float GetFallSpeed() const { return _fall_speed; }
    float GetStep() const { return _step; }
    const std::vector<std::shared_ptr<CSprite>>& GetBody() const { return _body; }
    // The explosion sprite in use (null when none); the normal and the fast one.
    CSprite* GetExplosion() const { return _explosion.get(); }
    CSprite* GetNormalExplosion() const { return _expl.get(); }
    CSprite* GetFastExplosion() const { return _expl_fast.get(); }
    const CPanelIndicators& GetIndicators() const { return _indicators; }

private:
    void ExplodeNextSegment();

    CPanelIndicators _indicators;
    GraphicsDesc _body_desc;
    GraphicsDesc _expl_desc;
    GraphicsDesc _expl_fast_desc;
    std::string _body_sound;
    // The segments share one batch; the keeper outlives them.
    CRenderKeeper _body_render;
    std::vector<std::shared_ptr<CSprite>> _body;
    std::shared_ptr<CSprite> _expl;
    std::shared_ptr<CSprite> _expl_fast;
    std::shared_ptr<CSprite> _explosion;
    std::shared_ptr<CMenuImage> _head;
    std::shared_ptr<CMenuLabel> _label;
    float _basis_x = 0.0f;
    float _basis_y = 0.0f;
    float _head_y = 0.0f;
    float _label_y = 0.0f;
    float _step = 0.0f;
    int _moves_left = 0;
    int _queued = 0;
    bool _exploding = false;
    bool _fast = false;
    float _fall_left = 0.0f;
    float _fall_speed = 0.0f;
};

// The text that flashes in the middle of the screen when a life is lost: it grows from a sliver to
// its label's height, holds, and fades out.
class CFlashingMessage : public CStaticLabel {
public:
    CFlashingMessage();

    // Frames at full strength before the fade (80 when built).
    void SetHold(int frames);
    // Takes the label of that alias, centred on the screen, and keeps its look.
    void SetMessage(const std::string& alias);
    void Start();
    // Draws one frame and steps on; false (and nothing drawn) once it has ended.
    bool Update();
    bool IsActive() const { return _active; }

    int GetHold() const { return _hold; }
    int GetTargetHeight() const { return _target_height; }
    const std::vector<int>& GetAlphas() const { return _alphas; }

private:
    TextStyle _style;
    uint32_t _color = 0xFFFFFFFF;
    int _target_height = 0;
    bool _active = false;
    int _hold = 80;
    std::vector<int> _alphas;
    size_t _index = 0;
};
