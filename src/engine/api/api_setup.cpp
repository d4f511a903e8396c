// Engine set-up calls: devices, initialisation, configuration, plug-ins.
#include <algorithm>
#include <cctype>
#include <deque>
#include <mutex>
#include <string>

#include "engine/bass.h"
#include "engine/engine.h"
#include "engine/error.h"
#include "engine/output/offline_output.h"
#include "engine/source/midi_source.h"

using namespace sonvaro::audio;

namespace {

constexpr DWORD kVersion = 0x02041100;
constexpr DWORD kFxVersion = 0x02040C00;

std::mutex namesMutex;
std::deque<std::string> interned;  // device names handed out stay valid for the whole run
std::vector<std::string> deviceNames;

const char* Intern(const std::string& s) {
    for (const auto& i : interned)
        if (i == s) return i.c_str();
    interned.push_back(s);
    return interned.back().c_str();
}

bool KnownOption(DWORD option) {
    switch (option) {
        case BASS_CONFIG_BUFFER:
        case BASS_CONFIG_UPDATEPERIOD:
        case BASS_CONFIG_GVOL_SAMPLE:
        case BASS_CONFIG_GVOL_STREAM:
        case BASS_CONFIG_GVOL_MUSIC:
        case BASS_CONFIG_CURVE_VOL:
        case BASS_CONFIG_CURVE_PAN:
        case BASS_CONFIG_FLOATDSP:
        case BASS_CONFIG_3DALGORITHM:
        case BASS_CONFIG_NET_TIMEOUT:
        case BASS_CONFIG_NET_BUFFER:
        case BASS_CONFIG_PAUSE_NOPLAY:
        case BASS_CONFIG_NET_PREBUF:
        case BASS_CONFIG_NET_PASSIVE:
        case BASS_CONFIG_NET_PLAYLIST:
        case BASS_CONFIG_MUSIC_VIRTUAL:
        case BASS_CONFIG_VERIFY:
        case BASS_CONFIG_UPDATETHREADS:
        case BASS_CONFIG_DEV_BUFFER:
        case BASS_CONFIG_MIDI_AUTOFONT:
        case BASS_CONFIG_MP4_VIDEO:
            return true;
        default:
            return false;
    }
}

struct ConfigDefaults {
    ConfigDefaults() {
        auto& e = Engine::Get();
        e.SetConfig(BASS_CONFIG_BUFFER, 500);
        e.SetConfig(BASS_CONFIG_UPDATEPERIOD, 100);
        e.SetConfig(BASS_CONFIG_GVOL_STREAM, 10000);
        e.SetConfig(BASS_CONFIG_GVOL_MUSIC, 10000);
        e.SetConfig(BASS_CONFIG_GVOL_SAMPLE, 10000);
        e.SetConfig(BASS_CONFIG_NET_TIMEOUT, 5000);
        e.SetConfig(BASS_CONFIG_NET_BUFFER, 5000);
        e.SetConfig(BASS_CONFIG_NET_PREBUF, 75);
        e.SetConfig(BASS_CONFIG_MIDI_AUTOFONT, 1);
        e.SetConfig(BASS_CONFIG_MP4_VIDEO, 1);
        e.SetConfig(BASS_CONFIG_UPDATETHREADS, 1);
    }
};

// Every entry point that reads or writes options sets the defaults first.
void EnsureDefaults() {
    static ConfigDefaults defaults;
}

std::string PluginBaseName(const char* file) {
    std::string s = file;
    auto slash = s.find_last_of("/\\");
    if (slash != std::string::npos) s.erase(0, slash + 1);
    auto dot = s.find('.');
    if (dot != std::string::npos) s.erase(dot);
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    if (s.rfind("lib", 0) == 0) s.erase(0, 3);
    return s;
}

}  // namespace

namespace sonvaro::audio {

namespace {
thread_local int lastError = BASS_OK;
}

void SetError(int code) {
    lastError = code;
}
int LastError() {
    return lastError;
}

bool InitOffline(unsigned rate) {
    EnsureDefaults();
    int rc = Engine::Get().Init(0, rate, true);
    SetError(rc);
    return rc == BASS_OK;
}

std::size_t PullOffline(float* out, std::size_t frames) {
    return Engine::Get().PullOffline(out, frames);
}

}  // namespace sonvaro::audio

BOOL BASS_Init(int device, DWORD freq, DWORD flags, HWND win, const void* dsguid) {
    EnsureDefaults();
    int rc = Engine::Get().Init(device, freq, false);
    SetError(rc);
    return rc == BASS_OK;
}

BOOL BASS_Free() {
    if (!Engine::Get().Initialised()) return Fail(BASS_ERROR_INIT, FALSE);
    Engine::Get().Free();
    SetError(BASS_OK);
    return TRUE;
}

DWORD BASS_GetDevice() {
    if (!Engine::Get().Initialised()) return Fail(BASS_ERROR_INIT, static_cast<DWORD>(-1));
    SetError(BASS_OK);
    return static_cast<DWORD>(Engine::Get().Device());
}

BOOL BASS_SetDevice(DWORD device) {
    if (!Engine::Get().Initialised()) return Fail(BASS_ERROR_INIT, FALSE);
    if (static_cast<int>(device) != Engine::Get().Device()) return Fail(BASS_ERROR_DEVICE, FALSE);
    SetError(BASS_OK);
    return TRUE;
}

BOOL BASS_GetDeviceInfo(DWORD device, BASS_DEVICEINFO* info) {
    if (!info) return Fail(BASS_ERROR_ILLPARAM, FALSE);
    std::lock_guard lock(namesMutex);
    // Enumerating asks the sound system; do it once per walk over the list.
    if (device <= 1 || deviceNames.empty()) deviceNames = SdlDeviceNames();
    auto& e = Engine::Get();
    int current = e.Initialised() ? e.Device() : -1;
    DWORD initFlag = static_cast<int>(device) == current ? BASS_DEVICE_INIT : 0;
    if (device == 0) {
        *info = {Intern("No sound"), Intern(""), BASS_DEVICE_ENABLED | initFlag};
    } else if (device == 1) {
        *info = {Intern("Default"), Intern(""), BASS_DEVICE_ENABLED | BASS_DEVICE_DEFAULT | initFlag};
    } else if (device - 2 < deviceNames.size()) {
        const std::string& name = deviceNames[device - 2];
        *info = {Intern(name), Intern("sdl"), BASS_DEVICE_ENABLED | initFlag};
    } else {
        return Fail(BASS_ERROR_DEVICE, FALSE);
    }
    SetError(BASS_OK);
    return TRUE;
}

DWORD BASS_GetVersion() {
    return kVersion;
}
DWORD BASS_FX_GetVersion() {
    return kFxVersion;
}
int BASS_ErrorGetCode() {
    return LastError();
}

BOOL BASS_SetConfig(DWORD option, DWORD value) {
    EnsureDefaults();
    if (!KnownOption(option)) return Fail(BASS_ERROR_ILLTYPE, FALSE);
    Engine::Get().SetConfig(option, value);
    SetError(BASS_OK);
    return TRUE;
}

DWORD BASS_GetConfig(DWORD option) {
    EnsureDefaults();
    if (!KnownOption(option)) return Fail(BASS_ERROR_ILLTYPE, static_cast<DWORD>(-1));
    SetError(BASS_OK);
    return Engine::Get().Config(option);
}

BOOL BASS_SetConfigPtr(DWORD option, const void* value) {
    EnsureDefaults();
    std::string text = value ? static_cast<const char*>(value) : "";
    switch (option) {
        case BASS_CONFIG_NET_PROXY:
        case BASS_CONFIG_NET_AGENT:
            Engine::Get().SetConfigText(option, text);
            break;
        case BASS_CONFIG_MIDI_DEFFONT:
            Engine::Get().SetConfigText(option, text);
            MidiSource::SetDefaultFont(text);
            break;
        default:
            return Fail(BASS_ERROR_ILLTYPE, FALSE);
    }
    SetError(BASS_OK);
    return TRUE;
}

const void* BASS_GetConfigPtr(DWORD option) {
    static thread_local std::string copy;
    switch (option) {
        case BASS_CONFIG_NET_PROXY:
        case BASS_CONFIG_NET_AGENT:
        case BASS_CONFIG_MIDI_DEFFONT:
            copy = Engine::Get().ConfigText(option);
            SetError(BASS_OK);
            return copy.empty() ? nullptr : copy.c_str();
        default:
            return Fail(BASS_ERROR_ILLTYPE, static_cast<const void*>(nullptr));
    }
}

BOOL BASS_SetVolume(float volume) {
    if (!Engine::Get().Initialised()) return Fail(BASS_ERROR_INIT, FALSE);
    if (!(volume >= 0.0f && volume <= 1.0f)) return Fail(BASS_ERROR_ILLPARAM, FALSE);
    Engine::Get().SetMasterVolume(volume);
    Engine::Get().HearChangeNow();
    SetError(BASS_OK);
    return TRUE;
}

float BASS_GetVolume() {
    if (!Engine::Get().Initialised()) return Fail(BASS_ERROR_INIT, -1.0f);
    SetError(BASS_OK);
    return Engine::Get().MasterVolume();
}

HPLUGIN BASS_PluginLoad(const char* file, DWORD flags) {
    // The formats these add-ons bring are built into the engine; loading one
    // of them only confirms that its formats are there.
    static const char* builtIn[] = {"basswma", "bassflac", "bassmidi", "basswv", "bass_aac"};
    if (!file) return Fail(BASS_ERROR_FILEOPEN, HPLUGIN{0});
    std::string base = PluginBaseName(file);
    for (std::size_t i = 0; i < std::size(builtIn); ++i) {
        if (base == builtIn[i]) {
            SetError(BASS_OK);
            return static_cast<HPLUGIN>(0x70000 + i);
        }
    }
    return Fail(BASS_ERROR_FILEOPEN, HPLUGIN{0});
}

BOOL BASS_PluginFree(HPLUGIN handle) {
    if (handle != 0 && (handle < 0x70000 || handle > 0x70004)) return Fail(BASS_ERROR_HANDLE, FALSE);
    SetError(BASS_OK);
    return TRUE;
}
