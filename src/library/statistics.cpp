#include "library/statistics.h"

#include <atomic>
#include <limits>

#include "core/clock.h"
#include "core/duration.h"
#include "core/ports/messages.h"

namespace sonvaro {
namespace {

std::atomic_ref<int32_t> PlayEndRef(Settings& s) {
    return std::atomic_ref<int32_t>(s.statistics.PlayEnd);
}

}  // namespace

namespace {

// Counters stop at their largest value rather than wrap to a negative count.
template <class T>
void Saturating(T& counter) {
    if (counter < std::numeric_limits<T>::max()) ++counter;
}

}  // namespace

void StatisticsCounter::CountPlayStart() {
    Saturating(settings_.statistics.PlayStart);
}

void StatisticsCounter::CountPlayDay(int64_t now) {
    if (FormatDatePattern("%dd%mm%yyyy", settings_.Misc_LastStart) == FormatDatePattern("%dd%mm%yyyy", now))
        return;
    Saturating(settings_.statistics.PlayDays);
    settings_.Misc_LastStart = static_cast<int32_t>(now);
}

void StatisticsCounter::CountPlayEnd() {
    auto counter = PlayEndRef(settings_);
    int32_t seen = counter.load(std::memory_order_relaxed);
    while (seen < INT32_MAX && !counter.compare_exchange_weak(seen, seen + 1, std::memory_order_relaxed)) {
    }
}

int32_t StatisticsCounter::PlayEnd() const {
    return std::atomic_ref<int32_t>(settings_.statistics.PlayEnd).load(std::memory_order_relaxed);
}

void StatisticsCounter::CountPlayTime(uint32_t tick) {
    // Unsigned difference: correct across the 2^32 wrap of the tick.
    if (tick - lastPlayTick_ < 1000) return;
    lastPlayTick_ = tick;
    Saturating(settings_.statistics.PlayTime);
}

bool StatisticsCounter::ResetStatistics(Messages& messages) {
    if (!messages.Ask("Möchten Sie die Statistik wirklich zurücksetzen?", "Warnung", MessageIcon::Question))
        return false;
    Statistics& st = settings_.statistics;
    st.PlayStart = 0;
    PlayEndRef(settings_).store(0, std::memory_order_relaxed);
    st.PlayTime = 0;
    st.AppStart = 0;
    return true;
}

std::vector<std::pair<std::string, std::string>> StatisticsRows(const Settings& settings) {
    const Statistics& st = settings.statistics;
    const int32_t playEnd =
        std::atomic_ref<int32_t>(const_cast<int32_t&>(st.PlayEnd)).load(std::memory_order_relaxed);
    const int64_t perDay = st.PlayDays > 0 ? st.PlayTime / st.PlayDays : st.PlayTime;
    return {
        {"Wiedergabe Gestartet", std::to_string(st.PlayStart)},
        {"Wiedergabe Beenden", std::to_string(playEnd)},
        {"Gesamte Wiedergabedauer", FormatDuration(st.PlayTime)},
        {"Wiedergabedauer pro Tag", FormatDuration(perDay)},
        {"Sonvaro Gestartet", std::to_string(st.AppStart)},
    };
}

}  // namespace sonvaro
