#pragma once
#include <QObject>
#include <atomic>
#include <list>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "companions/update_check.h"

namespace sonvaro {

class Messages;
class WebBrowser;

// "Neue Version" and the check at start-up: each check downloads on a thread
// of its own, and its outcome is shown on the window thread afterwards, so a
// slow or stalling server never holds up the window. Checks still running
// when this goes (the program ends) are cancelled and waited for.
class UpdateCheckRunner : public QObject {
    Q_OBJECT
  public:
    UpdateCheckRunner(Messages& messages, WebBrowser& browser, WebAddresses addresses = BuiltInWebAddresses())
        : messages_(messages), browser_(browser), addresses_(std::move(addresses)) {}
    ~UpdateCheckRunner() override;

    // `interactive`: from the menu (every outcome is told); 0 at start-up
    // (only a new version is). Without an update address no thread starts and
    // no server is asked; from the menu that is told.
    void Start(bool interactive);
    // The addresses it checks with, and the pages "Webseite" and "Feedback" open.
    const WebAddresses& Addresses() const { return addresses_; }
    void SetAddresses(WebAddresses addresses) { addresses_ = std::move(addresses); }
    // While held (the start-up, until the main window is up), outcomes wait
    // and are shown on Release, so no box appears before the window does.
    void Hold() { held_ = true; }
    void Release();
    // Checks whose outcome has not been shown yet.
    int Running() const { return static_cast<int>(jobs_.size() + waiting_.size()); }
    // Of those, the ones held back.
    int Waiting() const { return static_cast<int>(waiting_.size()); }
    // For tests: the time-out of one transfer (default 15 s).
    void SetTimeout(long ms) { timeoutMs_ = ms; }

  signals:
    // After an outcome has been shown (a question is not waited for).
    void finished(int result);

  private:
    struct Job {
        std::thread thread;
        bool interactive = false;
    };
    void Deliver(Job* job, const UpdateOutcome& outcome);
    // Shown now, or kept until Release while held.
    void Hand(bool interactive, const UpdateOutcome& outcome);
    void Present(bool interactive, const UpdateOutcome& outcome);

    Messages& messages_;
    WebBrowser& browser_;
    WebAddresses addresses_;
    std::list<Job> jobs_;
    bool held_ = false;
    std::vector<std::pair<bool, UpdateOutcome>> waiting_;  // interactive, outcome
    std::shared_ptr<std::atomic<bool>> cancel_ = std::make_shared<std::atomic<bool>>(false);
    long timeoutMs_ = 15000;
};

}  // namespace sonvaro
