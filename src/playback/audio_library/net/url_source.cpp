#include "playback/audio_library/net/url_source.h"

#include <algorithm>
#include <cstring>

#include "playback/audio_library/engine.h"
#include "playback/audio_library/net/ascii_case.h"
#include "playback/audio_library/source/ffmpeg_source.h"
#include "playback/audio_library/source/probe.h"

namespace sonvaro::audio {
namespace {

constexpr std::size_t kRingFrames = 8192;  // decoded ahead of the channel's own buffer
constexpr std::size_t kDecodeChunk = 1024;
constexpr std::size_t kMaxRead = 4096;  // per decoder read, so the buffer fill shows what is really waiting
constexpr int kMaxPlaylistHops = 5;
constexpr std::size_t kMaxMetaTexts = 16;

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

std::string Trim(const std::string& s) {
    std::size_t a = s.find_first_not_of(" \t\r\n");
    if (a == std::string::npos) return {};
    std::size_t b = s.find_last_not_of(" \t\r\n");
    return s.substr(a, b - a + 1);
}

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

// --- UrlStream ---

UrlStream::UrlStream(DWORD flags, DOWNLOADPROC* proc, void* user) : flags_(flags), proc_(proc), user_(user) {}

UrlStream::~UrlStream() {
    Cancel();
    transfer_.reset();  // joins the transfer thread before the members it uses go
}

void UrlStream::Start(TransferOptions options, unsigned openDeadlineMs) {
    deadline_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(openDeadlineMs);
    auto transfer = std::make_unique<HttpTransfer>(std::move(options), *this);
    HttpTransfer* started = transfer.get();
    {
        // Published under the lock: freeing the engine cancels opening streams from another thread.
        std::lock_guard lock(mutex_);
        transfer_ = std::move(transfer);
    }
    // A callback that frees the channel must not pull the stream away under its own thread.
    started->Start(shared_from_this());
}

void UrlStream::Cancel() {
    HttpTransfer* transfer;
    {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
        transfer = transfer_.get();
    }
    changed_.notify_all();
    // Its flag is an atomic the transfer thread looks at, also before that thread runs.
    if (transfer) transfer->Cancel();
}

bool UrlStream::WaitHeaders(int& error) {
    std::unique_lock lock(mutex_);
    if (!changed_.wait_until(lock, deadline_, [this] { return headersDone_ || ended_ || cancelled_; })) {
        error = BASS_ERROR_TIMEOUT;
        return false;
    }
    if (cancelled_) {
        error = BASS_ERROR_ENDED;
        return false;
    }
    if (!headersDone_ || status_ < 200 || status_ >= 300) {
        error = headersDone_ ? BASS_ERROR_FILEOPEN : (endError_ ? endError_ : BASS_ERROR_FILEOPEN);
        return false;
    }
    return true;
}

std::string UrlStream::Header(const std::string& name) const {
    std::lock_guard lock(mutex_);
    for (const std::string& line : lines_)
        if (StartsNoCase(line, name + ":")) return Trim(line.substr(name.size() + 1));
    return {};
}

std::string UrlStream::WaitPrefix(std::size_t bytes) {
    std::unique_lock lock(mutex_);
    // A server trickling bytes is no silence, but must not keep the opener forever.
    changed_.wait_until(lock, deadline_,
                        [&] { return written_ >= static_cast<std::int64_t>(bytes) || ended_ || cancelled_; });
    if (base_ != 0 || cancelled_) return {};
    return data_.substr(0, std::min(bytes, data_.size()));
}

void UrlStream::SetCapacity(std::size_t bytes) {
    std::lock_guard lock(mutex_);
    capacity_ = std::max(bytes, kKeepHead);
}

void UrlStream::StartDelivery() {
    // The header list is fixed from here on: readers get stable pointers.
    {
        std::lock_guard lock(mutex_);
        headerTags_.clear();
        for (const std::string& line : lines_) {
            headerTags_ += line;
            headerTags_ += '\0';
        }
        if (!headerTags_.empty()) headerTags_ += '\0';
        opening_ = false;
    }
    if (!proc_) return;
    std::lock_guard delivery(deliveryMutex_);
    std::string backlog;
    bool ended;
    {
        std::lock_guard lock(mutex_);
        backlog = data_.substr(0, static_cast<std::size_t>(written_ - base_));
        ended = ended_;
        delivering_ = true;
    }
    if ((flags_ & BASS_STREAM_STATUS) && !headerTags_.empty()) proc_(headerTags_.c_str(), 0, user_);
    if (!backlog.empty()) proc_(backlog.data(), static_cast<DWORD>(backlog.size()), user_);
    if (ended && !endDelivered_) {
        endDelivered_ = true;
        proc_(nullptr, 0, user_);
    }
}

void UrlStream::StopDelivery() {
    std::lock_guard delivery(deliveryMutex_);
    delivering_ = false;
}

std::int64_t UrlStream::Read(void* buffer, std::size_t size) {
    std::unique_lock lock(mutex_);
    auto ready = [this] { return written_ > readPos_ || ended_ || cancelled_; };
    // While opening, the decoder's header reads share the opening deadline.
    if (opening_) {
        if (!changed_.wait_until(lock, deadline_, ready)) return -1;
    } else {
        changed_.wait(lock, ready);
    }
    if (cancelled_) return -1;
    if (written_ <= readPos_) return 0;
    std::size_t n = std::min<std::size_t>(size, static_cast<std::size_t>(written_ - readPos_));
    std::memcpy(buffer, data_.data() + (readPos_ - base_), n);
    readPos_ += static_cast<std::int64_t>(n);
    // Keep the start for the decoder's rewind; after it, drop what was read.
    if (readPos_ > static_cast<std::int64_t>(kKeepHead) &&
        readPos_ - base_ >= static_cast<std::int64_t>(kKeepHead)) {
        data_.erase(0, static_cast<std::size_t>(readPos_ - base_));
        base_ = readPos_;
    }
    bool wake = written_ - readPos_ + 16384 <= static_cast<std::int64_t>(capacity_);
    lock.unlock();
    if (wake && transfer_) transfer_->Wake();
    return static_cast<std::int64_t>(n);
}

bool UrlStream::Seek(std::int64_t offset) {
    std::lock_guard lock(mutex_);
    if (offset < base_ || offset > written_) return false;
    readPos_ = offset;
    return true;
}

std::int64_t UrlStream::Position() const {
    std::lock_guard lock(mutex_);
    return readPos_;
}

std::int64_t UrlStream::FilePosition(DWORD mode) const {
    std::lock_guard lock(mutex_);
    switch (mode) {
        case BASS_FILEPOS_CURRENT:
            return readPos_;
        case BASS_FILEPOS_DOWNLOAD:
            return written_;
        case BASS_FILEPOS_END:
            // Streaming in blocks keeps no file: the end is the buffer's size.
            if (!(flags_ & BASS_STREAM_BLOCK) && contentLength_ > 0) return contentLength_;
            return static_cast<std::int64_t>(capacity_);
        case BASS_FILEPOS_START:
            return 0;
        case BASS_FILEPOS_CONNECTED:
            return ended_ ? 0 : 1;
        case BASS_FILEPOS_BUFFER:
            return written_ - readPos_;
        default:
            return -1;
    }
}

const char* UrlStream::MetaTag() const {
    std::lock_guard lock(metaMutex_);
    return metaTexts_.empty() ? nullptr : metaTexts_.back().c_str();
}

void UrlStream::OnHeaders(int status, std::vector<std::string> lines) {
    std::size_t interval = 0;
    std::int64_t length = -1;
    for (const std::string& line : lines) {
        if (StartsNoCase(line, "icy-metaint:")) {
            long v = std::atol(line.c_str() + 12);
            // Nonsense intervals are treated as no metadata rather than trusted.
            if (v > 0 && v <= 1 << 20) interval = static_cast<std::size_t>(v);
        } else if (StartsNoCase(line, "content-length:")) {
            length = std::atoll(line.c_str() + 15);
        }
    }
    demux_ = IcyDemuxer(interval);
    {
        std::lock_guard lock(mutex_);
        headersDone_ = true;
        status_ = status;
        lines_ = std::move(lines);
        contentLength_ = length;
    }
    changed_.notify_all();
}

bool UrlStream::HasRoom() {
    std::lock_guard lock(mutex_);
    return cancelled_ || written_ - readPos_ + 16384 <= static_cast<std::int64_t>(capacity_);
}

TransferSink::Take UrlStream::OnBody(const char* data, std::size_t size) {
    {
        std::lock_guard lock(mutex_);
        if (cancelled_) return Take::Abort;
        if (written_ - readPos_ + static_cast<std::int64_t>(size) > static_cast<std::int64_t>(capacity_))
            return Take::Pause;
    }
    audio_.clear();
    metas_.clear();
    demux_.Feed(data, size, audio_, metas_);
    released_.clear();
    titles_.clear();
    std::size_t from = 0;
    for (IcyDemuxer::Meta& meta : metas_) {
        ogg_.Feed(audio_.data() + from, meta.at - from, released_, titles_);
        ogg_.Mark(std::move(meta.text), released_, titles_);
        from = meta.at;
    }
    ogg_.Feed(audio_.data() + from, audio_.size() - from, released_, titles_);
    // Audio and titles are handed on in stream order, on this thread: a recording
    // switches files exactly where the server put the new title.
    std::lock_guard delivery(deliveryMutex_);
    if (Cancelled()) return Take::Abort;
    Deliver(released_, titles_);
    return Take::Taken;
}

void UrlStream::Deliver(const std::string& audio, std::vector<IcyDemuxer::Meta>& metas) {
    std::size_t from = 0;
    auto handOn = [&](std::size_t to) {
        if (to <= from) return;
        {
            std::lock_guard lock(mutex_);
            data_.append(audio, from, to - from);
            written_ += static_cast<std::int64_t>(to - from);
        }
        changed_.notify_all();
        if (delivering_ && proc_) proc_(audio.data() + from, static_cast<DWORD>(to - from), user_);
        from = to;
    };
    for (IcyDemuxer::Meta& meta : metas) {
        handOn(meta.at);
        if (StoreMeta(std::move(meta.text))) FireMetaSyncs();
    }
    handOn(audio.size());
}

void UrlStream::OnEnd(int error) {
    {
        // What an Ogg stream's last headers held back is audio all the same.
        released_.clear();
        titles_.clear();
        ogg_.Flush(released_, titles_);
        std::lock_guard delivery(deliveryMutex_);
        if (!Cancelled()) Deliver(released_, titles_);
    }
    {
        std::lock_guard lock(mutex_);
        ended_ = true;
        endError_ = error;
    }
    changed_.notify_all();
    std::lock_guard delivery(deliveryMutex_);
    if (delivering_ && proc_ && !endDelivered_ && !Cancelled()) {
        endDelivered_ = true;
        proc_(nullptr, 0, user_);
    }
}

bool UrlStream::StoreMeta(std::string meta) {
    std::string title = IcyField(meta, "StreamTitle");
    std::lock_guard lock(metaMutex_);
    // Many servers repeat the same text at every interval: that is nothing new,
    // and keeping it once lets a returned pointer live for many real changes.
    if (!metaTexts_.empty() && metaTexts_.back() == meta) return false;
    bool fresh = !anyMeta_ || title != lastTitle_;
    anyMeta_ = true;
    lastTitle_ = std::move(title);
    metaTexts_.push_back(std::move(meta));
    while (metaTexts_.size() > kMaxMetaTexts) metaTexts_.pop_front();
    return fresh;
}

void UrlStream::FireMetaSyncs() {
    DWORD handle = handle_.load();
    if (!handle) return;
    auto channel = Engine::Get().Find(handle);
    if (!channel) return;
    for (const Sync& s : channel->SyncsOfType(BASS_SYNC_META)) s.proc(s.handle, handle, 0, s.user);
}

// --- UrlSource ---

UrlSource::UrlSource(std::shared_ptr<UrlStream> stream, std::unique_ptr<FfmpegSource> decoder)
    : stream_(std::move(stream)),
      decoder_(std::move(decoder)),
      format_(decoder_->Format()),
      ring_(kRingFrames * 2) {}

UrlSource::~UrlSource() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    room_.notify_all();
    stream_->Cancel();  // a decoder waiting for bytes gets an error and returns
    stream_->StopDelivery();
    if (thread_.joinable()) {
        if (thread_.get_id() == std::this_thread::get_id())
            thread_.detach();
        else
            thread_.join();
    }
}

bool UrlSource::Prepare(bool) {
    if (!decoder_->Prepare(false)) return false;
    thread_ = std::thread([this] { DecodeLoop(); });
    return true;
}

void UrlSource::DecodeLoop() {
    std::vector<float> chunk(kDecodeChunk * 2);
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            room_.wait(lock, [this] { return stop_ || kRingFrames - ringCount_ >= kDecodeChunk; });
            if (stop_) break;
        }
        std::size_t n = decoder_->Read(chunk.data(), kDecodeChunk);  // waits for the network
        std::lock_guard lock(mutex_);
        if (n == 0 || stop_) break;
        for (std::size_t done = 0; done < n;) {
            std::size_t at = (ringRead_ + ringCount_) % kRingFrames;
            std::size_t run = std::min(n - done, kRingFrames - at);
            std::memcpy(ring_.data() + at * 2, chunk.data() + done * 2, run * 2 * sizeof(float));
            ringCount_ += run;
            done += run;
        }
    }
    std::lock_guard lock(mutex_);
    finished_ = true;
}

std::size_t UrlSource::Read(float* out, std::size_t frames) {
    std::size_t n;
    {
        std::lock_guard lock(mutex_);
        n = std::min(frames, ringCount_);
        for (std::size_t done = 0; done < n;) {
            std::size_t run = std::min(n - done, kRingFrames - ringRead_);
            std::memcpy(out + done * 2, ring_.data() + ringRead_ * 2, run * 2 * sizeof(float));
            ringRead_ = (ringRead_ + run) % kRingFrames;
            ringCount_ -= run;
            done += run;
        }
    }
    if (n > 0) room_.notify_one();
    return n;
}

bool UrlSource::Starved() const {
    std::lock_guard lock(mutex_);
    return !finished_ || ringCount_ > 0;
}

const char* UrlSource::Tags(std::uint32_t type) {
    switch (type) {
        case BASS_TAG_HTTP:
        case BASS_TAG_ICY:
            return stream_->HeaderTags();
        case BASS_TAG_META:
            return stream_->MetaTag();
        default:
            return nullptr;
    }
}

// --- opening ---

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
                                         DOWNLOADPROC* proc, void* user, std::shared_ptr<UrlStream>& out,
                                         int& error) {
    Engine& engine = Engine::Get();
    DWORD timeout = engine.Config(BASS_CONFIG_NET_TIMEOUT);
    TransferOptions options;
    options.proxy = engine.ConfigText(BASS_CONFIG_NET_PROXY);
    options.timeoutMs = timeout ? timeout : 5000;
    options.agent = engine.ConfigText(BASS_CONFIG_NET_AGENT);
    if (options.agent.empty()) options.agent = "Sonvaro";
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

        if (engine.Config(BASS_CONFIG_NET_PLAYLIST) != 0 &&
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
        ProbeResult probe;
        for (std::size_t want = 8192;; want *= 2) {
            std::string prefix = stream->WaitPrefix(want);
            if (prefix.size() >= 12) {
                MemoryByteSource snapshot(prefix.data(), prefix.size());
                probe = ProbeContent(snapshot);
            }
            if (probe.container != Container::Unknown || prefix.size() < want || want >= UrlStream::kKeepHead)
                break;
        }
        switch (probe.container) {
            case Container::Mpeg:
            case Container::Adts:
            case Container::Ogg:
            case Container::Flac:
            case Container::Wav:
            case Container::Aiff:
                break;
            default:
                error = BASS_ERROR_FILEFORM;
                return nullptr;  // garbage, or a format that needs seeking
        }

        unsigned kbps = static_cast<unsigned>(std::atoi(stream->Header("icy-br").c_str()));
        std::size_t perSecond = probe.bitrate ? probe.bitrate / 8 : kbps ? kbps * 125 : 16000;
        DWORD bufferMs = engine.Config(BASS_CONFIG_NET_BUFFER);
        stream->SetCapacity(perSecond * (bufferMs ? bufferMs : 5000) / 1000);

        auto decoder = FfmpegSource::Open(std::make_unique<NetByteSource>(stream), probe, false, error);
        if (!decoder) return nullptr;
        if (stream->Cancelled()) {
            error = BASS_ERROR_ENDED;
            return nullptr;
        }
        stream->StartDelivery();
        abandon.keep = true;
        out = stream;
        return std::make_unique<UrlSource>(stream, std::move(decoder));
    }
}

}  // namespace sonvaro::audio
