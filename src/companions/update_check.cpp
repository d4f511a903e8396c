#include "companions/update_check.h"

#include <curl/curl.h>

#include <cstdlib>
#include <memory>

#include "core/numbers.h"
#include "core/ports/desktop_ports.h"
#include "core/ports/messages.h"
#include "core/text.h"
#include "engine/http_transfer.h"
#include "platform/file_info.h"
#include "platform/private_file.h"
#include "settings/ini_document.h"

namespace sonvaro {

UpdateInfo ParseUpdateInfo(std::string_view text) {
    const IniDocument doc = IniDocument::Parse(text);
    UpdateInfo info;
    info.version = doc.ReadLong("version", "version", -1);
    info.download = doc.ReadText("version", "download", "");
    info.info = doc.ReadText("version", "info", "");
    return info;
}

std::string NewVersionQuestion(const UpdateInfo& info) {
    std::string text = "Aktuellste Version: " + VersionText(info.version) + "\n";
    text += "Installierte Version: " + VersionText(kInstalledVersion) + "\n\n";
    if (!info.info.empty()) {
        std::string notes = info.info;
        for (size_t at = 0; (at = notes.find('|', at)) != std::string::npos; ++at) notes[at] = '\n';
        text += "Information:\n" + notes + "\n\n";
    }
    text += "Eine neue Version ist verfügbar, Updateseite öffnen?";
    return text;
}

std::string UpdateTempFileName(const std::string& tempFolder, int64_t localSeconds, int random) {
    return tempFolder + "~" + std::to_string(localSeconds) + "sonvaro-update" + std::to_string(random) +
           ".tmp";
}

bool IsWebAddress(std::string_view address) {
    return StartsWithNoCase(address, "http://") || StartsWithNoCase(address, "https://");
}

WebAddresses BuiltInWebAddresses() {
    WebAddresses addresses{SONVARO_UPDATE_BASE, SONVARO_WEBSITE, SONVARO_FEEDBACK};
    if (const char* base = std::getenv("SONVARO_UPDATE_BASE"); base && *base) addresses.updateBase = base;
    return addresses;
}

std::string VersionFileAddress(const std::string& base) {
    if (base.empty()) return {};
    const bool slash = base.back() == '/';
    return base + (slash ? "" : "/") + "data/version/sonvaro.inf";
}

namespace {

struct Download {
    PrivateNewFile* file = nullptr;
    size_t written = 0;
    size_t limit = 0;
    bool tooBig = false;
    const std::atomic<bool>* cancel = nullptr;
};

size_t WriteBody(char* data, size_t size, size_t count, void* user) {
    auto* d = static_cast<Download*>(user);
    const size_t n = size * count;
    if (d->written + n > d->limit) {
        d->tooBig = true;
        return 0;  // ends the transfer with an error
    }
    if (!d->file->Write(data, n)) return 0;
    d->written += n;
    return n;
}

int Progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* d = static_cast<const Download*>(user);
    return d->cancel && d->cancel->load() ? 1 : 0;
}

// GETs the version file into `file`; true when the whole body arrived.
bool DownloadToFile(const UpdateCheckConfig& config, PrivateNewFile& file) {
    Download d;
    d.file = &file;
    d.limit = config.maxBytes;
    d.cancel = config.cancel;
    CURL* easy = curl_easy_init();
    CURLcode result = CURLE_FAILED_INIT;
    if (easy) {
        curl_easy_setopt(easy, CURLOPT_URL, config.address.c_str());
        curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 5L);
        curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, config.timeoutMs);
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, config.timeoutMs);
        curl_easy_setopt(easy, CURLOPT_FAILONERROR, 1L);
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &WriteBody);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, &d);
        curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &Progress);
        curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &d);
        curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
        result = curl_easy_perform(easy);
        curl_easy_cleanup(easy);
    }
    const bool closed = file.Close();
    return result == CURLE_OK && closed;
}

// Names taken by someone else (another run, or a file planted in the shared
// folder) are passed over; after this many the check gives up.
constexpr int kNameAttempts = 16;

}  // namespace

UpdateOutcome RunUpdateCheck(const UpdateCheckConfig& config) {
    UpdateOutcome outcome;
    outcome.address = config.address;
    if (config.address.empty()) {
        outcome.result = UpdateResult::NotSetUp;
        return outcome;
    }
    if (!audio::InitNetworkLibrary()) {
        outcome.result = UpdateResult::NetworkFailed;
        return outcome;
    }
    // Two checks at once (start-up and menu) use different files.
    static std::atomic<unsigned> sequence{0};
    // A name in a shared folder: never follow a link someone planted there,
    // never reuse a file, and never remove a file this check did not create.
    std::unique_ptr<PrivateNewFile> file;
    std::string path;
    for (int attempt = 0; attempt < kNameAttempts && !file; ++attempt) {
        const int random = static_cast<int>((ProcessNumber() * 7919u + sequence++) % 1001u);
        path = UpdateTempFileName(config.tempFolder, config.localSeconds, random);
        auto candidate = std::make_unique<PrivateNewFile>(path);
        if (candidate->IsOpen()) file = std::move(candidate);
    }
    if (!file) {
        outcome.result = UpdateResult::DownloadFailed;
        return outcome;
    }
    const bool downloaded = DownloadToFile(config, *file);
    std::optional<std::string> text;
    if (downloaded) text = ReadWholeFile(path);
    RemoveFile(path);  // ours: created above, also after a failed transfer
    if (!downloaded) {
        outcome.result = UpdateResult::DownloadFailed;
        return outcome;
    }
    if (!text) {
        outcome.result = UpdateResult::OpenFailed;
        return outcome;
    }
    outcome.info = ParseUpdateInfo(*text);
    if (outcome.info.version == -1 || outcome.info.version == 0)
        outcome.result = UpdateResult::NoVersion;
    else if (outcome.info.version > kInstalledVersion)
        outcome.result = UpdateResult::NewVersion;
    else
        outcome.result = UpdateResult::Current;
    return outcome;
}

void PresentUpdateOutcome(const UpdateOutcome& outcome, bool interactive, Messages& messages,
                          WebBrowser& browser, const std::string& webPage) {
    switch (outcome.result) {
        case UpdateResult::NotSetUp:
            if (interactive) messages.Show(kNoAddressText, "Neue Version", MessageIcon::Information);
            break;
        case UpdateResult::NetworkFailed:
            if (interactive) messages.ErrorBox("Netzwerkumgebung konnte nicht initialisiert werden");
            break;
        case UpdateResult::DownloadFailed:
            if (interactive)
                messages.ErrorBox("Versionsinformationen konnten nicht heruntergeladen werden\n'" +
                                  outcome.address + "'");
            break;
        case UpdateResult::OpenFailed:
            if (interactive) messages.ErrorBox("Fehler beim öffnen der Updateinformationen");
            break;
        case UpdateResult::NoVersion:
            break;
        case UpdateResult::Current:
            if (interactive) messages.Show("Programmversion ist aktuell", "Update", MessageIcon::Information);
            break;
        case UpdateResult::NewVersion:
            // Not waited for: the window, the remote control and the end
            // signals are served while the question is open.
            messages.AskLater(
                NewVersionQuestion(outcome.info), "Update", MessageIcon::Question,
                [&browser, webPage, download = std::string(TrimSpaces(outcome.info.download))](bool yes) {
                    if (!yes) return;
                    if (IsWebAddress(webPage)) browser.OpenAddress(webPage);
                    if (IsWebAddress(download)) browser.OpenAddress(download);
                });
            break;
    }
}

}  // namespace sonvaro
