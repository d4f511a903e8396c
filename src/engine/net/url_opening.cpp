#include "engine/net/url_opening.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "engine/net/ascii_case.h"
#include "engine/source/byte_source.h"
#include "engine/source/decoders.h"

namespace sonvaro::audio {
namespace {

constexpr std::size_t kMaxRead = 4096;  // per decoder read, so the buffer fill shows what is really waiting
constexpr int kMaxPlaylistHops = 5;

std::mutex openingMutex;
std::vector<UrlStream*> opening;  // streams inside OpenUrlSource

// Registers a stream for CancelOpeningUrlStreams while it is being opened.
class OpeningGuard {
  public:
    explicit OpeningGuard(UrlStream* stream) : stream_(stream) {
        std::lock_guard lock(openingMutex);
        opening.push_back(stream_);
    }
    ~OpeningGuard() {
        std::lock_guard lock(openingMutex);
        std::erase(opening, stream_);
    }

  private:
    UrlStream* stream_;
};

bool IsAddress(const std::string& s) {
    return StartsNoCase(s, "http://") || StartsNoCase(s, "https://") || StartsNoCase(s, "ftp://");
}

// The decoder's view of the download: FFmpeg reads through this.
class NetByteSource final : public ByteSource {
  public:
    explicit NetByteSource(std::shared_ptr<UrlStream> stream) : stream_(std::move(stream)) {}
    std::int64_t Read(void* buffer, std::size_t size) override {
        return stream_->Read(buffer, std::min(size, kMaxRead));
    }
    bool Seek(std::int64_t offset) override { return stream_->Seek(offset); }
    std::int64_t Position() const override { return stream_->Position(); }
    std::int64_t Size() const override { return -1; }
    bool Seekable() const override { return false; }

  private:
    std::shared_ptr<UrlStream> stream_;
};

}  // namespace

void CancelOpeningUrlStreams() {
    std::lock_guard lock(openingMutex);
    for (UrlStream* s : opening) s->Cancel();
}

bool LooksLikePlaylist(const std::string& contentType, const std::string& head) {
    std::string type = contentType.substr(0, contentType.find(';'));
    type = Trim(type);
    for (const char* t : {"audio/x-scpls", "audio/scpls", "application/pls+xml", "audio/x-mpegurl",
                          "audio/mpegurl", "application/x-mpegurl"})
        if (StartsNoCase(type, t) && type.size() == std::strlen(t)) return true;
    std::string text = Trim(head.substr(0, 512));
    if (text.size() >= 3 && static_cast<unsigned char>(text[0]) == 0xEF &&
        static_cast<unsigned char>(text[1]) == 0xBB && static_cast<unsigned char>(text[2]) == 0xBF)
        text = text.substr(3);
    return StartsNoCase(text, "[playlist]") || StartsNoCase(text, "#EXTM3U") || IsAddress(text);
}

std::string FirstPlaylistEntry(const std::string& body) {
    std::size_t at = 0;
    while (at < body.size()) {
        std::size_t end = body.find_first_of("\r\n", at);
        if (end == std::string::npos) end = body.size();
        std::string line = Trim(body.substr(at, end - at));
        at = end + 1;
        if (line.empty() || line[0] == '#' || line[0] == '[') continue;
        // PLS: "File1=address"; M3U: the address itself.
        if (StartsNoCase(line, "file")) {
            std::size_t eq = line.find('=');
            if (eq != std::string::npos) line = Trim(line.substr(eq + 1));
        }
        if (IsAddress(line)) return line;
    }
    return {};
}

std::unique_ptr<UrlSource> OpenUrlSource(const std::string& url, std::uint64_t offset, DWORD flags,
                                         DOWNLOADPROC* proc, void* user, const UrlOptions& given,
                                         std::shared_ptr<UrlStream>& out, int& error) {
    TransferOptions options;
    options.proxy = given.proxy;
    options.timeoutMs = given.timeoutMs;
    options.agent = given.agent;
    std::string address = url;
    for (int hop = 0;; ++hop) {
        auto stream = std::make_shared<UrlStream>(flags, proc, user);
        OpeningGuard guard(stream.get());
        // Its thread holds it too: a stream given up must be told to stop.
        struct Abandon {
            std::shared_ptr<UrlStream>& stream;
            bool keep = false;
            ~Abandon() {
                if (!keep) stream->Cancel();
            }
        } abandon{stream};
        options.url = address;
        options.offset = hop == 0 ? offset : 0;
        stream->Start(options, 2 * options.timeoutMs + 10000);
        if (!stream->WaitHeaders(error)) return nullptr;

        if (given.followPlaylists &&
            LooksLikePlaylist(stream->Header("content-type"), stream->WaitPrefix(512))) {
            // Follow it, but not in circles.
            std::string next =
                hop < kMaxPlaylistHops ? FirstPlaylistEntry(stream->WaitPrefix(UrlStream::kKeepHead)) : "";
            if (next.empty()) {
                error = BASS_ERROR_FILEFORM;
                return nullptr;
            }
            address = next;
            continue;
        }

        // Probe what has arrived so far; look further only while the data is inconclusive.
        DecoderInput input;
        std::string prefix;
        for (std::size_t want = 8192;; want *= 2) {
            prefix = stream->WaitPrefix(want);
            if (prefix.size() >= 12) {
                MemoryByteSource snapshot(prefix.data(), prefix.size());
                input.probe = ProbeContent(snapshot);
            }
            if (input.probe.container != Container::Unknown || prefix.size() < want ||
                want >= UrlStream::kKeepHead)
                break;
        }
        input.bytes = std::make_unique<MemoryByteSource>(prefix.data(), prefix.size());
        const Decoder* decoder = StreamDecoderFor(input);
        // Garbage, a format that needs seeking, or one only a file decoder reads.
        if (!decoder || !decoder->overNetwork || !ReadsWithoutSeeking(input.probe.container)) {
            error = BASS_ERROR_FILEFORM;
            return nullptr;
        }
        const ProbeResult& probe = input.probe;

        unsigned kbps = static_cast<unsigned>(std::atoi(stream->Header("icy-br").c_str()));
        std::size_t perSecond = probe.bitrate ? probe.bitrate / 8 : kbps ? kbps * 125 : 16000;
        stream->SetCapacity(perSecond * given.bufferMs / 1000);

        input.bytes = std::make_unique<NetByteSource>(stream);
        auto source = decoder->open(input, error);
        if (!source) return nullptr;
        if (stream->Cancelled()) {
            error = BASS_ERROR_ENDED;
            return nullptr;
        }
        stream->StartDelivery();
        abandon.keep = true;
        out = stream;
        return std::make_unique<UrlSource>(stream, std::move(source));
    }
}

}  // namespace sonvaro::audio
