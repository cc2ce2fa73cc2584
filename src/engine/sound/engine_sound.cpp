#include "engine/sound/engine_sound_internal.h"

#include "engine/base/engine_clock.h"
#include "engine/base/engine_filesys.h"
#include "engine/base/engine_layout.h"
#include "engine/base/engine_log.h"
#include "engine/sound/engine_sound_mixer_internal.h"
#include "engine/base/engine_xml.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

ISoundKeeper& ProgramSoundKeeper()
{
    // The sound pauses while the program is inactive, whichever keeper is the program's then.
    static const int listener = ProgramEngineCore().AddActivationListener([](bool active) {
        if (!g_SoundKeeper) return;
        if (active)
            g_SoundKeeper->Resume();
        else
            g_SoundKeeper->Pause();
    });
    (void)listener;
    return CSoundKeeper::Instance();
}

namespace {

// Error codes the keeper reports in its log lines.
enum ESoundError {
    serrFileOpen = 2,      // the file cannot be read
    serrHandle = 5,        // not a playback the keeper knows (stopped and taken over, or never one)
    serrFormat = 6,        // the data cannot be decoded
    serrNoOutput = 8,      // no output device
    serrParameter = 20,    // a value out of range (order, channel number)
    serrNoChannel = 18,    // no mixer channel could be had
    serrNotAvailable = 37, // the operation does not apply to this kind of music
};

constexpr int kMixChannels = 32;
constexpr size_t kMaxPlaybacks = 4;
constexpr int kOutputRate = 44100;
constexpr int kOutputChunk = 1024;

// The sample rate a sound file was recorded at, from a WAV or Ogg Vorbis header; 0 when unknown.
int RecordedRate(const std::vector<uint8_t>& d)
{
    auto u32 = [&](size_t at) {
        return static_cast<int>(d[at] | (d[at + 1] << 8) | (d[at + 2] << 16) | (static_cast<uint32_t>(d[at + 3]) << 24));
    };
    if (d.size() >= 12 && std::memcmp(d.data(), "RIFF", 4) == 0 && std::memcmp(d.data() + 8, "WAVE", 4) == 0) {
        size_t at = 12;
        while (at + 8 <= d.size()) {
            const uint32_t size = static_cast<uint32_t>(u32(at + 4));
            if (std::memcmp(d.data() + at, "fmt ", 4) == 0 && at + 16 <= d.size()) return u32(at + 12);
            at += 8 + size + (size & 1);
        }
        return 0;
    }
    static const uint8_t vorbis[] = {0x01, 'v', 'o', 'r', 'b', 'i', 's'};
    const size_t limit = std::min<size_t>(d.size(), 256);
    for (size_t at = 0; at + sizeof(vorbis) + 9 <= limit; ++at)
        if (std::memcmp(d.data() + at, vorbis, sizeof(vorbis)) == 0) return u32(at + sizeof(vorbis) + 5);
    return 0;
}

// Plays the chunk as if it had been recorded at `freq` instead of `recorded`: resampled once, so
// that every play sounds at the new speed and pitch.
Mix_Chunk* ResampleChunk(Mix_Chunk* chunk, int recorded, int freq, int out_rate, int channels)
{
    const int from = static_cast<int>(static_cast<int64_t>(out_rate) * freq / recorded);
    if (from <= 0 || from == out_rate) return chunk;
    SDL_AudioStream* stream = SDL_NewAudioStream(AUDIO_S16SYS, channels, from, AUDIO_S16SYS, channels, out_rate);
    if (!stream) return chunk;
    std::vector<uint8_t> out;
    if (SDL_AudioStreamPut(stream, chunk->abuf, static_cast<int>(chunk->alen)) == 0 && SDL_AudioStreamFlush(stream) == 0) {
        out.resize(static_cast<size_t>(SDL_AudioStreamAvailable(stream)));
        const int got = out.empty() ? 0 : SDL_AudioStreamGet(stream, out.data(), static_cast<int>(out.size()));
        out.resize(got > 0 ? static_cast<size_t>(got) : 0);
    }
    SDL_FreeAudioStream(stream);
    if (out.empty()) return chunk;
    auto* buf = static_cast<uint8_t*>(SDL_malloc(out.size()));
    if (!buf) return chunk;
    std::memcpy(buf, out.data(), out.size());
    Mix_Chunk* resampled = Mix_QuickLoad_RAW(buf, static_cast<Uint32>(out.size()));
    if (!resampled) {
        SDL_free(buf);
        return chunk;
    }
    resampled->allocated = 1;   // Mix_FreeChunk releases the buffer too
    Mix_FreeChunk(chunk);
    return resampled;
}

Mix_Chunk* DecodeChunk(const std::vector<uint8_t>& data)
{
    SDL_RWops* rw = SDL_RWFromConstMem(data.data(), static_cast<int>(data.size()));
    return rw ? Mix_LoadWAV_RW(rw, 1) : nullptr;
}

} // namespace

CSoundKeeper::CSoundKeeper()
{
    GetLog();
    _mixer = std::make_unique<CSoundMixer>();
    OpenAudio();
    ReadTables();
}

CSoundKeeper::~CSoundKeeper()
{
    FreeAll();
    _mixer->Unhook();
    _mixer.reset();
    if (_opened_mixer) Mix_CloseAudio();
    if (_inited_sdl_audio) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    if (g_SoundKeeper == this) g_SoundKeeper = nullptr;
}

void CSoundKeeper::OpenAudio()
{
    auto open = [this]() {
        if (!SDL_WasInit(SDL_INIT_AUDIO)) {
            if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
            _inited_sdl_audio = true;
        }
        if (Mix_OpenAudio(kOutputRate, AUDIO_S16SYS, 2, kOutputChunk) != 0) return false;
        _opened_mixer = true;
        return true;
    };
    if (!open()) {
        GetLog().Warning("Warning: no audio device (%s); the game runs without sound.", SDL_GetError());
        // A silent device keeps every sound operation working, as if there were sound.
        if (_inited_sdl_audio) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            _inited_sdl_audio = false;
        }
        const char* old = SDL_getenv("SDL_AUDIODRIVER");
        const std::string saved = old ? old : "";
        SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
        const bool ok = open();
        if (old) SDL_setenv("SDL_AUDIODRIVER", saved.c_str(), 1); else unsetenv("SDL_AUDIODRIVER");
        if (!ok) {
            GetLog().Error("Error: no silent audio output either (%s); sounds are skipped.", SDL_GetError());
            return;
        }
    }
    _audio_open = true;
    int freq = kOutputRate, channels = 2;
    Uint16 format = AUDIO_S16SYS;
    Mix_QuerySpec(&freq, &format, &channels);
    _rate = freq;
    _out_channels = channels;
    Mix_AllocateChannels(kMixChannels);
    _channels.assign(kMixChannels, MixChannel{});
    _mixer->SetOutput(freq, channels);
    _mixer->SetMasterVolume(_music_volume);
    _mixer->Hook();
}

void CSoundKeeper::ReadTables()
{
    // A sound table that cannot be read leaves the game without those sounds; it goes on.
    try {
        CXMLFile file("Settings\\Samples.xml");
        CXMLNodeList nodes = file.SelectNodes("//Samples/Sample");
        for (int i = 0; i < nodes.GetLength(); ++i) {
            CXMLNode node = nodes.GetItem(i);
            SampleDesc desc;
            const std::string alias = node.GetAttribute("alias", "");
            desc.file_name = node.GetAttribute("file_name", "");
            desc.volume = node.GetIntAttribute("volume", 100);
            desc.freq = node.GetIntAttribute("freq", -1);
            const int freq = desc.freq;
            VERIFY_SOFT((freq == -1 || (freq >= 100 && freq <= 100000)) &&
                        "Sample frequency must be between 100 and 100000!");
            _sample_descs.emplace(alias, desc);
        }
    } catch (const std::exception& e) {
        GetLog().Error("Error: sample table 'Settings\\Samples.xml' not read (%s); samples stay silent.", e.what());
    }
    try {
        CXMLFile file("Settings\\Music.xml");
        CXMLNodeList nodes = file.SelectNodes("//Music/File");
        for (int i = 0; i < nodes.GetLength(); ++i) {
            CXMLNode node = nodes.GetItem(i);
            MusicDesc desc;
            const std::string alias = node.GetAttribute("alias", "");
            desc.file_name = node.GetAttribute("name", "");
            desc.tracks = ParseTrackList(node.GetAttribute("patterns", "0"));
            _music_descs.emplace(alias, desc);
        }
    } catch (const std::exception& e) {
        GetLog().Error("Error: music table 'Settings\\Music.xml' not read (%s); music stays silent.", e.what());
    }
}

std::vector<int> CSoundKeeper::ParseTrackList(const std::string& text)
{
    std::vector<std::string> tokens;
    ParseStringList(tokens, text, " ,\t\r\n");
    std::vector<int> tracks;
    for (const std::string& token : tokens) tracks.push_back(static_cast<int>(std::strtol(token.c_str(), nullptr, 10)));
    return tracks;
}

bool CSoundKeeper::ReadSound(const std::string& file_name, std::vector<uint8_t>& data)
{
    data.clear();
    if (file_name.empty()) return false;
    // The package first, then the loose file (found through the host path).
    return CFileSystem::Instance().ReadFile(file_name, data) && !data.empty();
}

// ---------------------------------------------------------------------------------------------
// Samples

int CSoundKeeper::MixVolume(int own) const
{
    const int v = std::clamp(own, 0, 100) * std::clamp(_sample_volume, 0, 100);
    return (v * MIX_MAX_VOLUME + 5000) / 10000;
}

int CSoundKeeper::ChannelOf(SoundHandle handle) const
{
    if (handle == 0) return -1;
    const int ch = static_cast<int>(handle & 0xFF) - 1;
    if (ch < 0 || ch >= static_cast<int>(_channels.size())) return -1;
    return _channels[ch].handle == handle ? ch : -1;
}

bool CSoundKeeper::LoadSample(const std::string& alias)
{
    if (alias.empty() || _samples.count(alias)) return false;
    auto it = _sample_descs.find(alias);
    if (it == _sample_descs.end()) {
        GetLog().Error("Error: sample '%s' not found!", alias.c_str());
        return false;
    }
    const SampleDesc& desc = it->second;
    std::vector<uint8_t> data;
    int error = 0;
    Mix_Chunk* chunk = nullptr;
    if (!_audio_open) error = serrNoOutput;
    else if (!ReadSound(desc.file_name, data)) error = serrFileOpen;
    else if (!(chunk = DecodeChunk(data))) error = serrFormat;
    if (!chunk) {
        GetLog().Error("Error: can't load sample '%s', file '%s'. Error code: %X", alias.c_str(),
                       desc.file_name.c_str(), error);
        return false;
    }
    if (desc.freq >= 100 && desc.freq <= 100000) {
        const int recorded = RecordedRate(data);
        if (recorded > 0) chunk = ResampleChunk(chunk, recorded, desc.freq, _rate, _out_channels);
    }
    LoadedSample& s = _samples[alias];
    s.volume = desc.volume;
    s.freq = desc.freq;
    s.chunk = chunk;
    return true;
}

bool CSoundKeeper::FreeSample(const std::string& alias)
{
    auto it = _samples.find(alias);
    if (it == _samples.end()) return false;
    for (SoundHandle h : it->second.playbacks) {
        const int ch = ChannelOf(h);
        if (ch >= 0) {
            Mix_HaltChannel(ch);
            _channels[ch].handle = 0;
        }
    }
    Mix_FreeChunk(it->second.chunk);
    _samples.erase(it);
    return true;
}

SoundHandle CSoundKeeper::PlaySample(const std::string& alias)
{
    if (_muted || alias.empty() || !_audio_open) return 0;
    if (!_samples.count(alias)) {
        if (!LoadSample(alias)) zf::ReportFailedCheck("LoadSample(Name)", __FILE__, __LINE__);
        if (!_samples.count(alias)) return 0;
    }
    LoadedSample& s = _samples[alias];
    // Playbacks that ended no longer count toward the sample's four.
    std::erase_if(s.playbacks, [this](SoundHandle h) {
        const int ch = ChannelOf(h);
        return ch < 0 || !Mix_Playing(ch);
    });
    int ch = -1;
    if (s.playbacks.size() >= kMaxPlaybacks) {
        // A fifth play takes over the one that has played longest.
        ch = ChannelOf(s.playbacks.front());
        s.playbacks.erase(s.playbacks.begin());
        Mix_HaltChannel(ch);
    } else {
        for (int i = 0; i < static_cast<int>(_channels.size()) && ch < 0; ++i)
            if (!Mix_Playing(i)) ch = i;
        if (ch < 0) {
            // Every channel busy: the oldest playback of any sample gives way.
            ch = Mix_GroupOldest(-1);
            if (ch >= 0) Mix_HaltChannel(ch);
        }
    }
    if (ch < 0) {
        GetLog().Warning("Warning: unable to play sample '%s'! Error code: %d", alias.c_str(), serrNoChannel);
        return 0;
    }
    _serial = (_serial + 1) & 0xFFFFFF;
    if (_serial == 0) _serial = 1;
    const SoundHandle handle = (_serial << 8) | static_cast<SoundHandle>(ch + 1);
    _channels[ch].handle = handle;
    _channels[ch].volume = s.volume;
    Mix_Volume(ch, MixVolume(s.volume));
    if (Mix_PlayChannel(ch, s.chunk, 0) < 0) {
        GetLog().Warning("Warning: unable to play sample '%s'! Error code: %d", alias.c_str(), serrNoChannel);
    } else {
        if (_paused) Mix_Pause(ch);
        s.playbacks.push_back(handle);
    }
    return handle;
}

bool CSoundKeeper::StopSample(SoundHandle channel)
{
    // A playback stopped while the samples are muted stays stopped when they sound again.
    const int ch = ChannelOf(channel);
    if (ch < 0 && _muted) return true;
    if (ch < 0) {
        GetLog().Warning("Warning: unable to stop sample. Error code: %d", serrHandle);
        return false;
    }
    Mix_HaltChannel(ch);
    return true;
}

bool CSoundKeeper::SetSampleVolume(SoundHandle channel, int volume)
{
    const int ch = ChannelOf(channel);
    if (ch < 0) {
        GetLog().Warning("Warning: unable to set sample volume! Error code: %d", serrHandle);
        return false;
    }
    _channels[ch].volume = std::clamp(volume, 0, 100);
    Mix_Volume(ch, MixVolume(_channels[ch].volume));
    return true;
}

int CSoundKeeper::GetChannelState(SoundHandle channel)
{
    if (_muted) return scsMuted;
    const int ch = ChannelOf(channel);
    if (ch < 0) return scsInvalid;
    if (!Mix_Playing(ch)) return scsStopped;
    return Mix_Paused(ch) ? scsPaused : scsPlaying;
}

// ---------------------------------------------------------------------------------------------
// Music

bool CSoundKeeper::LoadMusic(const std::string& alias)
{
    if (alias.empty() || _musics.count(alias)) return false;
    auto it = _music_descs.find(alias);
    if (it == _music_descs.end()) {
        GetLog().Error("Error: music '%s' not found!", alias.c_str());
        return false;
    }
    const MusicDesc& desc = it->second;
    std::vector<uint8_t> data;
    int error = 0;
    int voice = 0;
    if (!ReadSound(desc.file_name, data)) {
        error = serrFileOpen;
    } else {
        // A tracker module first; else a stream file, decoded whole.
        int module_error = 0;
        voice = _mixer->AddModule(data, module_error);
        if (!voice) {
            error = serrFormat;
            if (_audio_open) voice = _mixer->AddStream(DecodeChunk(data));
        }
    }
    if (!voice) {
        GetLog().Error("Error: can't load music '%s', file: '%s'. Error code: %X", alias.c_str(),
                       desc.file_name.c_str(), error);
        return false;
    }
    LoadedMusic& m = _musics[alias];
    m.desc = desc;
    m.voice = voice;
    m.volume = 100;
    return true;
}

void CSoundKeeper::LoadAllMusic()
{
    for (const auto& [alias, desc] : _music_descs) LoadMusic(alias);
}

bool CSoundKeeper::FreeMusic(const std::string& alias)
{
    auto it = _musics.find(alias);
    if (it == _musics.end()) return false;
    _mixer->Remove(it->second.voice);
    _musics.erase(it);
    return true;
}

// The order after the last of a track: the next larger start of the music's tracks, else the end
// of the order list.
int CSoundKeeper::TrackEnd(const LoadedMusic& music, int start) const
{
    int end = _mixer->GetOrderCount(music.voice);
    for (int order : music.desc.tracks)
        if (order > start && order < end) end = order;
    return end;
}

bool CSoundKeeper::PlayMusic(const std::string& alias, int track)
{
    auto it = _musics.find(alias);
    if (it == _musics.end()) return false;
    LoadedMusic& m = it->second;
    if (track < 0 || track >= static_cast<int>(m.desc.tracks.size())) return false;
    const int order = m.desc.tracks[track];
    if (m.sliding) {
        // Its fading stop is running: the track starts when the fade has ended.
        m.queued_order = order;
        return true;
    }
    if (!_mixer->Play(m.voice, order, TrackEnd(m, order), true)) {
        GetLog().Error("Error: unable to play music '%s' track '%d'! Error code: %d", alias.c_str(), track,
                       serrParameter);
        return false;
    }
    _mixer->SetVolume(m.voice, m.volume);
    return true;
}

bool CSoundKeeper::StopMusic(const std::string& alias, int fade_ms)
{
    auto it = _musics.find(alias);
    if (it == _musics.end()) return false;
    LoadedMusic& m = it->second;
    if (fade_ms <= 0) {
        m.sliding = false;
        _mixer->Stop(m.voice);
        return true;
    }
    m.restore_volume = 100;
    m.queued_order = -1;
    m.sliding = true;
    m.slide_start = zf::ClockNow();
    m.slide_ms = static_cast<uint32_t>(fade_ms);
    m.slide_from = m.volume;
    return true;
}

void CSoundKeeper::EndSlide(LoadedMusic& m)
{
    m.sliding = false;
    _mixer->Stop(m.voice);
    m.volume = m.restore_volume;
    _mixer->SetVolume(m.voice, m.volume);
    if (m.queued_order >= 0) {
        const int order = m.queued_order;
        m.queued_order = -1;
        _mixer->Play(m.voice, order, TrackEnd(m, order), true);
    }
}

void CSoundKeeper::Update()
{
    const uint32_t now = zf::ClockNow();
    for (auto& [alias, m] : _musics) {
        if (!m.sliding) continue;
        const uint32_t elapsed = now - m.slide_start;
        if (elapsed >= m.slide_ms) {
            EndSlide(m);
            continue;
        }
        m.volume = static_cast<int>(m.slide_from - static_cast<int64_t>(m.slide_from) * elapsed / m.slide_ms);
        _mixer->SetVolume(m.voice, m.volume);
    }
}

bool CSoundKeeper::SetMusicVolume(const std::string& alias, int volume)
{
    auto it = _musics.find(alias);
    if (it == _musics.end()) return false;
    it->second.volume = std::clamp(volume, 0, 100);
    _mixer->SetVolume(it->second.voice, it->second.volume);
    return true;
}

int CSoundKeeper::GetMusicVolume(const std::string& alias)
{
    auto it = _musics.find(alias);
    return it == _musics.end() ? 0 : it->second.volume;
}

bool CSoundKeeper::GetMusicLevel(const std::string& alias, int& left, int& right)
{
    auto it = _musics.find(alias);
    if (it == _musics.end()) return false;
    _mixer->GetLevel(it->second.voice, left, right);
    return true;
}

bool CSoundKeeper::SetMusicChannelVolume(const std::string& alias, int channel_no, int volume)
{
    auto it = _musics.find(alias);
    if (it == _musics.end()) return false;
    if (!_mixer->SetChannelVolume(it->second.voice, channel_no, volume)) {
        GetLog().Warning("Warning: unable to set music '%s' channel %d volume! Error code: %d", alias.c_str(),
                         channel_no, serrNotAvailable);
        return false;
    }
    return true;
}

int CSoundKeeper::GetMusicChannelVolume(const std::string& alias, int channel_no)
{
    auto it = _musics.find(alias);
    if (it == _musics.end()) return 0;
    const int volume = _mixer->GetChannelVolume(it->second.voice, channel_no);
    if (volume < 0)
        GetLog().Warning("Warning: unable to get music '%s' channel %d volume! Error code: %d", alias.c_str(),
                         channel_no, serrNotAvailable);
    return volume;
}

int CSoundKeeper::GetMusicTrackCount(const std::string& alias)
{
    auto it = _musics.find(alias);
    return it == _musics.end() ? 0 : static_cast<int>(it->second.desc.tracks.size());
}

bool CSoundKeeper::IsMusicPlaying(const std::string& alias)
{
    auto it = _musics.find(alias);
    return it != _musics.end() && _mixer->IsPlaying(it->second.voice);
}

bool CSoundKeeper::GetMusicPosition(const std::string& alias, int& order, int& row)
{
    auto it = _musics.find(alias);
    return it != _musics.end() && _mixer->GetPosition(it->second.voice, order, row);
}

// ---------------------------------------------------------------------------------------------
// Volumes, output, release

bool CSoundKeeper::SetVolumes(int music, int sample)
{
    _music_volume = music;
    _sample_volume = sample;
    _muted = (sample == 0);
    _mixer->SetMasterVolume(music);
    for (int ch = 0; ch < static_cast<int>(_channels.size()); ++ch)
        if (_channels[ch].handle) Mix_Volume(ch, MixVolume(_channels[ch].volume));
    return true;
}

bool CSoundKeeper::GetVolumes(int* music, int* sample)
{
    if (music) *music = _music_volume;
    if (sample) *sample = _sample_volume;
    return true;
}

int CSoundKeeper::GetMusicVolumeSetting()
{
    return _music_volume;
}

bool CSoundKeeper::Resume()
{
    if (!_audio_open) return false;
    _paused = false;
    Mix_Resume(-1);
    _mixer->SetPaused(false);
    return true;
}

bool CSoundKeeper::Pause()
{
    if (!_audio_open) return false;
    _paused = true;
    Mix_Pause(-1);
    _mixer->SetPaused(true);
    return true;
}

void CSoundKeeper::FreeAll()
{
    while (!_samples.empty()) FreeSample(_samples.begin()->first);
    while (!_musics.empty()) FreeMusic(_musics.begin()->first);
}
