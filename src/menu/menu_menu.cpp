#include "menu/menu_menu.h"

#include "engine/base/engine_clock.h"
#include "engine/core/engine_input.h"
#include "engine/text/engine_langtext.h"
#include "engine/base/engine_log.h"
#include "engine/render/engine_render.h"
#include "engine/sound/engine_soundqueue.h"
#include "engine/base/engine_xml.h"
#include "gui/gui_controls.h"
#include "player/player_user.h"
#include "settings/main_settings.h"

namespace {

const char* const kBackgroundTexture = "Textures\\Menu\\Background.png";
const char* const kTitleTexture = "Textures\\Menu\\Logo.png";
const char* const kMenuConfig = "Settings\\MenuCfg.xml";
constexpr int kMusicFadeMs = 1500;

// The menu's own music: "//MainMenu/Music" of the menu configuration; nothing (track -999) when
// the node or the file is missing.
MusicTrack ReadMenuMusic()
{
    GetLog().Message("Loading music...");
    try {
        CXMLFile file(kMenuConfig);
        const CXMLNode node = file.SelectSingleNode("//MainMenu/Music");
        if (node.IsValid()) return MusicTrack(node.GetAttribute("alias"), node.GetIntAttribute("track", 0));
    } catch (const std::exception& e) {
        GetLog().Warning("Warning: menu configuration not read (%s), no menu music.", e.what());
    }
    return MusicTrack(std::string(), -999);
}

} // namespace


CMenuScene::CMenuScene() : AScene("Menu") {}
CMenuScene::~CMenuScene() = default;

CMenuScene& GetMenuScene()
{
    static CMenuScene scene;
    return scene;
}

bool CMenuScene::Init()
{
    _background = MakePicture(kBackgroundTexture, kScreenRect);
    _title = MakePicture(kTitleTexture, FRect{144.0f, 40.0f, 656.0f, 200.0f});
    _version = std::make_unique<CStaticLabel>();
    _version->SetLabel("VersionNumber");
    _version->SetPosition(788.0f, 572.0f);
    _music = ReadMenuMusic();
    return true;
}

void CMenuScene::Destroy()
{
    _version.reset();
    _title.reset();
    _background.reset();
}

void CMenuScene::Enter()
{
    GetLog().Message("Main menu.");
    // A music of the same alias already sounding goes on without a break.
    g_SoundQueue.StartMusic(_music, kMusicFadeMs, 100);
}

void CMenuScene::Leave()
{
    g_SoundQueue.FadeMusic(_music, kMusicFadeMs, 0);
}

void CMenuScene::Frame()
{
    if (_background) _background->Update();
    if (_title) _title->Update();
    if (_version) _version->Draw();
    g_SoundQueue.Update();
}

void CMenuScene::OnKeyDown(int vk)
{
    if (_result != srRunning) return;
    if (vk == kVkEscape) {
        SetResult(srQuit);
    } else if (vk == kVkReturn) {
        // The saved game goes on; only a player without a game in progress gets a new one.
        if (g_User.GetGameState() == ugsNone || g_User.GetGameState() == ugsCompleted) g_User.NewGame();
        SetNextScene("Game");
        SetTransition(1);
        SetResult(srNextScene);
    }
}

void CMenuScene::ShowUser(CUser& /*user*/) {}
