// Internet streams. A UrlStream is one download (HttpTransfer) with the ICY
// demuxer and the download buffer; a UrlSource decodes it with FFmpeg on a
// thread of its own, so that a slow or hostile server can only starve its own
// channel, never the engine's decoding thread.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "playback/audio_library/bass.h"
#include "playback/audio_library/net/http_transfer.h"
#include "playback/audio_library/net/icy_demuxer.h"
#include "playback/audio_library/net/ogg_titles.h"
#include "playback/audio_library/source/byte_source.h"
#include "playback/audio_library/source/source.h"

namespace sonvaro::audio {

class FfmpegSource;

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
    void SetHandle(DWORD handle) { handle_ = handle; }

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

    const DWORD flags_;
    DOWNLOADPROC* const proc_;
    void* const user_;
    std::atomic<DWORD> handle_{0};
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

class UrlSource final : public Source {
  public:
    UrlSource(std::shared_ptr<UrlStream> stream, std::unique_ptr<FfmpegSource> decoder);
    ~UrlSource() override;

    SourceFormat Format() const override { return format_; }
    std::int64_t LengthFrames() const override { return -1; }
    bool Prepare(bool prescan) override;
    std::size_t Read(float* out, std::size_t frames) override;
    bool Seek(std::int64_t frame) override { return false; }
    const char* Tags(std::uint32_t type) override;
    std::int64_t FilePosition(std::uint32_t mode) const override { return stream_->FilePosition(mode); }
    bool Starved() const override;

  private:
    void DecodeLoop();

    std::shared_ptr<UrlStream> stream_;
    std::unique_ptr<FfmpegSource> decoder_;  // the decoding thread's once it runs
    SourceFormat format_;
    std::thread thread_;

    mutable std::mutex mutex_;
    std::condition_variable room_;
    std::vector<float> ring_;  // stereo frames
    std::size_t ringRead_ = 0, ringCount_ = 0;
    bool stop_ = false;
    bool finished_ = false;
};

// The first stream address of a PLS or M3U playlist text; empty when none.
std::string FirstPlaylistEntry(const std::string& body);
// Whether a response is a playlist, by its content type or its first bytes.
bool LooksLikePlaylist(const std::string& contentType, const std::string& head);

// Aborts every stream that is still being opened (BASS_Free: no thread may
// stay behind waiting for a server).
void CancelOpeningUrlStreams();

// Opens `url` (following playlists when BASS_CONFIG_NET_PLAYLIST is set).
// On failure returns nullptr and sets `error` to a BASS error code.
std::unique_ptr<UrlSource> OpenUrlSource(const std::string& url, std::uint64_t offset, DWORD flags,
                                         DOWNLOADPROC* proc, void* user, std::shared_ptr<UrlStream>& stream,
                                         int& error);

}  // namespace sonvaro::audio
