// The headless player's manners: named unplayable arguments, its end at the
// end of the list, the terminal keys, the station line.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "app/console_ports.h"
#include "settings/settings_file.h"
#include "support/loopback_server.h"
#include "support/test_support.h"
#include "support/wait.h"

namespace sonvaro {
namespace {

const char* kQuietSettings =
    "[Preferences]\nBASS_QutputDevice=0\nBASS_FadeIn=0\nBASS_FadeOut=0\nMisc_Volume=50\n";

struct Finished {
    std::string out, err;
    int status = -1;
};

// Runs the player in `home` (its XDG_CONFIG_HOME and current folder) until it ends by itself.
Finished RunToEnd(const test::TempDir& home, const std::string& args, const std::string& environment = "") {
    std::filesystem::create_directories(home / "Sonvaro");
    if (!std::filesystem::exists(home / "Sonvaro/Sonvaro.ini"))
        test::WriteFile(home / "Sonvaro/Sonvaro.ini", kQuietSettings);
    // Its own runtime folder: its own single-instance socket.
    const std::string command = "cd '" + home.path() + "' && XDG_CONFIG_HOME='" + home.path() +
                                "' XDG_RUNTIME_DIR='" + home.path() + "' " + environment + " timeout 30 " +
                                SONVARO_BINARY + " " + args + " 2>err.txt </dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    Finished result;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;) result.out.append(buf, n);
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.err = test::ReadFile(home / "err.txt");
    return result;
}

void MakeTone(const std::string& path, const char* seconds) {
    ASSERT_EQ(
        std::system(("sox -n -r 44100 -c 2 -b 16 '" + path + "' synth " + seconds + " sine 440").c_str()), 0);
}

TEST(HeadlessManners, NamesWhatCannotPlayStopsAtTheEndOfTheListAndEndsWith0) {
    test::TempDir home;
    MakeTone(home / "eins.wav", "0.3");
    test::WriteFile(home / "leer.mp3", "");
    test::WriteFile(home / "text.mp3", "kein Ton, nur Text, lang genug zum Pruefen");
    const Finished run = RunToEnd(home, "--headless leer.mp3 eins.wav fehlt.ogg text.mp3");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err,
              "sonvaro: leer.mp3: Datei ist leer\n"
              "sonvaro: fehlt.ogg: Datei nicht gefunden\n"
              "sonvaro: text.mp3: Format nicht erkannt\n");
    const size_t played = run.out.find("eins  00:00:00\n");
    EXPECT_NE(played, std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Gestoppt\n", played), std::string::npos) << run.out;
}

// A station list on a server that cannot be had is named with the reason.
TEST(HeadlessManners, AStationListThatCannotBeHadSaysWhy) {
    support::LoopbackServer server([](support::LoopbackServer::Connection& c) {
        if (c.request.find("GET /page.m3u ") == 0)
            c.Send("HTTP/1.0 200 OK\r\n\r\n<html>Radio</html>\n");
        else
            c.Send("HTTP/1.0 404 Not Found\r\n\r\n");
    });
    test::TempDir home;
    const Finished run =
        RunToEnd(home, "--headless " + server.Url("/fehlt.m3u") + " " + server.Url("/page.m3u"));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "sonvaro: " + server.Url("/fehlt.m3u") +
                           ": HTTP 404\nsonvaro: " + server.Url("/page.m3u") +
                           ": Format nicht erkannt\nsonvaro: nichts Abspielbares \xE2\x80\x93 Ende.\n");
}

TEST(HeadlessManners, NothingPlayableIsSaidAndEndsWith1) {
    test::TempDir home;
    test::WriteFile(home / "leer.mp3", "");
    Finished run = RunToEnd(home, "--headless leer.mp3");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "sonvaro: leer.mp3: Datei ist leer\nsonvaro: nichts Abspielbares \xE2\x80\x93 Ende.\n");
    // An empty saved list is nothing to play either.
    run = RunToEnd(home, "--headless");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "sonvaro: nichts Abspielbares \xE2\x80\x93 Ende.\n");
}

TEST(HeadlessManners, AStaleDisplayFallsBackToHeadless) {
    test::TempDir home;
    MakeTone(home / "eins.wav", "0.2");
    // Display 93 has no server; Qt would abort on it.
    const Finished run = RunToEnd(home, "eins.wav", "DISPLAY=:93 WAYLAND_DISPLAY= QT_QPA_PLATFORM=");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err,
              "Sonvaro: keine Anzeige erreichbar (X-Server :93: Verbindung fehlgeschlagen), starte ohne "
              "Fenster.\n");
    EXPECT_NE(run.out.find("Gestoppt\n"), std::string::npos) << run.out;
    // The platform named in QT_QPA_PLATFORM is asked, in its order; one that is no server is taken as it is.
    EXPECT_EQ(RunToEnd(home, "--has-window", "DISPLAY=:93 WAYLAND_DISPLAY=dead-0 QT_QPA_PLATFORM=").status,
              1);
    EXPECT_EQ(RunToEnd(home, "--has-window", "DISPLAY=:93 QT_QPA_PLATFORM=xcb").status, 1);
    EXPECT_EQ(RunToEnd(home, "--has-window", "DISPLAY=:93 QT_QPA_PLATFORM=offscreen").status, 0);
    EXPECT_EQ(RunToEnd(home, "--has-window", "DISPLAY=:93 QT_QPA_PLATFORM='xcb;offscreen'").status, 0);
}

// Reads from the terminal until `text` shows up (20 s bound).
bool ReadUntil(int fd, std::string& seen, const std::string& text) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    char buf[512];
    while (seen.find(text) == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd pfd{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&pfd, 1, static_cast<int>(left.count())) != 1) return false;
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0) return false;
        seen.append(buf, static_cast<size_t>(n));
    }
    return true;
}

TEST(HeadlessManners, TerminalKeysChangeTheVolumeAndQuitInOrder) {
    test::TempDir home;
    std::filesystem::create_directories(home / "Sonvaro");
    test::WriteFile(home / "Sonvaro/Sonvaro.ini", kQuietSettings);
    MakeTone(home / "lang.wav", "60");
    int terminal = -1;
    const pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
    ASSERT_NE(child, -1);
    if (child == 0) {
        setenv("XDG_CONFIG_HOME", home.path().c_str(), 1);
        setenv("XDG_RUNTIME_DIR", home.path().c_str(), 1);
        execl(SONVARO_BINARY, SONVARO_BINARY, "--headless", (home.path() + "lang.wav").c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    std::string seen;
    EXPECT_TRUE(ReadUntil(terminal, seen, "q Beenden")) << seen;
    EXPECT_TRUE(ReadUntil(terminal, seen, "lang  ")) << seen;
    ASSERT_EQ(write(terminal, "++-+q", 5), 5);
    EXPECT_TRUE(ReadUntil(terminal, seen, "Beende..")) << seen;
    int status = -1;
    const bool ended = test::WaitUntil([&] { return waitpid(child, &status, WNOHANG) == child; });
    if (!ended) kill(child, SIGKILL), waitpid(child, &status, 0);
    close(terminal);
    EXPECT_TRUE(ended && WIFEXITED(status) && WEXITSTATUS(status) == 0);
    // 50 + 5 + 5 - 5 + 5, saved by the orderly end that q runs.
    EXPECT_EQ(SettingsFromText(test::ReadFile(home / "Sonvaro/Sonvaro.ini")).Misc_Volume, 60);
}

std::string PrintedBy(const std::function<void(ConsolePlayerDisplay&)>& feed) {
    std::FILE* file = std::tmpfile();
    {
        ConsolePlayerDisplay display(file);
        feed(display);
    }
    std::rewind(file);
    std::string text;
    char buf[512];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, file)) > 0;) text.append(buf, n);
    std::fclose(file);
    return text;
}

TEST(ConsoleLine, AStationShowsTheSongOnAirAndItsName) {
    auto station = [](const std::string& artist, const std::string& song) {
        return PrintedBy([&](ConsolePlayerDisplay& d) {
            d.SetInfoField(1, "Name:");
            d.SetInfoField(2, "Station FM");
            d.SetInfoField(4, artist);
            d.SetInfoField(6, song);
            d.SetInfoField(10, "00:01:05");
        });
    };
    EXPECT_EQ(station("Band", "Lied"), "Band \xE2\x80\x93 Lied  (Station FM)  00:01:05\n");
    EXPECT_EQ(station("", "Lied"), "Lied  (Station FM)  00:01:05\n");
    EXPECT_EQ(station("", ""), "Station FM  00:01:05\n");
    // A file: artist and title, the album stays out of the line.
    EXPECT_EQ(PrintedBy([](ConsolePlayerDisplay& d) {
                  d.SetInfoField(1, "Titel:");
                  d.SetInfoField(2, "Lied");
                  d.SetInfoField(4, "Band");
                  d.SetInfoField(6, "Platte");
                  d.SetInfoField(10, "00:00:01");
                  d.ShowStopped();
              }),
              "Band \xE2\x80\x93 Lied  00:00:01\nGestoppt\n");
}

}  // namespace
}  // namespace sonvaro
