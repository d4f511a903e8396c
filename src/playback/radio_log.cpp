#include "playback/radio_log.h"

#include "tags/size_text.h"

namespace sonvaro {

void RadioTrackLog::Reset(int64_t receivedBytes) {
    std::lock_guard lock(mutex_);
    receivedBytes_ = receivedBytes;
    tracks_.clear();
    ++revision_;
}

void RadioTrackLog::SetReceivedBytes(int64_t bytes) {
    std::lock_guard lock(mutex_);
    receivedBytes_ = bytes;
    ++revision_;
}

void RadioTrackLog::Append(RadioTrack track) {
    std::lock_guard lock(mutex_);
    tracks_.push_back(std::move(track));
    ++revision_;
}

int64_t RadioTrackLog::ReceivedBytes() const {
    std::lock_guard lock(mutex_);
    return receivedBytes_;
}

std::vector<RadioTrack> RadioTrackLog::Tracks() const {
    std::lock_guard lock(mutex_);
    return tracks_;
}

std::string RadioTrackLog::CounterText() const {
    return SizeText(ReceivedBytes(), 2, true);
}

uint64_t RadioTrackLog::Revision() const {
    std::lock_guard lock(mutex_);
    return revision_;
}

}  // namespace sonvaro
