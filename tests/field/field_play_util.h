// Helpers of the tests of the field's play aids: the samples the frames asked for, a clock that
// moves one frame per update, and a level root from text.
#pragma once

#include "field_test_util.h"

#include "engine/sound/engine_soundqueue.h"
#include "support/recording_sound_keeper.h"

#include <string>
#include <vector>

namespace fieldtest {

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
