#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

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

}  // namespace
}  // namespace sonvaro::test
