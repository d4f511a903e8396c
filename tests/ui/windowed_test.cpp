#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <sstream>
#include <thread>

#include "support/loopback_server.h"
#include "support/private_x_server.h"
#include "support/test_support.h"
#include "support/wait.h"

namespace sonvaro::test {
namespace {

template <typename F>
bool Eventually(F condition, int seconds) {
    return WaitUntil(condition, std::chrono::seconds(seconds));
}

// The desktop session ends the windowed player with SIGTERM: it must save
// everything and end with 0, as "Beenden" does, and ask nothing; a terminal
// hears at once that the end has begun.
TEST(WindowedPlayer, EndsInOrderOnSigterm) {
    TempDir home;
    std::filesystem::create_directories(home / "Sonvaro");
    // The playlist autosave at every tick tells that the event loop runs.
    WriteFile(
        home / "Sonvaro/Sonvaro.ini",
        "[Preferences]\nBASS_QutputDevice=0\nMisc_EndQuestion=1\nMisc_AutoSave_IV=0\nMisc_AutoSave_PF=0\n"
        "Misc_AutoSave_ML=0\nMisc_AutoSave_PL=1\nMisc_StartUpdateCheck=0\n");
    const pid_t child = fork();
    if (child == 0) {
        setenv("XDG_CONFIG_HOME", home.path().c_str(), 1);
        setenv("XDG_RUNTIME_DIR", home.path().c_str(), 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        const int err = open((home / "stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (err >= 0) dup2(err, STDERR_FILENO);
        execl(SONVARO_BINARY, SONVARO_BINARY, static_cast<char*>(nullptr));
        _exit(127);
    }
    ASSERT_GT(child, 0);
    const bool running =
        Eventually([&] { return std::filesystem::exists(home / "Sonvaro/PlayList.dat"); }, 30);
    EXPECT_TRUE(running);
    kill(child, SIGTERM);
    int status = -1;
    const bool ended = Eventually([&] { return waitpid(child, &status, WNOHANG) == child; }, 30);
    if (!ended) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
    }
    ASSERT_TRUE(ended);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const std::string ini = ReadFile(home / "Sonvaro/Sonvaro.ini");
    EXPECT_NE(ini.find("Statistics_AppStart = 1"), std::string::npos);
    EXPECT_NE(ini.find("WinSizeMain_SizeType = "), std::string::npos);
    const std::string errors = ReadFile(home / "stderr.txt");
    EXPECT_NE(errors.find("Beende..\n"), std::string::npos) << errors;
    EXPECT_EQ(errors.find("Beende.."), errors.rfind("Beende.."));  // said once
}

// "KEY=value" lines as `xdotool getwindowgeometry --shell` prints them.
std::map<std::string, int> ShellValues(const std::string& text) {
    std::map<std::string, int> values;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        if (const size_t eq = line.find('='); eq != std::string::npos)
            values[line.substr(0, eq)] = std::atoi(line.c_str() + eq + 1);
    return values;
}

// The update server offers a newer version with 5,000 lines of release notes.
// The question comes after the main window is up and does not hold up the
// player: a remote command is answered while it is open, SIGTERM ends the
// player in order, and the box fits on the 640 × 480 screen.
TEST(WindowedPlayer, TheStartUpUpdateQuestionHoldsUpNothing) {
    PrivateXServer x;
    ASSERT_FALSE(x.Name().empty()) << "Xvfb did not start";
    std::string notes;
    for (int i = 0; i < 5000; ++i) notes += "Zeile " + std::to_string(i) + "|";
    const std::string body = "[version]\nversion=110\ndownload=https://example.org/get\ninfo=" + notes + "\n";
    support::LoopbackServer server([&](support::LoopbackServer::Connection& c) {
        c.Send("HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
    });
    TempDir home;
    std::filesystem::create_directories(home / "Sonvaro");
    WriteFile(home / "Sonvaro/Sonvaro.ini",
              "[Preferences]\nBASS_QutputDevice=0\nMisc_EndQuestion=1\nMisc_AutoSave_IV=0\n"
              "Misc_AutoSave_PF=0\nMisc_AutoSave_ML=0\nMisc_AutoSave_PL=0\nMisc_StartUpdateCheck=1\n"
              "Misc_Volume=80\n");
    const std::string environment = "XDG_CONFIG_HOME='" + home.path() + "' XDG_RUNTIME_DIR='" + home.path() +
                                    "' DISPLAY='" + x.Name() + "' QT_QPA_PLATFORM=xcb ";
    const pid_t child = fork();
    if (child == 0) {
        setenv("XDG_CONFIG_HOME", home.path().c_str(), 1);
        setenv("XDG_RUNTIME_DIR", home.path().c_str(), 1);
        setenv("DISPLAY", x.Name().c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        setenv("SONVARO_UPDATE_BASE", server.Url("/").c_str(), 1);
        const int err = open((home / "stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (err >= 0) dup2(err, STDERR_FILENO);
        execl(SONVARO_BINARY, SONVARO_BINARY, static_cast<char*>(nullptr));
        _exit(127);
    }
    ASSERT_GT(child, 0);
    struct Reaper {
        pid_t pid;
        bool reaped = false;
        ~Reaper() {
            if (reaped) return;
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    } reaper{child};

    std::string question;
    ASSERT_TRUE(Eventually(
        [&] {
            question = x.XdotoolOutput("search --onlyvisible --name '^Update$'");
            return !question.empty();
        },
        30))
        << "no update question\n"
        << ReadFile(home / "stderr.txt");
    question = question.substr(0, question.find('\n'));
    // The main window was up before the question came, the splash (380 × 165) gone.
    const std::string shown = x.XdotoolOutput("search --onlyvisible --name '^Sonvaro$'");
    EXPECT_FALSE(shown.empty());
    std::istringstream windows(shown);
    for (std::string id; std::getline(windows, id);) {
        const std::map<std::string, int> w = ShellValues(x.XdotoolOutput("getwindowgeometry --shell " + id));
        EXPECT_FALSE(w.count("WIDTH") && w.at("WIDTH") == 380 && w.at("HEIGHT") == 165)
            << "the splash is open";
    }

    const std::map<std::string, int> box =
        ShellValues(x.XdotoolOutput("getwindowgeometry --shell " + question));
    ASSERT_EQ(box.count("WIDTH"), 1u);
    EXPECT_GE(box.at("X"), 0);
    EXPECT_GE(box.at("Y"), 0);
    EXPECT_LE(box.at("X") + box.at("WIDTH"), 640);
    EXPECT_LE(box.at("Y") + box.at("HEIGHT"), 480);

    // The socket is served while the question is open.
    const int status =
        std::system((environment + SONVARO_BINARY + " --remote volume 37 >/dev/null 2>&1").c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;

    kill(child, SIGTERM);
    int exit = -1;
    reaper.reaped = Eventually([&] { return waitpid(child, &exit, WNOHANG) == child; }, 30);
    ASSERT_TRUE(reaper.reaped) << "still running 30 s after SIGTERM";
    ASSERT_TRUE(WIFEXITED(exit));
    EXPECT_EQ(WEXITSTATUS(exit), 0);
    const std::string ini = ReadFile(home / "Sonvaro/Sonvaro.ini");
    EXPECT_NE(ini.find("Statistics_AppStart = 1"), std::string::npos) << ini;
    EXPECT_NE(ini.find("Misc_Volume = 37"), std::string::npos);
    EXPECT_EQ(server.Requests().size(), 1u);
}

}  // namespace
}  // namespace sonvaro::test
