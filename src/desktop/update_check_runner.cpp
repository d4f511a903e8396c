#include "desktop/update_check_runner.h"

#include <QMetaObject>
#include <QPointer>

#include "core/clock.h"
#include "platform/app_folders.h"

namespace sonvaro {

UpdateCheckRunner::~UpdateCheckRunner() {
    cancel_->store(true);
    for (Job& job : jobs_)
        if (job.thread.joinable()) job.thread.join();
}

void UpdateCheckRunner::Start(bool interactive) {
    UpdateCheckConfig config;
    config.address = VersionFileAddress(addresses_.updateBase);
    if (config.address.empty()) {
        Hand(interactive, RunUpdateCheck(config));  // asks nobody; from the menu it says so
        return;
    }
    config.tempFolder = GetTempFolder();
    config.localSeconds = LocalSecondsNow();
    config.timeoutMs = timeoutMs_;
    Job& job = jobs_.emplace_back();
    job.interactive = interactive;
    Job* handle = &job;
    QPointer<UpdateCheckRunner> self(this);
    job.thread = std::thread([self, handle, config, cancel = cancel_]() mutable {
        config.cancel = cancel.get();
        const UpdateOutcome outcome = RunUpdateCheck(config);
        if (cancel->load()) return;  // the checker is going: nobody to tell
        // Queued to the window thread; dropped there if the checker is gone by then.
        QMetaObject::invokeMethod(
            self.data(),
            [self, handle, outcome] {
                if (self) self->Deliver(handle, outcome);
            },
            Qt::QueuedConnection);
    });
}

void UpdateCheckRunner::Deliver(Job* job, const UpdateOutcome& outcome) {
    const bool interactive = job->interactive;
    if (job->thread.joinable()) job->thread.join();  // it ended after posting this
    jobs_.remove_if([job](const Job& j) { return &j == job; });
    Hand(interactive, outcome);
}

void UpdateCheckRunner::Hand(bool interactive, const UpdateOutcome& outcome) {
    if (held_)
        waiting_.emplace_back(interactive, outcome);
    else
        Present(interactive, outcome);
}

void UpdateCheckRunner::Release() {
    held_ = false;
    std::vector<std::pair<bool, UpdateOutcome>> waiting;
    waiting.swap(waiting_);
    for (const auto& [interactive, outcome] : waiting) Present(interactive, outcome);
}

void UpdateCheckRunner::Present(bool interactive, const UpdateOutcome& outcome) {
    PresentUpdateOutcome(outcome, interactive, messages_, browser_, addresses_.website);
    emit finished(static_cast<int>(outcome.result));
}

}  // namespace sonvaro
