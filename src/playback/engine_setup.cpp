#include "playback/engine_setup.h"

#include <array>

#include "core/ports/messages.h"
#include "core/text.h"
#include "core/worker_state.h"
#include "engine/bass.h"
#include "settings/settings.h"

namespace sonvaro {

uint32_t OutputRateOf(int32_t rateIndex) {
    constexpr std::array<uint32_t, 5> kRates{48000, 44100, 22050, 11025, 8000};
    return rateIndex >= 0 && rateIndex < static_cast<int32_t>(kRates.size()) ? kRates[rateIndex] : 0;
}

std::string EngineErrorText(int32_t code) {
    switch (code) {
        case 0:
            return "OK";
        case 1:
            return "Memory Error";
        case 2:
            return "Can't open the File";
        case 3:
            return "can't find a free/valid driver";
        case 4:
            return "the sample buffer was lost";
        case 5:
            return "invalid handle";
        case 6:
            return "unsupported sample format";
        case 7:
            return "invalid playback position";
        case 8:
            return "BASS_Init has not been successfully called";
        case 9:
            return "BASS_Start has not been successfully called";
        case 14:
            return "already initialized";
        case 18:
            return "can't get a free channel";
        case 19:
            return "an illegal type was specified";
        case 20:
            return "an illegal parameter was specified";
        case 21:
            return "no 3D support";
        case 22:
            return "no EAX support";
        case 23:
            return "illegal device number";
        case 24:
            return "not playing";
        case 25:
            return "illegal sample rate";
        case 27:
            return "the stream is not a file stream";
        case 29:
            return "no hardware voices available";
        case 31:
            return "the MOD music has no sequence Data";
        case 32:
            return "no internet connection could be opened";
        case 33:
            return "couldn't create the file";
        case 34:
            return "effects are not available";
        case 35:
            return "the channel is playing";
        case 37:
            return "requested Data is not available";
        case 38:
            return "the channel is a decoding channel";
        case 39:
            return "a sufficient DirectX version is not installed";
        case 40:
            return "connection timedout";
        case 41:
            return "unsupported file format";
        case 42:
            return "unavailable speaker";
        case 43:
            return "invalid BASS version (used by add-ons)";
        case 44:
            return "codec is Not available/supported";
        case 45:
            return "the channel/file has ended";
        case -1:
            return "some other mystery error";
        default:
            return {};
    }
}

void RefreshOutputDevices(AudioEngineState& engine) {
    engine.outputDevices.clear();
    BASS_DEVICEINFO info{};
    for (DWORD n = 0; BASS_GetDeviceInfo(n, &info); ++n)
        engine.outputDevices.push_back(
            {std::string(TrimSpaces(info.name ? info.name : "")), static_cast<uint8_t>(info.flags & 0xFF)});
}

bool InitAudioEngine(int32_t device, int32_t rateIndex, Settings& settings, AudioEngineState& engine,
                     WorkerState& workers, Messages& messages) {
    // The scan reads through the engine; one stuck in a read is let go after
    // the shut-down's wait and stops after that file.
    workers.StopScanWithin(std::chrono::milliseconds(2500));
    if (device < -1) device = -1;
    const uint32_t rate = OutputRateOf(rateIndex);
    workers.BeginEngineReset();
    struct ResetEnds {
        WorkerState& workers;
        ~ResetEnds() { workers.EndEngineReset(); }
    } resetEnds{workers};
    BASS_PluginFree(0);
    BASS_Free();
    engine.running = BASS_Init(device, rate, BASS_DEVICE_SPEAKERS, nullptr, nullptr);
    if (!engine.running) {
        messages.ErrorBox(
            "Initialisierung von BASS fehlgeschlagen.\nBASS wird versucht mit Standardeinstellungen zu "
            "initialisieren");
        engine.running = BASS_Init(-1, 44100, BASS_DEVICE_SPEAKERS, nullptr, nullptr);
    }
    bool soundOutput = engine.running;
    if (!soundOutput) {
        messages.Show("BASS konnte nicht initialisiert werden.\n\n" + EngineErrorText(BASS_ErrorGetCode()),
                      "Fehler", MessageIcon::None);
        // Without any engine no file could even be read for its tags, and the
        // playlist and library would lose every entry. "No sound" always works.
        engine.running = BASS_Init(0, 44100, BASS_DEVICE_SPEAKERS, nullptr, nullptr);
        if (!engine.running) {
            settings.BASS_QutputDevice = -1;
            return false;
        }
    }
    engine.engineVersion = BASS_GetVersion();
    for (const char* plugin : {"basswma.dll", "bassflac.dll", "bassmidi.dll", "basswv.dll", "bass_aac.dll"})
        BASS_PluginLoad(plugin, 0);
    BASS_FX_GetVersion();
    BASS_SetConfig(BASS_CONFIG_FLOATDSP, 1);
    BASS_SetConfig(BASS_CONFIG_NET_PLAYLIST, 1);
    BASS_SetConfig(BASS_CONFIG_MIDI_AUTOFONT, 2);
    BASS_SetConfig(BASS_CONFIG_NET_PREBUF, 0);
    BASS_SetConfig(BASS_CONFIG_MP4_VIDEO, 1);
    // The stored byte is signed; a time-out typed as 200 s comes back as -56 and means 200.
    BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT,
                   static_cast<DWORD>(static_cast<uint8_t>(settings.NETStream_TimeOut)) * 1000);
    BASS_SetConfigPtr(BASS_CONFIG_NET_PROXY, settings.NETStream_Proxy.c_str());
    RefreshOutputDevices(engine);
    // After a total failure the next start tries the default device again.
    settings.BASS_QutputDevice = soundOutput ? static_cast<int32_t>(BASS_GetDevice()) : -1;
    settings.BASS_OutputRate = rateIndex;
    return soundOutput;
}

}  // namespace sonvaro
