#include "engine/engine_sound.h"

ISoundKeeper* g_SoundKeeper = nullptr;
