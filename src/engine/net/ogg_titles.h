// Ogg stations carry their titles inside the stream: every song on an Icecast
// Ogg mount is a new logical stream (a chained Ogg) whose second header packet
// holds Vorbis comments (ARTIST=, TITLE=; OpusTags and Ogg FLAC alike). This
// watcher follows the pages of the downloaded bytes and reports each stream's
// title as the metadata text "StreamTitle='Artist - Title';" at the byte where
// that stream's first page starts, so that syncs and the download callback
// (a recording) switch exactly where the new song begins.
//
// It never changes or drops a byte; it only holds bytes back from a stream's
// first page until its comments are complete (bounded by kMaxHold).
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "engine/net/icy_demuxer.h"

namespace sonvaro::audio {

class OggTitles {
  public:
    using Meta = IcyDemuxer::Meta;
    static constexpr std::size_t kMaxHold = 256 * 1024;

    // Appends what may go on to `out` and each metadata text due so far to
    // `metas` (`at` counts bytes of `out`, as with the ICY demuxer). Bytes that
    // do not start with an Ogg page pass straight through.
    void Feed(const char* data, std::size_t size, std::string& out, std::vector<Meta>& metas);
    // A metadata text from elsewhere (an ICY block) that follows every byte fed so far.
    void Mark(std::string text, std::string& out, std::vector<Meta>& metas);
    // The end of the stream: everything held goes out.
    void Flush(std::string& out, std::vector<Meta>& metas);

    // "Artist - Title" from a comment packet (Vorbis, OpusTags or an Ogg FLAC
    // comment block); empty when the packet has neither. A packet cut short
    // gives what its complete comments hold.
    static std::string TitleOfComments(const std::string& packet);

  private:
    enum class Mode { Undecided, Ogg, Other };
    void ScanPages();
    void OnPage(std::size_t at);
    void PacketDone();
    void Finish();  // the current stream's title is known (or given up on)
    void Release(std::size_t bytes, std::string& out, std::vector<Meta>& metas);

    struct Pending {
        std::int64_t at;  // stream offset
        std::string text;
    };

    Mode mode_ = Mode::Undecided;
    std::string held_;  // bytes not yet handed on; held_[0] is stream offset heldAt_
    std::int64_t heldAt_ = 0;
    std::size_t scan_ = 0;         // the next page starts at held_[scan_]
    std::deque<Pending> pending_;  // metadata inside or right after the held bytes, in order

    bool collecting_ = false;  // a stream's headers are being read; bytes from holdAt_ wait
    bool chosen_ = false;      // a stream of this link has comments we read (serial_)
    bool lastWasBos_ = false;
    std::int64_t holdAt_ = 0;
    std::uint32_t serial_ = 0;
    int packets_ = 0;
    std::string packet_;
};

}  // namespace sonvaro::audio
