#include "session/window_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_support.h"

namespace sonvaro {
namespace {

class RecordingWindow : public SettingsWindowPort {
  public:
    std::optional<std::pair<int32_t, int32_t>> HighlightColours() override {
        return std::pair{0x112233, 0x445566};
    }
    void PlaceMainWindow(const WindowSlot& slot) override {
        calls.push_back("place " + std::to_string(slot.x));
    }
    void SwitchLayout(int32_t layout) override { calls.push_back("layout " + std::to_string(layout)); }
    void SetMainWindowOnTop(bool) override { calls.push_back("ontop"); }
    void ApplyOpacity(bool on, int32_t value) override {
        calls.push_back("opacity " + std::to_string(on) + " " + std::to_string(value));
    }
    void ApplyInfoColours(int32_t, int32_t) override { calls.push_back("colours"); }
    void SetVolume(int32_t v) override { calls.push_back("volume " + std::to_string(v)); }
    void SetRepeatRandom(bool r, bool s) override {
        calls.push_back("toggles " + std::to_string(r) + std::to_string(s));
    }
    void ApplyPlaylistColumns(const ColumnLayout<kPlaylistColumnCount>&) override {
        calls.push_back("pl columns");
    }
    void ApplyLibraryColumns(const ColumnLayout<kLibraryColumnCount>&) override {
        calls.push_back("ml columns");
    }
    void StoreWindowState(Settings&) override {}
    std::vector<std::string> calls;
};

TEST(SettingsLoad, AppliesWindowEffectsInOrder) {
    test::TempDir dir;
    test::WriteFile(dir / "Sonvaro.ini",
                    "[WinSize]\nWinSize_X1=15\n[WinSizeMain]\nWinSizeMain_SizeType=1\n"
                    "[Preferences]\nGUI_OnTop=1\nMisc_Volume=40\nMisc_Random=1\nGUI_ColorST=7\n");
    Settings s;
    RecordingWindow window;
    LoadSettingsIntoWindow(s, dir / "Sonvaro.ini", &window);
    EXPECT_EQ(window.calls,
              (std::vector<std::string>{"place 15", "layout 1", "ontop", "opacity 0 220", "colours",
                                        "volume 40", "toggles 01", "pl columns", "ml columns"}));
    EXPECT_EQ(s.GUI_ColorSB, 0x112233);  // not in the file: the desktop's colour
    EXPECT_EQ(s.GUI_ColorST, 7);
}

TEST(MainWindowSize, GoesIntoTheShownLayoutsFields) {
    Settings s;
    StoreMainWindowSize(s, 0, 640, 480, 1, 2);
    EXPECT_EQ(s.WinSizeMain_WinW_Normal, 640);
    EXPECT_EQ(s.WinSizeMain_WinW_Second, 0);
    EXPECT_EQ(s.WinSizeMain_MediaLibSP1, 85);
    StoreMainWindowSize(s, 2, 800, 600, 90, 260);
    EXPECT_EQ(s.WinSizeMain_WinW_Normal, 640);
    EXPECT_EQ(s.WinSizeMain_WinW_Second, 800);
    EXPECT_EQ(s.WinSizeMain_WinH_Second, 600);
    EXPECT_EQ(s.WinSizeMain_MediaLibSP2, 260);
    EXPECT_EQ(CentredOffset(1920, 645), 960 - 322);
}

}  // namespace
}  // namespace sonvaro
