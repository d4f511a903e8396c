#include "session/application.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstring>

#include "library/library_file.h"
#include "library/library_scan.h"
#include "settings/settings_file.h"
#include "support/player_harness.h"
#include "support/tag_fixtures.h"
#include "support/test_support.h"
#include "support/wait.h"

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
        // A pause only moves the clock on; it notes whether a fade-out was under way.
        return {[this] { return tick.load(); }, [] { return int64_t{1700000000}; },
                [this](int ms) {
                    tick += static_cast<uint32_t>(ms);
                    const DWORD channel = app ? app->player.State().CurrentChannel() : 0;
                    const bool sliding = BASS_ChannelIsSliding(channel, BASS_ATTRIB_VOL);
                    float volume = -1;
                    BASS_ChannelGetAttribute(channel, BASS_ATTRIB_VOL, &volume);
                    if (sliding || volume == 0) fadeSeen = true;
                }};
    }
    std::vector<std::string> LogTexts() {
        std::vector<std::string> texts;
        for (const auto& line : app->log.LinesSince(0)) texts.push_back(line.substr(11));
        return texts;
    }
    // A library folder "music/" holding album/a.mp3 (played 5 times, bookmarked) but not album/b.mp3 (played
    // twice), both in the library, with the start-up check on; the folder's path.
    std::string LibraryOfTwoWithOneOnDisk() {
        const std::string music = home / "music/";
        std::filesystem::create_directories(music + "album");
        const std::string a = test::CopyOf(test::TagFixture("tagged.mp3"), music + "album/a.mp3");
        test::WriteFile(home / "Sonvaro/MediaLibary.dat",
                        "SV-F-MLV1\r\nETY:" + a + "|A|||0||1||0|0|0|0|1700000000|5|1|0|\r\nETY:" + music +
                            "album/b.mp3|B|||0||2||0|0|0|0|0|2|0|0|\r\n");
        test::WriteFile(
            home / "Sonvaro/Sonvaro.ini",
            "[Preferences]\nBASS_QutputDevice=0\nBASS_FadeIn=0\nBASS_FadeOut=0\nMediaLib_StartCheck=1\n"
            "MediaLib_Path=" +
                music + "\n");
        return music;
    }
    void Start() {
        app = std::make_unique<Application>(ApplicationPorts{messages, splash, display, view, shutdown},
                                            home.path(), Clock());
        app->StartUp();
        app->FinishLibraryLoad();
        app->log.SetOpen(true);
    }

    test::TempDir home;
    std::atomic<uint32_t> tick = 5000;  // read by the background refresh thread too
    bool fadeSeen = false;
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

// Recording goes on only with a folder to write to, and off at any time.
TEST_F(ApplicationTest, RecordingNeedsAFolderToGoOnButNoneToGoOff) {
    Start();
    Settings& s = app->data.settings;
    s.NETStream_SavePath.clear();
    s.NETStream_SaveFile = 0;
    EXPECT_FALSE(app->ToggleRecording());
    EXPECT_EQ(s.NETStream_SaveFile, 0);
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_NE(messages.boxes[0].text.find("Ziel-Ordner einen Ordner"), std::string::npos);

    s.NETStream_SavePath = home.path();
    EXPECT_TRUE(app->ToggleRecording());
    EXPECT_EQ(s.NETStream_SaveFile, 1);
    s.NETStream_SavePath.clear();
    EXPECT_TRUE(app->ToggleRecording());
    EXPECT_EQ(s.NETStream_SaveFile, 0);
    EXPECT_EQ(messages.boxes.size(), 1u);  // only the refused switch-on said why
    app->RequestExit(false);
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

std::vector<std::string> Containing(const std::vector<std::string>& lines, const std::string& part) {
    std::vector<std::string> found;
    for (const std::string& line : lines)
        if (line.find(part) != std::string::npos) found.push_back(line);
    return found;
}

TEST_F(ApplicationTest, AFailedAutosaveIsToldOncePerCause) {
    Start();
    Settings& s = app->data.settings;
    s.Misc_AutoSave_IV = 0;  // a save at every tick
    s.Misc_AutoSave_PL = s.Misc_AutoSave_ML = 0;
    const std::string ini = home.path() + "Sonvaro/Sonvaro.ini";
    // A "disk full": the file size limit makes the write fail (root ignores permission bits).
    signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit tiny{16, old.rlim_max};
    setrlimit(RLIMIT_FSIZE, &tiny);
    for (int i = 0; i < 5; ++i, tick += 250) app->AutosaveTick();
    setrlimit(RLIMIT_FSIZE, &old);
    // Another cause: the file made read-only by its user is left alone.
    const std::string before = test::ReadFile(ini);
    chmod(ini.c_str(), 0444);
    for (int i = 0; i < 5; ++i, tick += 250) app->AutosaveTick();
    EXPECT_EQ(test::ReadFile(ini), before);
    EXPECT_EQ(Containing(LogTexts(), "Nicht gespeichert"),
              (std::vector<std::string>{
                  "Nicht gespeichert: '" + ini + "' (" + std::strerror(EFBIG) + ")",
                  "Nicht gespeichert: '" + ini + "' (schreibgeschützt, bleibt unverändert)"}));
    // Writable again: saved; a later failure is told anew.
    chmod(ini.c_str(), 0600);
    app->AutosaveTick();
    const std::string saved = test::ReadFile(ini);
    EXPECT_NE(saved, before);
    chmod(ini.c_str(), 0400);
    tick += 250;
    app->AutosaveTick();
    EXPECT_EQ(Containing(LogTexts(), "Nicht gespeichert").size(), 3u);
    // The exit leaves it alone too, without an error box.
    const size_t boxes = messages.boxes.size();
    app->RequestExit(false);
    EXPECT_EQ(messages.boxes.size(), boxes);
    EXPECT_EQ(test::ReadFile(ini), saved);
    chmod(ini.c_str(), 0600);
}

TEST_F(ApplicationTest, TheDataFolderAndItsFilesAreTheUsersAlone) {
    chmod((home / "Sonvaro").c_str(), 0755);  // as older runs made it
    Start();
    app->RequestExit(false);
    struct stat st {};
    ASSERT_EQ(stat((home / "Sonvaro").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    for (const char* name : {"Sonvaro.ini", "MediaLibary.dat", "PlayList.dat"}) {
        ASSERT_EQ(stat((home / "Sonvaro/" + name).c_str(), &st), 0) << name;
        EXPECT_EQ(st.st_mode & 0777, 0600u) << name;
    }
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
    // The exit waited while the channel faded, before the engine went.
    EXPECT_GT(tick - before, 0u);
    EXPECT_TRUE(fadeSeen);
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
    EXPECT_FALSE(fadeSeen);
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
    // The check runs on the library's thread.
    ASSERT_TRUE(test::WaitUntil([&] {
        std::lock_guard lock(app->data.library.libraryLock);
        return app->data.library.entries.size() == 2;
    }));
    {
        std::lock_guard lock(app->data.library.libraryLock);
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

// The start-up check of a big library on a slow disk must not hold up the first
// sound: it runs on the library's thread, and still removes what is gone.
TEST_F(ApplicationTest, TheStartUpCheckRunsOnTheLibraryThreadAndRemovesWhatIsGone) {
    const std::string music = LibraryOfTwoWithOneOnDisk();
    app = std::make_unique<Application>(ApplicationPorts{messages, splash, display, view, shutdown},
                                        home.path(), Clock());
    app->StartUp();
    app->FinishLibraryLoad();
    const auto size = [&] {
        std::lock_guard lock(app->data.library.libraryLock);
        return app->data.library.entries.size();
    };
    EXPECT_TRUE(test::WaitUntil([&] { return size() == 1; }));
    EXPECT_EQ(app->RequestExit(false), 0);
}

// The library's data file is read beside the start: a track played from the
// command line in that moment still counts in the stored entry, and what is
// saved at the end is the whole library.
TEST_F(ApplicationTest, ATrackPlayedAtTheStartCountsInTheSavedLibrary) {
    const std::string music = LibraryOfTwoWithOneOnDisk();
    std::string text = test::ReadFile(home / "Sonvaro/MediaLibary.dat");
    for (int i = 0; i < 20000; ++i)
        text += "ETY:" + music + "other/" + std::to_string(i) + ".mp3|T|||0||1||0|0|0|0|0|0|0|0|\r\n";
    test::WriteFile(home / "Sonvaro/MediaLibary.dat", text);
    test::WriteFile(home / "Sonvaro/Sonvaro.ini", "[Preferences]\nBASS_QutputDevice=0\nBASS_FadeOut=0\n");
    app = std::make_unique<Application>(ApplicationPorts{messages, splash, display, view, shutdown},
                                        home.path(), Clock());
    app->StartUp(music + "album/a.mp3");
    EXPECT_NE(app->player.State().CurrentChannel(), 0u);
    EXPECT_EQ(app->RequestExit(false), 0);
    Library saved;
    LoadLibraryFile(saved, home / "Sonvaro/MediaLibary.dat");
    ASSERT_EQ(saved.entries.size(), 20002u);
    EXPECT_EQ(saved.entries[0].info.path, music + "album/a.mp3");
    EXPECT_EQ(saved.entries[0].playCount, 6);
}

// The library folder renamed away (an unplugged drive) before a start: the
// folder setting stays, validation removes nothing, and the log says so once
// although the background refresh meets the missing files too.
TEST_F(ApplicationTest, AnUnreachableLibraryFolderKeepsTheLibraryAndSaysSoOnce) {
    const std::string music = LibraryOfTwoWithOneOnDisk();
    std::filesystem::rename(home / "music", home / "unplugged");

    app = std::make_unique<Application>(ApplicationPorts{messages, splash, display, view, shutdown},
                                        home.path(), Clock());
    app->log.SetOpen(true);  // the log window restored with the main window
    app->StartUp();
    app->FinishLibraryLoad();
    EXPECT_EQ(app->data.settings.MediaLib_Path, music);
    const auto entries = [&] {
        std::lock_guard lock(app->data.library.libraryLock);
        return app->data.library.entries;
    };
    ASSERT_EQ(entries().size(), 2u);
    // Background steps meet the missing files too (the clock stands, so the
    // thread itself takes no step meanwhile).
    for (int i = 0; i < 3; ++i)
        BackgroundRefreshStep(
            app->data.library, app->workers, [](TrackInfo&) { return 0; }, &app->log);
    EXPECT_EQ(app->RequestExit(false), 0);
    const std::vector<std::string> texts = LogTexts();
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "Medienbibliothek nicht erreichbar: '" + music + "'"),
              1);
    ASSERT_EQ(entries().size(), 2u);
    EXPECT_EQ(entries()[0].playCount, 5);
    EXPECT_EQ(entries()[0].flags, 1);
    const Settings saved = SettingsFromText(test::ReadFile(home / "Sonvaro/Sonvaro.ini"));
    EXPECT_EQ(saved.MediaLib_Path, music);
    Library reloaded;
    LoadLibraryFile(reloaded, home / "Sonvaro/MediaLibary.dat");
    ASSERT_EQ(reloaded.entries.size(), 2u);
    EXPECT_EQ(reloaded.entries[0].playCount, 5);
    EXPECT_EQ(reloaded.entries[1].playCount, 2);
}

}  // namespace
}  // namespace sonvaro
