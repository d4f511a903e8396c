// The main window dragged by its background, as a user does it: the real
// program on a private X server with a window manager, the pointer driven by
// xdotool.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/private_x_server.h"
#include "support/test_support.h"
#include "support/wait.h"

// Last: its macros (None, Status, Bool) clash with the headers above.
#include <X11/Xlib.h>

namespace sonvaro::test {
namespace {

std::string Output(const std::string& command) {
    std::string out;
    if (FILE* f = popen(command.c_str(), "r")) {
        char buffer[256];
        while (fgets(buffer, sizeof buffer, f)) out += buffer;
        pclose(f);
    }
    return out;
}

struct Point {
    int x = -1, y = -1;
    bool operator==(const Point&) const = default;
};

TEST(WindowDrag, ATapLeavesTheWindowWhereItIsAndADragMovesItByTheWayDragged) {
    PrivateXServer x;
    ASSERT_FALSE(x.Name().empty()) << "Xvfb";
    Display* display = XOpenDisplay(x.Name().c_str());
    ASSERT_NE(display, nullptr);
    ChildProcess manager(x.Name(), {"openbox"}, {});
    ASSERT_TRUE(manager.Started());
    const Atom managerSelection = XInternAtom(display, "WM_S0", False);
    ASSERT_TRUE(WaitUntil([&] { return XGetSelectionOwner(display, managerSelection) != 0; }));
    XCloseDisplay(display);

    TempDir home;
    std::filesystem::create_directories(home / "Sonvaro");
    WriteFile(home / "Sonvaro/Sonvaro.ini",
              "[Preferences]\nBASS_QutputDevice=0\nMisc_StartUpdateCheck=0\nGUI_Magnetic=1\nMisc_AutoSave_IV="
              "0\nMisc_AutoSave_PF=0\nMisc_AutoSave_ML=0\nMisc_AutoSave_PL=1\n");
    ChildProcess player(
        x.Name(), {SONVARO_BINARY},
        {"XDG_CONFIG_HOME=" + home.path(), "XDG_RUNTIME_DIR=" + home.path(), "QT_QPA_PLATFORM=xcb"});
    ASSERT_TRUE(player.Started());
    const std::string xdotool = "DISPLAY=" + x.Name() + " xdotool ";
    std::string window;
    ASSERT_TRUE(WaitUntil(
        [&] {
            // Once the playlist autosave runs, the splash (of the same name) is gone.
            if (!std::filesystem::exists(home / "Sonvaro/PlayList.dat")) return false;
            window = Output(xdotool + "search --onlyvisible --name '^Sonvaro$' 2>/dev/null | head -n1");
            while (!window.empty() && window.back() == '\n') window.pop_back();
            return !window.empty();
        },
        std::chrono::seconds(30)));
    const auto where = [&] {
        Point p;
        const std::string shell = Output(xdotool + "getwindowgeometry --shell " + window + " 2>/dev/null");
        std::sscanf(shell.c_str(), "WINDOW=%*d X=%d Y=%d", &p.x, &p.y);
        return p;
    };
    Point start;
    // The window manager places the window once after it appears.
    ASSERT_TRUE(WaitUntil([&] {
        const Point a = where();
        return a.x >= 0 && (start = a) == where();
    }));
    // A point on the black info panel, below the tool bar.
    const std::string panel = std::to_string(start.x + 60) + " " + std::to_string(start.y + 40);

    // Taps, each with a touchpad's quick release, then the pointer travels on.
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(x.Xdotool("mousemove " + panel + " click 1 mousemove_relative 40 40"));
    // A drag of 50 x 30 pixels in small steps. Had a tap left the window
    // following the pointer, it would end elsewhere.
    ASSERT_TRUE(x.Xdotool("mousemove " + panel + " mousedown 1"));
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(x.Xdotool("mousemove_relative 5 3"));
    ASSERT_TRUE(x.Xdotool("mouseup 1 mousemove_relative 80 80"));
    const Point expected{start.x + 50, start.y + 30};
    EXPECT_TRUE(WaitUntil([&] { return where() == expected; }, std::chrono::seconds(5)))
        << "from " << start.x << "," << start.y << " the window went to " << where().x << "," << where().y;
}

}  // namespace
}  // namespace sonvaro::test
