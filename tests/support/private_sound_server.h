#pragma once
// A PulseAudio server of the test's own (in a private runtime folder, with a
// null sink as its only output), a recorder on that sink's monitor, and what
// the recording holds. Nothing outside the folder is touched.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/wait.h"

extern char** environ;

namespace sonvaro::test {

// The environment of this process with `changes` ("NAME=value") put in.
inline std::vector<std::string> EnvironmentWith(const std::vector<std::string>& changes) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        bool replaced = false;
        for (const std::string& c : changes)
            replaced = replaced || entry.compare(0, c.find('=') + 1, c, 0, c.find('=') + 1) == 0;
        if (!replaced) env.push_back(entry);
    }
    env.insert(env.end(), changes.begin(), changes.end());
    return env;
}

// Starts `argv` with `env`, standard output into `out` and errors into `err`
// (empty: /dev/null); 0 when it could not be started.
inline pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                   const std::string& out = "", const std::string& err = "") {
    std::vector<char*> a, e;
    for (const auto& s : argv) a.push_back(const_cast<char*>(s.c_str()));
    for (const auto& s : env) e.push_back(const_cast<char*>(s.c_str()));
    a.push_back(nullptr);
    e.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.empty() ? "/dev/null" : out.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.empty() ? "/dev/null" : err.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    if (posix_spawnp(&pid, a[0], &actions, nullptr, a.data(), e.data()) != 0) pid = 0;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Waits (bounded) for `pid` to end; its exit code, -1 when killed or still running at the limit.
inline int WaitForExit(pid_t pid, std::chrono::milliseconds limit) {
    int status = 0;
    if (!WaitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, limit)) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class PrivateSoundServer {
  public:
    static constexpr unsigned kRate = 44100;

    // `folder`: a new private folder (made here); the server's runtime and home folder.
    explicit PrivateSoundServer(const std::string& folder) : folder_(folder) {
        std::filesystem::create_directories(folder_);
        std::filesystem::permissions(folder_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::replace);
        env_ = {"XDG_RUNTIME_DIR=" + folder_, "HOME=" + folder_};
        const std::vector<std::string> env = Environment();
        server_ = Spawn({"pulseaudio", "--daemonize=no", "--exit-idle-time=-1", "-n",
                         "--load=module-null-sink sink_name=speakers", "--load=module-native-protocol-unix"},
                        env, "", folder_ + "/pulse.log");
        if (server_ == 0) {
            reason_ = "pulseaudio could not be started";
            return;
        }
        int status = 0;
        const bool up = WaitUntil(
            [&] {
                if (waitpid(server_, &status, WNOHANG) == server_) return true;  // it gave up
                return Run({"pactl", "info"}) == 0;
            },
            std::chrono::seconds(10));
        if (!up || Run({"pactl", "info"}) != 0) {
            reason_ = "pulseaudio did not start: " + ReadAll(folder_ + "/pulse.log");
            return;
        }
        Run({"pactl", "set-default-sink", "speakers"});
    }
    ~PrivateSoundServer() {
        StopRecording();
        if (server_ != 0) {
            kill(server_, SIGTERM);
            WaitForExit(server_, std::chrono::seconds(5));
        }
    }

    bool Ready() const { return reason_.empty(); }
    const std::string& Why() const { return reason_; }
    // The environment a client of this server runs in.
    std::vector<std::string> Environment(const std::vector<std::string>& more = {}) const {
        std::vector<std::string> changes = env_;
        changes.insert(changes.end(), more.begin(), more.end());
        return EnvironmentWith(changes);
    }

    // Records the sink's monitor (16-bit stereo); true once the first data has arrived.
    bool StartRecording() {
        recording_ = folder_ + "/monitor.raw";
        recorder_ = Spawn({"parec", "-d", "speakers.monitor", "--raw", "--format=s16le",
                           "--rate=" + std::to_string(kRate), "--channels=2"},
                          Environment(), recording_, folder_ + "/parec.log");
        return recorder_ != 0 && WaitUntil([&] { return RecordedBytes() > 0; });
    }
    std::uintmax_t RecordedBytes() const {
        std::error_code ec;
        const auto size = std::filesystem::file_size(recording_, ec);
        return ec ? 0 : size;
    }
    // Waits until `seconds` more have been recorded (the sink keeps running with
    // silence), so that everything played before now is in the recording.
    bool RecordFurther(double seconds) {
        const auto until = RecordedBytes() + static_cast<std::uintmax_t>(seconds * kRate) * 4;
        return WaitUntil([&] { return RecordedBytes() >= until; });
    }
    void StopRecording() {
        if (recorder_ == 0) return;
        kill(recorder_, SIGTERM);
        WaitForExit(recorder_, std::chrono::seconds(5));
        recorder_ = 0;
    }
    // Seconds recorded so far in which the left channel is above -20 dB; reads only what is new.
    double LoudSeconds() {
        std::ifstream in(recording_, std::ios::binary);
        in.seekg(static_cast<std::streamoff>(scanned_));
        char frame[4];
        while (in.read(frame, 4)) {
            scanned_ += 4;
            const auto v = static_cast<std::int16_t>(static_cast<unsigned char>(frame[0]) |
                                                     static_cast<unsigned char>(frame[1]) << 8);
            if (std::abs(v) > 3277) ++loud_;
        }
        return static_cast<double>(loud_) / kRate;
    }
    // The left channel of the recording so far, at full scale 1.0.
    std::vector<float> RecordedLeft() const {
        const std::string bytes = ReadAll(recording_);
        std::vector<float> left(bytes.size() / 4);
        for (std::size_t i = 0; i < left.size(); ++i) {
            const auto lo = static_cast<unsigned char>(bytes[i * 4]);
            const auto hi = static_cast<unsigned char>(bytes[i * 4 + 1]);
            left[i] = static_cast<float>(static_cast<std::int16_t>(lo | hi << 8)) / 32768.0f;
        }
        return left;
    }

  private:
    int Run(const std::vector<std::string>& argv) const {
        const pid_t pid = Spawn(argv, Environment());
        return pid == 0 ? -1 : WaitForExit(pid, std::chrono::seconds(10));
    }
    static std::string ReadAll(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::string folder_, reason_, recording_;
    std::vector<std::string> env_;  // what clients of this server change in their environment
    pid_t server_ = 0, recorder_ = 0;
    std::uintmax_t scanned_ = 0, loud_ = 0;
};

}  // namespace sonvaro::test
