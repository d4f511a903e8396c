#include "companions/hotkeys.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "core/ports/desktop_ports.h"
#include "support/player_harness.h"

namespace sonvaro::test {
namespace {

// A keyboard the test presses: virtual-key codes that are down.
class HeldKeys : public KeyState {
  public:
    bool Available() const override { return available; }
    void Refresh() override { ++refreshes; }
    bool Down(int32_t vk) const override { return down.count(vk) != 0; }
    std::set<int32_t> down;
    bool available = true;
    int refreshes = 0;
};

constexpr int32_t kCtrl = 17, kAlt = 18, kShift = 16, kP = 80, kF10 = 121;
constexpr int8_t kKeyP = 15, kKeyF10 = 45;

class HotkeyTest : public ::testing::Test {
  protected:
    HotkeyTest() { settings.HK_Global = 1; }
    // Presses or lets go of keys, then runs one pass of the main loop.
    void Press(std::initializer_list<int32_t> vks) {
        for (int32_t k : vks) keys.down.insert(k);
        poller.Poll();
    }
    void Release(std::initializer_list<int32_t> vks) {
        for (int32_t k : vks) keys.down.erase(k);
        poller.Poll();
    }
    Settings settings;
    HeldKeys keys;
    std::vector<HotkeyCommand> fired;
    std::vector<MediaKey> media;
    HotkeyPoller poller{
        settings,
        keys,
        {[this](HotkeyCommand c) { fired.push_back(c); }, [this](MediaKey k) { media.push_back(k); }}};
};

TEST_F(HotkeyTest, CtrlPFiresOnceOnReleaseWhicheverKeyGoesUpFirst) {
    settings.hotkeys[1] = {1, 1, 0, 0, kKeyP};  // "Play" on Strg + P
    Press({kCtrl});
    Press({kP});
    EXPECT_TRUE(poller.Held(1));
    for (int i = 0; i < 10; ++i) poller.Poll();  // held: no repeat
    EXPECT_TRUE(fired.empty());
    Release({kP});  // Ctrl still down
    EXPECT_EQ(fired, std::vector<HotkeyCommand>{HotkeyCommand::Play});
    poller.Poll();
    EXPECT_EQ(fired.size(), 1u);

    fired.clear();
    Press({kP});  // P first this time
    Release({kCtrl});
    EXPECT_EQ(fired, std::vector<HotkeyCommand>{HotkeyCommand::Play});
    Release({kP});
    EXPECT_EQ(fired.size(), 1u);
    Press({kP});  // P alone is not the combination
    Release({kP});
    EXPECT_EQ(fired.size(), 1u);
}

TEST_F(HotkeyTest, ModifiersOnlyAndTheEmptyCombination) {
    settings.hotkeys[5] = {1, 1, 1, 0, -1};  // "Stumm" on Strg + Alt
    settings.hotkeys[9] = {1, 0, 0, 0, -1};  // enabled, nothing bound: always "pressed", never fires
    Press({kCtrl});
    EXPECT_TRUE(fired.empty());
    Press({kAlt});
    Release({kAlt});
    EXPECT_EQ(fired, std::vector<HotkeyCommand>{HotkeyCommand::Mute});
    Release({kCtrl});
    for (int i = 0; i < 5; ++i) poller.Poll();
    EXPECT_EQ(fired.size(), 1u);
    EXPECT_TRUE(poller.Held(9));
}

TEST_F(HotkeyTest, ExtraModifiersDoNotStopAKeyFromFiring) {
    settings.hotkeys[4] = {1, 0, 0, 0, kKeyF10};
    Press({kShift});
    Press({kF10});
    Release({kF10});
    EXPECT_EQ(fired, std::vector<HotkeyCommand>{HotkeyCommand::Next});
}

TEST_F(HotkeyTest, RecordsInIndexOrderAndDisabledOnesIgnored) {
    settings.hotkeys[2] = {1, 1, 0, 0, -1};
    settings.hotkeys[0] = {1, 1, 0, 0, -1};
    settings.hotkeys[3] = {0, 1, 0, 0, -1};
    Press({kCtrl});
    Release({kCtrl});
    EXPECT_EQ(fired, (std::vector<HotkeyCommand>{HotkeyCommand::Previous, HotkeyCommand::Pause}));
}

TEST_F(HotkeyTest, KeyIndexOutsideTheTableIsNoKey) {
    for (int8_t key : {int8_t{84}, int8_t{127}, int8_t{-2}, int8_t{-128}}) {
        fired.clear();
        settings.hotkeys[7] = {1, 1, 0, 0, key};
        EXPECT_EQ(HotkeyText(settings.hotkeys[7]), "Strg") << int{key};
        Press({kCtrl});
        Release({kCtrl});
        EXPECT_EQ(fired, std::vector<HotkeyCommand>{HotkeyCommand::VolumeUp}) << int{key};
    }
}

TEST_F(HotkeyTest, GlobalOffFiresNoHotkeyButMediaKeysStillWork) {
    settings.hotkeys[1] = {1, 1, 0, 0, kKeyP};
    settings.HK_Global = 0;
    Press({kCtrl, kP});
    Release({kCtrl, kP});
    Press({179});
    Release({179});
    EXPECT_TRUE(fired.empty());
    EXPECT_EQ(media, std::vector<MediaKey>{MediaKey::PlayPause});

    // Held while switched off and let go after switching on: nothing stale fires.
    Press({kCtrl, kP});
    settings.HK_Global = 1;
    Release({kCtrl, kP});
    EXPECT_TRUE(fired.empty());

    settings.HK_Global = 0;
    settings.HK_MediaKeys = 0;
    const int refreshes = keys.refreshes;
    Press({179});
    Release({179});
    EXPECT_EQ(media.size(), 1u);
    EXPECT_EQ(keys.refreshes, refreshes);  // the keyboard is not even read
}

TEST_F(HotkeyTest, MediaKeysReleaseOrPress) {
    settings.HK_Global = 0;
    Press({173});  // mute: on release
    EXPECT_TRUE(media.empty());
    Release({173});
    Press({175});  // volume up: on the press, once per press
    poller.Poll();
    poller.Poll();
    Release({175});
    Press({174});
    Release({174});
    for (int32_t code : {177, 179, 178, 176}) {
        Press({code});
        Release({code});
    }
    EXPECT_EQ(media, (std::vector<MediaKey>{MediaKey::Mute, MediaKey::VolumeUp, MediaKey::VolumeDown,
                                            MediaKey::Previous, MediaKey::PlayPause, MediaKey::Stop,
                                            MediaKey::Next}));
}

TEST_F(HotkeyTest, HeldVolumeKeyRepeatsAfterItsDelayAndOthersDoNot) {
    settings.HK_Global = 0;
    keys.down = {175, 176};  // volume up and next track held together
    for (int pass = 0; pass < 20; ++pass) poller.Poll();
    EXPECT_EQ(media, std::vector<MediaKey>{MediaKey::VolumeUp});  // 19 passes held: no repeat yet
    poller.Poll();                                                // the 20th pass held: the first repeat
    EXPECT_EQ(media.size(), 2u);
    for (int pass = 0; pass < 10; ++pass) poller.Poll();  // then every second pass
    EXPECT_EQ(media.size(), 7u);
    Release({175, 176});
    EXPECT_EQ(media.size(), 8u);
    EXPECT_EQ(media.back(), MediaKey::Next);
    Press({175});  // a new press starts over
    for (int pass = 0; pass < 18; ++pass) poller.Poll();
    EXPECT_EQ(media.size(), 9u);
}

TEST_F(HotkeyTest, UnreadableKeyboardPollsNothing) {
    keys.available = false;
    settings.hotkeys[1] = {1, 1, 0, 0, kKeyP};
    Press({kCtrl, kP});
    Release({kCtrl, kP});
    EXPECT_TRUE(fired.empty());
    EXPECT_EQ(keys.refreshes, 0);
}

TEST_F(HotkeyTest, AnActionThatPollsAgainIsNotReentered) {
    // A question box inside an action runs the event loop, and with it the 25 ms poll.
    settings.hotkeys[9] = {1, 0, 0, 0, 0};  // "Beenden" on A
    int calls = 0;
    HotkeyPoller* self = nullptr;
    HotkeyPoller inner(settings, keys,
                       {[&](HotkeyCommand) {
                            ++calls;
                            self->Poll();
                        },
                        nullptr});
    self = &inner;
    keys.down = {65};
    inner.Poll();
    keys.down.clear();
    inner.Poll();
    EXPECT_EQ(calls, 1);
}

TEST(HotkeyText, PartsInOrder) {
    EXPECT_EQ(HotkeyText({1, 1, 0, 1, 45}), "Strg + Shift + F10");
    EXPECT_EQ(HotkeyText({1, 1, 1, 1, 70}), "Strg + Alt + Shift + Druck");
    EXPECT_EQ(HotkeyText({0, 0, 1, 0, -1}), "Alt");
    EXPECT_EQ(HotkeyText({1, 0, 0, 0, 82}), "Leertaste");
    EXPECT_EQ(HotkeyText({1, 0, 0, 0, -1}), "");
}

TEST(PortalTrigger, TheDesktopsNotationOrNothing) {
    EXPECT_EQ(PortalTrigger({1, 1, 0, 1, 15}), "CTRL+SHIFT+p");
    EXPECT_EQ(PortalTrigger({1, 1, 1, 1, 45}), "CTRL+ALT+SHIFT+F10");
    EXPECT_EQ(PortalTrigger({1, 0, 0, 0, 26}), "0");
    EXPECT_EQ(PortalTrigger({1, 0, 0, 0, 59}), "F24");
    EXPECT_EQ(PortalTrigger({1, 0, 0, 0, 60}), "Prior");
    EXPECT_EQ(PortalTrigger({1, 0, 1, 0, 70}), "");  // "Druck" is not the Print (snapshot) key
    EXPECT_EQ(PortalTrigger({1, 0, 0, 0, 83}), "Tab");
    EXPECT_EQ(PortalTrigger({1, 1, 1, 0, -1}), "");  // modifiers alone
    EXPECT_EQ(PortalTrigger({0, 1, 0, 0, 15}), "");  // off
    EXPECT_EQ(PortalTrigger({1, 0, 0, 0, 84}), "");  // no such key
}

TEST(HotkeyTables, NamesAndCodesAtTheirIndexes) {
    const std::vector<std::pair<int, std::pair<const char*, int32_t>>> expected = {
        {0, {"A", 65}},
        {25, {"Z", 90}},
        {26, {"0", 48}},
        {35, {"9", 57}},
        {36, {"F1", 112}},
        {59, {"F24", 135}},
        {60, {"Bild Hoch", 33}},
        {62, {"Pos 1", 36}},
        {63, {"Ende", 35}},
        {65, {"Entfernen", 46}},
        {69, {"Cursor Rechts", 39}},
        {70, {"Druck", 42}},
        {71, {"Rollen", 145}},
        {72, {"Pause", 19}},
        {74, {"Löschen", 8}},
        {78, {"Multiplikation", 106}},
        {79, {"Division", 111}},
        {81, {"Windows Rechts", 92}},
        {83, {"Tab", 9}},
    };
    for (const auto& [index, entry] : expected) {
        EXPECT_STREQ(kKeyTable[index].name, entry.first) << index;
        EXPECT_EQ(kKeyTable[index].virtualKey, entry.second) << index;
    }
    EXPECT_EQ(kKeyTable.size(), 84u);  // index 83 above is the last
    ASSERT_EQ(kHotkeyNames.size(), 17u);
    EXPECT_STREQ(kHotkeyNames[0], "Vorheriger Titel");
    EXPECT_STREQ(kHotkeyNames[6], "Lautstärke veringern");
    EXPECT_STREQ(kHotkeyNames[15], "Fenster Schliessen");
    EXPECT_STREQ(kHotkeyNames[16], "Suche");
}

// The playback commands and media keys through the facade, on the offline engine.
class HotkeyActionTest : public PlayerTest {};

TEST_F(HotkeyActionTest, VolumeStepsClampAndMuteRemembersTheLevel) {
    settings.Misc_Volume = 99;
    EXPECT_TRUE(RunPlaybackHotkey(HotkeyCommand::VolumeUp, control));
    EXPECT_EQ(settings.Misc_Volume, 100);
    RunMediaKey(MediaKey::VolumeUp, control);
    EXPECT_EQ(settings.Misc_Volume, 100);
    RunPlaybackHotkey(HotkeyCommand::VolumeDown, control);
    EXPECT_EQ(settings.Misc_Volume, 98);
    RunPlaybackHotkey(HotkeyCommand::Mute, control);
    EXPECT_EQ(settings.Misc_Volume, 0);
    RunMediaKey(MediaKey::VolumeDown, control);
    EXPECT_EQ(settings.Misc_Volume, 0);
    RunMediaKey(MediaKey::Mute, control);
    EXPECT_EQ(settings.Misc_Volume, 98);
    EXPECT_FALSE(RunPlaybackHotkey(HotkeyCommand::ShowHide, control));
    EXPECT_FALSE(RunPlaybackHotkey(HotkeyCommand::Search, control));
}

TEST_F(HotkeyActionTest, PlayPauseKeyPausesAPlayingTrackAndResumesIt) {
    AddFiles({ToneFile(3), ToneFile(4)});
    RunMediaKey(MediaKey::PlayPause, control);  // nothing plays: row 0 starts
    ASSERT_EQ(player.State().currentPath, ToneFile(3));
    EXPECT_EQ(control.Status(), PlaybackStatus::Playing);
    RunMediaKey(MediaKey::PlayPause, control);
    EXPECT_EQ(control.Status(), PlaybackStatus::Paused);
    RunMediaKey(MediaKey::PlayPause, control);
    EXPECT_EQ(control.Status(), PlaybackStatus::Playing);
    EXPECT_EQ(player.State().currentPath, ToneFile(3));
    RunMediaKey(MediaKey::Next, control);
    EXPECT_EQ(player.State().currentPath, ToneFile(4));
    RunPlaybackHotkey(HotkeyCommand::Previous, control);
    EXPECT_EQ(player.State().currentPath, ToneFile(3));
    RunMediaKey(MediaKey::Stop, control);
    EXPECT_EQ(player.State().playSource, 1);
}

}  // namespace
}  // namespace sonvaro::test
