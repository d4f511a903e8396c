// Feeds arbitrary bytes to the stream and module loaders as a file, then
// decodes a bounded amount through a decoding channel and the offline mixer.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/bass.h"
#include "engine/output/offline_output.h"

namespace {

std::string TempPath() {
    static std::string path = [] {
        const char* dir = getenv("TMPDIR");
        return std::string(dir && *dir ? dir : "/tmp") + "/sonvaro_audio_fuzz_" + std::to_string(getpid());
    }();
    return path;
}

void Drain(DWORD handle, bool decodeChannel) {
    if (!handle) return;
    BASS_CHANNELINFO info;
    BASS_ChannelGetInfo(handle, &info);
    BASS_ChannelGetLength(handle, BASS_POS_BYTE);
    BASS_ChannelGetTags(handle, BASS_TAG_MP4);
    BASS_ChannelGetTags(handle, BASS_TAG_WMA);
    if (decodeChannel) {
        std::vector<char> buffer(16384);
        for (int i = 0; i < 16; ++i)
            if (BASS_ChannelGetData(handle, buffer.data(), static_cast<DWORD>(buffer.size())) ==
                static_cast<DWORD>(-1))
                break;
        BASS_ChannelSetPosition(handle, 0, BASS_POS_BYTE);
    } else {
        BASS_ChannelPlay(handle, TRUE);
        std::vector<float> mix(4096 * 2);
        for (int i = 0; i < 8 && BASS_ChannelIsActive(handle) == BASS_ACTIVE_PLAYING; ++i)
            sonvaro::audio::PullOffline(mix.data(), 4096);
        float fft[128];
        BASS_ChannelGetData(handle, fft, BASS_DATA_FFT256);
    }
    BASS_ChannelFree(handle);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static bool ready = sonvaro::audio::InitOffline(44100);
    if (!ready) return 0;
    const std::string path = TempPath();
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    } else {
        return 0;
    }
    // Flags 0x200000 (decoding channel, as the tag reader's open plus data) and 0 (mixed).
    Drain(BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_STREAM_DECODE | BASS_STREAM_PRESCAN), true);
    Drain(BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0), false);
    Drain(BASS_MusicLoad(FALSE, path.c_str(), 0, 0, BASS_MUSIC_DECODE | BASS_MUSIC_PRESCAN, 0), true);
    Drain(BASS_MusicLoad(FALSE, path.c_str(), 0, 0, 0, 0), false);
    std::remove(path.c_str());
    return 0;
}
