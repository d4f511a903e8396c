#pragma once
#include <cstdio>
#include <cstdlib>

namespace sonvaro {

// Ends the process at once, after the shut-down has saved everything, without
// running destructors: for when a worker thread that was let go still uses
// objects that destruction would free.
[[noreturn]] inline void EndProcessNow(int code) {
    std::fflush(nullptr);
    std::_Exit(code);
}

}  // namespace sonvaro
