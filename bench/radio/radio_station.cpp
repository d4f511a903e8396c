// A loopback radio station for the benchmarks: serves an MP3 file with ICY
// metadata (a new title every 8 blocks) on 127.0.0.1 at the file's bit rate,
// after a 64 KB burst as Icecast sends it. Prints its port, serves until killed.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace {

bool SendAll(int fd, const std::string& bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void Serve(int fd, const std::string& audio, std::size_t bytesPerSecond) {
    char buf[4096];
    std::string request;
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
        ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) break;
        request.append(buf, static_cast<std::size_t>(n));
    }
    constexpr std::size_t kInterval = 8192, kBurst = 64 * 1024;
    bool ok = SendAll(fd,
                      "ICY 200 OK\r\nicy-name: Loopback FM\r\nicy-genre: Bench\r\nicy-metaint: 8192\r\n"
                      "content-type: audio/mpeg\r\n\r\n");
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t at = 0, block = 0; ok && at < audio.size(); at += kInterval, ++block) {
        std::string meta = block % 8 ? "" : "StreamTitle='Band " + std::to_string(block / 8) + " - Song';";
        meta.resize((meta.size() + 15) / 16 * 16, '\0');
        ok = SendAll(fd, audio.substr(at, kInterval) + static_cast<char>(meta.size() / 16) + meta);
        const std::size_t sent = at + kInterval;
        if (sent > kBurst)
            std::this_thread::sleep_until(
                start + std::chrono::microseconds((sent - kBurst) * 1000000 / bytesPerSecond));
    }
    ::close(fd);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s MP3FILE [BYTES_PER_SECOND]\n", argv[0]);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    const std::string audio = s.str();
    const std::size_t rate = argc > 2 ? std::stoul(argv[2]) : 16000;
    int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (audio.empty() || ::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::listen(listener, 8) != 0 || ::getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len) != 0)
        return 1;
    std::printf("%d\n", ntohs(a.sin_port));
    std::fflush(stdout);
    for (;;) {
        int fd = ::accept(listener, nullptr, nullptr);
        if (fd >= 0) std::thread(Serve, fd, std::cref(audio), rate).detach();
    }
}
