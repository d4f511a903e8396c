// Window-side figures: adding a folder of 2,000 files, sorting and scrolling
// 100,000 playlist rows, and the time from start to the shown main window with
// a 10,000-entry playlist and a 100,000-entry library (the splash's 1000 ms
// minimum not counted). Run by tests/ui/bench/ui_bench.sh under offscreen Qt.
#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <cstdio>
#include <filesystem>

#include "library/library_file.h"
#include "playlist/playlist_file.h"
#include "session/application.h"
#include "support/quiet_ports.h"
#include "support/test_support.h"
#include "ui/list_view.h"
#include "ui/main_window.h"

using namespace sonvaro;

namespace {

using test::NoSplash;
struct Player {
    explicit Player(const std::string& home) {
        window = std::make_unique<MainWindow>();
        app = std::make_unique<Application>(ApplicationPorts{messages, splash, *window, *window, *window,
                                                             window.get(), window.get(), nullptr},
                                            home, SystemClock());
        window->Attach(*app);
    }
    ~Player() {
        app->RequestExit(false);
        window.reset();
    }
    test::RecordingMessages messages;
    NoSplash splash;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<Application> app;
};

void Settle() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

std::string Home(const test::TempDir& dir, const std::string& extra = {}) {
    std::filesystem::create_directories(dir / "Sonvaro");
    test::WriteFile(dir / "Sonvaro/Sonvaro.ini", "[Preferences]\nBASS_QutputDevice=0\n" + extra);
    return dir.path();
}

TrackInfo Track(int i) {
    TrackInfo t;
    t.path = "/musik/ordner" + std::to_string(i % 97) + "/titel" + std::to_string(i) + ".mp3";
    t.title = "Titel " + std::to_string((i * 7919) % 100003);
    t.artist = "Interpret " + std::to_string(i % 500);
    t.album = "Album " + std::to_string(i % 2000);
    t.trackNumber = static_cast<int16_t>(1 + i % 20);
    t.length = 120 + i % 300;
    t.year = static_cast<int16_t>(1960 + i % 60);
    t.channelType = 0x10005;
    return t;
}

void AddFolder(const std::string& wav) {
    test::TempDir home, music;
    for (int i = 0; i < 2000; ++i)
        std::filesystem::copy_file(wav, music / ("t" + std::to_string(i) + ".wav"));
    Player p(Home(home));
    p.app->StartUp();
    p.window->SwitchLayout(1);
    p.window->FinishStartUp();
    Settle();
    QElapsedTimer t;
    t.start();
    p.window->BeginBusy();
    p.app->editor.AddFolder(music.path(), false);
    p.window->EndBusy();
    Settle();
    std::printf("add folder of 2,000 files: %lld ms (%zu entries)\n", t.elapsed(),
                p.app->data.playlist.size());
}

void SortAndScroll() {
    test::TempDir home;
    Player p(Home(home));
    p.app->StartUp();
    p.window->SwitchLayout(1);
    p.window->FinishStartUp();
    for (int i = 0; i < 100000; ++i) p.app->data.playlist.push_back({0, Track(i)});
    p.window->PlaylistReset();
    Settle();
    QElapsedTimer t;
    t.start();
    p.app->playback.SortPlaylist(1);
    p.window->PlaylistList()->viewport()->repaint();
    std::printf("sort 100,000 rows by title, view redrawn: %lld ms\n", t.elapsed());

    QScrollBar* bar = p.window->PlaylistList()->verticalScrollBar();
    const int frames = 200;
    t.restart();
    for (int i = 0; i < frames; ++i) {
        bar->setValue(bar->maximum() / frames * i);
        p.window->PlaylistList()->viewport()->repaint();
    }
    std::printf("scroll 100,000 rows: %.2f ms per redrawn page\n", double(t.elapsed()) / frames);
}

void StartUp(const std::string& wav) {
    test::TempDir home, music;
    Home(home, "Misc_AutoPlayList=1\n");
    // The playlist keeps only entries whose files exist: hard links cost no space.
    Playlist playlist;
    for (int i = 0; i < 10000; ++i) {
        TrackInfo t = Track(i);
        t.path = music / ("t" + std::to_string(i) + ".wav");
        std::filesystem::create_hard_link(wav, t.path);
        playlist.push_back({0, t});
    }
    test::WriteFile(home / "Sonvaro/PlayList.dat", PlaylistFileText(playlist));
    std::vector<LibraryEntry> library;
    for (int i = 0; i < 100000; ++i) library.push_back({Track(i), 0, 0, 0});
    test::WriteFile(home / "Sonvaro/MediaLibary.dat", LibraryFileText(library));

    QElapsedTimer t;
    t.start();
    Player p(home.path());
    p.app->StartUp();
    p.window->FinishStartUp();
    p.window->PlaylistList()->viewport()->repaint();
    std::printf(
        "start to shown window, %zu playlist and %zu library entries: %lld ms "
        "(plus the splash's 1000 ms minimum)\n",
        p.app->data.playlist.size(), p.app->data.library.entries.size(), t.elapsed());
}

}  // namespace

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: ui_bench SHORT.wav\n");
        return 2;
    }
    AddFolder(argv[1]);
    SortAndScroll();
    StartUp(argv[1]);
    return 0;
}
