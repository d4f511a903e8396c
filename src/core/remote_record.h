#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace sonvaro {

// The remote-control command record and the frames that carry it over the
// per-user socket. Every number is little-endian.
//
//   client -> player:  {kind 0x466, size 612} + record
//   player -> client:  {kind 0x466, size 4}   + int32 result (the answer)
//                      {code, length + 1}     + text + zero (a listener notification, codes 0..10)
inline constexpr uint32_t kRemoteKind = 0x466;
inline constexpr uint32_t kRemoteRecordSize = 0x264;  // 612
inline constexpr size_t kFrameHeaderSize = 8;
inline constexpr size_t kRemoteText1Size = 500;
inline constexpr size_t kRemoteText2Size = 100;

struct RemoteRecord {
    int32_t code = 0;
    int32_t param1 = 0;
    int32_t param2 = 0;
    std::string text1;  // at most 500 bytes travel
    std::string text2;  // at most 100 bytes travel

    bool operator==(const RemoteRecord&) const = default;
};

// True when both texts fit their fields whole. A sender refuses a record
// that does not: a cut path names another file.
bool RecordFits(const RemoteRecord& record);

// The 612 bytes: each text cut to its field and zero-filled.
std::array<uint8_t, kRemoteRecordSize> EncodeRecord(const RemoteRecord& record);
// Each text read up to its first zero byte or the end of its field.
RemoteRecord DecodeRecord(const uint8_t* bytes);

std::string EncodeFrameHeader(uint32_t kind, uint32_t size);
// Header and record, ready to send.
std::string EncodeCommand(const RemoteRecord& record);
std::string EncodeAnswer(int32_t result);
std::string EncodeNotification(int32_t code, std::string_view text);

struct Frame {
    uint32_t kind = 0;
    std::string payload;
};

// Cuts a byte stream into frames. A frame larger than `maxPayload` makes the
// stream unusable (the connection is closed): nobody sends that much in one piece.
class FrameReader {
  public:
    explicit FrameReader(size_t maxPayload) : maxPayload_(maxPayload) {}
    // Calls `onFrame` for every complete frame; false once the stream is unusable.
    bool Feed(const uint8_t* data, size_t size, const std::function<void(Frame&&)>& onFrame);
    // True between frames (nothing half read).
    bool Idle() const { return headerHave_ == 0 && !inPayload_; }

  private:
    size_t maxPayload_;
    uint8_t header_[kFrameHeaderSize] = {};
    size_t headerHave_ = 0;
    bool inPayload_ = false;
    bool broken_ = false;
    uint32_t want_ = 0;
    Frame frame_;
};

// What a frame sent to the player asks for: a record only for the command
// kind at the command size; anything else is ignored and answered 0.
bool CommandFromFrame(const Frame& frame, RemoteRecord& record);

// A notification frame's text: up to its first zero byte.
std::string NotificationText(const Frame& frame);

}  // namespace sonvaro
