// The hotkeys on a real X server: a private Xvfb, keys pressed with xdotool.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "companions/hotkeys.h"
#include "platform/x11_keyboard.h"
#include "support/player_harness.h"
#include "support/private_x_server.h"
#include "support/wait.h"
#include "x11_desktop_grab.h"

namespace sonvaro::test {
namespace {

class X11HotkeyTest : public PlayerTest {
  protected:
    // Passes of the main loop until `done`, at most 10 s.
    bool PollUntil(const std::function<bool()>& done) {
        return WaitUntil([&] {
            poller.Poll();
            return done();
        });
    }
    PrivateXServer server;
    X11KeyState keys{server.Name()};
    HotkeyPoller poller{settings,
                        keys,
                        {[this](HotkeyCommand c) { RunPlaybackHotkey(c, control); },
                         [this](MediaKey k) { RunMediaKey(k, control); }}};
};

TEST_F(X11HotkeyTest, CtrlPAndThePlayKeyReachThePlayer) {
    ASSERT_FALSE(server.Name().empty()) << "Xvfb did not start";
    ASSERT_TRUE(keys.Available());
    EXPECT_FALSE(keys.KeyCodes(80).empty());   // P
    EXPECT_FALSE(keys.KeyCodes(17).empty());   // both Ctrl keys
    EXPECT_FALSE(keys.KeyCodes(179).empty());  // the play key
    EXPECT_FALSE(keys.MediaKeyTakenByDesktop(179));
    AddFiles({ToneFile(3)});
    settings.HK_Global = 1;
    settings.hotkeys[1] = {1, 1, 0, 0, 15};  // "Play" on Strg + P

    ASSERT_TRUE(server.Xdotool("keydown ctrl+p"));
    ASSERT_TRUE(PollUntil([&] { return poller.Held(1); }));
    EXPECT_EQ(control.Status(), PlaybackStatus::Stopped);  // not while held
    ASSERT_TRUE(server.Xdotool("keyup p"));
    ASSERT_TRUE(PollUntil([&] { return control.Status() == PlaybackStatus::Playing; }));
    EXPECT_EQ(player.State().currentPath, ToneFile(3));
    ASSERT_TRUE(server.Xdotool("keyup ctrl"));

    ASSERT_TRUE(server.Xdotool("key XF86AudioPlay"));  // too quick for a poll: nothing
    ASSERT_TRUE(server.Xdotool("keydown XF86AudioPlay"));
    ASSERT_TRUE(PollUntil([&] { return keys.Down(179); }));
    EXPECT_EQ(control.Status(), PlaybackStatus::Playing);
    ASSERT_TRUE(server.Xdotool("keyup XF86AudioPlay"));
    EXPECT_TRUE(PollUntil([&] { return control.Status() == PlaybackStatus::Paused; }));
}

TEST(X11KeyState, AMediaKeyTheDesktopHoldsIsLeftToIt) {
    PrivateXServer server;
    ASSERT_FALSE(server.Name().empty()) << "Xvfb did not start";
    // Another client (the desktop's media-key handler) grabs the mute key.
    DesktopKeyGrab desktop(server.Name(), "XF86AudioMute");
    ASSERT_TRUE(desktop.Held());

    X11KeyState keys(server.Name());
    ASSERT_TRUE(keys.Available());
    EXPECT_TRUE(keys.MediaKeyTakenByDesktop(173));
    EXPECT_FALSE(keys.MediaKeyTakenByDesktop(175));
    ASSERT_TRUE(server.Xdotool("keydown XF86AudioMute XF86AudioRaiseVolume"));
    EXPECT_TRUE(WaitUntil([&] {
        keys.Refresh();
        return keys.Down(175);
    }));
    EXPECT_FALSE(keys.Down(173));
    ASSERT_TRUE(server.Xdotool("keyup XF86AudioMute XF86AudioRaiseVolume"));
}

TEST(X11KeyState, NoServerMeansNotAvailable) {
    X11KeyState keys(":" + std::to_string(getpid() % 1000 + 5000));
    EXPECT_FALSE(keys.Available());
    keys.Refresh();
    EXPECT_FALSE(keys.Down(65));
}

}  // namespace
}  // namespace sonvaro::test
