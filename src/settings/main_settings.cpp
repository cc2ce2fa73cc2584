#include "settings/main_settings.h"

#include "engine/base/engine_filesys.h"
#include "engine/core/engine_core.h"
#include "engine/base/engine_helpers.h"
#include "engine/text/engine_langtext.h"
#include "engine/base/engine_log.h"
#include "engine/base/engine_userfolder.h"
#include "engine/base/engine_xml.h"
#include "settings/main_userfiles.h"

#include <algorithm>
#include <climits>
#include <exception>

CGameSettings g_Settings;
bool g_TestKeys = false;

namespace {

const char* const kConfigFile = "Config.xml";
const char* const kSaveError = "\"Unable to save game settings!\"";

void WriteOptions(CXMLNode& options, const SettingsRecord& r)
{
    options.SetIntAttribute("snd_vol", r.snd_vol);
    options.SetIntAttribute("mus_vol", r.mus_vol);
    options.SetIntAttribute("gamma", r.gamma);
    options.SetBoolAttribute("windowed", r.windowed);
    options.SetIntAttribute("language", r.language);
    options.SetIntAttribute("sensitivity", r.sensitivity);
    options.SetBoolAttribute("swap_buttons", r.swap_buttons);
    if (!r.renderer.empty()) options.SetAttribute("renderer", r.renderer);
}

// Reads an int attribute into its range; a value outside it is logged and taken as the nearest
// bound. True when the value was repaired.
bool ReadInRange(const CXMLNode& options, const char* name, int def, int low, int high, int& value)
{
    const int read = options.GetIntAttribute(name, def);
    value = std::clamp(read, low, high);
    if (value == read) return false;
    GetLog().Warning("Warning: game setting %s=%d is out of range (%d..%d), %d is used.", name, read, low, high, value);
    return true;
}

// True when a value had to be repaired.
bool ReadOptions(const CXMLNode& options, SettingsRecord& r)
{
    bool repaired = ReadInRange(options, "snd_vol", 100, 0, kMaxVolume, r.snd_vol);
    repaired |= ReadInRange(options, "mus_vol", 100, 0, kMaxVolume, r.mus_vol);
    repaired |= ReadInRange(options, "gamma", 0, 0, kMaxGamma, r.gamma);
    r.windowed = options.GetBoolAttribute("windowed", false);
    // The upper bound of the language is the text keeper's count, checked when it is selected.
    repaired |= ReadInRange(options, "language", 0, 0, INT_MAX, r.language);
    repaired |= ReadInRange(options, "sensitivity", 13, kMinSensitivity, kMaxSensitivity, r.sensitivity);
    r.swap_buttons = options.GetBoolAttribute("swap_buttons", false);
    r.show_fps = options.GetBoolAttribute("show_fps", false);
    r.keys = options.GetBoolAttribute("keys", false);
    r.no_logo = options.GetBoolAttribute("no_logo", false);
    r.renderer = options.GetAttribute("renderer");
    return repaired;
}

const char* const kRendererNames[] = {"", "accelerated", "software"};

// Reads the document, or gives null and keeps an unreadable user file aside.
std::unique_ptr<CXMLFile> ReadConfig(const std::string& path, bool is_user_file)
{
    try {
        ByteVector bytes;
        if (!CFileSystem::ReadDiskFile(path.c_str(), bytes)) throw std::runtime_error("File read error");
        auto doc = std::make_unique<CXMLFile>();
        doc->LoadXml(bytes);
        if (!doc->SelectSingleNode("/Config").IsValid()) throw std::runtime_error("no Config element");
        return doc;
    } catch (const std::exception& e) {
        if (is_user_file) {
            std::string aside = KeepAsideUnreadable(path);
            GetLog().Error("Error: game settings '%s' cannot be read (%s); kept as '%s'.", path.c_str(), e.what(),
                           aside.empty() ? "(not moved)" : aside.c_str());
        } else {
            GetLog().Error("Error: game settings '%s' cannot be read (%s); ignored.", path.c_str(), e.what());
        }
        return nullptr;
    }
}

} // namespace

const std::string& CGameSettings::GetPath()
{
    if (_path.empty()) _path = UserFilePath(kConfigFile);
    return _path;
}

bool CGameSettings::Write(CXMLFile& doc)
{
    const std::string& path = GetPath();
    if (path.empty()) {
        GetLog().Warning("Warning: game settings not saved: there is no user folder.");
        return false;
    }
    if (doc.Save(path)) return true;
    GetLog().ErrorAt(__LINE__, __FILE__, "Error: %s", kSaveError);
    return false;
}

SettingsRecord& CGameSettings::EnsureLoaded()
{
    if (!_loaded) Load();
    return _record;
}

void CGameSettings::Load()
{
    _record = SettingsRecord();
    const std::string& path = GetPath();

    std::unique_ptr<CXMLFile> doc;
    if (!path.empty() && FileExists(path)) doc = ReadConfig(path, true);
    if (!doc && path != kConfigFile && FileExists(kConfigFile)) doc = ReadConfig(kConfigFile, false);
    if (!doc) {
        GetLog().Warning("Unable to load game settings, create default.");
        // The next access loads the new file; when none could be written, the defaults stay.
        if (!CreateFile()) _loaded = true;
        return;
    }
    CXMLNode options = doc->SelectSingleNode("//Config/Options");
    const bool repaired = options.IsValid() && ReadOptions(options, _record);
    _loaded = true;
    // The file is mended at once, so that it holds only values the game can use.
    if (repaired) Save();
}

bool CGameSettings::CreateFile()
{
    CXMLFile doc;
    doc.CreateRoot("Config");
    CXMLNode options = doc.CreateNode("Options");
    WriteOptions(options, _record);
    CXMLNode root = doc.SelectSingleNode("/Config");
    root.AppendChild(options);
    return Write(doc);
}

bool CGameSettings::Save()
{
    const std::string& path = GetPath();
    if (path.empty() || !FileExists(path)) {
        GetLog().Warning("No game settings file, create new.");
        return CreateFile();
    }
    std::unique_ptr<CXMLFile> doc = ReadConfig(path, true);
    if (!doc) return CreateFile();
    CXMLNode options = doc->SelectSingleNode("//Config/Options");
    if (!options.IsValid()) {
        // A file without options would otherwise be written back unchanged and the settings lost.
        CXMLNode created = doc->CreateNode("Options");
        CXMLNode root = doc->SelectSingleNode("/Config");
        root.AppendChild(created);
        options = doc->SelectSingleNode("//Config/Options");
    }
    WriteOptions(options, _record);
    return Write(*doc);
}

bool CGameSettings::Assign(const SettingsRecord& record)
{
    EnsureLoaded();
    _record = record;
    return Save();
}

bool StoreDisplayMode(bool fullscreen)
{
    g_Settings.EnsureLoaded().windowed = !fullscreen;
    return g_Settings.Save();
}

ERendererVerdict StoredRendererVerdict()
{
    const std::string& name = g_Settings.EnsureLoaded().renderer;
    for (int v : {rvAccelerated, rvSoftware})
        if (name == kRendererNames[v]) return ERendererVerdict(v);
    return rvUnknown;
}

void StoreRendererVerdict()
{
    const ERendererVerdict verdict = GetRendererVerdict();
    std::string& stored = g_Settings.EnsureLoaded().renderer;
    if (verdict == rvUnknown || stored == kRendererNames[verdict]) return;
    stored = kRendererNames[verdict];
    g_Settings.Save();   // a failed save is logged; the probe then simply runs again next time
}

void SetLanguage(int index)
{
    CTextKeeper& texts = CTextKeeper::Instance();
    texts.SelectLanguage(index);
    // The language in use: an index the text keeper does not know was replaced by the first one.
    const int selected = texts.GetCurrentLanguage();
    SettingsRecord& record = g_Settings.EnsureLoaded();
    if (record.language == selected) return;   // nothing changed: nothing to write
    record.language = selected;
    g_Settings.Save();
}

void OnDisplayModeChanged()
{
    // Called from the engine in the middle of a scene: a file that cannot be written costs the
    // stored mode, not the game.
    try {
        if (!StoreDisplayMode(g_EngineCore && g_EngineCore->IsFullscreen()))
            GetLog().Warning("Warning: window mode not stored (%s).", kSaveError);
    } catch (const std::exception& e) {
        GetLog().Warning("Warning: window mode not stored (%s).", e.what());
    }
}
