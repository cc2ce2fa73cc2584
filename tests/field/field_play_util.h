// Helpers of the play tests: levels drawn as grids of cell tokens, the screen point of a cell, a
// game field fixture with a recording sound keeper, the field's invariants; and for the play aids,
// the samples the frames asked for and a level root from text.
#pragma once

#include "field_test_util.h"

#include "field/chain/field_gamefield.h"

#include "field/timebar/field_timer.h"

#include "engine/core/engine_input.h"
#include "engine/sound/engine_soundqueue.h"
#include "support/recording_sound_keeper.h"

#include <sstream>
#include <string>
#include <vector>

namespace fieldtest {

// One token per cell, rows top first, tokens separated by blanks:
//   a digit: a ball of that graph type; M: a multiball (50); F: a finisher (60);
//   .: an empty cell; #: an inactive cell; W, V: an empty cell under a single or double wall;
//   D: an empty disabled cell;
//   suffixes: l a lock, L a double lock, b a box, B a double box, t one removable tile layer, T two.
inline std::string GridLevel(const std::vector<std::string>& rows, const std::string& config = "")
{
    std::vector<std::vector<std::string>> cells;
    for (const std::string& row : rows) {
        std::istringstream in(row);
        std::vector<std::string> tokens;
        for (std::string t; in >> t;) tokens.push_back(t);
        cells.push_back(tokens);
    }
    const size_t width = cells.empty() ? 0 : cells[0].size();
    std::ostringstream field, balls;
    for (size_t y = 0; y < cells.size(); ++y) {
        for (size_t x = 0; x < cells[y].size(); ++x) {
            const std::string& t = cells[y][x];
            const std::string at = "x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) + "\"";
            if (t[0] == '#') {
                field << "<Cell " << at << "/>";
                continue;
            }
            const std::string wall = t[0] == 'W'   ? " wall=\"1\""
                                     : t[0] == 'V' ? " wall=\"2\""
                                     : t[0] == 'D' ? " disable=\"1\""
                                                   : "";
            std::string tiles = "<Group tile=\"1\"/>";
            if (t.find('t') != std::string::npos) tiles += "<Group tile=\"2\"/>";
            if (t.find('T') != std::string::npos) tiles += "<Group tile=\"2\"/><Group tile=\"3\"/>";
            field << "<Cell " << at << " active=\"1\"" << wall << ">" << tiles << "</Cell>\n";
            int type = 0;
            if (t[0] >= '1' && t[0] <= '9') type = t[0] - '0';
            if (t[0] == 'M') type = 50;
            if (t[0] == 'F') type = 60;
            if (type == 0) continue;
            const int lock = t.find('L') != std::string::npos ? 2 : t.find('l') != std::string::npos ? 1 : 0;
            const int box = t.find('B') != std::string::npos ? 2 : t.find('b') != std::string::npos ? 1 : 0;
            balls << "<Cell " << at << " lock=\"" << lock << "\" box=\"" << box << "\"><Ball graph_type=\"" << type
                  << "\"/></Cell>\n";
        }
    }
    return "<Level><Config field_width=\"" + std::to_string(width) + "\" field_height=\"" +
           std::to_string(cells.size()) +
           "\" field_pos_x=\"4\" field_pos_y=\"4\" allow_ball_types=\"4\" " +
           (config.find("allow_bonus_types") == std::string::npos ? "allow_bonus_types=\"0\" " : "") + config +
           "/><Field>" + field.str() + "</Field><Balls>" + balls.str() + "</Balls></Level>";
}

// The centre of a cell on the screen (the fixture's cells are 12 pixels, the field at 4, 4).
inline FieldMouse MouseAt(int column, int row, bool left_down = true)
{
    FieldMouse m;
    m.x = 4.0f + 12.0f * float(column) + 6.0f;
    m.y = 4.0f + 12.0f * float(row) + 6.0f;
    m.left_down = left_down;
    return m;
}

// A game field on a grid level, with the sound keeper recording.
class PlayFixture : public FieldFixture {
protected:
    PlayFixture() : _previous_keeper(g_SoundKeeper) { g_SoundKeeper = &sounds; }
    ~PlayFixture() override
    {
        g_SoundQueue.Update();
        g_SoundKeeper = _previous_keeper;
    }

    void Load(const std::vector<std::string>& rows, const std::string& config = "", bool bonus_level = false)
    {
        field.LoadLevel(LevelFromText(GridLevel(rows, config)), "grid", bonus_level);
    }
    int Cell(int column, int row) const { return g_LevelCfg.CellAt(column, row); }
    // A frame as the scene runs it: draw (effects step), input, update.
    void Frame(const FieldMouse& mouse)
    {
        field.Render();
        field.HandleInput(mouse);
        field.Update();
    }
    // Drags through the cells and releases over the last.
    void Drag(const std::vector<std::pair<int, int>>& cells)
    {
        for (const auto& [c, r] : cells) Frame(MouseAt(c, r));
        Frame(MouseAt(cells.back().first, cells.back().second, false));
    }
    // Runs frames without input until the refill is over (at most the limit).
    int Settle(int limit = 2000)
    {
        FieldMouse idle;
        int n = 0;
        while (n < limit && (field.IsRefillPending() || field.IsFinisherRunning() || field.IsFieldBusy())) {
            Frame(idle);
            ++n;
        }
        return n;
    }
    // The samples played since the last call.
    std::vector<std::string> Samples()
    {
        g_SoundQueue.Update();
        std::vector<std::string> out = sounds.Calls("PlaySample");
        sounds.Clear();
        return out;
    }

    CRecordingSoundKeeper sounds;
    ISoundKeeper* _previous_keeper;
    CGameField field;
};


// Records the cursors asked for.
class RecordingCursor : public ICursor {
public:
    bool Select(const std::string& name) override
    {
        selected.push_back(name);
        return name != "unknown";
    }
    void SetSoftwareCursor(bool) override {}
    void ShowSystemCursor(bool) override {}
    void SetInside(bool) override {}
    void SetSpritePosition(float, float) override {}
    void Draw() override {}
    void Apply() override {}
    std::vector<std::string> selected;
};

// A time bar view that keeps what it was given; its tip follows the position.
class RecordingBar : public ITimeBarView {
public:
    int min = -1, max = -1, pos = -1;
    void SetMinPos(int v) override { min = v; }
    void SetMaxPos(int v) override { max = v; }
    void SetPos(int v) override { pos = v; }
    void GetTipPosition(float& x, float& y) const override { x = 100.0f + float(pos); y = 20.0f; }
};

// Installs a recording sound keeper for the scope; Played() ends the frame and gives the samples
// that sounded in it.
class ScopedSounds {
public:
    // What earlier frames left in the queue sounds before the scope and is not recorded.
    ScopedSounds() : _previous(g_SoundKeeper)
    {
        g_SoundKeeper = &keeper;
        g_SoundQueue.Update();
        keeper.Clear();
    }
    ~ScopedSounds()
    {
        g_SoundQueue.Update();
        g_SoundKeeper = _previous;
    }
    ScopedSounds(const ScopedSounds&) = delete;
    ScopedSounds& operator=(const ScopedSounds&) = delete;

    std::vector<std::string> Played()
    {
        keeper.Clear();
        g_SoundQueue.Update();
        return keeper.Calls("PlaySample");
    }
    CRecordingSoundKeeper keeper;

private:
    ISoundKeeper* _previous;
};

// The "Level" root of a level document given as text (kept alive by the node).
inline CXMLNode LevelRoot(const std::string& text)
{
    return ParseXml(text).SelectSingleNode("Level");
}

} // namespace fieldtest
