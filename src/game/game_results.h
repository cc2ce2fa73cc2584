// The dialogs at the end of a level: the statistics of a won level counted up line by line, the end
// of a bonus level, the promotion to a new title with its choice of prize, and the bonus resources
// drawn on three spinning reels.
#pragma once

#include "engine/base/engine_layout.h"
#include "field/field_levelrecord.h"
#include "gui/gui_dialog.h"
#include "gui/gui_indicators.h"
#include "gui/gui_scorewinder.h"

#include <array>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

class CXMLNode;

// "ID_OK" of the statistics, bonus-level-complete and bonus-resources dialogs.
enum { rdOk = 1 };
// The promotion's results: no prize to choose, a bonus level, or the bonus resources.
enum EPromotionResult { promOk = 1, promBonusLevel = 4, promResources = 5 };

// The game scene's side of the bonus resources' reels.
class IBonusResourceDraw {
public:
    virtual ~IBonusResourceDraw() = default;
    // Draws a new resource type (1 money, 2 staff, 3 food) for the slot (0..2) and returns it.
    virtual int RerollBonusResource(int slot) = 0;
    // Sets the three multipliers from the slots' current types and returns them.
    virtual std::array<int, 3> CountBonusResourceMatches() = 0;
};

// A sliding dialog with the game-value indicators of its layout ("Indicator" children), drawn with it.
class CResultDialogBase : public CSlideableBaseDialog {
public:
    CResultDialogBase();
    ~CResultDialogBase() override;

    bool Load(const CXMLNode& node) override;
    // The controls and the indicators go; the dialog can be loaded again.
    void ClearControls() override;
    void OnDraw() override;

    const std::vector<std::shared_ptr<CGameIndicator>>& GetIndicators() const { return _indicators; }

protected:
    // The layout's name for log lines.
    virtual const char* GetName() const = 0;
    // Logs each id the layout lacks or holds as another kind of control; true when all are there.
    template <class T>
    bool CheckControls(std::initializer_list<const char*> ids) const;
    // The label of that id, or null (a missing or mistyped one was reported at load).
    std::shared_ptr<CMenuLabel> Label(const std::string& id) const;

private:
    std::vector<std::shared_ptr<CGameIndicator>> _indicators;
};

// Groups of counted figures that start one after another: each group starts once the one before
// it is started and done; a mouse button or a key pressed starts them all.
class CWinderGroups {
public:
    void Clear() { _groups.clear(); }
    ScoreWinder::CGroup& Add();
    void Step();
    void StartAll();
    // Starts the next group after each finished one; with skip, every group at once.
    void Chain(bool skip);
    const std::vector<ScoreWinder::CGroupPtr>& Get() const { return _groups; }

private:
    std::vector<ScoreWinder::CGroupPtr> _groups;
};

// The statistics of a won level: the player's time, the best time with its holder, the money, staff
// and food the level brought and its bonus resource. "ID_OK" leaves result 1; the scene hides it.
class CStatisticsDialog : public CResultDialogBase {
public:
    bool Load(const CXMLNode& node) override;
    void ClearControls() override;
    void OnDraw() override;
    void OnDrawEnd() override;
    void OnClick(CBaseControl* control) override;

    // Takes the level's record and builds the six lines; the first starts counting at once.
    void Fill(const LevelRecord& record);

    const LevelRecord& GetRecord() const { return _record; }
    const CWinderGroups& GetGroups() const { return _groups; }

private:
    const char* GetName() const override { return "LevelCompleteDialog"; }

    LevelRecord _record;
    CWinderGroups _groups;
};

// A dialog whose indicators show the figures and whose "ID_OK" hides it with result 1.
class COkResultDialog : public CResultDialogBase {
public:
    bool Load(const CXMLNode& node) override;
    void OnClick(CBaseControl* control) override;
    // The figures come from the indicators; the record adds nothing.
    void Fill(const LevelRecord& record);

protected:
    explicit COkResultDialog(const char* name) : _name(name) {}

private:
    const char* GetName() const override { return _name; }
    const char* _name;
};

// The end of a bonus level.
class CBonusLevelCompleteDialog : public COkResultDialog {
public:
    CBonusLevelCompleteDialog() : COkResultDialog("BonusLevelCompleteDialog") {}
};

// The end of the game when the lives are spent.
class CGameOverDialog : public COkResultDialog {
public:
    CGameOverDialog() : COkResultDialog("GameOverDialog") {}
};

// A new title: the page of "ID_PROMOTIONS" for the player's title, and the prizes still worth
// offering: a bonus level while some bonus credit can be upgraded, resources while the city is
// not complete.
class CPromotionDialog : public CResultDialogBase {
public:
    bool Load(const CXMLNode& node) override;
    void OnShow(bool immediate) override;
    void OnClick(CBaseControl* control) override;

private:
    const char* GetName() const override { return "PromotionDialog"; }
};

// The bonus resources: three reels spin until "ID_GET" stops them; the slots' amounts then count
// up with their multipliers written before them. With fewer than two resource types to draw from
// (or nothing to win) there is no draw and "ID_OK" is offered at once.
class CBonusResourcesDialog : public CResultDialogBase {
public:
    static constexpr int kReels = 3;
    // Pixels per frame a spinning reel moves, and the most a stopping reel moves.
    static constexpr float kReelSpeed[kReels] = {3.0f, 4.0f, 5.0f};
    static constexpr float kSettleSpeed = 2.0f;

    bool Load(const CXMLNode& node) override;
    void ClearControls() override;
    void OnShow(bool immediate) override;
    void OnProcessed() override;
    void OnDraw() override;
    void OnDrawEnd() override;
    void OnClick(CBaseControl* control) override;

    // The scene that draws the types and counts the matches; null: the reels keep their pictures
    // and the offer's own multipliers count.
    void SetDraw(IBonusResourceDraw* draw) { _draw = draw; }
    // Takes the offer of the level's record: each reel's first picture and each slot's amount.
    void Fill(const LevelRecord& record);

    bool IsSpinning() const { return _spinning; }
    float GetReelTop() const { return _reel_top; }
    // The resource type an image of a reel shows (0: the layout's own picture).
    int GetPicture(int reel, int image) const { return _pictures[reel][image]; }
    const std::shared_ptr<CMenuImage>& GetReelImage(int reel, int image) const { return _images[reel][image]; }
    const CWinderGroups& GetGroups() const { return _groups; }
    const std::string& GetMultiplierChar() const { return _multiplier_char; }

private:
    const char* GetName() const override { return "GetResourcesDialog"; }
    void SetPicture(int reel, int image, int type);
    void Spin();
    void Settle();
    // Writes each slot's multiplier text and a count of 0, starts the counting and offers "ID_OK".
    void Reveal(const std::array<int, 3>& multipliers);
    void ShowQuestions(bool visible);

    IBonusResourceDraw* _draw = nullptr;
    CWinderGroups _groups;
    std::string _spin_sound;
    std::string _draw_sound;
    std::string _multiplier_char = "x";
    GraphicsDesc _type_pictures[kReels];
    bool _has_type_picture[kReels] = {};
    std::shared_ptr<CMenuImage> _images[kReels][2];
    int _pictures[kReels][2] = {};
    float _reel_top = 0.0f;
    bool _spinning = false;
    std::array<int, 3> _amounts = {0, 0, 0};
    std::array<int, 3> _multipliers = {1, 1, 1};
};
