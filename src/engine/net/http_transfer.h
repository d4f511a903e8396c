// One download over libcurl on a thread of its own: HTTP(S) with Shoutcast's
// "ICY 200 OK" accepted, FTP, redirects, a proxy, and time-outs for connecting
// and for silence. The sink decides what happens with the bytes and can hold
// the transfer back while it has no room (the server then waits for us).
#pragma once
#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/http_transfer.h"

namespace sonvaro::audio {

class TransferSink {
  public:
    enum class Take { Taken, Pause, Abort };
    virtual ~TransferSink() = default;
    // The final response's status line and header lines (a redirect's are not passed on).
    virtual void OnHeaders(int status, std::vector<std::string> lines) = 0;
    virtual Take OnBody(const char* data, std::size_t size) = 0;
    // Asked while paused: is there room again for a full piece?
    virtual bool HasRoom() = 0;
    // Always called once at the end; `error` is a BASS error code, 0 when the server ended the body.
    virtual void OnEnd(int error) = 0;
};

struct TransferOptions {
    std::string url;
    std::string proxy;  // "[user:pass@]server:port"; empty: direct
    unsigned timeoutMs = 5000;
    std::uint64_t offset = 0;
    std::string agent;
    // Asks a station to put its titles into the stream; a document fetch does not.
    bool askForTitles = true;
};

class HttpTransfer {
  public:
    HttpTransfer(TransferOptions options, TransferSink& sink);
    ~HttpTransfer();  // cancels and waits for the thread

    // `keepAlive` is held by the thread until it ends (the sink's owner).
    void Start(std::shared_ptr<void> keepAlive = nullptr);
    // The sink made room: a paused transfer goes on.
    void Wake();
    // Ends the transfer soon; OnEnd still comes.
    void Cancel();
    bool Running() const { return running_.load(); }

    // Longest header line kept; longer ones (hostile servers) are dropped.
    static constexpr std::size_t kMaxHeaderLine = 4096;

  private:
    void Run();
    static std::size_t HeaderCallback(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t BodyCallback(char* data, std::size_t size, std::size_t count, void* self);

    TransferOptions options_;
    TransferSink& sink_;
    std::thread thread_;
    std::atomic<bool> cancel_{false};
    std::atomic<bool> running_{false};
    std::mutex wakeMutex_;
    void* multi_ = nullptr;  // CURLM*, under wakeMutex_ for Wake and Cancel

    // Transfer thread only.
    bool ftp_ = false;
    bool headersDone_ = false;
    bool paused_ = false;
    bool aborted_ = false;
    int status_ = 0;
    bool hasLocation_ = false;
    std::vector<std::string> lines_;
    std::size_t kept_ = 0;
    std::uint64_t lastActivity_ = 0;
};

}  // namespace sonvaro::audio
