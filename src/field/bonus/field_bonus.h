// The bonuses: one-shot powers the player spends on the field. Each use creates a fresh bonus object
// of its kind, configures it for the grade (1 to 4) of the player's credit from "Settings\bonuses.xml",
// lets it run frame by frame until its effect is over, and drops it. A bonus asks and changes the
// field only through IBonusDataSource.
//
// The kinds that act in waves share one frame-by-frame machine (CWaveBonusImpl): phase 0 prepares
// the records (the cells to act on), phase 1 opens the next wave, phase 2 runs it, phase 3 finishes.
// A bonus of grade g runs at most g waves; the grade rows of the file hold cumulative amounts, so
// that wave w releases the records up to the amount of row w.
#pragma once

#include "field/bonus/field_bonussource.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class CXMLNode;

// The kind number of a bonus, its identity everywhere in the field.
enum EBonusKind {
    bkNone = 0,
    bkDynamite = 1,
    bkMagicWand = 2,
    bkLightning = 3,
    bkClover = 4,
    bkSandClock = 5,
    bkBurner = 6,
    bkBag = 7,
    bkMixer = 8,
};

// What every kind reads for a grade: the mouse cursor shown while the bonus is armed.
struct BonusGradeDesc {
    std::string cursor = "default";
};

// A countdown of frames. A step takes one frame off while it runs, is not paused and frames are
// left; it has expired when it runs and no frame is left.
struct BonusDelay {
    uint32_t frames_left = 0;
    bool running = false;
    bool paused = false;

    void Start(uint32_t frames)
    {
        frames_left = frames;
        running = true;
        paused = false;
    }
    void Step()
    {
        if (running && !paused && frames_left > 0) --frames_left;
    }
    bool IsExpired() const { return running && frames_left == 0; }
};

class IBaseBonus {
public:
    virtual ~IBaseBonus() = default;
    // Configures the bonus for a grade; false when it has no field or no configuration.
    virtual bool SetGrade(int grade) = 0;
    virtual void SetDataSource(IBonusDataSource* source) = 0;
    // The record of the current grade.
    virtual const BonusGradeDesc& GetGradeDesc() const = 0;
    // Whether the bonus may be applied at a cell; -1 means anywhere.
    virtual bool CanApply(int grade, int cell) = 0;
    // Starts the bonus; false when it cannot start.
    virtual bool Apply(int grade, int cell) = 0;
    virtual bool IsActive() const = 0;
    // One frame of the bonus's work.
    virtual void Update() = 0;
    virtual void Draw() = 0;
    // The cells the bonus would act on if applied at the cell (the preview of an armed bonus).
    virtual void GetAffectedCells(int cell, std::vector<int>& cells) = 0;
};

using BonusPtr = std::shared_ptr<IBaseBonus>;

class CBaseBonusImpl : public IBaseBonus {
public:
    // The name is the kind's element in "bonuses.xml".
    explicit CBaseBonusImpl(std::string config_name);

    bool SetGrade(int grade) override;
    void SetDataSource(IBonusDataSource* source) override { _source = source; }
    // A grade without a record gives the default record (the "default" cursor).
    const BonusGradeDesc& GetGradeDesc() const override;
    // False without a field; true for -1 (anywhere); else whether the cell is a field cell.
    bool CanApply(int grade, int cell) override;
    // Checks the cell, reads the configuration, plays the sample and starts the bonus.
    bool Apply(int grade, int cell) override;
    bool IsActive() const override { return _active; }
    void Update() override {}
    void Draw() override {}
    void GetAffectedCells(int cell, std::vector<int>& cells) override { (void)cell, (void)cells; }

    // Reads the kind's element: the sample and the cursor of each grade 1 to 4. Each kind reads its
    // own part after this. False (logged) for a missing element: the bonus is then not used.
    virtual bool Load(const CXMLNode& node);
    // Reads the kind's element of "Settings\bonuses.xml" once per object; false (logged) when the
    // file cannot be read or has no element for the kind.
    bool LoadBonusConfig();

    const std::string& GetConfigName() const { return _config_name; }
    int GetGrade() const { return _grade; }
    const std::string& GetSample() const { return _sample; }
    bool IsConfigLoaded() const { return _config_loaded; }
    IBonusDataSource* GetDataSource() const { return _source; }

    // Attribute readers that refuse values which would make a bonus run for ever or count
    // backwards: the refused value is logged with the element and attribute names and the default
    // is used instead.
    static int ReadCount(const CXMLNode& node, const std::string& bonus, const std::string& name, int def);
    static int ReadPositiveInt(const CXMLNode& node, const std::string& bonus, const std::string& name, int def);
    static float ReadPositiveFloat(const CXMLNode& node, const std::string& bonus, const std::string& name,
                                   float def);

protected:
    // Plays the bonus's sample through the sound keeper (nothing for an empty alias).
    void PlaySample() const;

    std::string _config_name;
    IBonusDataSource* _source = nullptr;
    int _grade = 0;
    bool _active = false;
    bool _config_loaded = false;
    std::string _sample;
    std::map<int, BonusGradeDesc> _grades;
};

// The phase machine of the kinds that act in waves. Prepare chooses the cells and builds the
// records; NextWave opens the next wave; Step runs it (true while the wave goes on); Finish
// releases what the kind holds and ends the bonus. A single-wave kind goes from phase 0 straight
// to phase 2, and from phase 1 to phase 3.
class CWaveBonusImpl : public CBaseBonusImpl {
public:
    enum EPhase { phStart = 0, phAct = 1, phWait = 2, phFinish = 3 };

    CWaveBonusImpl(std::string config_name, bool single_wave);

    // The base Apply; on success the cell becomes the target and the phase 0.
    bool Apply(int grade, int cell) override;
    // One step of the phase machine (nothing while the bonus is not active).
    void Update() override;

    int GetPhase() const { return _phase; }
    int GetTargetCell() const { return _cell_index; }
    int GetWave() const { return _wave; }
    int GetReleased() const { return _released; }
    const BonusDelay& GetWaveDelay() const { return _wave_delay; }

protected:
    virtual bool Prepare() = 0;
    // The waves: the wave counter goes up; past the grade, or with every record released, false.
    // Else the records up to the wave's release bound are released in the order Prepare stored
    // them, the sample plays again from the second wave on, and the wave delay starts.
    virtual bool NextWave();
    virtual bool Step() = 0;
    // Ends the bonus: the default clears the active flag.
    virtual void Finish() { _active = false; }

    // The hooks of the default NextWave.
    virtual int GetRecordCount() const { return 0; }
    // The release bound of a wave: by default every record.
    virtual int GetReleaseBound(int wave) const { (void)wave; return GetRecordCount(); }
    virtual void ReleaseRecord(int index) { (void)index; }
    // Frames of the wave delay of a wave (none: 0, which expires at once).
    virtual uint32_t GetWaveDelayFrames(int wave) const { (void)wave; return 0; }

    // Clears the wave counter and the released count (Prepare calls it).
    void ResetWaves()
    {
        _wave = 0;
        _released = 0;
    }

    bool _single_wave = false;
    int _cell_index = -1;
    int _phase = phStart;
    int _wave = 0;
    int _released = 0;
    BonusDelay _wave_delay;
};

// A new bonus of the kind; an unknown kind logs "Warning: Invalid bonus type %d requested!" and
// gives null.
BonusPtr CreateBonus(int kind);

// The field's holder of bonuses: the armed one (its cursor and its preview of affected cells) and
// the running ones, updated once per frame and dropped when they end.
class CBonusController {
public:
    void SetDataSource(IBonusDataSource* source) { _source = source; }
    IBonusDataSource* GetDataSource() const { return _source; }

    // Arms a bonus of the kind for the grade; false (nothing armed) for an unknown kind or a kind
    // without configuration.
    bool Select(int kind, int grade);
    // Drops the armed bonus.
    void Disarm() { _armed.reset(); }
    // Drops the armed and the running bonuses.
    void Reset();
    // Whether a bonus of the kind may be applied at the cell (-1: anywhere).
    bool CanApply(int kind, int grade, int cell);
    // Starts a new bonus of the kind at the cell; it then runs until it ends.
    bool Apply(int kind, int grade, int cell);
    // The armed bonus's cursor for its grade; "default" when none is armed.
    std::string GetCursorName() const;
    // The armed bonus's preview at the cell; without one the list is left as it is.
    void GetAffectedCells(int cell, std::vector<int>& cells) const;
    void DrawBonuses();
    // One frame: every running bonus in list order, then the ended ones are dropped.
    void UpdateBonuses();

    bool IsArmed() const { return _armed != nullptr; }
    const BonusPtr& GetArmed() const { return _armed; }
    bool HasRunningBonuses() const { return !_running.empty(); }
    const std::vector<BonusPtr>& GetRunningBonuses() const { return _running; }

private:
    IBonusDataSource* _source = nullptr;
    BonusPtr _armed;
    std::vector<BonusPtr> _running;
};
