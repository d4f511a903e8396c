#include "core/remote_record.h"

#include <algorithm>
#include <cstring>

namespace sonvaro {
namespace {

void PutU32(uint8_t* out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t GetU32(const uint8_t* in) {
    return static_cast<uint32_t>(in[0]) | static_cast<uint32_t>(in[1]) << 8 |
           static_cast<uint32_t>(in[2]) << 16 | static_cast<uint32_t>(in[3]) << 24;
}

void PutText(uint8_t* field, size_t fieldSize, const std::string& text) {
    std::memcpy(field, text.data(), std::min(text.size(), fieldSize));
}

std::string GetText(const uint8_t* field, size_t fieldSize) {
    const auto* end = static_cast<const uint8_t*>(std::memchr(field, 0, fieldSize));
    return std::string(reinterpret_cast<const char*>(field),
                       end ? static_cast<size_t>(end - field) : fieldSize);
}

}  // namespace

bool RecordFits(const RemoteRecord& record) {
    return record.text1.size() <= kRemoteText1Size && record.text2.size() <= kRemoteText2Size;
}

std::array<uint8_t, kRemoteRecordSize> EncodeRecord(const RemoteRecord& record) {
    std::array<uint8_t, kRemoteRecordSize> bytes{};
    PutU32(bytes.data(), static_cast<uint32_t>(record.code));
    PutU32(bytes.data() + 4, static_cast<uint32_t>(record.param1));
    PutU32(bytes.data() + 8, static_cast<uint32_t>(record.param2));
    PutText(bytes.data() + 12, kRemoteText1Size, record.text1);
    PutText(bytes.data() + 12 + kRemoteText1Size, kRemoteText2Size, record.text2);
    return bytes;
}

RemoteRecord DecodeRecord(const uint8_t* bytes) {
    RemoteRecord record;
    record.code = static_cast<int32_t>(GetU32(bytes));
    record.param1 = static_cast<int32_t>(GetU32(bytes + 4));
    record.param2 = static_cast<int32_t>(GetU32(bytes + 8));
    record.text1 = GetText(bytes + 12, kRemoteText1Size);
    record.text2 = GetText(bytes + 12 + kRemoteText1Size, kRemoteText2Size);
    return record;
}

std::string EncodeFrameHeader(uint32_t kind, uint32_t size) {
    uint8_t header[kFrameHeaderSize];
    PutU32(header, kind);
    PutU32(header + 4, size);
    return std::string(reinterpret_cast<const char*>(header), sizeof header);
}

std::string EncodeCommand(const RemoteRecord& record) {
    const auto bytes = EncodeRecord(record);
    return EncodeFrameHeader(kRemoteKind, kRemoteRecordSize) +
           std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

std::string EncodeAnswer(int32_t result) {
    uint8_t value[4];
    PutU32(value, static_cast<uint32_t>(result));
    return EncodeFrameHeader(kRemoteKind, 4) + std::string(reinterpret_cast<const char*>(value), 4);
}

std::string EncodeNotification(int32_t code, std::string_view text) {
    std::string frame =
        EncodeFrameHeader(static_cast<uint32_t>(code), static_cast<uint32_t>(text.size() + 1));
    frame.append(text);
    frame.push_back('\0');
    return frame;
}

bool FrameReader::Feed(const uint8_t* data, size_t size, const std::function<void(Frame&&)>& onFrame) {
    while (!broken_ && size > 0) {
        if (!inPayload_) {
            const size_t take = std::min(size, kFrameHeaderSize - headerHave_);
            std::memcpy(header_ + headerHave_, data, take);
            headerHave_ += take;
            data += take;
            size -= take;
            if (headerHave_ < kFrameHeaderSize) break;
            headerHave_ = 0;
            frame_.kind = GetU32(header_);
            want_ = GetU32(header_ + 4);
            if (want_ > maxPayload_) {
                broken_ = true;
                break;
            }
            frame_.payload.clear();
            frame_.payload.reserve(want_);
            inPayload_ = true;
        }
        const size_t take = std::min<size_t>(size, want_ - frame_.payload.size());
        frame_.payload.append(reinterpret_cast<const char*>(data), take);
        data += take;
        size -= take;
        if (frame_.payload.size() == want_) {
            inPayload_ = false;
            onFrame(std::move(frame_));
            frame_ = Frame{};
        }
    }
    return !broken_;
}

bool CommandFromFrame(const Frame& frame, RemoteRecord& record) {
    if (frame.kind != kRemoteKind || frame.payload.size() != kRemoteRecordSize) return false;
    record = DecodeRecord(reinterpret_cast<const uint8_t*>(frame.payload.data()));
    return true;
}

std::string NotificationText(const Frame& frame) {
    const size_t end = frame.payload.find('\0');
    return frame.payload.substr(0, end);
}

}  // namespace sonvaro
