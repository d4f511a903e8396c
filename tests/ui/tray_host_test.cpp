// The player on a desktop without a tray (GNOME as installed) and on one with
// a tray: the real program on a private X server with a window manager, the
// keys and the pointer driven by xdotool. Without a tray the tray menu is the
// window's right-click menu, F1 opens the help, nothing hides the player out
// of reach and its close box ends it; with a tray, Misc_TaskBar 0 still hides
// it there.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>

#include "support/child_process.h"
#include "support/private_x_server.h"
#include "support/test_support.h"
#include "support/wait.h"

// Last: its macros (None, Status, Bool) clash with the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace sonvaro::test {
namespace {

using std::chrono::seconds;

// WM_STATE as the window manager keeps it: 1 shown, 3 minimised, 0 withdrawn
// (hidden; the property is then gone or says 0).
long WmState(Display* display, Window window) {
    const Atom wmState = XInternAtom(display, "WM_STATE", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, left = 0;
    unsigned char* data = nullptr;
    long state = 0;
    if (XGetWindowProperty(display, window, wmState, 0, 2, False, wmState, &type, &format, &count, &left,
                           &data) == Success &&
        data && format == 32 && count >= 1)
        state = reinterpret_cast<long*>(data)[0];
    if (data) XFree(data);
    return state;
}

// A pop-up menu on the screen: a tall window that no window manager placed.
bool MenuShown(Display* display) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    bool shown = false;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) return false;
    for (unsigned int i = 0; i < count && !shown; ++i) {
        XWindowAttributes a;
        if (XGetWindowAttributes(display, children[i], &a) && a.override_redirect &&
            a.map_state == IsViewable && a.height > 150)
            shown = true;
    }
    if (children) XFree(children);
    return shown;
}

class PlayerOnX : public ::testing::Test {
  protected:
    // Openbox, a tray when asked for, and the player with Misc_TaskBar 0.
    void Start(bool withTray) {
        ASSERT_FALSE(x.Name().empty()) << "Xvfb";
        display = XOpenDisplay(x.Name().c_str());
        ASSERT_NE(display, nullptr);
        // A window that went meanwhile is a failed check, not the end of the test program.
        previousHandler = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        manager = std::make_unique<ChildProcess>(x.Name(), std::vector<std::string>{"openbox"},
                                                 std::vector<std::string>{});
        ASSERT_TRUE(manager->Started());
        const Atom managerSelection = XInternAtom(display, "WM_S0", False);
        ASSERT_TRUE(WaitUntil([&] { return XGetSelectionOwner(display, managerSelection) != 0; }));
        if (withTray) {
            // A tray is whoever owns this selection; the icon need not be drawn.
            const Atom traySelection = XInternAtom(display, "_NET_SYSTEM_TRAY_S0", False);
            const Window tray = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
            XSetSelectionOwner(display, traySelection, tray, CurrentTime);
            ASSERT_EQ(XGetSelectionOwner(display, traySelection), tray);
        }

        std::filesystem::create_directories(home / "Sonvaro");
        std::filesystem::create_directories(home / "bin");
        WriteFile(home / "Sonvaro/Sonvaro.ini",
                  "[Preferences]\nBASS_QutputDevice=0\nMisc_StartUpdateCheck=0\nMisc_TaskBar=0\n"
                  "Misc_AutoSave_IV=0\nMisc_AutoSave_PF=0\nMisc_AutoSave_ML=0\nMisc_AutoSave_PL=1\n");
        // The desktop's opener, for the help page: it notes what it was given.
        const std::string opener = home / "bin/xdg-open";
        WriteFile(opener, "#!/bin/sh\necho \"$1\" >> '" + (home / "opened.txt") + "'\n");
        chmod(opener.c_str(), 0755);
        const char* path = std::getenv("PATH");
        player = std::make_unique<ChildProcess>(
            x.Name(), std::vector<std::string>{SONVARO_BINARY},
            std::vector<std::string>{"XDG_CONFIG_HOME=" + home.path(), "XDG_RUNTIME_DIR=" + home.path(),
                                     "QT_QPA_PLATFORM=xcb",
                                     "PATH=" + (home / "bin") + ":" + (path ? path : ""),
                                     // No session bus: no tray offered over D-Bus either.
                                     "DBUS_SESSION_BUS_ADDRESS=unix:path=" + (home / "no-bus")});
        ASSERT_TRUE(player->Started());
        ASSERT_TRUE(WaitUntil(
            [&] {
                // Once the playlist autosave runs, the splash (of the same name) is gone.
                if (!std::filesystem::exists(home / "Sonvaro/PlayList.dat")) return false;
                // The tray icon's own little window may carry the name too.
                std::istringstream found(x.XdotoolOutput("search --onlyvisible --name '^Sonvaro$'"));
                for (Window id = 0; found >> id;) {
                    XWindowAttributes a;
                    if (XGetWindowAttributes(display, id, &a) && !a.override_redirect && a.width > 200) {
                        window = id;
                        return true;
                    }
                }
                return false;
            },
            seconds(30)));
        // The window manager places the window once after it appears.
        std::string place;
        ASSERT_TRUE(WaitUntil([&] {
            const std::string now = x.XdotoolOutput("getwindowgeometry --shell " + std::to_string(window));
            const bool still = !now.empty() && now == place;
            place = now;
            return still;
        }));
        int left = -1, top = -1;
        std::sscanf(place.c_str(), "WINDOW=%*d X=%d Y=%d", &left, &top);
        ASSERT_GE(left, 0);
        // A point on the track information, below the tool bar.
        panel = std::to_string(left + 60) + " " + std::to_string(top + 40);
    }
    void TearDown() override {
        player.reset();
        manager.reset();
        if (display) XCloseDisplay(display);
        if (display) XSetErrorHandler(previousHandler);
    }

    // A right click on the window's track information, then keys in the menu it opens.
    bool InMenu(const std::string& keys) {
        if (!x.Xdotool("mousemove " + panel + " click 3")) return false;
        if (!WaitUntil([&] { return MenuShown(display); }, seconds(5))) return false;
        // The pointer leaves the menu's corner so that only the keys choose.
        return x.Xdotool("mousemove_relative -- -30 -30") && x.Xdotool("key " + keys) &&
               WaitUntil([&] { return !MenuShown(display); }, seconds(5));
    }
    bool Shown(const std::string& title) {
        return WaitUntil(
            [&] { return !x.XdotoolOutput("search --onlyvisible --name '^" + title + "$'").empty(); },
            seconds(10));
    }
    bool Gone(const std::string& title) {
        return WaitUntil(
            [&] { return x.XdotoolOutput("search --onlyvisible --name '^" + title + "$'").empty(); },
            seconds(10));
    }
    int HelpPagesOpened() {
        int lines = 0;
        const std::string text = ReadFile(home / "opened.txt");
        for (size_t at = 0; (at = text.find("/help/index.html\n", at)) != std::string::npos; ++at) ++lines;
        return lines;
    }
    bool StateBecomes(long state) {
        return WaitUntil([&] { return WmState(display, window) == state; }, seconds(10));
    }

    PrivateXServer x;
    Display* display = nullptr;
    XErrorHandler previousHandler = nullptr;
    TempDir home;
    std::unique_ptr<ChildProcess> manager;
    std::unique_ptr<ChildProcess> player;
    Window window = 0;
    std::string panel;
};

TEST_F(PlayerOnX, WithoutATrayTheWindowOffersTheTrayMenuAndNothingHidesIt) {
    Start(false);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(WmState(display, window), 1);

    ASSERT_TRUE(x.Xdotool("key F1"));
    EXPECT_TRUE(WaitUntil([&] { return HelpPagesOpened() == 1; }, seconds(10)))
        << ReadFile(home / "opened.txt");

    // The menu: "Verstecken", "Wiedergabe", "Log", "Radio Log", … "Hilfe", "Informationen", "Beenden".
    ASSERT_TRUE(InMenu("Down Down Down Return"));
    EXPECT_TRUE(Shown("Log"));
    ASSERT_TRUE(x.Xdotool("key Escape"));
    EXPECT_TRUE(Gone("Log"));
    ASSERT_TRUE(InMenu("Up Up Return"));
    EXPECT_TRUE(Shown("Informationen"));
    ASSERT_TRUE(x.Xdotool("key Escape"));
    EXPECT_TRUE(Gone("Informationen"));
    ASSERT_TRUE(InMenu("Up Up Up Return"));
    EXPECT_TRUE(WaitUntil([&] { return HelpPagesOpened() == 2; }, seconds(10)))
        << ReadFile(home / "opened.txt");

    // "Verstecken" minimises it to the task bar instead of withdrawing it.
    ASSERT_TRUE(InMenu("Down Return"));
    EXPECT_TRUE(StateBecomes(3)) << "WM_STATE " << WmState(display, window);
    ASSERT_TRUE(x.Xdotool("windowactivate " + std::to_string(window)));
    EXPECT_TRUE(StateBecomes(1)) << "WM_STATE " << WmState(display, window);

    // The close box, as the window manager's title bar or a task bar sends it, ends the player.
    XEvent close{};
    close.xclient.type = ClientMessage;
    close.xclient.window = window;
    close.xclient.message_type = XInternAtom(display, "_NET_CLOSE_WINDOW", False);
    close.xclient.format = 32;
    close.xclient.data.l[0] = CurrentTime;
    close.xclient.data.l[1] = 2;  // from a pager or task bar
    XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask,
               &close);
    XFlush(display);
    ASSERT_TRUE(WaitUntil([&] { return player->Ended(); }, seconds(30)));
    EXPECT_EQ(player->ExitCode(), 0);
}

TEST_F(PlayerOnX, WithATrayHidingGoesToTheTrayAndBeendenFromTheWindowEndsThePlayer) {
    Start(true);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(InMenu("Down Return"));  // "Verstecken"
    EXPECT_TRUE(StateBecomes(0)) << "WM_STATE " << WmState(display, window);
    EXPECT_TRUE(Gone("Sonvaro"));
    // Back with a second start, as a launcher does; then "Beenden" from the window's menu.
    ChildProcess again(x.Name(), {SONVARO_BINARY},
                       {"XDG_CONFIG_HOME=" + home.path(), "XDG_RUNTIME_DIR=" + home.path(),
                        "QT_QPA_PLATFORM=xcb", "DBUS_SESSION_BUS_ADDRESS=unix:path=" + (home / "no-bus")});
    ASSERT_TRUE(WaitUntil([&] { return again.Ended(); }, seconds(30)));
    ASSERT_TRUE(StateBecomes(1)) << "WM_STATE " << WmState(display, window);
    ASSERT_TRUE(InMenu("Up Return"));
    ASSERT_TRUE(WaitUntil([&] { return player->Ended(); }, seconds(30)));
    EXPECT_EQ(player->ExitCode(), 0);
}

}  // namespace
}  // namespace sonvaro::test
