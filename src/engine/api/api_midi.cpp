// Sound-font calls. A font handle names a checked SF2 file; FluidSynth loads
// it into the synthesiser of each MIDI stream that uses it.
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/bass.h"
#include "engine/engine.h"
#include "engine/error.h"
#include "engine/source/midi_source.h"

using namespace sonvaro::audio;

namespace {

std::mutex fontsMutex;
std::unordered_map<HSOUNDFONT, std::string> fonts;
HSOUNDFONT nextFont = 0x60000;

int CheckSoundFont(const char* path) {
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return BASS_ERROR_FILEOPEN;
    char head[12] = {};
    std::size_t n = std::fread(head, 1, sizeof head, f);
    std::fclose(f);
    if (n != sizeof head || std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "sfbk", 4) != 0)
        return BASS_ERROR_FILEFORM;
    return BASS_OK;
}

std::shared_ptr<Channel> MidiChannel(HSTREAM handle) {
    auto ch = Engine::Get().Find(handle);
    if (!ch) return Fail(BASS_ERROR_HANDLE, std::shared_ptr<Channel>());
    if (ch->format.ctype != BASS_CTYPE_STREAM_MIDI)
        return Fail(BASS_ERROR_ILLTYPE, std::shared_ptr<Channel>());
    return ch;
}

}  // namespace

HSOUNDFONT BASS_MIDI_FontInit(const void* file, DWORD flags) {
    if (!file) return Fail(BASS_ERROR_FILEOPEN, HSOUNDFONT{0});
    const char* path = static_cast<const char*>(file);
    int rc = CheckSoundFont(path);
    if (rc != BASS_OK) return Fail(rc, HSOUNDFONT{0});
    std::lock_guard lock(fontsMutex);
    HSOUNDFONT h = nextFont++;
    fonts[h] = path;
    SetError(BASS_OK);
    return h;
}

BOOL BASS_MIDI_FontFree(HSOUNDFONT handle) {
    std::lock_guard lock(fontsMutex);
    if (fonts.erase(handle) == 0) return Fail(BASS_ERROR_HANDLE, FALSE);
    SetError(BASS_OK);
    return TRUE;
}

BOOL BASS_MIDI_FontLoad(HSOUNDFONT handle, int preset, int bank) {
    std::lock_guard lock(fontsMutex);
    if (!fonts.count(handle)) return Fail(BASS_ERROR_HANDLE, FALSE);
    SetError(BASS_OK);
    return TRUE;
}

BOOL BASS_MIDI_StreamSetFonts(HSTREAM handle, const void* list, DWORD count) {
    auto ch = MidiChannel(handle);
    if (!ch) return FALSE;
    if (!list && count) return Fail(BASS_ERROR_ILLPARAM, FALSE);
    std::vector<std::string> paths;
    {
        std::lock_guard lock(fontsMutex);
        const auto* entries = static_cast<const BASS_MIDI_FONT*>(list);
        for (DWORD i = 0; i < count; ++i) {
            auto it = fonts.find(entries[i].font);
            if (it == fonts.end()) return Fail(BASS_ERROR_HANDLE, FALSE);
            paths.push_back(it->second);
        }
    }
    ch->WithSource([&](Source& s) {
        static_cast<MidiSource&>(s).SetFonts(std::move(paths));
        return 0;
    });
    SetError(BASS_OK);
    return TRUE;
}

BOOL BASS_MIDI_StreamLoadSamples(HSTREAM handle) {
    auto ch = MidiChannel(handle);
    if (!ch) return FALSE;
    ch->WithSource([](Source& s) { return static_cast<MidiSource&>(s).LoadSamples(); });
    SetError(BASS_OK);
    return TRUE;
}
