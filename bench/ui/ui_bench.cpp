// Window-side figures: adding a folder of 2,000 tagged files, sorting and scrolling
// 100,000 playlist rows, and the time from start to the shown main window with
// a 10,000-entry playlist and a 100,000-entry library (the splash's 1000 ms
// minimum not counted); with the tagged tree of bench/library.sh also the folder
// add beside a TagLib C loop and the longest UI-thread stall during a scan of
// 100,000 files. Run by bench/ui.sh under offscreen Qt.
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "library/library_file.h"
#include "peers/taglib_loop.h"
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

// Adding the 2,000 tagged files of TREE to the playlist, beside a TagLib C
// loop over the same files in the same run (interleaved, median of three).
void AddFolder(const std::string& tree) {
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(tree))
        if (e.is_regular_file()) files.push_back(e.path().string());
    std::vector<double> ours, peer;
    size_t entries = 0;
    for (int round = 0; round < 3; ++round) {
        peer.push_back(bench::TagLibLoopSeconds(files) * 1000);
        test::TempDir home;
        Player p(Home(home));
        p.app->StartUp();
        p.window->SwitchLayout(1);
        p.window->FinishStartUp();
        Settle();
        QElapsedTimer t;
        t.start();
        p.window->BeginBusy();
        p.app->editor.AddFolder(tree, true);
        p.window->EndBusy();
        Settle();
        ours.push_back(static_cast<double>(t.elapsed()));
        entries = p.app->data.playlist.size();
    }
    std::sort(ours.begin(), ours.end());
    std::sort(peer.begin(), peer.end());
    std::printf(
        "add a folder of %zu tagged files: %.0f ms (%zu entries); TagLib C loop %.0f ms; ratio %.2f\n",
        files.size(), ours[1], entries, peer[1], ours[1] / peer[1]);
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

// A library of 100,000 tagged files: the 2,000 files of TREE (bench/library.sh)
// linked 50 times over, made once beside TREE and reused.
std::string HundredThousandFiles(const std::string& tree) {
    namespace fs = std::filesystem;
    const std::string big = tree + "-100k";
    if (fs::exists(big + "/done")) return big;
    fs::remove_all(big);
    std::vector<fs::path> files;
    for (const auto& e : fs::recursive_directory_iterator(tree))
        if (e.is_regular_file()) files.push_back(e.path());
    for (int copy = 0; copy < 50; ++copy)
        for (const fs::path& file : files) {
            const fs::path target =
                fs::path(big) / ("Copy " + std::to_string(copy)) / fs::relative(file, tree);
            fs::create_directories(target.parent_path());
            fs::create_hard_link(file, target);
        }
    test::WriteFile(big + "/done", "");
    return big;
}

// The longest gap between the ticks of a 5 ms timer on the UI thread while
// the library view is shown and a scan of 100,000 files runs at full speed.
void ScanStalls(const std::string& tree) {
    const std::string music = HundredThousandFiles(tree);
    test::TempDir home;
    Player p(Home(home, "MediaLib_Path=" + music + "\nMediaLib_CPU=0\nMediaLib_BackgroundScan=0\n"));
    p.app->StartUp();
    p.window->SwitchLayout(2);
    p.window->FinishStartUp();
    Settle();
    QElapsedTimer clock;
    qint64 last = 0, longest = 0, longestAt = 0;
    long ticks = 0, over20 = 0;
    QTimer probe;
    probe.setInterval(5);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        if (now - last > longest) {
            longest = now - last;
            longestAt = now;
        }
        over20 += now - last > 20;
        last = now;
        ++ticks;
    });
    QEventLoop loop;
    QTimer done;
    done.setInterval(20);
    QObject::connect(&done, &QTimer::timeout, [&] {
        if (!p.app->LibraryScanRunning()) loop.quit();
    });
    clock.start();
    if (!p.app->StartLibraryScan()) {
        std::fprintf(stderr, "the scan did not start\n");
        return;
    }
    probe.start();
    done.start();
    loop.exec();
    std::printf(
        "scan of %zu files with the library view shown: %.1f s; longest UI-thread stall %lld ms at %.1f s "
        "(%ld ticks of a 5 ms timer, %ld gaps over 20 ms)\n",
        p.app->data.library.entries.size(), clock.elapsed() / 1000.0, longest, longestAt / 1000.0, ticks,
        over20);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: ui_bench SHORT.wav [TAGGED-TREE]\n");
        return 2;
    }
    if (argc > 2) AddFolder(argv[2]);
    SortAndScroll();
    StartUp(argv[1]);
    if (argc > 2) ScanStalls(argv[2]);
    return 0;
}
