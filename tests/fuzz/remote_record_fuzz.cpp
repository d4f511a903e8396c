#include <cstdint>

#include "core/remote_record.h"

// The bytes a local client may send to the player's socket.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    sonvaro::FrameReader reader(64 * 1024);
    size_t commands = 0;
    reader.Feed(data, size, [&commands](sonvaro::Frame&& frame) {
        sonvaro::RemoteRecord record;
        if (sonvaro::CommandFromFrame(frame, record) && record.text1.size() <= 500 &&
            record.text2.size() <= 100)
            ++commands;
    });
    if (size >= sonvaro::kRemoteRecordSize) sonvaro::DecodeRecord(data);
    return 0;
}
