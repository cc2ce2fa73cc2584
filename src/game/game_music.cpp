#include "game/game_music.h"

#include "engine/base/engine_log.h"
#include "engine/base/engine_registry.h"
#include "player/player_user.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kLevelPeriodMinS = 120;
constexpr int kLevelPeriodRandomS = 120;
constexpr int kNaturePeriodMs = 30000;
constexpr int kNaturePeriodRandomMs = 60000;
// Far beyond any level's time bar; keeps the period's milliseconds within the clock's range.
constexpr float kLongestTimeSpan = 1000000.0f;

// The shipped level musics that take turns after every epoch is built.
const char* const kLevelMusics[] = {"MUS_GAME1", "MUS_GAME2", "MUS_GAME3", "MUS_GAME4"};

} // namespace

void CGameMusic::ChooseLevelMusic(CUser& user, bool bonus_level, const CityMusicInfo& city)
{
    MusicTrack chosen;
    if (bonus_level) {
        chosen = user.Game().bonus_music;
        if (chosen.alias.empty()) {
            chosen = city.bonus_music;
            user.SetBonusMusic(chosen);
        }
    } else {
        chosen = user.Game().music;
        if (chosen.alias.empty()) {
            chosen = city.music;
            user.SetMusic(chosen);
        }
        if (city.all_epochs_complete && user.Game().music_plays >= kPlaysPerMusic) {
            // A new one of the level musics, never the one already playing.
            do {
                chosen = MusicTrack(kLevelMusics[RandomInt(1, 4) - 1], 0);
                user.SetMusic(chosen);
            } while (chosen.alias == _channel_a.alias);
        }
    }
    if (chosen.alias.empty())
        GetLog().Warning("Warning: no %s music for this level; it plays without one.",
                         bonus_level ? "bonus-level" : "level");
    _channel_a = chosen;
    if (!bonus_level) ++user.Game().music_plays;
}

void CGameMusic::StartGameMusic(CUser& user, float time_span)
{
    const MusicTrack playing = user.GetPlayingMusic();
    if (!playing.alias.empty() && playing.alias != _channel_a.alias) _queue.StopMusic(playing, kEnterFadeMs);
    user.SetPlayingMusic(_channel_a);

    _channel_b = MusicTrack(kNatureAlias, 0);
    _queue.StartMusic(_channel_a, kEnterFadeMs, 100);
    _queue.StartMusic(_channel_b, 0, 0);
    _nature_current = false;
    // Not a number, or below zero, counts as no time bar.
    _time_span = time_span > 0.0f ? static_cast<int>(std::min(time_span, kLongestTimeSpan)) : 0;
    StartLevelPeriod();
}

void CGameMusic::StartLevelPeriod()
{
    const int seconds = std::max(_time_span / 4, kLevelPeriodMinS) + RandomInt(0, kLevelPeriodRandomS);
    _timer.StartFor(static_cast<uint32_t>(seconds) * 1000u);
}

void CGameMusic::UpdateMusic(bool cross_state_running)
{
    if (cross_state_running || _timer.IsStopped() || !_timer.IsPassed()) return;
    if (_nature_current) {
        _queue.FadeMusic(_channel_a, kSwapFadeMs, 100);
        _queue.FadeMusic(_channel_b, kSwapFadeMs, 0);
        _nature_current = false;
        StartLevelPeriod();
    } else {
        _queue.FadeMusic(_channel_a, kSwapFadeMs, 0);
        _queue.FadeMusic(_channel_b, kSwapFadeMs, 100);
        _nature_current = true;
        _timer.StartFor(static_cast<uint32_t>(kNaturePeriodMs + RandomInt(0, kNaturePeriodRandomMs)));
    }
}

void CGameMusic::StopGameMusic()
{
    _queue.FadeMusic(_channel_a, kLeaveFadeMs, 0);
    _queue.StopMusic(_channel_b, kLeaveFadeMs);
}

int CGameMusic::LowerMusic(int volume)
{
    const int had = _queue.GetMusicVolume(LoudChannel());
    if (had > volume) _queue.FadeMusic(LoudChannel(), kLowerRaiseFadeMs, volume);
    return had;
}

int CGameMusic::RaiseMusic(int volume)
{
    const int had = _queue.GetMusicVolume(LoudChannel());
    if (had < volume) _queue.FadeMusic(LoudChannel(), kLowerRaiseFadeMs, volume);
    return had;
}
