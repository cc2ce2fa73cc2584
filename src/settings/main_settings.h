// The settings file "Config.xml" in the user folder: volumes, gamma, window mode, language, mouse,
// and the three flags set by hand (frame rate, test keys, logo skip).
#pragma once

#include <string>

#include "engine/core/engine_core.h"

class CXMLFile;

// The ranges of the settings; a value read from the file outside them is repaired.
inline constexpr int kMaxVolume = 100;
inline constexpr int kMaxGamma = 10;
inline constexpr int kMinSensitivity = 1;
inline constexpr int kMaxSensitivity = 20;

struct SettingsRecord {
    int snd_vol = 75;
    int mus_vol = 50;
    int gamma = 0;
    bool windowed = false;
    int language = 0;
    int sensitivity = 15;
    bool swap_buttons = false;
    bool show_fps = false;
    bool keys = false;
    bool no_logo = false;
    // The renderer the display was found to need ("accelerated", "software"; empty: not known).
    std::string renderer;

    bool operator==(const SettingsRecord&) const = default;
};

class CGameSettings {
public:
    // The settings path is the user folder + "Config.xml", taken on first use.
    CGameSettings() = default;
    explicit CGameSettings(std::string path) : _path(std::move(path)) {}

    // Loads the file when it is not loaded yet; the record every user of the settings reads.
    SettingsRecord& EnsureLoaded();
    // Resets the record, then reads the file of the settings path, else "Config.xml" of the current
    // folder; with neither, writes a new file with the defaults (and stays not loaded, unless the
    // file could not be written). A file that cannot be read is logged and kept aside, and the
    // defaults are written anew. Values out of their range are repaired and the file saved with them.
    void Load();
    // Writes the seven written attributes into the file, keeping everything else in it. A file
    // that cannot be written (or no user folder) is logged and gives false; the game goes on.
    bool Save();
    // Writes a new file holding the record; false (logged) when it cannot be written.
    bool CreateFile();

    // Takes an edited copy of the record back and saves it; false when it could not be saved.
    bool Assign(const SettingsRecord& record);

    bool IsLoaded() const { return _loaded; }
    const std::string& GetPath();
    SettingsRecord& Record() { return _record; }

private:
    bool Write(CXMLFile& doc);

    SettingsRecord _record;
    bool _loaded = false;
    std::string _path;
};

extern CGameSettings g_Settings;

// The test keys of the menus and the game screen (the settings' "keys").
extern bool g_TestKeys;

// Selects the language in the text keeper and, when the language in use changed, saves it in the
// settings (an index the text keeper does not know is replaced by its first language).
void SetLanguage(int index);
// Engine callback after a full-screen toggle: saves the windowed flag (a failed save is logged).
void OnDisplayModeChanged();
// The same with the new mode given (full screen or not); false when it could not be saved.
bool StoreDisplayMode(bool fullscreen);
// Keeps the engine's renderer verdict in the settings file when it changed (a file that cannot be
// written is logged).
void StoreRendererVerdict();
// The verdict kept in the settings, for the engine's start.
ERendererVerdict StoredRendererVerdict();
