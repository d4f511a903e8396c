// The headless player on a private session bus, driven with dbus-send as desktop tools do.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "support/test_support.h"
#include "support/wait.h"

namespace sonvaro {
namespace {

std::string Output(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[512];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
        pclose(pipe);
    }
    return out;
}

class BusPlayer : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(home / "Sonvaro");
        test::WriteFile(home / "Sonvaro/Sonvaro.ini",
                        "[Preferences]\nBASS_QutputDevice=0\nBASS_FadeIn=0\nBASS_FadeOut=0\n");
        std::string list = "SV-F-PLV1\r\n";
        for (const char* name : {"a", "b"}) {
            ASSERT_EQ(
                std::system(
                    ("sox -n -r 8000 -c 1 -b 16 '" + home.path() + name + ".wav' synth 30 sine 440").c_str()),
                0);
            list += "ETY:" + home.path() + name + ".wav|" + name + "|\r\n";
        }
        test::WriteFile(home / "Sonvaro/PlayList.dat", list);
        // First line the address, second the daemon's process id.
        const std::string daemon = Output("dbus-daemon --session --fork --print-address=1 --print-pid=1");
        const size_t newline = daemon.find('\n');
        ASSERT_NE(newline, std::string::npos) << daemon;
        address = daemon.substr(0, newline);
        daemonPid = std::stoi(daemon.substr(newline + 1));
        player = fork();
        if (player == 0) {
            setenv("XDG_CONFIG_HOME", home.path().c_str(), 1);
            setenv("XDG_RUNTIME_DIR", home.path().c_str(), 1);
            setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            dup2(null, 2);
            execl(SONVARO_BINARY, SONVARO_BINARY, "--headless", "--stay", static_cast<char*>(nullptr));
            _exit(127);
        }
        ASSERT_TRUE(test::WaitUntil([&] {
            return Send("org.freedesktop.DBus", "/",
                        "org.freedesktop.DBus.NameHasOwner string:org.mpris.MediaPlayer2.sonvaro")
                       .find("boolean true") != std::string::npos;
        }));
    }
    void TearDown() override {
        if (player > 0) {
            kill(player, SIGKILL);
            waitpid(player, nullptr, 0);
        }
        if (daemonPid > 0) kill(daemonPid, SIGTERM);
    }
    std::string Send(const std::string& dest, const std::string& path, const std::string& call) {
        return Output("DBUS_SESSION_BUS_ADDRESS='" + address + "' dbus-send --session --print-reply --dest=" +
                      dest + " " + path + " " + call + " 2>&1");
    }
    std::string Player(const std::string& call) {
        return Send("org.mpris.MediaPlayer2.sonvaro", "/org/mpris/MediaPlayer2",
                    "org.mpris.MediaPlayer2.Player." + call);
    }
    std::string Get(const std::string& property) {
        return Send(
            "org.mpris.MediaPlayer2.sonvaro", "/org/mpris/MediaPlayer2",
            "org.freedesktop.DBus.Properties.Get string:org.mpris.MediaPlayer2.Player string:" + property);
    }
    long long Position() {
        const std::string reply = Get("Position");
        const size_t at = reply.find("int64 ");
        return at == std::string::npos ? -1 : std::stoll(reply.substr(at + 6));
    }
    bool StatusIs(const std::string& status) {
        return Get("PlaybackStatus").find("string \"" + status + "\"") != std::string::npos;
    }

    test::TempDir home;
    std::string address;
    int daemonPid = -1;
    pid_t player = -1;
};

TEST_F(BusPlayer, PlayPauseSkipSeekAndReadBack) {
    Player("Play");
    ASSERT_TRUE(test::WaitUntil([&] { return StatusIs("Playing"); }));
    std::string metadata = Get("Metadata");
    EXPECT_NE(metadata.find("string \"file://" + home.path() + "a.wav\""), std::string::npos) << metadata;
    EXPECT_NE(metadata.find("int64 30000000"), std::string::npos) << metadata;

    Player("Pause");
    ASSERT_TRUE(test::WaitUntil([&] { return StatusIs("Paused"); }));
    const long long before = Position();
    Player("Seek int64:12000000");  // relative, while paused: exactly 12 s on
    EXPECT_TRUE(test::WaitUntil([&] { return Position() == before + 12000000; }))
        << before << " " << Position();

    Player("Next");
    ASSERT_TRUE(test::WaitUntil([&] { return Get("Metadata").find("b.wav") != std::string::npos; }));
    EXPECT_TRUE(StatusIs("Playing"));
    Player("Stop");
    EXPECT_TRUE(test::WaitUntil([&] { return StatusIs("Stopped"); }));
}

}  // namespace
}  // namespace sonvaro
