#pragma once
#include <string>
#include <vector>

#include "core/remote_record.h"

namespace sonvaro {

// One connection to the running player, for a command line that talks to it.
class RemoteClient {
  public:
    // Tries for up to `waitMs` while the player is still starting.
    RemoteClient(const std::string& socketPath, int waitMs);
    ~RemoteClient();
    RemoteClient(const RemoteClient&) = delete;
    RemoteClient& operator=(const RemoteClient&) = delete;

    bool Connected() const { return fd_ >= 0; }
    // Sends the record and waits up to 5 s for the answer; 0 when none came.
    int Send(const RemoteRecord& record);
    // The next notification after a registration; false when the player went away.
    bool NextNotification(int32_t& code, std::string& text);

  private:
    bool NextFrame(Frame& frame, int timeoutMs);
    int fd_ = -1;
    FrameReader reader_{1 << 20};
    std::vector<Frame> frames_;
};

// A second start: brings the running player to the front, plays the first
// file and hands the rest over for its playlist. The exit status of the process.
int HandOverToRunningPlayer(const std::string& socketPath, const std::vector<std::string>& files);

// `sonvaro --remote CMD [ARG]`; the exit status.
int RunRemoteCommand(const std::vector<std::string>& args);
void PrintRemoteHelp();

}  // namespace sonvaro
