#include "settings/main_settings.h"

#include "engine/base/engine_filesys.h"
#include "engine/core/engine_core.h"
#include "engine/base/engine_helpers.h"
#include "engine/text/engine_langtext.h"
#include "engine/base/engine_log.h"
#include "engine/base/engine_userfolder.h"
#include "engine/base/engine_xml.h"
#include "settings/main_userfiles.h"

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

void ReadOptions(const CXMLNode& options, SettingsRecord& r)
{
    r.snd_vol = options.GetIntAttribute("snd_vol", 100);
    r.mus_vol = options.GetIntAttribute("mus_vol", 100);
    r.gamma = options.GetIntAttribute("gamma", 0);
    r.windowed = options.GetBoolAttribute("windowed", false);
    r.language = options.GetIntAttribute("language", 0);
    r.sensitivity = options.GetIntAttribute("sensitivity", 13);
    r.swap_buttons = options.GetBoolAttribute("swap_buttons", false);
    r.show_fps = options.GetBoolAttribute("show_fps", false);
    r.keys = options.GetBoolAttribute("keys", false);
    r.no_logo = options.GetBoolAttribute("no_logo", false);
    r.renderer = options.GetAttribute("renderer");
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
    if (_path.empty()) _path = GetUserDataFolder() + kConfigFile;
    return _path;
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
    if (FileExists(path)) doc = ReadConfig(path, true);
    if (!doc && path != kConfigFile && FileExists(kConfigFile)) doc = ReadConfig(kConfigFile, false);
    if (!doc) {
        GetLog().Warning("Unable to load game settings, create default.");
        CreateFile();
        return;
    }
    CXMLNode options = doc->SelectSingleNode("//Config/Options");
    if (options.IsValid()) ReadOptions(options, _record);
    _loaded = true;
}

void CGameSettings::CreateFile()
{
    CXMLFile doc;
    doc.CreateRoot("Config");
    CXMLNode options = doc.CreateNode("Options");
    WriteOptions(options, _record);
    CXMLNode root = doc.SelectSingleNode("/Config");
    root.AppendChild(options);
    if (!doc.Save(GetPath())) THROW_ERROR(kSaveError);
}

void CGameSettings::Save()
{
    const std::string& path = GetPath();
    if (!FileExists(path)) {
        GetLog().Warning("No game settings file, create new.");
        CreateFile();
        return;
    }
    std::unique_ptr<CXMLFile> doc = ReadConfig(path, true);
    if (!doc) {
        CreateFile();
        return;
    }
    CXMLNode options = doc->SelectSingleNode("//Config/Options");
    if (!options.IsValid()) {
        // A file without options would otherwise be written back unchanged and the settings lost.
        CXMLNode created = doc->CreateNode("Options");
        CXMLNode root = doc->SelectSingleNode("/Config");
        root.AppendChild(created);
        options = doc->SelectSingleNode("//Config/Options");
    }
    WriteOptions(options, _record);
    if (!doc->Save(path)) THROW_ERROR(kSaveError);
}

void CGameSettings::Assign(const SettingsRecord& record)
{
    EnsureLoaded();
    _record = record;
    Save();
}

void StoreDisplayMode(bool fullscreen)
{
    g_Settings.EnsureLoaded().windowed = !fullscreen;
    g_Settings.Save();
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
    try {
        g_Settings.Save();
    } catch (const std::exception& e) {
        GetLog().Warning("Warning: renderer not stored (%s).", e.what());
    }
}

void SetLanguage(int index)
{
    CTextKeeper::Instance().SelectLanguage(index);
    g_Settings.EnsureLoaded().language = index;
    g_Settings.Save();
}

void OnDisplayModeChanged()
{
    // Called from the engine in the middle of a scene: a file that cannot be written costs the
    // stored mode, not the game.
    try {
        StoreDisplayMode(g_EngineCore && g_EngineCore->IsFullscreen());
    } catch (const std::exception& e) {
        GetLog().Warning("Warning: window mode not stored (%s).", e.what());
    }
}
