// What the other floors use of the engine's downloads: the network library's
// set-up and small documents fetched whole (station lists, the update check).
// The streaming transfer itself stays inside the engine (net/http_transfer.h).
#pragma once
#include <cstddef>
#include <functional>
#include <string>

namespace sonvaro::audio {

// Sets up libcurl's process-wide state once, before any transfer thread runs.
// True when it is usable.
bool InitNetworkLibrary();

// A small document fetched whole (a station's .m3u or .pls).
struct SmallText {
    enum class Outcome { Fetched, Unreachable, TooLarge, HttpStatus, Cancelled };
    Outcome outcome = Outcome::Unreachable;
    int status = 0;  // the final response's status, 0 when none came
    std::string body;
    // Why it could not be had, in the words of the status log: "Verbindung
    // fehlgeschlagen", "zu groß" or "HTTP 404"; empty when fetched or cancelled.
    std::string FailureText() const;
};

// The body of a small document at an http(s) or ftp address, redirects
// followed, at most `maxBytes` and `timeoutMs` in all. The transfer runs on a
// thread of its own; the caller's thread waits and calls `whileWaiting` at
// least every 20 ms, so it can serve its own events. When that returns false
// the transfer is cancelled at once.
SmallText FetchSmallText(const std::string& url, const std::function<bool()>& whileWaiting = nullptr,
                         size_t maxBytes = 256 * 1024, unsigned timeoutMs = 10000);

}  // namespace sonvaro::audio
