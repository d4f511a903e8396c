#include "engine/net/url_stream.h"

#include <algorithm>
#include <cstring>

#include "engine/net/ascii_case.h"

namespace sonvaro::audio {
namespace {

constexpr std::size_t kMaxMetaTexts = 16;

}  // namespace

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

void UrlStream::SetTitleListener(std::function<void()> listener) {
    std::lock_guard lock(listenerMutex_);
    titleListener_ = std::move(listener);
}

void UrlStream::FireMetaSyncs() {
    std::function<void()> listener;
    {
        std::lock_guard lock(listenerMutex_);
        listener = titleListener_;
    }
    if (listener) listener();
}

}  // namespace sonvaro::audio
