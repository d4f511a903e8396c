// Opening and freeing channels: sampled files and MIDI as streams, tracker
// modules as music. The format is decided by content, never by file name.
#include <cmath>
#include <string>

#include "engine/bass.h"
#include "engine/engine.h"
#include "engine/error.h"
#include "engine/net/url_opening.h"
#include "engine/source/decoders.h"
#include "engine/source/range_source.h"

using namespace sonvaro::audio;

namespace {

std::unique_ptr<ByteSource> OpenBytes(BOOL mem, const void* file, QWORD offset, QWORD length, int& error) {
    error = BASS_ERROR_FILEOPEN;
    if (!file) {
        error = BASS_ERROR_ILLPARAM;
        return nullptr;
    }
    if (mem) {
        if (length == 0) {
            error = BASS_ERROR_ILLPARAM;
            return nullptr;
        }
        return std::make_unique<MemoryByteSource>(static_cast<const char*>(file) + offset,
                                                  static_cast<std::size_t>(length));
    }
    return FileByteSource::Open(static_cast<const char*>(file), static_cast<std::int64_t>(offset),
                                static_cast<std::int64_t>(length));
}

DWORD AddChannel(std::unique_ptr<Source> source, DWORD flags) {
    auto& engine = Engine::Get();
    DWORD handle = engine.NewHandle();
    engine.Add(std::make_shared<Channel>(handle, std::move(source), flags, engine.Rate()));
    SetError(BASS_OK);
    return handle;
}

// A part of a file, in seconds; end <= 0 is the file's end.
struct SecondsRange {
    double start = 0;
    double end = 0;
};

HSTREAM CreateStream(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags, bool midiOnly,
                     DWORD freq, const SecondsRange* range = nullptr) {
    auto& engine = Engine::Get();
    if (!engine.Initialised()) return Fail(BASS_ERROR_INIT, HSTREAM{0});
    int error = 0;
    auto bytes = OpenBytes(mem, file, offset, length, error);
    if (!bytes) return Fail(error, HSTREAM{0});
    if (bytes->Size() == 0) return Fail(BASS_ERROR_FILEFORM, HSTREAM{0});
    DecoderInput input;
    input.probe = ProbeContent(*bytes);
    input.bytes = std::move(bytes);
    if (!mem) input.path = static_cast<const char*>(file);
    input.rate = freq ? freq : engine.Rate();
    input.video = engine.Config(BASS_CONFIG_MP4_VIDEO) != 0;
    const Decoder* decoder = StreamDecoderFor(input);
    if (!decoder || (midiOnly && input.probe.container != Container::Midi))
        return Fail(BASS_ERROR_FILEFORM, HSTREAM{0});
    auto source = decoder->open(input, error);
    if (!source) return Fail(error, HSTREAM{0});
    if (range) {
        // Rounded to the nearest frame: a CUE frame (1/75 s) is a whole number
        // of samples at the usual rates, so neighbouring parts join exactly.
        const double rate = source->Format().rate;
        const auto frame = [rate](double seconds) {
            return static_cast<std::int64_t>(std::llround(seconds * rate));
        };
        source = std::make_unique<RangeSource>(std::move(source), frame(range->start),
                                               range->end > 0 ? frame(range->end) : -1);
    }
    return AddChannel(std::move(source), flags);
}

}  // namespace

HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags) {
    return CreateStream(mem, file, offset, length, flags, false, 0);
}

HSTREAM BASS_StreamCreateFileRange(const char* file, double start, double end, DWORD flags) {
    if (!std::isfinite(start) || !std::isfinite(end) || start < 0 || (end > 0 && end <= start))
        return Fail(BASS_ERROR_ILLPARAM, HSTREAM{0});
    const SecondsRange range{start, end};
    return CreateStream(FALSE, file, 0, 0, flags, false, 0, &range);
}

HSTREAM BASS_StreamCreateURL(const char* url, DWORD offset, DWORD flags, DOWNLOADPROC* proc, void* user) {
    auto& engine = Engine::Get();
    if (!engine.Initialised()) return Fail(BASS_ERROR_INIT, HSTREAM{0});
    if (!url || !*url) return Fail(BASS_ERROR_ILLPARAM, HSTREAM{0});
    UrlOptions options;
    options.proxy = engine.ConfigText(BASS_CONFIG_NET_PROXY);
    if (const std::string agent = engine.ConfigText(BASS_CONFIG_NET_AGENT); !agent.empty())
        options.agent = agent;
    if (const DWORD ms = engine.Config(BASS_CONFIG_NET_TIMEOUT)) options.timeoutMs = ms;
    if (const DWORD ms = engine.Config(BASS_CONFIG_NET_BUFFER)) options.bufferMs = ms;
    options.followPlaylists = engine.Config(BASS_CONFIG_NET_PLAYLIST) != 0;
    int error = BASS_ERROR_FILEOPEN;
    std::shared_ptr<UrlStream> stream;
    auto source = OpenUrlSource(url, offset, flags, proc, user, options, stream, error);
    if (!source) return Fail(error, HSTREAM{0});
    const DWORD handle = AddChannel(std::move(source), flags);
    // From now on new titles reach the channel's META syncs.
    stream->SetTitleListener([handle] {
        auto channel = Engine::Get().Find(handle);
        if (!channel) return;
        for (const Sync& s : channel->SyncsOfType(BASS_SYNC_META)) s.proc(s.handle, handle, 0, s.user);
    });
    return handle;
}

HSTREAM BASS_MIDI_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags,
                                   DWORD freq) {
    return CreateStream(mem, file, offset, length, flags, true, freq);
}

HMUSIC BASS_MusicLoad(BOOL mem, const void* file, QWORD offset, DWORD length, DWORD flags, DWORD freq) {
    auto& engine = Engine::Get();
    if (!engine.Initialised()) return Fail(BASS_ERROR_INIT, HMUSIC{0});
    int error = 0;
    auto bytes = OpenBytes(mem, file, offset, length, error);
    if (!bytes) return Fail(error, HMUSIC{0});
    if (bytes->Size() == 0) return Fail(BASS_ERROR_FILEFORM, HMUSIC{0});
    DecoderInput input;
    input.bytes = std::move(bytes);
    input.rate = freq ? freq : engine.Rate();
    auto source = MusicDecoder().open(input, error);
    if (!source) return Fail(error, HMUSIC{0});
    return AddChannel(std::move(source), flags);
}

BOOL BASS_StreamFree(HSTREAM handle) {
    if (!Engine::Get().FreeChannel(handle)) return Fail(BASS_ERROR_HANDLE, FALSE);
    SetError(BASS_OK);
    return TRUE;
}

BOOL BASS_MusicFree(HMUSIC handle) {
    return BASS_StreamFree(handle);
}
BOOL BASS_ChannelFree(DWORD handle) {
    return BASS_StreamFree(handle);
}

QWORD BASS_StreamGetFilePosition(HSTREAM handle, DWORD mode) {
    auto ch = Engine::Get().Find(handle);
    if (!ch) return Fail(BASS_ERROR_HANDLE, static_cast<QWORD>(-1));
    std::int64_t v = ch->FilePosition(mode);
    if (v < 0) return Fail(BASS_ERROR_NOTAVAIL, static_cast<QWORD>(-1));
    SetError(BASS_OK);
    return static_cast<QWORD>(v);
}
