#pragma once
#include <map>
#include <string>

namespace sonvaro {

class StatusLog;

// Tells the status log when a data file could not be written, and why: once
// per file and cause, not at every autosave tick; again once a save went
// through and a later one fails. Told only where the log shows it: a failure
// while the log window is closed is said the first time it is open.
class SaveReport {
  public:
    explicit SaveReport(StatusLog& log) : log_(log) {}
    // `failure`: why the save failed; empty when nothing was to be written.
    void Note(const std::string& path, bool ok, const std::string& failure);

  private:
    StatusLog& log_;
    std::map<std::string, std::string> told_;  // per file: the cause last said
};

}  // namespace sonvaro
