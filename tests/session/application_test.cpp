#include "session/application.h"

#include <gtest/gtest.h>

#include <atomic>

#include "../playback/player_harness.h"
#include "../tags/tag_fixtures.h"
#include "library/library_file.h"
#include "settings/settings_file.h"
#include "support/test_support.h"

namespace sonvaro {
namespace {

class RecordingSplash : public SplashPort {
  public:
    void Open() override { texts.push_back("open"); }
    void SetStatus(const std::string& text) override { texts.push_back(text); }
    void WaitMinimumTime() override {}
    void Close() override { texts.push_back("close"); }
    std::vector<std::string> texts;
};

class RecordingShutdown : public ShutdownPort {
  public:
    void CloseWindows() override { steps.push_back("windows"); }
    void RemoveTrayIcon() override { steps.push_back("tray"); }
    void CloseLog() override { steps.push_back("log"); }
    std::vector<std::string> steps;
};

class ApplicationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(home / "Sonvaro");
        test::WriteFile(home / "Sonvaro/Sonvaro.ini",
                        "[Preferences]\nBASS_QutputDevice=0\nBASS_FadeIn=0\nBASS_FadeOut=1\n");
    }
    PlayerClock Clock() {
        return {[this] { return tick.load(); }, [] { return int64_t{1700000000}; },
                [this](int ms) {
                    tick += static_cast<uint32_t>(ms);
                    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
                }};
    }
    std::vector<std::string> LogTexts() {
        std::vector<std::string> texts;
        for (const auto& line : app->log.LinesSince(0)) texts.push_back(line.substr(11));
        return texts;
    }
    void Start() {
        app = std::make_unique<Application>(ApplicationPorts{messages, splash, display, view, shutdown},
                                            home.path(), Clock());
        app->StartUp();
        app->log.SetOpen(true);
    }

    test::TempDir home;
    std::atomic<uint32_t> tick = 5000;  // read by the background refresh thread too
    test::RecordingMessages messages;
    RecordingSplash splash;
    test::RecordingPlayerDisplay display;
    test::RecordingPlaylistView view;
    RecordingShutdown shutdown;
    std::unique_ptr<Application> app;
};

TEST_F(ApplicationTest, StartUpRunsItsStepsInOrder) {
    Start();
    EXPECT_EQ(
        splash.texts,
        (std::vector<std::string>{
            "open", "Lade Einstellungen..", "Lade Medienbibliothek..", "Lade Wiedergabeliste..",
            "Überprüfe Medienbibliothek..", "Initialisiere BASS..", "Erstelle Timer..",
            "Initialisiere Netzwerkumgebung....", "Erstelle Programmoberfläche..", "Starte..", "close"}));
    EXPECT_TRUE(messages.boxes.empty());
    EXPECT_EQ(app->data.settings.statistics.AppStart, 1);
    EXPECT_EQ(app->player.State().playSource, kSourceSingle);
    EXPECT_EQ(view.summary, " 0 [00:00:00]");
    EXPECT_EQ(app->RequestExit(), 0);
}

TEST_F(ApplicationTest, StartUpStartsTheUpdateCheckAfterTheWindowIsFilledWhenSwitchedOn) {
    for (const char* setting : {"", "Misc_StartUpdateCheck=0\n", "Misc_StartUpdateCheck=2\n"}) {
        test::WriteFile(home / "Sonvaro/Sonvaro.ini",
                        std::string("[Preferences]\nBASS_QutputDevice=0\n") + setting);
        app = std::make_unique<Application>(ApplicationPorts{messages, splash, display, view, shutdown},
                                            home.path(), Clock());
        splash.texts.clear();
        std::vector<std::string> seenAt;
        app->startUpdateCheck = [&] { seenAt.push_back(splash.texts.back()); };
        app->StartUp();
        if (std::string(setting) == "Misc_StartUpdateCheck=0\n")
            EXPECT_TRUE(seenAt.empty());
        else
            EXPECT_EQ(seenAt, std::vector<std::string>{"Erstelle Programmoberfläche.."}) << setting;
        EXPECT_EQ(app->RequestExit(false), 0);
    }
}

TEST_F(ApplicationTest, StartUpRemovesTemporariesOfKilledSaves) {
    for (const char* name : {"Sonvaro.ini.tmp", "MediaLibary.dat.tmp", "PlayList.dat.tmp"})
        test::WriteFile(home / ("Sonvaro/" + std::string(name)), std::string(4096, 'x'));
    test::WriteFile(home / "Sonvaro/other.tmp", "not ours");
    Start();
    for (const char* name : {"Sonvaro.ini.tmp", "MediaLibary.dat.tmp", "PlayList.dat.tmp"})
        EXPECT_FALSE(std::filesystem::exists(home / ("Sonvaro/" + std::string(name)))) << name;
    EXPECT_TRUE(std::filesystem::exists(home / "Sonvaro/other.tmp"));
    app->RequestExit();
}

TEST_F(ApplicationTest, ATemporaryPlaylistLeavesTheSavedOneAlone) {
    const std::string saved = "SV-F-PLV1\r\nETY:" + test::ToneFile(1) + "|Saved|\r\n";
    test::WriteFile(home / "Sonvaro/PlayList.dat", saved);
    Start();
    app->data.playlistTemporary = true;
    app->data.playlist.clear();
    app->data.settings.Misc_AutoSave_IV = 0;
    app->AutosaveTick();
    tick += 10;
    app->AutosaveTick();
    EXPECT_EQ(app->RequestExit(), 0);
    EXPECT_EQ(test::ReadFile(home / "Sonvaro/PlayList.dat"), saved);
}

TEST_F(ApplicationTest, AutosaveKeepsThreeClocks) {
    Start();
    Settings& s = app->data.settings;
    s.Misc_AutoSave_IV = 1000;
    s.Misc_AutoSave_PL = 0;
    app->AutosaveTick();  // starts the clocks
    EXPECT_TRUE(LogTexts().empty());
    tick += 999;
    app->AutosaveTick();
    EXPECT_TRUE(LogTexts().empty());
    tick += 1;
    app->AutosaveTick();
    EXPECT_EQ(LogTexts(),
              (std::vector<std::string>{
                  "Autosave Preferences..", "Schreibe Datei '" + home.path() + "Sonvaro/Sonvaro.ini'",
                  "Autosave Medialibary..", "Schreibe Datei '" + home.path() + "Sonvaro/MediaLibary.dat'"}));
    // The playlist switch turned on after its interval passed: saved at the next tick.
    s.Misc_AutoSave_PL = 1;
    tick += 250;
    app->AutosaveTick();
    EXPECT_EQ(LogTexts().back(), "Schreibe Datei '" + home.path() + "Sonvaro/PlayList.dat'");
    EXPECT_TRUE(std::filesystem::exists(home / "Sonvaro/PlayList.dat"));
    EXPECT_EQ(test::ReadFile(home / "Sonvaro/MediaLibary.dat"),
              "SV-F-MLV1\r\n");  // empty library: header only
    app->RequestExit();
}

TEST_F(ApplicationTest, ExitAsksFadesAndSavesEverything) {
    Start();
    app->data.settings.Misc_EndQuestion = 1;
    messages.answer = false;
    ASSERT_EQ(app->player.PlayChannel(test::ToneFile(4), kSourceSingle), 1);
    EXPECT_EQ(app->RequestExit(), -1);
    EXPECT_TRUE(shutdown.steps.empty());
    EXPECT_FALSE(app->ShuttingDown());
    EXPECT_EQ(BASS_ChannelIsActive(app->player.State().CurrentChannel()), BASS_ACTIVE_PLAYING);

    messages.answer = true;
    const std::string handle = std::to_string(app->player.State().CurrentChannel());
    const uint32_t before = tick;
    EXPECT_EQ(app->RequestExit(), 0);
    EXPECT_GE(tick - before, 900u);  // the one-second fade ran before the engine went
    EXPECT_EQ(shutdown.steps, (std::vector<std::string>{"windows", "tray", "log"}));
    const auto texts = LogTexts();
    const std::string folder = home.path() + "Sonvaro/";
    // Freeing the engine ends the channel; its notification is handled before the saves.
    EXPECT_EQ(texts, (std::vector<std::string>{"PlayChannel: " + handle, "Close Windows..", "Close Threads..",
                                               "Fade Out..", "Bass Free..", "StopChannel: " + handle,
                                               "Save Data..", "Schreibe Datei '" + folder + "Sonvaro.ini'",
                                               "Schreibe Datei '" + folder + "MediaLibary.dat'",
                                               "Schreibe Datei '" + folder + "PlayList.dat'", "Bye"}));
    EXPECT_EQ(SettingsFromText(test::ReadFile(folder + "Sonvaro.ini")).statistics.PlayStart, 1);
}

TEST_F(ApplicationTest, ExitWhilePausedSkipsTheFade) {
    Start();
    ASSERT_EQ(app->player.PlayChannel(test::ToneFile(4), kSourceSingle), 1);
    app->player.TogglePause();
    const uint32_t before = tick;
    EXPECT_EQ(app->RequestExit(false), 0);
    EXPECT_EQ(tick, before);
}

TEST_F(ApplicationTest, StartUpValidatesTheLibraryAndShutDownKeepsTheBackgroundPlace) {
    const std::string kept = test::CopyOf(test::TagFixture("tagged.mp3"), home / "kept.mp3");
    test::WriteFile(home / "Sonvaro/MediaLibary.dat",
                    "SV-F-MLV1\r\nETY:" + kept + "|K||||||||||||||0|\r\nETY:" + home.path() +
                        "gone.mp3|G||||||||||||||0|\r\nETY:http://radio.example/x|R||||||||||||||0|\r\n");
    test::WriteFile(home / "Sonvaro/Sonvaro.ini",
                    "[Preferences]\nBASS_QutputDevice=0\nBASS_FadeIn=0\nBASS_FadeOut=0\nMediaLib_BGIndex="
                    "1\nMediaLib_AddPlay=1\n");
    Start();
    {
        std::lock_guard lock(app->data.library.libraryLock);
        ASSERT_EQ(app->data.library.entries.size(), 2u);
        EXPECT_EQ(app->data.library.entries[0].info.path, kept);  // sorted by bytes: "/" before "h"
        EXPECT_EQ(app->data.library.entries[1].info.path, "http://radio.example/x");
    }
    EXPECT_TRUE(app->workers.backgroundThread.joinable());
    EXPECT_EQ(app->workers.backgroundIndex, 1);

    // Playing a file adds it when MediaLib_AddPlay is on (an empty library folder takes any file).
    const std::string played = test::CopyOf(test::TagFixture("tagged.mp3"), home / "played.mp3");
    ASSERT_EQ(app->control.PlayFile(played), 1);
    {
        std::lock_guard lock(app->data.library.libraryLock);
        ASSERT_EQ(app->data.library.entries.size(), 3u);
        EXPECT_EQ(app->data.library.entries[2].info.path, played);
        EXPECT_EQ(app->data.library.entries[2].info.title, "Grüß Gott");
        EXPECT_EQ(app->data.library.entries[2].playCount, 1);
    }
    app->workers.backgroundIndex = 2;
    EXPECT_EQ(app->RequestExit(false), 0);
    EXPECT_FALSE(app->workers.backgroundThread.joinable());
    EXPECT_EQ(app->data.settings.MediaLib_BGIndex, 2);
    EXPECT_NE(test::ReadFile(home / "Sonvaro/Sonvaro.ini").find("MediaLib_BGIndex = 2\r\n"),
              std::string::npos);
}

}  // namespace
}  // namespace sonvaro
