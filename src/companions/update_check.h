#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

namespace sonvaro {

class Messages;
class WebBrowser;

// The installed version, as the version file counts it (1.09 = 109).
inline constexpr int32_t kInstalledVersion = 109;

// Group "version" of sonvaro.inf, read with the settings file's reader.
struct UpdateInfo {
    int32_t version = -1;  // newest version × 100; -1 when missing
    std::string download;  // the download's address
    std::string info;      // release notes, "|" for a line break
};
UpdateInfo ParseUpdateInfo(std::string_view text);

// "Aktuellste Version: 1.10" ... "Eine neue Version ist verfügbar, Updateseite öffnen?"
std::string NewVersionQuestion(const UpdateInfo& info);

// The temporary file the version file is saved to: `tempFolder` + "~" + local
// seconds + a marker + `random` (0..1000) + ".tmp".
std::string UpdateTempFileName(const std::string& tempFolder, int64_t localSeconds, int random);

// Only http and https addresses go to the browser: the version file comes from
// the network, and a file: or other address must not be opened from it.
bool IsWebAddress(std::string_view address);

// Where the update check looks and what "Webseite" and "Feedback" open. An
// empty address is one nobody has set up: that check or page is off, and no
// server is ever asked in its place.
struct WebAddresses {
    std::string updateBase;
    std::string website;
    std::string feedback;
};
// The addresses the build was made with (none unless given when configuring);
// SONVARO_UPDATE_BASE in the environment replaces the update server's.
WebAddresses BuiltInWebAddresses();
// base + "/data/version/sonvaro.inf"; empty for an empty base.
std::string VersionFileAddress(const std::string& base);

// What the menu says when an address is not set up.
inline constexpr const char* kNoAddressText = "Keine Adresse eingerichtet.";

struct UpdateCheckConfig {
    std::string address;     // of the version file; empty: not set up
    std::string tempFolder;  // ends in "/"
    int64_t localSeconds = 0;
    long timeoutMs = 15000;                     // the whole transfer
    size_t maxBytes = 64 * 1024;                // a bigger body is a failed download
    const std::atomic<bool>* cancel = nullptr;  // set: the transfer ends at once
};

enum class UpdateResult {
    NetworkFailed,   // the network library could not be set up
    DownloadFailed,  // any transfer error, time-out, oversized body or cancel
    OpenFailed,      // the saved file could not be read back
    NoVersion,       // "version" missing or 0: nothing to say
    Current,
    NewVersion,
    NotSetUp,  // no address: nothing was asked
};

struct UpdateOutcome {
    UpdateResult result = UpdateResult::DownloadFailed;
    UpdateInfo info;
    std::string address;  // of the version file
};

// The check's work, for a thread of its own: downloads the version file into
// the temporary file, reads it back and removes it again (also after a
// failure: nothing is left in the temporary folder). Shows nothing. Without
// an address it touches neither the network nor the folder.
UpdateOutcome RunUpdateCheck(const UpdateCheckConfig& config);

// What the user sees of an outcome, on the window thread. Not interactive (the
// check at start-up), only the question about a new version appears; it is
// asked without waiting for the answer (Messages::AskLater), so `browser`
// must outlive the question. On "Ja" the web page and then the download
// address open in the browser, each only when it is an http(s) address.
void PresentUpdateOutcome(const UpdateOutcome& outcome, bool interactive, Messages& messages,
                          WebBrowser& browser, const std::string& webPage);

}  // namespace sonvaro
