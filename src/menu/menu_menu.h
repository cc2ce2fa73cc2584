// The main menu ("Menu"): the menu dialog over the player's city, and from it the profiles, the
// options, the continued or new game, the relax view and the best city. It ends by switching to
// the epoch selector, the game or the city (2), or by asking the program to quit (3).
#pragma once

#include "city/city_dialogs.h"
#include "engine/core/engine_scene.h"
#include "engine/render/cross_fader.h"
#include "engine/sound/engine_soundqueue.h"
#include "menu/menu_continue.h"
#include "menu/menu_main.h"
#include "menu/menu_options.h"
#include "menu/menu_profiles.h"

class CCityView;
class CUser;

// The scene's states; 1 while a cross-state runs.
enum EMenuState {
    msCrossState = 1,
    msDefault = 2,
    msFirstUser = 3,
    msProfiles = 4,
    msOptions = 5,
    msContinueGame = 6,
    msRelax = 8,
    msBestCity = 9,
};

// The cross-states (there is no 7).
enum EMenuCrossState {
    mcsStart = 1,
    mcsToDefault = 2,
    mcsToFirstUser = 3,
    mcsToProfiles = 4,
    mcsToOptions = 5,
    mcsToContinueGame = 6,
    mcsToRelax = 8,
    mcsToBestCity = 9,
    mcsExitBestCity = 10,
    mcsFinish = 11,
    mcsExit = 12,
};

class CMenuScene : public AScene {
public:
    static constexpr const char* kDialogsFile = "Settings\\DialogsMenu.xml";
    static constexpr const char* kConfigFile = "Settings\\MenuCfg.xml";
    static constexpr int kDimAlpha = 164;
    static constexpr int kFaderStep = 4;
    static constexpr int kExitFaderStep = 8;
    static constexpr int kMusicFadeMs = 1500;
    static constexpr int kExitMusicFadeMs = 750;
    static constexpr int kKeyScroll = 10;

    CMenuScene();
    ~CMenuScene() override;

    bool Init() override;
    void Destroy() override;
    void Enter() override;
    void Leave() override;
    void PostFrame() override;
    void Frame() override;
    void OnKeyDown(int vk) override;
    // Unknown ids are warned about in the menu's own words.
    void StartCrossState(int id) override;

    // Shows the user's name and medal in the main dialog.
    void ShowUser(CUser& user);

    CMainDialog& GetMainDialog() { return _main; }
    CCreateProfileDialog& GetFirstProfileDialog() { return _first_profile; }
    CProfilesDialog& GetProfilesDialog() { return _profiles; }
    COptionsDialog& GetOptionsDialog() { return _options; }
    CContinueGameDialog& GetContinueDialog() { return _continue; }
    CRelaxDialog& GetRelaxDialog() { return _relax; }
    CUserTitleHelpDialog& GetTitleHelpDialog() { return _title_help; }
    const MusicTrack& GetMusic() const { return _music; }
    // Whether the best game is loaded into the user in place of the current one.
    bool IsBestCityLoaded() const { return _best_city_loaded; }

private:
    void OnCrossStateStart(int id) override;
    void ProcessDialogs();
    void StartGame();
    void ContinueGame();
    void NewGame();
    void Finish(const std::string& next, int transition);
    void StartMenuMusic();
    // The user's game goes back to the current game after the best city was shown.
    void RestoreCurrentGame();
    void ShowSubDialog(CBaseDialog& dialog);
    bool SubDialogsGone() const;
    void HideSubDialogs(bool immediately);

    void CrsStart(bool start);
    void CrsToDefault(bool start);
    void CrsToSubState(bool start, int id, CBaseDialog& dialog, int state);
    void CrsToRelax(bool start);
    void CrsToBestCity(bool start);
    void CrsExitBestCity(bool start);
    void CrsFinish(bool start);
    void CrsExit(bool start);

    CMainDialog _main;
    CCreateProfileDialog _first_profile;
    CProfilesDialog _profiles;
    COptionsDialog _options;
    CContinueGameDialog _continue;
    CRelaxDialog _relax;
    CUserTitleHelpDialog _title_help;
    CCityView& _view;
    int _scroll_step = 0;
    CCrossFader _lower_fader;
    CCrossFader _upper_fader;
    MusicTrack _music;
    bool _best_city_loaded = false;
};

CMenuScene& GetMenuScene();
