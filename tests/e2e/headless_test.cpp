// Drives the real `sonvaro --headless` binary with a private configuration folder.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "settings/settings_file.h"
#include "support/fixtures.h"
#include "support/loopback_server.h"
#include "support/test_support.h"
#include "support/wait.h"

namespace sonvaro {
namespace {

struct PlayerRun {
    std::string firstLine;
    std::string errors;
    int exitCode = -1;
};

// Starts the player, waits (bounded) for the output line that starts with
// `signalAt` (its ready line unless told), sends `signal`, and waits (bounded)
// for it to end.
PlayerRun RunHeadless(const std::string& configHome, const std::string& runtimeDir, int signal,
                      const std::string& signalAt = "Sonvaro (ohne Fenster)") {
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0) return {};
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], 1);
        dup2(err[1], 2);
        setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
        setenv("XDG_RUNTIME_DIR", runtimeDir.c_str(), 1);
        // --stay: nothing to play here, and the test ends the run itself.
        execl(SONVARO_BINARY, SONVARO_BINARY, "--headless", "--stay", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    PlayerRun run;
    // Wait for the ready line; the start-up status lines come before it.
    pollfd pfd{out[0], POLLIN, 0};
    std::string line;
    char c;
    while (poll(&pfd, 1, 10000) == 1 && read(out[0], &c, 1) == 1) {
        if (c != '\n') {
            line += c;
            continue;
        }
        if (line.rfind(signalAt, 0) == 0) {
            run.firstLine = line;
            break;
        }
        line.clear();
    }
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
    const PlayerRun run = RunHeadless(home / "config", home.path(), SIGTERM);
    EXPECT_NE(run.firstLine.find(home.path() + "config/Sonvaro/"), std::string::npos) << run.firstLine;
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    const std::string folder = home / "config/Sonvaro/";
    EXPECT_EQ(test::ReadFile(folder + "PlayList.dat"), "SV-F-PLV1\r\n");
    EXPECT_EQ(test::ReadFile(folder + "MediaLibary.dat"),
              "SV-F-MLV1\r\n");  // an empty library: the header alone
    const Settings s = SettingsFromText(test::ReadFile(folder + "Sonvaro.ini"));
    EXPECT_EQ(s.statistics.AppStart, 1);
}

TEST(Headless, KeepsLibraryPlaylistAndSettingsAcrossRunsOnSigint) {
    test::TempDir home;
    const std::string folder = home / "Sonvaro/";
    std::filesystem::create_directories(folder);
    test::WriteFile(home / "track.mp3", "x");
    test::WriteFile(folder + "Sonvaro.ini",
                    "[Preferences]\nMisc_Volume=33\n[Statistics]\nStatistics_AppStart=4\n");
    test::WriteFile(folder + "MediaLibary.dat", "SV-F-MLV1\r\nETY:http://radio/x|Radio|\r\n");
    test::WriteFile(folder + "PlayList.dat", "SV-F-PLV1\r\nETY:" + home.path() + "track.mp3|Titel|\r\n");

    const PlayerRun run = RunHeadless(home.path(), home.path(), SIGINT);
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    const Settings s = SettingsFromText(test::ReadFile(folder + "Sonvaro.ini"));
    EXPECT_EQ(s.Misc_Volume, 33);
    EXPECT_EQ(s.statistics.AppStart, 5);
    EXPECT_EQ(test::ReadFile(folder + "MediaLibary.dat"),
              "SV-F-MLV1\r\nETY:http://radio/x|Radio|||0||0||0|0|0|0|0|0|0|0|\r\n");
    EXPECT_EQ(test::ReadFile(folder + "PlayList.dat"),
              "SV-F-PLV1\r\nETY:" + home.path() + "track.mp3|Titel|||0||0||0|0|0|0|0|0|\r\n");
}

TEST(Headless, TheTerminalClosingSavesLikeSigterm) {
    test::TempDir home;
    const PlayerRun run = RunHeadless(home.path(), home.path(), SIGHUP);
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(SettingsFromText(test::ReadFile(home / "Sonvaro/Sonvaro.ini")).statistics.AppStart, 1);
}

// SIGTERM while the start-up checks 100,000 library entries whose files exist:
// the run ends in order, and the library is saved whole.
TEST(Headless, SigtermDuringTheStartUpCheckOfABigLibraryEndsInOrder) {
    test::TempDir home;
    const std::string folder = home / "Sonvaro/";
    const std::string music = home / "music/";
    std::filesystem::create_directories(folder);
    std::filesystem::create_directories(music + "album");
    std::string library = "SV-F-MLV1\r\n";
    for (int i = 0; i < 10; ++i) test::WriteFile(music + "album/" + std::to_string(i) + ".mp3", "x");
    for (int i = 0; i < 100000; ++i)
        library +=
            "ETY:" + music + "album/" + std::to_string(i % 10) + ".mp3|Titel " + std::to_string(i) + "|\r\n";
    test::WriteFile(folder + "MediaLibary.dat", library);
    test::WriteFile(
        folder + "Sonvaro.ini",
        "[Preferences]\nBASS_QutputDevice=0\nMediaLib_StartCheck=1\nMediaLib_Path=" + music + "\n");

    const PlayerRun run = RunHeadless(home.path(), home.path(), SIGTERM,
                                      "\xC3\x9C"
                                      "berpr\xC3\xBC"
                                      "fe Medienbibliothek");
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    const std::string saved = test::ReadFile(folder + "MediaLibary.dat");
    EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 100001);
    EXPECT_NE(saved.find("|Titel 99999|"), std::string::npos);
}

// The music folder on a drive that is not plugged in at the second start:
// the library, its play counts and bookmarks, and the folder setting survive.
TEST(Headless, ALibraryFolderRenamedAwayBetweenTwoStartsKeepsEverything) {
    test::TempDir home;
    const std::string folder = home / "Sonvaro/";
    const std::string music = home / "music/";
    std::filesystem::create_directories(folder);
    std::filesystem::create_directories(music + "album");
    test::WriteFile(music + "album/a.mp3", "x");
    test::WriteFile(music + "album/b.mp3", "x");
    const std::string library = "SV-F-MLV1\r\nETY:" + music +
                                "album/a.mp3|A|||0||1||0|0|0|0|1700000000|5|1|0|\r\n" + "ETY:" + music +
                                "album/b.mp3|B|||0||2||0|0|0|0|0|2|0|0|\r\n" +
                                "ETY:http://radio.example/x|R|||0||0||0|0|0|0|0|0|0|0|\r\n";
    test::WriteFile(folder + "MediaLibary.dat", library);
    test::WriteFile(
        folder + "Sonvaro.ini",
        "[Preferences]\nBASS_QutputDevice=0\nMediaLib_StartCheck=1\nMediaLib_Path=" + music + "\n");
    PlayerRun run = RunHeadless(home.path(), home.path(), SIGTERM);
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    ASSERT_EQ(test::ReadFile(folder + "MediaLibary.dat"), library);

    std::filesystem::rename(home / "music", home / "unplugged");
    run = RunHeadless(home.path(), home.path(), SIGTERM);
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(test::ReadFile(folder + "MediaLibary.dat"), library);
    EXPECT_EQ(SettingsFromText(test::ReadFile(folder + "Sonvaro.ini")).MediaLib_Path, music);
    EXPECT_NE(test::ReadFile(folder + "Sonvaro.ini").find("MediaLib_Path = " + music + "\r\n"),
              std::string::npos);
}

TEST(Headless, AnUncreatableDataFolderIsReportedAndTheRunGoesOn) {
    test::TempDir home;
    test::WriteFile(home / "Sonvaro", "a file where the folder belongs");
    const PlayerRun run = RunHeadless(home.path(), home.path(), SIGTERM);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.errors.find("Verzeichnis konnte nicht erstellt werden"), std::string::npos) << run.errors;
    EXPECT_NE(run.errors.find("Einstellungen konnten nicht gespeichert werden"), std::string::npos);
}

}  // namespace
}  // namespace sonvaro

namespace sonvaro {
namespace {

std::string RunInfoCommand(const std::string& args, int* exitCode) {
    const std::string command = std::string(SONVARO_BINARY) + " --info " + args + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
    const int status = pclose(pipe);
    *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

TEST(InfoCommand, PrintsEveryFieldInOrder) {
    test::TempDir dir;
    const std::string wav = dir / "tone.wav";
    ASSERT_EQ(std::system(("sox -n -r 22050 -c 1 -b 16 '" + wav + "' synth 2 sine 440").c_str()), 0);
    int exitCode = -1;
    const std::string out = RunInfoCommand("'" + wav + "' http://radio.example/live", &exitCode);
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(out,
              "result=1\npath=" + wav +
                  "\ntitle=tone\nartist=\nalbum=\nyear=0\ncomment=\ntrackNumber=0\ngenre=\nbitrate=353\n"
                  "sampleRate=22050\nchannels=1\nlength=2\nchannelType=327681\ntype=WAV\n"
                  "\nresult=2\npath=http://radio.example/live\ntitle=\nartist=\nalbum=\nyear=0\ncomment=\n"
                  "trackNumber=-1\ngenre=\nbitrate=0\nsampleRate=0\nchannels=0\nlength=0\nchannelType=0\n"
                  "type=\n");
    RunInfoCommand("'" + wav + "' '" + dir.path() + "missing.mp3'", &exitCode);
    EXPECT_EQ(exitCode, 1);
}

}  // namespace
}  // namespace sonvaro

namespace sonvaro {
namespace {

// Reads lines from the player's output until `done` holds or 20 s pass.
bool ReadUntil(int fd, std::string& seen, const std::function<bool(const std::string&)>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    char buf[512];
    while (!done(seen)) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd pfd{fd, POLLIN, 0};
        if (poll(&pfd, 1, static_cast<int>(left.count())) != 1) return false;
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0) return false;
        seen.append(buf, static_cast<size_t>(n));
    }
    return true;
}

TEST(Headless, PlaysItsArgumentsAutosavesAndEndsCleanly) {
    test::TempDir home;
    const std::string folder = home / "Sonvaro/";
    std::filesystem::create_directories(folder);
    test::WriteFile(
        folder + "Sonvaro.ini",
        "[Preferences]\nBASS_QutputDevice=0\nBASS_FadeIn=0\nBASS_FadeOut=0\nMisc_AutoSave_IV=0\n");
    for (const char* name : {"eins.wav", "zwei.wav", "alt.wav"})
        ASSERT_EQ(
            std::system(("sox -n -r 44100 -c 2 -b 16 '" + home.path() + name + "' synth 1 sine 440").c_str()),
            0);
    // Laid out as no save of ours would write it, so any rewrite shows.
    const std::string savedList = "SV-F-PLV1\r\nETY:" + home.path() + "alt.wav|Alt|\r\n";
    test::WriteFile(folder + "PlayList.dat", savedList);
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], 1);
        setenv("XDG_CONFIG_HOME", home.path().c_str(), 1);
        setenv("XDG_RUNTIME_DIR", home.path().c_str(), 1);
        execl(SONVARO_BINARY, SONVARO_BINARY, "--headless", (home.path() + "eins.wav").c_str(),
              (home.path() + "zwei.wav").c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    std::string seen;
    // Both tracks were announced, and the second one has ended: back to idle.
    const bool played = ReadUntil(out[0], seen, [](const std::string& s) {
        return s.find("eins  ") != std::string::npos && s.find("zwei  ") != std::string::npos;
    });
    EXPECT_TRUE(played) << seen;
    // Autosave at every tick writes the settings while the player runs.
    test::WaitUntil(
        [&] { return SettingsFromText(test::ReadFile(folder + "Sonvaro.ini")).statistics.PlayStart >= 2; });
    kill(child, SIGTERM);
    int status = 0;
    waitpid(child, &status, 0);
    close(out[0]);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const Settings s = SettingsFromText(test::ReadFile(folder + "Sonvaro.ini"));
    EXPECT_GE(s.statistics.PlayStart, 2);
    EXPECT_EQ(s.statistics.AppStart, 1);
    EXPECT_EQ(s.BASS_QutputDevice, 0);
    // The command line's files were a temporary list: the saved one is untouched.
    EXPECT_EQ(test::ReadFile(folder + "PlayList.dat"), savedList);
}

TEST(Headless, AnEndSignalStopsALongArgumentListAtOnce) {
    test::TempDir home;
    ASSERT_EQ(
        std::system(("sox -n -r 44100 -c 1 -b 16 '" + home.path() + "t.wav' synth 0.1 sine 440").c_str()), 0);
    // Reading 200,000 entries takes far longer than the bound below.
    std::string list = "#EXTM3U\n";
    for (int i = 0; i < 200000; ++i) list += "t.wav\n";
    test::WriteFile(home / "long.m3u", list);
    std::filesystem::create_directories(home / "Sonvaro");
    test::WriteFile(home / "Sonvaro/PlayList.dat", "SV-F-PLV1\r\n");
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], 1);
        setenv("XDG_CONFIG_HOME", home.path().c_str(), 1);
        setenv("XDG_RUNTIME_DIR", home.path().c_str(), 1);
        execl(SONVARO_BINARY, SONVARO_BINARY, "--headless", (home.path() + "long.m3u").c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    std::string seen;
    ASSERT_TRUE(ReadUntil(out[0], seen, [](const std::string& s) {
        return s.find("Sonvaro (ohne Fenster)") != std::string::npos;
    })) << seen;
    kill(child, SIGTERM);
    int status = -1;  // not "exited" until waitpid says so
    const bool ended =
        test::WaitUntil([&] { return waitpid(child, &status, WNOHANG) == child; }, std::chrono::seconds(5)) &&
        WIFEXITED(status);
    if (!ended) kill(child, SIGKILL), waitpid(child, &status, 0);
    close(out[0]);
    EXPECT_TRUE(ended && WEXITSTATUS(status) == 0);
    EXPECT_EQ(test::ReadFile(home / "Sonvaro/PlayList.dat"), "SV-F-PLV1\r\n");
}

// `sonvaro --headless <station list>` against a server that holds its answer
// until the player drops the connection (bounded).
class HeldStationList {
  public:
    HeldStationList()
        : server_([this](support::LoopbackServer::Connection& c) {
              const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
              char byte;
              for (pollfd p{c.fd, POLLIN, 0}; std::chrono::steady_clock::now() < until;)
                  if (poll(&p, 1, 50) == 1 && recv(c.fd, &byte, 1, 0) <= 0) {
                      dropped = true;
                      return;
                  }
          }) {
        std::filesystem::create_directories(home / "Sonvaro");
        test::WriteFile(
            home / "Sonvaro/Sonvaro.ini",
            "[Preferences]\nBASS_QutputDevice=0\nBASS_FadeIn=0\nBASS_FadeOut=0\nMisc_Volume=50\n");
        if (pipe(out_) != 0) return;
        child_ = fork();
        if (child_ == 0) {
            dup2(out_[1], 1);
            setenv("XDG_CONFIG_HOME", home.path().c_str(), 1);
            setenv("XDG_RUNTIME_DIR", home.path().c_str(), 1);
            execl(SONVARO_BINARY, SONVARO_BINARY, "--headless", server_.Url("/station.m3u").c_str(),
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out_[1]);
    }
    ~HeldStationList() {
        if (child_ > 0 && !ended_) kill(child_, SIGKILL), waitpid(child_, nullptr, 0);
        close(out_[0]);
    }
    // True once the player asked for the list.
    bool Asked() {
        return test::WaitUntil([&] { return server_.Requests().size() == 1; });
    }
    size_t Requests() { return server_.Requests().size(); }
    // Sends SIGTERM; true when the player then ended with 0 within 5 s and said so.
    bool EndsOnSigterm() {
        kill(child_, SIGTERM);
        int status = -1;
        ended_ = test::WaitUntil([&] { return waitpid(child_, &status, WNOHANG) == child_; },
                                 std::chrono::seconds(5));
        std::string seen;
        ReadUntil(out_[0], seen,
                  [](const std::string& s) { return s.find("Beende..") != std::string::npos; });
        return ended_ && WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
               seen.find("Beende..") != std::string::npos;
    }
    int Remote(const std::string& args) const {
        const std::string env =
            "XDG_CONFIG_HOME='" + home.path() + "' XDG_RUNTIME_DIR='" + home.path() + "' ";
        const int status =
            std::system((env + SONVARO_BINARY + " --remote " + args + " >/dev/null 2>&1").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    test::TempDir home;
    std::atomic<bool> dropped{false};

  private:
    support::LoopbackServer server_;
    int out_[2] = {-1, -1};
    pid_t child_ = -1;
    bool ended_ = false;
};

TEST(Headless, SigtermWhileAStationListIsFetchedEndsThePlayerAndTheFetch) {
    HeldStationList player;
    ASSERT_TRUE(player.Asked());
    EXPECT_TRUE(player.EndsOnSigterm());
    // The player dropped the connection; the server's own bound is far off.
    EXPECT_TRUE(test::WaitUntil([&] { return player.dropped.load(); }));
    EXPECT_EQ(player.Requests(), 1u);
}

TEST(Headless, WhileAStationListIsFetchedRemoteControlIsServed) {
    HeldStationList player;
    ASSERT_TRUE(player.Asked());
    EXPECT_EQ(player.Remote("volume 40"), 0);
    EXPECT_TRUE(player.EndsOnSigterm());
    EXPECT_EQ(SettingsFromText(test::ReadFile(player.home / "Sonvaro/Sonvaro.ini")).Misc_Volume, 40);
}

// `sonvaro --headless ADDRESS ...` to its end: the exit status, stdout and stderr.
struct StationRun {
    int exitCode = -1;
    std::string out, errors;
};
StationRun RunHeadlessOn(const std::vector<std::string>& addresses) {
    test::TempDir home;
    std::filesystem::create_directories(home / "Sonvaro");
    test::WriteFile(home / "Sonvaro/Sonvaro.ini",
                    "[Preferences]\nBASS_QutputDevice=0\nBASS_FadeIn=0\nBASS_FadeOut=0\n");
    const std::string outFile = home / "out.txt", errFile = home / "err.txt";
    const pid_t child = fork();
    if (child == 0) {
        freopen(outFile.c_str(), "w", stdout);
        freopen(errFile.c_str(), "w", stderr);
        setenv("XDG_CONFIG_HOME", home.path().c_str(), 1);
        setenv("XDG_RUNTIME_DIR", home.path().c_str(), 1);
        std::vector<const char*> argv{SONVARO_BINARY, "--headless"};
        for (const std::string& a : addresses) argv.push_back(a.c_str());
        argv.push_back(nullptr);
        execv(SONVARO_BINARY, const_cast<char* const*>(argv.data()));
        _exit(127);
    }
    StationRun run;
    int status = -1;
    if (!test::WaitUntil([&] { return waitpid(child, &status, WNOHANG) == child; },
                         std::chrono::seconds(30))) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
    }
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = test::ReadFile(outFile);
    run.errors = test::ReadFile(errFile);
    return run;
}

// An address with nobody listening: a port taken and given back.
std::string RefusingAddress() {
    support::LoopbackServer closed([](support::LoopbackServer::Connection&) {});
    std::string url = closed.Url("/live");
    closed.Stop();
    return url;
}

TEST(Headless, PlaysAStationGivenOnTheCommandLine) {
    const std::string mp3 = test::ReadFile(fixtures::Path("sine.mp3"));
    support::LoopbackServer station([&](support::LoopbackServer::Connection& c) {
        c.Send("ICY 200 OK\r\nicy-name: Probe Radio\r\ncontent-type: audio/mpeg\r\n\r\n" + mp3);
    });
    const StationRun run = RunHeadlessOn({station.Url("/live")});
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(run.errors.find("nichts Abspielbares"), std::string::npos) << run.errors;
    // The three seconds of the stream were heard to their end.
    EXPECT_NE(run.out.find("00:00:02"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Gestoppt"), std::string::npos) << run.out;
    EXPECT_EQ(station.Requests().size(), 1u);

    // A station that does not answer is passed over for the next row.
    const StationRun second = RunHeadlessOn({RefusingAddress(), station.Url("/live")});
    EXPECT_EQ(second.exitCode, 0) << second.errors;
    EXPECT_NE(second.out.find("00:00:02"), std::string::npos) << second.out;
    EXPECT_EQ(station.Requests().size(), 2u);
}

TEST(Headless, StationsThatAllFailEndWithNothingPlayable) {
    const StationRun run = RunHeadlessOn({RefusingAddress()});
    EXPECT_EQ(run.exitCode, 1) << run.out;
    EXPECT_NE(run.errors.find("nichts Abspielbares"), std::string::npos) << run.errors;
}

}  // namespace
}  // namespace sonvaro
