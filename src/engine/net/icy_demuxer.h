// Shoutcast/Icecast in-band metadata: with "icy-metaint: N" the server puts a
// length byte after every N audio bytes, followed by length x 16 bytes of
// text such as "StreamTitle='Band - Song';". The demuxer takes those blocks
// out so that decoders and the download callback only ever see audio.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace sonvaro::audio {

class IcyDemuxer {
  public:
    // `interval` 0: the stream carries no metadata and passes through unchanged.
    explicit IcyDemuxer(std::size_t interval = 0) : interval_(interval), untilMeta_(interval) {}

    struct Meta {
        std::size_t at;  // the block came after this many bytes of `audio`
        std::string text;
    };
    // Appends the audio bytes of `data` to `audio` and every metadata block
    // completed by it to `metas` (text up to its first NUL; empty blocks are skipped).
    void Feed(const char* data, std::size_t size, std::string& audio, std::vector<Meta>& metas);

    // True while a metadata block has started but not fully arrived.
    bool InsideMeta() const { return state_ != State::Audio; }

  private:
    enum class State { Audio, Length, Text };
    std::size_t interval_;
    std::size_t untilMeta_;
    State state_ = State::Audio;
    std::size_t metaLeft_ = 0;
    std::string meta_;
};

// The value of `key` (any case) in a metadata text ("StreamTitle='x';StreamUrl='y';"),
// read as key=value pairs in order; quotes removed; empty when absent.
std::string IcyField(const std::string& meta, const std::string& key);

}  // namespace sonvaro::audio
