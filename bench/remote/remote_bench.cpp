// Remote commands against a running headless player: the round trip of one
// command (sent, handled on the player's loop, answered), and a burst of
// 10,000 answered in order. Beside it, a bare echo over a socket pair as the
// floor a round trip between two processes costs here.
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "core/remote_record.h"
#include "platform/instance_socket.h"

using namespace sonvaro;
using Clock = std::chrono::steady_clock;

namespace {

double Micros(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

// Answers that arrived; one read may bring several.
struct Answers {
    int fd;
    FrameReader reader{1 << 20};
    long waiting = 0;
    // Waits until one more answer is there; false on a closed or silent connection.
    bool Take() {
        while (waiting == 0) {
            uint8_t buffer[4096];
            const long n = ReceiveWithin(fd, buffer, sizeof buffer, 5000);
            if (n <= 0) return false;
            reader.Feed(buffer, static_cast<size_t>(n), [&](Frame&& f) {
                if (f.kind == kRemoteKind && f.payload.size() == 4) ++waiting;
            });
        }
        --waiting;
        return true;
    }
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double EchoFloorMicros() {
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, pair) != 0) return -1;
    const pid_t child = fork();
    if (child == 0) {
        close(pair[0]);  // else its own copy keeps the echo from ever seeing the end
        char c;
        while (read(pair[1], &c, 1) == 1)
            if (write(pair[1], &c, 1) != 1) break;
        _exit(0);
    }
    close(pair[1]);
    std::vector<double> times;
    for (int i = 0; i < 2000; ++i) {
        const auto start = Clock::now();
        char c = 'x';
        if (write(pair[0], &c, 1) != 1 || read(pair[0], &c, 1) != 1) break;
        times.push_back(Micros(Clock::now() - start));
    }
    close(pair[0]);
    waitpid(child, nullptr, 0);
    return times.empty() ? -1 : Median(times);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: remote_bench SOCKET\n");
        return 2;
    }
    const int fd = ConnectToInstance(argv[1]);
    if (fd < 0) {
        std::fprintf(stderr, "no player at %s\n", argv[1]);
        return 1;
    }
    Answers answers{fd};
    // Volume commands: handled in full on the player's loop, nothing else changes.
    std::vector<double> times;
    for (int i = 0; i < 500; ++i) {
        const auto start = Clock::now();
        if (!SendWithin(fd, EncodeCommand({11, 40 + i % 20, 0, "", ""}), 5000) || !answers.Take()) return 1;
        times.push_back(Micros(Clock::now() - start));
    }
    std::string burst;
    for (int i = 0; i < 10000; ++i) burst += EncodeCommand({11, 40 + i % 20, 0, "", ""});
    const auto start = Clock::now();
    if (!SendWithin(fd, burst, 10000)) {
        std::fprintf(stderr, "the burst could not be sent\n");
        return 1;
    }
    for (int i = 0; i < 10000; ++i)
        if (!answers.Take()) {
            std::fprintf(stderr, "burst command %d was not answered\n", i);
            return 1;
        }
    const double burstMs = Micros(Clock::now() - start) / 1000;
    CloseConnection(fd);
    std::printf(
        "remote command round trip: median %.0f us of 500 (target <= 5 ms); bare socket echo between two "
        "processes %.0f us\n",
        Median(times), EchoFloorMicros());
    std::printf("10,000 commands in one burst answered in %.0f ms (%.1f us each)\n", burstMs, burstMs / 10);
    return 0;
}
