// The field's objects appear cell by cell when a level starts and disappear the same way when it
// ends: every cell is scheduled with a delay (row by row, or at random), and when its delay runs
// out each object of the cell gets an appear effect. The effects are stepped where the objects are
// drawn; the appearer waits until every one has ended. Options from "Settings\AppearCfg.xml".
#pragma once

#include "field/graph/field_graphobj.h"

#include <string>
#include <vector>

class CXMLFile;

struct AppearOptions {
    int delay_between_rows = 2;       // updates between two rows
    int effect_time = 16;             // updates of each object's effect
    int random_appearing_frame = 20;  // largest random delay, in updates
    int oversize_percent = 20;        // how far the effect grows past the object's size
    bool appear_random = true;
    bool disappear_random = false;
};

// The options in use (the defaults until loaded).
const AppearOptions& GetAppearOptions();
// Reads the "Options" element of the document. Without one the failed check
// "config_node.IsValid()" is logged and the defaults are kept; values that cannot work (negative
// delays, an effect shorter than one update) are logged and mended.
void LoadAppearOptions(const CXMLFile& file);
// The same from "Settings\AppearCfg.xml"; a file that cannot be read is logged and the defaults kept.
void LoadAppearOptions();
// Back to the defaults.
void ResetAppearOptions();

// The graphic objects of each cell, by cell index.
using CellObjects = std::vector<std::vector<CGraphObjPtr>>;

class CFieldAppearer {
public:
    enum EMode { amIdle = 0, amAppearing = 1, amDisappearing = 2 };

    // Starts the appear run over the objects (alpha 0, queued "field_start").
    void FieldStart(CellObjects objects);
    // Starts the disappear run over the objects (alpha 255, queued "field_over").
    void FieldOver(CellObjects objects);
    // Once per field update while a run goes on.
    void Update();

    int GetMode() const { return _mode; }
    bool IsRunning() const { return _mode != amIdle; }
    // A sample queued when a run ends (empty: none).
    void SetEndSound(const std::string& alias) { _end_sound = alias; }

    // The schedule, for the field and for checks: the cell's delay, whether it still waits.
    int GetDelay(int cell) const;
    bool IsArmed(int cell) const;
    int GetPending() const { return _pending; }
    size_t GetRunningCount() const { return _running.size(); }

private:
    struct Slot {
        int delay = 0;
        bool armed = false;
        bool done = false;
    };

    void Start(CellObjects objects, int mode, bool random, float alpha, const char* sample);

    int _mode = amIdle;
    CellObjects _objects;
    std::vector<Slot> _schedule;
    int _pending = 0;
    std::vector<CGraphObjPtr> _running;
    std::string _end_sound;
};
