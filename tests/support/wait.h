#pragma once
// The one bounded wait of the tests: polls a condition another thread or
// process makes true, and gives up after `limit` (a failure, never a hang).
#include <chrono>
#include <functional>
#include <thread>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace sonvaro::test {

inline bool WaitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// An object a let-go thread may use until the process ends: never freed, and
// told to the leak checker so that it does not count as a leak.
template <typename T>
T* KeptForever(T* object) {
#if defined(__SANITIZE_ADDRESS__)
    __lsan_ignore_object(object);
#endif
    return object;
}

}  // namespace sonvaro::test
