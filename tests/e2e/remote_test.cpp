// Drives a running `sonvaro --headless` over its socket, as other programs and a second start do.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

#include "core/remote_record.h"
#include "platform/instance_socket.h"
#include "settings/settings_file.h"
#include "support/loopback_server.h"
#include "support/test_support.h"
#include "support/wait.h"

namespace sonvaro {
namespace {

// A headless player with its own configuration and runtime folders, three
// 30-second tones (titles "a", "b", "c") and no fades.
class RemotePlayer {
  public:
    explicit RemotePlayer(const std::vector<std::string>& playlist = {}) {
        std::filesystem::create_directories(home / "Sonvaro");
        test::WriteFile(home / "Sonvaro/Sonvaro.ini",
                        "[Preferences]\nBASS_QutputDevice=0\nBASS_FadeIn=0\nBASS_FadeOut=0\n");
        for (const char* name : {"a", "b", "c"})
            EXPECT_EQ(
                std::system(
                    ("sox -n -r 8000 -c 1 -b 16 '" + home.path() + name + ".wav' synth 30 sine 440").c_str()),
                0);
        std::string list = "SV-F-PLV1\r\n";
        for (const std::string& name : playlist)
            list += "ETY:" + home.path() + name + ".wav|" + name + "|\r\n";
        test::WriteFile(home / "Sonvaro/PlayList.dat", list);
        pid_ = fork();
        if (pid_ == 0) {
            Environment();
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            dup2(null, 2);
            // --stay: a player others talk to keeps running when its list ends.
            execl(SONVARO_BINARY, SONVARO_BINARY, "--headless", "--stay", static_cast<char*>(nullptr));
            _exit(127);
        }
        EXPECT_TRUE(test::WaitUntil([&] {
            const int fd = ConnectToInstance(socket());
            CloseConnection(fd);
            return fd >= 0;
        }));
    }
    ~RemotePlayer() {
        if (pid_ > 0 && !Ended()) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    void Environment() const {
        setenv("XDG_CONFIG_HOME", home.path().c_str(), 1);
        setenv("XDG_RUNTIME_DIR", home.path().c_str(), 1);
    }
    std::string socket() const { return home / "sonvaro.sock"; }
    std::string file(const std::string& name) const { return home / (name + ".wav"); }
    // Runs the binary as a second start or a remote client; its exit status.
    int Run(const std::string& args) const {
        // Bounded: a client stuck on a player that stopped taking connections fails the test, not hangs it.
        const std::string command = "XDG_CONFIG_HOME='" + home.path() + "' XDG_RUNTIME_DIR='" + home.path() +
                                    "' timeout 30 " + SONVARO_BINARY + " " + args + " >/dev/null 2>&1";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    bool Ended() {
        if (exitCode_ >= 0) return true;
        int status;
        if (waitpid(pid_, &status, WNOHANG) != pid_) return false;
        exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
        return true;
    }
    // Quits through a remote command and waits for the saves.
    bool Quit(struct Client& client);
    Settings SavedSettings() const { return SettingsFromText(test::ReadFile(home / "Sonvaro/Sonvaro.ini")); }
    std::string SavedPlaylist() const { return test::ReadFile(home / "Sonvaro/PlayList.dat"); }

    pid_t pid() const { return pid_; }

    test::TempDir home;
    int exitCode_ = -1;

  private:
    pid_t pid_ = -1;
};

struct Notification {
    int32_t code;
    std::string text;
};

// A raw connection: what any program may send.
struct Client {
    explicit Client(const RemotePlayer& player) : fd(ConnectToInstance(player.socket())) {}
    ~Client() { CloseConnection(fd); }
    bool Write(const std::string& bytes) const { return SendWithin(fd, bytes, 5000); }
    // The next answer; the notifications that come before it are kept.
    int32_t Answer() {
        Frame frame;
        while (Next(frame)) {
            if (frame.kind == kRemoteKind && frame.payload.size() == 4)
                return static_cast<int32_t>(static_cast<uint8_t>(frame.payload[0]));
            notifications.push_back({static_cast<int32_t>(frame.kind), NotificationText(frame)});
        }
        return -1;
    }
    int32_t Command(int32_t code, int32_t param1 = 0, const std::string& text1 = "") {
        return Write(EncodeCommand({code, param1, 0, text1, ""})) ? Answer() : -1;
    }
    // Waits (bounded) until a notification with `code` arrived; its text.
    std::string WaitFor(int32_t code) {
        for (size_t seen = 0;; ++seen) {
            while (seen >= notifications.size()) {
                Frame frame;
                if (!Next(frame)) return "<none>";
                notifications.push_back({static_cast<int32_t>(frame.kind), NotificationText(frame)});
            }
            if (notifications[seen].code == code) {
                std::string text = notifications[seen].text;
                notifications.erase(notifications.begin(),
                                    notifications.begin() + static_cast<long>(seen) + 1);
                return text;
            }
        }
    }
    bool Next(Frame& frame) {
        while (frames.empty()) {
            uint8_t buffer[4096];
            const long n = ReceiveWithin(fd, buffer, sizeof buffer, 10000);
            if (n <= 0) return false;
            reader.Feed(buffer, static_cast<size_t>(n), [&](Frame&& f) { frames.push_back(std::move(f)); });
        }
        frame = std::move(frames.front());
        frames.erase(frames.begin());
        return true;
    }
    int fd;
    FrameReader reader{1 << 20};
    std::vector<Frame> frames;
    std::vector<Notification> notifications;
};

bool RemotePlayer::Quit(Client& client) {
    if (client.Command(2) != 1) return false;
    return test::WaitUntil([&] { return Ended(); }) && exitCode_ == 0;
}

TEST(Remote, ASecondStartPlaysItsFirstFileAppendsTheOthersAndEnds) {
    RemotePlayer player;
    Client listener(player);
    ASSERT_EQ(listener.Command(0, 0, "test"), 1);
    EXPECT_EQ(player.Run("'" + player.file("b") + "'"), 0);
    EXPECT_EQ(listener.WaitFor(0), "b");
    EXPECT_EQ(player.Run("'" + player.file("a") + "' '" + player.file("b") + "' '" + player.file("c") + "'"),
              0);
    // The new track: codes 0..6 in order.
    EXPECT_EQ(listener.WaitFor(0), "a");
    std::vector<int32_t> codes;
    for (int32_t code = 1; code <= 6; ++code) {
        listener.WaitFor(code);
        codes.push_back(code);
    }
    EXPECT_EQ(codes.size(), 6u);
    ASSERT_EQ(listener.Command(10), 1);  // stop
    EXPECT_EQ(listener.WaitFor(10), "");
    ASSERT_TRUE(player.Quit(listener));
    const std::string list = player.SavedPlaylist();
    const size_t b = list.find("\r\nETY:" + player.file("b") + "|b|"),
                 c = list.find("\r\nETY:" + player.file("c") + "|c|");
    EXPECT_EQ(list.rfind("SV-F-PLV1\r\nETY:", 0), 0u) << list;
    EXPECT_EQ(b, 9u) << list;  // first row
    EXPECT_NE(c, std::string::npos) << list;
    EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 3) << list;
}

// A station named at a second start joins the running player's list as it
// would at a first start: chosen there, it is tuned in.
TEST(Remote, ASecondStartAppendsAStation) {
    support::LoopbackServer station([](support::LoopbackServer::Connection&) {});
    RemotePlayer player;
    Client listener(player);
    ASSERT_EQ(listener.Command(0, 0, "test"), 1);
    const std::string address = "HTTP" + station.Url("/live").substr(4);
    EXPECT_EQ(player.Run("'" + player.file("b") + "' '" + address + "'"), 0);
    EXPECT_EQ(listener.WaitFor(0), "b");    // the first file plays on its own
    ASSERT_EQ(listener.Command(14, 0), 1);  // select the first row
    ASSERT_EQ(listener.Command(5), 1);      // and play it
    ASSERT_TRUE(test::WaitUntil([&] { return !station.Requests().empty(); })) << "the station was not added";
    EXPECT_EQ(station.Requests()[0].rfind("GET /live ", 0), 0u) << station.Requests()[0];
    ASSERT_TRUE(player.Quit(listener));
}

TEST(Remote, WithoutAPlayerTheClientSaysSoAndEndsWith2) {
    test::TempDir home;
    const std::string env = "XDG_RUNTIME_DIR='" + home.path() + "' ";
    int status = std::system((env + SONVARO_BINARY + " --remote play 2>/dev/null").c_str());
    EXPECT_EQ(WEXITSTATUS(status), 2);
    status = std::system((env + SONVARO_BINARY + " --remote --help >/dev/null").c_str());
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(Remote, VolumeIsClampedAndStored) {
    RemotePlayer player;
    EXPECT_EQ(player.Run("--remote volume 150"), 0);
    {
        Client client(player);
        ASSERT_TRUE(player.Quit(client));
    }
    EXPECT_EQ(player.SavedSettings().Misc_Volume, 100);
}

TEST(Remote, NegativeVolumeBecomesZero) {
    RemotePlayer player;
    Client client(player);
    ASSERT_EQ(client.Command(11, -5), 1);
    ASSERT_TRUE(player.Quit(client));
    EXPECT_EQ(player.SavedSettings().Misc_Volume, 0);
}

TEST(Remote, RowSelectionIsClampedAndMinusOneClears) {
    RemotePlayer player({"a", "b", "c"});
    Client client(player);
    ASSERT_EQ(client.Command(0), 1);
    ASSERT_EQ(client.Command(14, -7), 1);  // row 0
    ASSERT_EQ(client.Command(5), 1);
    EXPECT_EQ(client.WaitFor(0), "a");
    ASSERT_EQ(client.Command(14, 99), 1);  // the last row
    ASSERT_EQ(client.Command(5), 1);
    EXPECT_EQ(client.WaitFor(0), "c");
    ASSERT_EQ(client.Command(14, 1), 1);
    ASSERT_EQ(client.Command(14, -1), 1);  // cleared: "play" goes on with "c" instead of starting row 1
    ASSERT_EQ(client.Command(5), 1);
    ASSERT_EQ(client.Command(14, 0), 1);
    ASSERT_EQ(client.Command(5), 1);
    EXPECT_EQ(client.WaitFor(0), "a");  // the first new title after "c": "b" never started
    ASSERT_TRUE(player.Quit(client));
}

TEST(Remote, ATextOf600CharactersArrivesCutTo500) {
    RemotePlayer player;
    // A file whose path is exactly 500 bytes; the 100 bytes after it are cut away.
    std::string folder = player.home.path();
    while (folder.size() < 300) folder += std::string(99, 'd') + "/";
    std::filesystem::create_directories(folder);
    const std::string path = folder + std::string(500 - folder.size() - 4, 'l') + ".wav";
    ASSERT_EQ(path.size(), 500u);
    std::filesystem::copy_file(player.file("a"), path);
    Client client(player);
    ASSERT_EQ(client.Command(0), 1);
    ASSERT_EQ(client.Command(6, 0, path + std::string(100, 'x')), 1);
    EXPECT_EQ(client.WaitFor(0), std::string(500 - folder.size() - 4, 'l'));
}

TEST(Remote, BadInputLeavesThePlayerAnswering) {
    RemotePlayer player({"a"});
    Client listener(player);
    ASSERT_EQ(listener.Command(0), 1);
    ASSERT_EQ(listener.Command(14, 0), 1);
    ASSERT_EQ(listener.Command(5), 1);
    EXPECT_EQ(listener.WaitFor(0), "a");
    {
        Client silent(player);  // connects and says nothing
        Client half(player);    // half a record, then gone
        ASSERT_TRUE(half.Write(EncodeCommand({11, 7, 0, "", ""}).substr(0, 300)));
    }
    Client silent(player);
    Client bad(player);
    const std::string record(612, 'z');  // texts without a terminating zero
    ASSERT_TRUE(bad.Write(EncodeFrameHeader(0x466, 611) + record.substr(1)));
    EXPECT_EQ(bad.Answer(), 0);  // the wrong size is not taken
    ASSERT_TRUE(bad.Write(EncodeFrameHeader(0x467, 612) + record));
    EXPECT_EQ(bad.Answer(), 0);
    ASSERT_TRUE(bad.Write(EncodeFrameHeader(0x466, 612) + record));
    EXPECT_EQ(bad.Answer(), 1);  // code 0x7a7a7a7a: taken, nothing done
    // 10,000 commands in one burst, all answered in order.
    std::string burst;
    for (int i = 0; i < 10000; ++i) burst += EncodeCommand({i % 2 ? 11 : 12, 40, 0, "", ""});
    ASSERT_TRUE(bad.Write(burst));
    int answered = 0;
    while (answered < 10000 && bad.Answer() == 1) ++answered;
    EXPECT_EQ(answered, 10000);
    // Still playing and answering.
    ASSERT_EQ(listener.Command(14, 0), 1);
    ASSERT_EQ(listener.Command(5), 1);
    EXPECT_EQ(listener.WaitFor(0), "a");
    ASSERT_TRUE(player.Quit(listener));
    EXPECT_EQ(player.SavedSettings().Misc_Volume, 40);
}

TEST(Remote, APathTooLongForTheRecordIsRefusedAndNothingPlays) {
    RemotePlayer player;
    // Cut to 500 bytes, the path would name this other file.
    std::string folder = player.home.path();
    while (folder.size() < 300) folder += std::string(99, 'd') + "/";
    std::filesystem::create_directories(folder);
    const std::string cut = folder + std::string(500 - folder.size() - 4, 'l') + ".wav";
    ASSERT_EQ(cut.size(), 500u);
    std::filesystem::copy_file(player.file("a"), cut);
    Client listener(player);
    ASSERT_EQ(listener.Command(0), 1);
    EXPECT_EQ(player.Run("--remote play-file '" + cut + "x'"), 1);
    EXPECT_EQ(player.Run("'" + cut + "x'"), 1);  // a second start says so too
    ASSERT_EQ(listener.Command(12), 1);          // after anything the two could have started
    for (const Notification& n : listener.notifications) EXPECT_NE(n.code, 0) << n.text;
    ASSERT_TRUE(player.Quit(listener));
}

TEST(Remote, ACommandWhoseSenderGaveUpNeverRunsLater) {
    RemotePlayer player;
    Client client(player);
    ASSERT_EQ(client.Command(0), 1);  // a listener: kept open while the player is stopped
    ASSERT_EQ(client.Command(11, 40), 1);
    kill(player.pid(), SIGSTOP);                    // busy: answers nothing for a while
    EXPECT_EQ(player.Run("--remote volume 7"), 2);  // gave up: "es läuft kein Player"
    kill(player.pid(), SIGCONT);
    ASSERT_EQ(client.Command(12), 1);
    ASSERT_TRUE(player.Quit(client));
    EXPECT_EQ(player.SavedSettings().Misc_Volume, 40);
}

TEST(Remote, IdleConnectionsDoNotLockThePlayerOut) {
    RemotePlayer player;
    std::vector<int> idle;
    for (int i = 0; i < 200; ++i) {
        // Raw and non-blocking: a player that stopped taking connections must fail this test, not hang it.
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, player.socket().c_str());
        ASSERT_TRUE(test::WaitUntil([&] {
            return connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 ||
                   errno == EISCONN;
        }));
        if (i % 2) {
            ASSERT_EQ(write(fd, "\x66\x04\0\0", 4), 4);  // half a header, then silence
        }
        idle.push_back(fd);
    }
    EXPECT_EQ(player.Run("--remote volume 33"), 0);
    Client client(player);
    ASSERT_TRUE(player.Quit(client));
    EXPECT_EQ(player.SavedSettings().Misc_Volume, 33);
    for (int fd : idle) close(fd);
}

TEST(Remote, ASecondStartWaitingOnABusyPlayerEndsOnSigterm) {
    RemotePlayer player;
    kill(player.pid(), SIGSTOP);
    const pid_t second = fork();
    if (second == 0) {
        player.Environment();
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execl(SONVARO_BINARY, SONVARO_BINARY, player.file("a").c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    // Once it talks to the player it waits for an answer that does not come.
    ASSERT_TRUE(test::WaitUntil([&] {
        for (const auto& fd :
             std::filesystem::directory_iterator("/proc/" + std::to_string(second) + "/fd")) {
            std::error_code ec;
            if (std::filesystem::read_symlink(fd.path(), ec).string().rfind("socket:", 0) == 0) return true;
        }
        return false;
    }));
    kill(second, SIGTERM);
    int status = 0;
    EXPECT_TRUE(test::WaitUntil([&] { return waitpid(second, &status, WNOHANG) == second; },
                                std::chrono::milliseconds(2500)));
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    kill(player.pid(), SIGCONT);
    if (waitpid(second, &status, WNOHANG) == 0) {
        kill(second, SIGKILL);
        waitpid(second, nullptr, 0);
    }
}

TEST(Remote, AForeignFolderInTheTemporaryFolderDoesNotSwitchTheSingleInstanceOff) {
    test::TempDir home;
    std::filesystem::create_directories(home / "tmp");
    const std::string user = getpwuid(geteuid())->pw_name;
    const std::string taken = home / ("tmp/sonvaro-" + user);
    std::filesystem::create_directory(taken);
    ASSERT_EQ(chown(taken.c_str(), 65534, 65534), 0);  // another user got there first
    const std::string env = "env -u XDG_RUNTIME_DIR XDG_CONFIG_HOME='" + home.path() + "' TMPDIR='" +
                            home.path() + "tmp' XDG_CACHE_HOME='" + home.path() + "cache' ";
    const pid_t pid = fork();
    if (pid == 0) {
        execl("/bin/sh", "sh", "-c",
              (env + SONVARO_BINARY + " --headless --stay >/dev/null 2>'" + home.path() + "err'").c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    const std::string socket = home / "cache/sonvaro/sonvaro.sock";
    EXPECT_TRUE(test::WaitUntil([&] {
        const int fd = ConnectToInstance(socket);
        CloseConnection(fd);
        return fd >= 0;
    }));
    EXPECT_NE(test::ReadFile(home / "err").find(socket), std::string::npos) << test::ReadFile(home / "err");
    // A second start finds it there and hands over.
    EXPECT_EQ(WEXITSTATUS(std::system((env + SONVARO_BINARY + " --remote quit >/dev/null 2>&1").c_str())), 0);
    int status = 0;
    EXPECT_TRUE(test::WaitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(Remote, TwoStartsAtTheSameMomentLeaveOnePlayer) {
    test::TempDir home;
    const std::string env = "XDG_CONFIG_HOME='" + home.path() + "' XDG_RUNTIME_DIR='" + home.path() + "' ";
    std::vector<pid_t> players;
    for (int i = 0; i < 2; ++i) {
        const pid_t pid = fork();
        if (pid == 0) {
            execl("/bin/sh", "sh", "-c",
                  (env + SONVARO_BINARY + " --headless --stay >/dev/null 2>&1").c_str(),
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        players.push_back(pid);
    }
    // One of them hands over and ends (0); the other keeps running until told to quit.
    int ended = 0;
    ASSERT_TRUE(test::WaitUntil([&] {
        for (pid_t& pid : players) {
            int status;
            if (pid > 0 && waitpid(pid, &status, WNOHANG) == pid) {
                EXPECT_EQ(WEXITSTATUS(status), 0);
                pid = -1;
                ++ended;
            }
        }
        return ended == 1;
    }));
    EXPECT_EQ(std::system((env + SONVARO_BINARY + " --remote quit >/dev/null 2>&1").c_str()), 0);
    for (pid_t pid : players) {
        if (pid > 0) {
            EXPECT_TRUE(test::WaitUntil([&] { return waitpid(pid, nullptr, WNOHANG) == pid; }));
        }
    }
}

}  // namespace
}  // namespace sonvaro
