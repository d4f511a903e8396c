#include "session/save_report.h"

#include "core/status_log.h"

namespace sonvaro {

void SaveReport::Note(const std::string& path, bool ok, const std::string& failure) {
    if (ok) {
        told_.erase(path);
        return;
    }
    if (failure.empty()) return;
    const auto it = told_.find(path);
    if (it != told_.end() && it->second == failure) return;
    if (!log_.IsOpen()) return;
    log_.LogStatus("Nicht gespeichert: '" + path + "' (" + failure + ")");
    told_[path] = failure;
}

}  // namespace sonvaro
