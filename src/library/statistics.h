#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "settings/settings.h"

namespace sonvaro {

class Messages;

// The listening counters kept in the settings' "Statistics" group.
class StatisticsCounter {
  public:
    explicit StatisticsCounter(Settings& settings) : settings_(settings) {}

    // A channel started (file or stream).
    void CountPlayStart();
    // A file started at local time `now`: a new calendar day counts once.
    void CountPlayDay(int64_t now);
    // A playing channel was freed. Safe on an engine thread.
    void CountPlayEnd();
    // Called every tick while the current channel plays; counts one second per
    // full 1000 ms of the tick clock.
    void CountPlayTime(uint32_t tick);
    // "Zurücksetzen": after a Yes, clears every counter but the days.
    bool ResetStatistics(Messages& messages);

    int32_t PlayEnd() const;

  private:
    Settings& settings_;
    uint32_t lastPlayTick_ = 0;
};

// The five rows of the statistics page: entry text and value.
std::vector<std::pair<std::string, std::string>> StatisticsRows(const Settings& settings);

}  // namespace sonvaro
