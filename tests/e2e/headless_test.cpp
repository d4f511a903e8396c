// Drives the real `sonvaro --headless` binary with a private configuration folder.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

#include "settings/settings_file.h"
#include "support/test_support.h"

namespace sonvaro {
namespace {

struct PlayerRun {
    std::string firstLine;
    std::string errors;
    int exitCode = -1;
};

// Starts the player, waits (bounded) for its ready line, sends `signal`, and
// waits (bounded) for it to end.
PlayerRun RunHeadless(const std::string& configHome, int signal) {
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0) return {};
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], 1);
        dup2(err[1], 2);
        setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
        execl(SONVARO_BINARY, SONVARO_BINARY, "--headless", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    PlayerRun run;
    pollfd pfd{out[0], POLLIN, 0};
    char c;
    while (poll(&pfd, 1, 10000) == 1 && read(out[0], &c, 1) == 1 && c != '\n') run.firstLine += c;
    kill(child, signal);
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            break;
        }
        pollfd none{err[0], POLLIN, 0};
        poll(&none, 1, 20);  // wakes early when the child writes
        char buf[256];
        const ssize_t n = read(err[0], buf, sizeof buf);
        if (n > 0) run.errors.append(buf, static_cast<size_t>(n));
    }
    fcntl(err[0], F_SETFL, O_NONBLOCK);
    char buf[256];
    for (ssize_t n; (n = read(err[0], buf, sizeof buf)) > 0;) run.errors.append(buf, static_cast<size_t>(n));
    close(out[0]);
    close(err[0]);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(Headless, FreshStartWritesTheDataFilesOnSigterm) {
    test::TempDir home;
    const PlayerRun run = RunHeadless(home / "config", SIGTERM);
    EXPECT_NE(run.firstLine.find(home.path() + "config/Sonvaro/"), std::string::npos) << run.firstLine;
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    const std::string folder = home / "config/Sonvaro/";
    EXPECT_EQ(test::ReadFile(folder + "PlayList.dat"), "SV-F-PLV1\r\n");
    EXPECT_FALSE(std::filesystem::exists(folder + "MediaLibary.dat"));  // an empty library is not written
    const Settings s = SettingsFromText(test::ReadFile(folder + "Sonvaro.ini"));
    EXPECT_EQ(s.statistics.AppStart, 1);
}

TEST(Headless, KeepsLibraryPlaylistAndSettingsAcrossRunsOnSigint) {
    test::TempDir home;
    const std::string folder = home / "Sonvaro/";
    std::filesystem::create_directories(folder);
    test::WriteFile(home / "track.mp3", "x");
    test::WriteFile(folder + "Sonvaro.ini", "[Preferences]\nMisc_Volume=33\n[Statistics]\nStatistics_AppStart=4\n");
    test::WriteFile(folder + "MediaLibary.dat", "SV-F-MLV1\r\nETY:http://radio/x|Radio|\r\n");
    test::WriteFile(folder + "PlayList.dat", "SV-F-PLV1\r\nETY:" + home.path() + "track.mp3|Titel|\r\n");

    const PlayerRun run = RunHeadless(home.path(), SIGINT);
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    const Settings s = SettingsFromText(test::ReadFile(folder + "Sonvaro.ini"));
    EXPECT_EQ(s.Misc_Volume, 33);
    EXPECT_EQ(s.statistics.AppStart, 5);
    EXPECT_EQ(test::ReadFile(folder + "MediaLibary.dat"),
              "SV-F-MLV1\r\nETY:http://radio/x|Radio|||0||0||0|0|0|0|0|0|0|0|\r\n");
    EXPECT_EQ(test::ReadFile(folder + "PlayList.dat"),
              "SV-F-PLV1\r\nETY:" + home.path() + "track.mp3|Titel|||0||0||0|0|0|0|0|0|\r\n");
}

TEST(Headless, AnUncreatableDataFolderIsReportedAndTheRunGoesOn) {
    test::TempDir home;
    test::WriteFile(home / "Sonvaro", "a file where the folder belongs");
    const PlayerRun run = RunHeadless(home.path(), SIGTERM);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.errors.find("Verzeichnis konnte nicht erstellt werden"), std::string::npos) << run.errors;
    EXPECT_NE(run.errors.find("Einstellungen konnten nicht gespeichert werden"), std::string::npos);
}

}  // namespace
}  // namespace sonvaro
