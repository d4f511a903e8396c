#include "engine/net/http_transfer.h"

#include <curl/curl.h>

#include <chrono>
#include <condition_variable>
#include <cstring>

#include "engine/bass.h"
#include "engine/net/ascii_case.h"

namespace sonvaro::audio {
namespace {

std::uint64_t NowMs() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

int ErrorOf(CURLcode code) {
    switch (code) {
        case CURLE_OK:
            return BASS_OK;
        case CURLE_OPERATION_TIMEDOUT:
            return BASS_ERROR_TIMEOUT;
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_PEER_FAILED_VERIFICATION:
            return BASS_ERROR_SSL;
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
        case CURLE_COULDNT_CONNECT:
            return BASS_ERROR_NONET;
        default:
            return BASS_ERROR_FILEOPEN;
    }
}

struct GlobalInit {
    GlobalInit() : ok(curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK) {}
    bool ok;
};

}  // namespace

bool InitNetworkLibrary() {
    static GlobalInit init;
    return init.ok;
}

HttpTransfer::HttpTransfer(TransferOptions options, TransferSink& sink)
    : options_(std::move(options)), sink_(sink) {
    InitNetworkLibrary();  // before any thread uses curl
    ftp_ = StartsNoCase(options_.url, "ftp://");
}

HttpTransfer::~HttpTransfer() {
    Cancel();
    if (thread_.joinable()) {
        // A sink that frees its own stream from inside a callback cannot wait for itself.
        if (thread_.get_id() == std::this_thread::get_id())
            thread_.detach();
        else
            thread_.join();
    }
}

void HttpTransfer::Start(std::shared_ptr<void> keepAlive) {
    running_ = true;
    thread_ = std::thread([this, keepAlive = std::move(keepAlive)]() mutable {
        Run();
        keepAlive.reset();  // may destroy the owner, and this object with it: nothing follows
    });
}

void HttpTransfer::Wake() {
    std::lock_guard lock(wakeMutex_);
    if (multi_) curl_multi_wakeup(static_cast<CURLM*>(multi_));
}

void HttpTransfer::Cancel() {
    cancel_ = true;
    Wake();
}

std::size_t HttpTransfer::HeaderCallback(char* data, std::size_t size, std::size_t count, void* user) {
    auto* self = static_cast<HttpTransfer*>(user);
    std::size_t n = size * count;
    if (self->cancel_) return 0;
    self->lastActivity_ = NowMs();
    if (self->ftp_) return n;  // FTP replies are no stream headers
    std::string line(data, n);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (StartsNoCase(line, "HTTP/") || StartsNoCase(line, "ICY ")) {
        // A new response (the first, or the next after a redirect).
        self->lines_.clear();
        self->kept_ = 0;
        self->hasLocation_ = false;
        std::size_t space = line.find(' ');
        self->status_ = space == std::string::npos ? 0 : std::atoi(line.c_str() + space + 1);
        self->lines_.push_back(line);
        return n;
    }
    if (line.empty()) {
        bool redirect = self->status_ >= 300 && self->status_ < 400 && self->hasLocation_;
        if (!redirect && !self->headersDone_ && self->status_ != 0) {
            self->headersDone_ = true;
            self->sink_.OnHeaders(self->status_, std::move(self->lines_));
            self->lines_.clear();
            // Anything else than success carries no stream.
            if (self->status_ < 200 || self->status_ >= 300) {
                self->aborted_ = true;
                return 0;
            }
        }
        return n;
    }
    if (StartsNoCase(line, "location:")) self->hasLocation_ = true;
    // Bounded: a hostile server may send endless or enormous header lines.
    if (line.size() <= kMaxHeaderLine && self->lines_.size() < 200 &&
        self->kept_ + line.size() <= 64 * 1024) {
        self->kept_ += line.size();
        self->lines_.push_back(std::move(line));
    }
    return n;
}

std::size_t HttpTransfer::BodyCallback(char* data, std::size_t size, std::size_t count, void* user) {
    auto* self = static_cast<HttpTransfer*>(user);
    std::size_t n = size * count;
    if (self->cancel_) return 0;
    if (!self->headersDone_) {
        if (!self->ftp_) {
            self->aborted_ = true;
            return 0;
        }
        self->headersDone_ = true;
        self->status_ = 200;
        self->sink_.OnHeaders(200, {});
    }
    switch (self->sink_.OnBody(data, n)) {
        case TransferSink::Take::Taken:
            self->lastActivity_ = NowMs();
            return n;
        case TransferSink::Take::Pause:
            self->paused_ = true;
            return CURL_WRITEFUNC_PAUSE;
        default:
            self->aborted_ = true;
            return 0;
    }
}

void HttpTransfer::Run() {
    CURL* easy = curl_easy_init();
    CURLM* multi = curl_multi_init();
    curl_slist* aliases = curl_slist_append(nullptr, "ICY 200 OK");
    curl_slist* request = curl_slist_append(nullptr, "Icy-MetaData: 1");
    int error = BASS_ERROR_FILEOPEN;
    if (easy && multi && aliases && request) {
        curl_easy_setopt(easy, CURLOPT_URL, options_.url.c_str());
        curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https,ftp");
        curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https,ftp");
        curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 5L);
        curl_easy_setopt(easy, CURLOPT_HTTP200ALIASES, aliases);
        if (options_.askForTitles) curl_easy_setopt(easy, CURLOPT_HTTPHEADER, request);
        curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options_.timeoutMs));
        // Always set: an empty text means direct, whatever the environment's proxy variables say.
        curl_easy_setopt(easy, CURLOPT_PROXY, options_.proxy.c_str());
        curl_easy_setopt(easy, CURLOPT_USERAGENT, options_.agent.c_str());
        if (options_.offset > 0)
            curl_easy_setopt(easy, CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(options_.offset));
        curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &HeaderCallback);
        curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &BodyCallback);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
        curl_multi_add_handle(multi, easy);
        {
            std::lock_guard lock(wakeMutex_);
            multi_ = multi;
        }
        const std::uint64_t start = NowMs();
        lastActivity_ = start;
        CURLcode result = CURLE_OK;
        bool done = false;
        while (!done) {
            if (cancel_) {
                error = BASS_ERROR_ENDED;
                break;
            }
            if (paused_ && sink_.HasRoom()) {
                paused_ = false;
                lastActivity_ = NowMs();
                curl_easy_pause(easy, CURLPAUSE_CONT);  // may deliver the held piece at once
            }
            int running = 0;
            if (curl_multi_perform(multi, &running) != CURLM_OK) break;
            int left = 0;
            while (CURLMsg* msg = curl_multi_info_read(multi, &left)) {
                if (msg->msg == CURLMSG_DONE) {
                    result = msg->data.result;
                    done = true;
                }
            }
            if (done || running == 0) {
                done = true;
                error = aborted_ ? BASS_ERROR_FILEOPEN : ErrorOf(result);
                break;
            }
            const std::uint64_t now = NowMs();
            // Silence: no byte for the time-out (waiting for room is not silence).
            // Headers too must be complete within the time-out, even if trickled.
            if ((!paused_ && now - lastActivity_ > options_.timeoutMs) ||
                (!headersDone_ && now - start > options_.timeoutMs)) {
                error = BASS_ERROR_TIMEOUT;
                break;
            }
            int waitMs = paused_ ? 100 : static_cast<int>(std::min<std::uint64_t>(200, options_.timeoutMs));
            curl_multi_poll(multi, nullptr, 0, waitMs, nullptr);
        }
        {
            std::lock_guard lock(wakeMutex_);
            multi_ = nullptr;
        }
        curl_multi_remove_handle(multi, easy);
    }
    curl_slist_free_all(aliases);
    curl_slist_free_all(request);
    if (easy) curl_easy_cleanup(easy);
    if (multi) curl_multi_cleanup(multi);
    if (!headersDone_ && error == BASS_OK) error = BASS_ERROR_FILEOPEN;
    running_ = false;
    sink_.OnEnd(error);
}

namespace {

// Keeps the body up to its limit and tells the waiting caller when the transfer ended.
class SmallTextSink : public TransferSink {
  public:
    explicit SmallTextSink(size_t limit) : limit_(limit) {}
    void OnHeaders(int status, std::vector<std::string>) override { status_ = status; }
    Take OnBody(const char* data, std::size_t size) override {
        if (body_.size() + size > limit_) {
            tooLarge_ = true;
            return Take::Abort;
        }
        body_.append(data, size);
        return Take::Taken;
    }
    bool HasRoom() override { return true; }
    void OnEnd(int error) override {
        std::lock_guard lock(mutex_);
        error_ = error;
        ended_ = true;
        endedCondition_.notify_all();
    }
    // True once the transfer ended; waits at most `ms` for it.
    bool WaitEnd(int ms) {
        std::unique_lock lock(mutex_);
        return endedCondition_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return ended_; });
    }
    // After the end only: the transfer thread writes nothing more.
    SmallText Result(bool cancelled) {
        SmallText result;
        result.status = status_;
        if (cancelled)
            result.outcome = SmallText::Outcome::Cancelled;
        else if (tooLarge_)
            result.outcome = SmallText::Outcome::TooLarge;
        else if (status_ != 0 && (status_ < 200 || status_ >= 300))
            result.outcome = SmallText::Outcome::HttpStatus;
        else if (error_ == BASS_OK && status_ != 0)
            result.outcome = SmallText::Outcome::Fetched, result.body = std::move(body_);
        return result;
    }

  private:
    const size_t limit_;
    std::string body_;
    int status_ = 0;
    bool tooLarge_ = false;
    std::mutex mutex_;
    std::condition_variable endedCondition_;
    bool ended_ = false;
    int error_ = BASS_OK;
};

}  // namespace

std::string SmallText::FailureText() const {
    switch (outcome) {
        case Outcome::Unreachable:
            return "Verbindung fehlgeschlagen";
        case Outcome::TooLarge:
            return "zu groß";
        case Outcome::HttpStatus:
            return "HTTP " + std::to_string(status);
        default:
            return {};
    }
}

SmallText FetchSmallText(const std::string& url, const std::function<bool()>& whileWaiting, size_t maxBytes,
                         unsigned timeoutMs) {
    SmallTextSink sink(maxBytes);
    TransferOptions options;
    options.url = url;
    options.timeoutMs = timeoutMs;
    options.askForTitles = false;
    HttpTransfer transfer(options, sink);
    transfer.Start();
    // A server that trickles its bytes keeps the transfer's silence time-out
    // away: the whole fetch has a deadline of its own.
    const std::uint64_t deadline = NowMs() + timeoutMs;
    bool cancelled = false, timedOut = false;
    while (!sink.WaitEnd(20)) {
        if (cancelled || timedOut) continue;  // the transfer ends soon
        if (whileWaiting && !whileWaiting()) {
            cancelled = true;
            transfer.Cancel();
        } else if (NowMs() > deadline) {
            timedOut = true;
            transfer.Cancel();
        }
    }
    return sink.Result(cancelled);
}

}  // namespace sonvaro::audio
