// CPU of the hotkey and media-key polling while nobody types: the player's
// pass (all 17 hotkeys bound, media keys on) every 25 ms against an X server,
// beside a bare XQueryKeymap loop at the same rate. Counts this process and,
// given its pid, the X server, whose work each query also is.
#include <X11/Xlib.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "companions/hotkeys.h"
#include "platform/x11_keyboard.h"

namespace {

double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

// utime + stime of another process, in seconds (0 without a pid).
double OtherCpuSeconds(long pid) {
    if (pid <= 0) return 0;
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t close = text.rfind(')');
    if (close == std::string::npos) return 0;
    std::string rest = text.substr(close + 2);
    unsigned long utime = 0, stime = 0;
    // Fields after the name: state(3) ... utime(14) stime(15).
    char state = 0;
    long skip = 0;
    std::sscanf(rest.c_str(), "%c %ld %ld %ld %ld %ld %ld %ld %ld %ld %ld %lu %lu", &state, &skip, &skip,
                &skip, &skip, &skip, &skip, &skip, &skip, &skip, &skip, &utime, &stime);
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

struct Figure {
    double client = 0, server = 0;  // percent of one core
    long passes = 0;
};

Figure Run(double seconds, long serverPid, const std::function<void()>& pass) {
    using clock = std::chrono::steady_clock;
    const auto start = clock::now();
    const double cpu0 = ProcessCpuSeconds(), server0 = OtherCpuSeconds(serverPid);
    Figure f;
    for (auto next = start; clock::now() - start < std::chrono::duration<double>(seconds);) {
        pass();
        ++f.passes;
        next += std::chrono::milliseconds(25);
        std::this_thread::sleep_until(next);
    }
    const double wall = std::chrono::duration<double>(clock::now() - start).count();
    f.client = (ProcessCpuSeconds() - cpu0) / wall * 100;
    f.server = (OtherCpuSeconds(serverPid) - server0) / wall * 100;
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10;
    const long serverPid = argc > 2 ? std::atol(argv[2]) : 0;

    sonvaro::Settings settings;
    settings.HK_Global = 1;
    settings.HK_MediaKeys = 1;
    for (int i = 0; i < sonvaro::kHotkeyCount; ++i)
        settings.hotkeys[i] = {1, 1, static_cast<int8_t>(i % 2), static_cast<int8_t>(i % 3 == 0),
                               static_cast<int8_t>(i * 5)};
    sonvaro::X11KeyState keys;
    if (!keys.Available()) {
        std::fprintf(stderr, "no X server at $DISPLAY\n");
        return 1;
    }
    int fired = 0;
    sonvaro::HotkeyPoller poller(
        settings, keys, {[&](sonvaro::HotkeyCommand) { ++fired; }, [&](sonvaro::MediaKey) { ++fired; }});
    const Figure player = Run(seconds, serverPid, [&] { poller.Poll(); });

    Display* display = XOpenDisplay(nullptr);
    char state[32];
    const Figure bare = Run(seconds, serverPid, [&] { XQueryKeymap(display, state); });
    XCloseDisplay(display);

    const Figure wake = Run(seconds, serverPid, [] {});

    std::printf("hotkey + media-key polling, 17 hotkeys, every 25 ms for %.0f s (%ld passes):\n", seconds,
                player.passes);
    std::printf("  player's poll:        %.3f %% of one core (X server %.3f %%)\n", player.client,
                player.server);
    std::printf("  bare XQueryKeymap:    %.3f %% of one core (X server %.3f %%)\n", bare.client, bare.server);
    std::printf("  25 ms wake-up alone:  %.3f %% of one core\n", wake.client);
    std::printf("  ratio (client):       %.2f x\n", bare.client > 0 ? player.client / bare.client : 0.0);
    if (fired != 0) std::printf("  (%d keys fired: someone typed)\n", fired);
    return 0;
}
