#pragma once
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace sonvaro {

struct RadioTrack {
    std::string title;
    std::string artist;
};

// The radio track log and the received-bytes counter: written by the radio
// and engine threads, read by the "RadioLog" window on the ui thread.
class RadioTrackLog {
  public:
    // A station was opened: an empty list and the bytes it has sent so far.
    void Reset(int64_t receivedBytes);
    void SetReceivedBytes(int64_t bytes);
    void Append(RadioTrack track);

    int64_t ReceivedBytes() const;
    std::vector<RadioTrack> Tracks() const;
    // The counter text beside "Download:", as the file information shows sizes.
    std::string CounterText() const;
    // Changes with every update, so the window redraws only when something changed.
    uint64_t Revision() const;

  private:
    mutable std::mutex mutex_;
    int64_t receivedBytes_ = 0;
    std::vector<RadioTrack> tracks_;
    uint64_t revision_ = 0;
};

}  // namespace sonvaro
