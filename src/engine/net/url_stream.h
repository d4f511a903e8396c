// One internet download: the transfer (HttpTransfer), the ICY demuxer that
// takes the titles out, and the download buffer the decoder reads from.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/bass.h"
#include "engine/net/http_transfer.h"
#include "engine/net/icy_demuxer.h"
#include "engine/net/ogg_titles.h"

namespace sonvaro::audio {

class UrlStream final : public TransferSink, public std::enable_shared_from_this<UrlStream> {
  public:
    UrlStream(DWORD flags, DOWNLOADPROC* proc, void* user);
    ~UrlStream() override;

    // Starts the download; opening (headers, format) must be done by `openDeadlineMs` from now.
    void Start(TransferOptions options, unsigned openDeadlineMs);
    void Cancel();
    bool Cancelled() const {
        std::lock_guard lock(mutex_);
        return cancelled_;
    }
    // Waits for the final response headers; false (and a BASS error) when the
    // transfer failed or the status is no success.
    bool WaitHeaders(int& error);
    std::string Header(const std::string& name) const;  // value of "name:", trimmed
    // Waits until `bytes` audio bytes from the start are there or the download
    // ended, and returns a copy of what there is (at most `bytes`).
    std::string WaitPrefix(std::size_t bytes);
    void SetCapacity(std::size_t bytes);
    // From now on the download callback gets everything: the headers (with
    // BASS_STREAM_STATUS), what arrived so far, and each new piece.
    void StartDelivery();
    // No callback runs after this returns (the channel is being freed).
    void StopDelivery();
    // Called on the transfer thread whenever a new title arrives (the channel's META syncs).
    void SetTitleListener(std::function<void()> listener);

    // The decoder's side: blocking reads; the first 64 KB stay for a rewind.
    std::int64_t Read(void* buffer, std::size_t size);
    bool Seek(std::int64_t offset);
    std::int64_t Position() const;

    std::int64_t FilePosition(DWORD mode) const;
    const char* HeaderTags() const { return headerTags_.empty() ? nullptr : headerTags_.c_str(); }
    const char* MetaTag() const;

    // TransferSink, on the transfer thread.
    void OnHeaders(int status, std::vector<std::string> lines) override;
    Take OnBody(const char* data, std::size_t size) override;
    bool HasRoom() override;
    void OnEnd(int error) override;

    static constexpr std::size_t kKeepHead = 64 * 1024;

  private:
    // Keeps a new metadata text; true when its title is new.
    bool StoreMeta(std::string meta);
    // Hands `audio` to the decoder and the download callback with the titles
    // at their places; under deliveryMutex_, on the transfer thread.
    void Deliver(const std::string& audio, std::vector<IcyDemuxer::Meta>& metas);
    void FireMetaSyncs();
    std::mutex listenerMutex_;
    std::function<void()> titleListener_;

    const DWORD flags_;
    DOWNLOADPROC* const proc_;
    void* const user_;
    std::unique_ptr<HttpTransfer> transfer_;

    mutable std::mutex mutex_;  // everything below up to the delivery part
    std::condition_variable changed_;
    bool headersDone_ = false;
    bool ended_ = false;
    bool cancelled_ = false;
    bool opening_ = true;
    int status_ = 0;
    int endError_ = 0;
    std::vector<std::string> lines_;
    std::string data_;  // bytes [base_, written_)
    std::int64_t base_ = 0, written_ = 0, readPos_ = 0;
    std::size_t capacity_ = 2 * kKeepHead;
    std::int64_t contentLength_ = -1;
    std::chrono::steady_clock::time_point deadline_;

    std::string headerTags_;  // written before the stream is handed out, then fixed
    IcyDemuxer demux_;        // transfer thread only, down to titles_
    OggTitles ogg_;           // titles inside Ogg streams
    std::string audio_;
    std::vector<IcyDemuxer::Meta> metas_;
    std::string released_;
    std::vector<IcyDemuxer::Meta> titles_;

    // Keeps download callbacks in order and exactly once; recursive because a
    // callback on the transfer thread may free the channel, which stops delivery.
    std::recursive_mutex deliveryMutex_;
    bool delivering_ = false;
    bool endDelivered_ = false;

    mutable std::mutex metaMutex_;
    std::deque<std::string> metaTexts_;  // the last few, so a returned pointer stays valid a while
    std::string lastTitle_;
    bool anyMeta_ = false;
};

}  // namespace sonvaro::audio
