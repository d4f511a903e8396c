#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/status_log.h"
#include "settings/ini_document.h"
#include "support/test_support.h"

namespace sonvaro {
namespace {

using test::SplitCrLf;

TEST(SettingsLoad, EmptyOrMissingFileGivesTheDefaults) {
    for (const std::string_view text : {std::string_view{}, std::string_view("garbage\0\xff", 9)}) {
        const Settings s = SettingsFromText(text);
        EXPECT_EQ(s.windows[1].x, -1);
        EXPECT_EQ(s.windows[1].y, -1);
        EXPECT_EQ(s.BASS_OutputRate, 1);
        EXPECT_EQ(s.BASS_FadeIn, 2);
        EXPECT_EQ(s.BASS_FadeOut, 5);
        EXPECT_EQ(s.Equilizer_Active, 0);
        EXPECT_EQ(s.Equalizer_PreAmp, 120);
        EXPECT_TRUE(
            std::all_of(s.Equilizer_Pan.begin(), s.Equilizer_Pan.end(), [](int v) { return v == 120; }));
        EXPECT_EQ(s.Equalizer_Speed, 100);
        EXPECT_EQ(s.Equalizer_Panel, 100);
        EXPECT_EQ(s.GUI_OpacityValue, 220);
        EXPECT_EQ(s.GUI_LengthFormat, "%ptime");
        EXPECT_EQ(s.Tracker_Text, "%ARTI|%TITL");
        EXPECT_EQ(s.Misc_AutoSave_IV, 300000);
        EXPECT_EQ(s.Misc_Volume, 100);
        EXPECT_EQ(s.hotkeys[16].key, -1);
        EXPECT_EQ(s.hotkeys[16].enabled, 0);
        EXPECT_EQ(s.playlistColumns.width[1], 100);
        EXPECT_EQ(s.libraryColumns.width[9], 80);
        EXPECT_EQ(s.libraryColumns.order[9], 9);
        EXPECT_EQ(s.statistics.PlayTime, 0);
    }
}

TEST(SettingsLoad, AppliesTheLoadTimeChecks) {
    test::TempDir dir;
    test::WriteFile(dir / "font.sf2", "");
    test::WriteFile(dir / "file", "x");
    const std::string text =
        "[Preferences]\n"
        "GUI_OpacityValue = 300\n"
        "GUI_LengthFormat =    \t \n"
        "Misc_Volume = laut\n"
        "BASS_MidiSF2File = " +
        dir.path() +
        "font.sf2\n"
        "MediaLib_Path = " +
        dir.path() + "file\n";
    const Settings s = SettingsFromText(text);
    EXPECT_EQ(s.GUI_OpacityValue, 180);
    EXPECT_EQ(s.GUI_LengthFormat, "%ptime");
    EXPECT_EQ(s.Misc_Volume, 0);  // present but no number: 0, not the default
    EXPECT_EQ(s.BASS_MidiSF2File, "");
    // A library folder that cannot be reached now (an unplugged drive) is
    // kept; the library decides what that means.
    EXPECT_EQ(s.MediaLib_Path, dir.path() + "file");
    EXPECT_EQ(SettingsFromText("[Preferences]\nMediaLib_Path= /media/usb/Musik/ \n").MediaLib_Path,
              "/media/usb/Musik/");
    EXPECT_EQ(SettingsFromText("[Preferences]\nGUI_OpacityValue=-1").GUI_OpacityValue, 180);

    test::WriteFile(dir / "real.sf2", "RIFF");
    const Settings ok = SettingsFromText("[Preferences]\nBASS_MidiSF2File=" + dir.path() +
                                         "real.sf2  \nMediaLib_Path=  " + dir.path() + " \n");
    EXPECT_EQ(ok.BASS_MidiSF2File, dir.path() + "real.sf2");
    EXPECT_EQ(ok.MediaLib_Path, dir.path());
}

TEST(SettingsLoad, FollowsTheFileSyntax) {
    // Lower-case group and key, CR-only line ends, comments, a later duplicate group.
    const Settings s = SettingsFromText(
        "; comment\r[preferences]\r  bass_fadein=7\rBASS_FadeIn = 9\r[WinSize]\rwinsize_h3 = 44\r"
        "[Preferences]\rBASS_FadeOut = 1\r");
    EXPECT_EQ(s.BASS_FadeIn, 7);    // the first key of the group wins
    EXPECT_EQ(s.windows[3].h, 44);  // "Winsize_H3" as the writer spells it
    EXPECT_EQ(s.BASS_FadeOut, 5);   // only the first "Preferences" group is read

    // A key in the wrong group is not found.
    EXPECT_EQ(SettingsFromText("[Statistics]\nMisc_Volume=3\n").Misc_Volume, 100);
    // The volume is held to the slider's range: 1000 would play at ten times full scale.
    EXPECT_EQ(SettingsFromText("[Preferences]\nMisc_Volume=1000\n").Misc_Volume, 100);
    EXPECT_EQ(SettingsFromText("[Preferences]\nMisc_Volume=-5\n").Misc_Volume, 0);
    // Text values lose trailing blanks; numbers take what the C library takes.
    const Settings t =
        SettingsFromText("[Preferences]\nNETStream_Proxy=\t user:pw@host:8080 \t\nBASS_FadeIn=3s\n");
    EXPECT_EQ(t.NETStream_Proxy, "user:pw@host:8080");
    EXPECT_EQ(t.BASS_FadeIn, 3);
}

TEST(SettingsLoad, ByteOrderMarkAndWindows1252) {
    const Settings utf8 = SettingsFromText("\xEF\xBB\xBF[Preferences]\nNETStream_SavePath=/Musik/Grün\n");
    EXPECT_EQ(utf8.NETStream_SavePath, "/Musik/Grün");
    const Settings cp1252 = SettingsFromText("[Preferences]\nNETStream_SavePath=/Musik/Gr\xFCn\n");
    EXPECT_EQ(cp1252.NETStream_SavePath, "/Musik/Grün");
}

TEST(SettingsLoad, NarrowsAndRounds) {
    const Settings s = SettingsFromText(
        "[Preferences]\nNETStream_SaveFile=200\nEchoDelay=70000\nReverbTime=1000.6\nReverbMix=-2.5\n"
        "CMNA_PL_3=7\nCMNA_PL_4=2\nCMNI_PL_0=3\n[Statistics]\nStatistics_PlayTime=123456789012\n");
    EXPECT_EQ(s.NETStream_SaveFile, -56);
    EXPECT_EQ(s.EchoDelay, 4464);
    EXPECT_EQ(s.ReverbTime, 1001);
    EXPECT_EQ(s.ReverbMix, -2);
    EXPECT_EQ(s.playlistColumns.align[3], 0);  // out of range: ignored
    EXPECT_EQ(s.playlistColumns.align[4], 2);
    // An order array that is no permutation would hide a column: the identity instead.
    EXPECT_EQ(s.playlistColumns.order[0], 0);
    EXPECT_EQ(s.playlistColumns.order[3], 3);
    EXPECT_EQ(s.statistics.PlayTime, 123456789012);
}

TEST(SettingsSave, WritesTheExactLayout) {
    Settings s;
    s.ReverbTime = 1001;
    s.NETStream_SaveFile = -56;
    s.statistics.PlayTime = 5000000000;
    const auto lines = SplitCrLf(SettingsFileText(s));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "[WinSize]");
    EXPECT_EQ(lines[1], "WinSize_X0 = -1");
    EXPECT_EQ(lines[4], "Winsize_H0 = 0");
    EXPECT_EQ(lines[56], "Winsize_H13 = 0");
    EXPECT_EQ(lines[57], "[WinSizeMain]");
    EXPECT_EQ(lines[59], "WinSizeMain_WinW_Second = 0");
    EXPECT_EQ(lines[61], "WinSizeMain_WinW_Normal = 0");
    EXPECT_EQ(lines[64], "[Preferences]");
    EXPECT_EQ(lines[65], "; Bass");
    EXPECT_EQ(lines[66], "BASS_QutputDevice = -1");

    auto at = [&lines](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) - lines.begin();
    };
    EXPECT_LT(at("ReverbTime = 1001.000000"), static_cast<long>(lines.size()));
    EXPECT_LT(at("ReverbMix = 0.000000"), at("ReverbTime = 1001.000000"));
    EXPECT_LT(at("NETStream_SaveFile = -56"), static_cast<long>(lines.size()));
    EXPECT_EQ(at("HK_MediaKeys = 1") + 1, at("HK_0_AV = 0"));
    EXPECT_EQ(at("HK_16_ST = 0") + 1, at("HK_16_MC = -1"));
    EXPECT_EQ(at("HK_16_MC = -1") + 1, at("; Tracker"));
    EXPECT_EQ(at("Tracker_Text = %ARTI|%TITL") + 1, at("Tracker_BColor = 0"));
    EXPECT_EQ(at("; ColumnOrdner") + 1, at("CMNW_PL_0 = 0"));
    EXPECT_EQ(at("CMNW_PL_0 = 0") + 1, at("CMNI_PL_0 = 0"));
    EXPECT_EQ(at("CMNA_PL_7 = 0") + 1, at("CMNW_ML_0 = 0"));
    EXPECT_EQ(at("CMNA_ML_9 = 0") + 1, at("[Statistics]"));
    EXPECT_EQ(lines.back(), "Statistics_AppStart = 0");
    EXPECT_EQ(at("Statistics_PlayTime = 5000000000"), static_cast<long>(lines.size()) - 2);

    // Comments, in order, and nothing but groups, comments and "key = value" lines.
    std::vector<std::string> comments;
    for (const auto& line : lines) {
        if (line.rfind("; ", 0) == 0)
            comments.push_back(line.substr(2));
        else if (line.front() != '[') {
            EXPECT_NE(line.find(" = "), std::string::npos) << line;
        }
    }
    EXPECT_EQ(comments, (std::vector<std::string>{"Bass", "Internet Streaming", "Equalizer", "Effects",
                                                  "ReplayGain", "GUI", "HotKeys", "Tracker", "MediaLib",
                                                  "Order", "Misc", "ColumnOrdner"}));
}

TEST(SettingsReplayGain, DefaultsRangesAndTheWrittenKeys) {
    // A file from before the keys: off, no pre-amp, clipping prevented.
    const Settings before = SettingsFromText("[Preferences]\nFlanger=1\n");
    EXPECT_EQ(before.ReplayGain_Mode, 0);
    EXPECT_EQ(before.ReplayGain_Preamp, 0);
    EXPECT_EQ(before.ReplayGain_NoClip, 1);

    const auto read = [](const std::string& keys) { return SettingsFromText("[Preferences]\n" + keys); };
    EXPECT_EQ(read("ReplayGain_Mode=2\n").ReplayGain_Mode, 2);
    EXPECT_EQ(read("ReplayGain_Mode=3\n").ReplayGain_Mode, 0);  // unknown: off
    EXPECT_EQ(read("ReplayGain_Mode=-1\n").ReplayGain_Mode, 0);
    EXPECT_EQ(read("ReplayGain_Preamp=-35\n").ReplayGain_Preamp, -35);
    EXPECT_EQ(read("ReplayGain_Preamp=151\n").ReplayGain_Preamp, 150);
    EXPECT_EQ(read("ReplayGain_Preamp=-9999\n").ReplayGain_Preamp, -150);
    EXPECT_EQ(read("ReplayGain_NoClip=0\n").ReplayGain_NoClip, 0);
    EXPECT_EQ(read("ReplayGain_NoClip=5\n").ReplayGain_NoClip, 1);

    Settings s;
    s.ReplayGain_Mode = 2;
    s.ReplayGain_Preamp = -35;
    s.ReplayGain_NoClip = 0;
    const std::string text = SettingsFileText(s);
    const auto lines = SplitCrLf(text);
    const auto at = [&lines](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) - lines.begin();
    };
    EXPECT_EQ(at("Flanger = 0") + 1, at("; ReplayGain"));
    EXPECT_EQ(at("; ReplayGain") + 1, at("ReplayGain_Mode = 2"));
    EXPECT_EQ(at("ReplayGain_Mode = 2") + 1, at("ReplayGain_Preamp = -35"));
    EXPECT_EQ(at("ReplayGain_Preamp = -35") + 1, at("ReplayGain_NoClip = 0"));
    EXPECT_EQ(at("ReplayGain_NoClip = 0") + 1, at("; GUI"));
    const Settings back = SettingsFromText(text);
    EXPECT_EQ(back.ReplayGain_Mode, 2);
    EXPECT_EQ(back.ReplayGain_Preamp, -35);
    EXPECT_EQ(back.ReplayGain_NoClip, 0);
}

TEST(SettingsSave, RoundTripsEveryValue) {
    Settings s;
    s.windows[6] = {10, 20, 280, 320};
    s.WinSizeMain_SizeType = 2;
    s.NETStream_Proxy = "user:pass@proxy:3128";
    s.Equilizer_Pan[9] = 240;
    s.ReverbMix = -96;
    s.GUI_LengthFormat = "%ptime / %ltime";
    s.hotkeys[5] = {1, 1, 0, 1, 45};
    s.playlistColumns.order = {0, 2, 1, 3, 4, 5, 6, 7};
    s.libraryColumns.align[4] = 1;
    s.playlistColumns.width[0] = 33;  // written, never read
    s.statistics = {3, 2, 1, 99, 7};
    const Settings back = SettingsFromText(SettingsFileText(s));
    EXPECT_EQ(back.windows[6].w, 280);
    EXPECT_EQ(back.windows[6].h, 320);
    EXPECT_EQ(back.WinSizeMain_SizeType, 2);
    EXPECT_EQ(back.NETStream_Proxy, s.NETStream_Proxy);
    EXPECT_EQ(back.Equilizer_Pan[9], 240);
    EXPECT_EQ(back.ReverbMix, -96);
    EXPECT_EQ(back.GUI_LengthFormat, s.GUI_LengthFormat);
    EXPECT_EQ(back.hotkeys[5].key, 45);
    EXPECT_EQ(back.hotkeys[5].shift, 1);
    EXPECT_EQ(back.playlistColumns.order, s.playlistColumns.order);
    EXPECT_EQ(back.libraryColumns.align[4], 1);
    EXPECT_EQ(back.playlistColumns.width[0], 0);
    EXPECT_EQ(back.statistics.PlayTime, 99);
    EXPECT_EQ(back.statistics.AppStart, 7);
    EXPECT_EQ(SettingsFileText(back), SettingsFileText(SettingsFromText(SettingsFileText(back))));
}

TEST(SettingsLoad, HotkeyKeyOutsideTheKeyTableIsNoKey) {
    const Settings s = SettingsFromText(
        "[Preferences]\nHK_0_MC=83\nHK_1_MC=84\nHK_2_MC=300\nHK_3_MC=-2\nHK_4_MC=200\nHK_5_MC=0\n"
        "HK_6_MC=-1\nHK_7_AV=1\nHK_7_CL=1\nHK_7_MU=0\nHK_7_ST=1\nHK_7_MC=45\n");
    EXPECT_EQ(s.hotkeys[0].key, 83);
    EXPECT_EQ(s.hotkeys[1].key, -1);
    EXPECT_EQ(s.hotkeys[2].key, -1);  // not 44 (F9) after cutting to 8 bits
    EXPECT_EQ(s.hotkeys[3].key, -1);
    EXPECT_EQ(s.hotkeys[4].key, -1);
    EXPECT_EQ(s.hotkeys[5].key, 0);
    EXPECT_EQ(s.hotkeys[6].key, -1);
    EXPECT_EQ(s.hotkeys[7].enabled, 1);
    EXPECT_EQ(s.hotkeys[7].ctrl, 1);
    EXPECT_EQ(s.hotkeys[7].alt, 0);
    EXPECT_EQ(s.hotkeys[7].shift, 1);
    EXPECT_EQ(s.hotkeys[7].key, 45);
    EXPECT_NE(SettingsFileText(s).find("HK_2_MC = -1\r\n"), std::string::npos);
}

TEST(SettingsSave, ALineBreakInATextCannotInjectKeys) {
    Settings s;
    s.NETStream_Proxy = "host:1\r\nMisc_Volume = 5";
    const Settings back = SettingsFromText(SettingsFileText(s));
    EXPECT_EQ(back.Misc_Volume, 100);
}

TEST(SettingsSave, FailureReportsAndKeepsTheOldFile) {
    test::TempDir dir;
    test::RecordingMessages messages;
    StatusLog log;
    log.SetOpen(true);
    const std::string ini = dir / "Sonvaro.ini";
    test::WriteFile(ini, "[Preferences]\nMisc_Volume=42\n");
    std::filesystem::create_directory(ini + ".tmp");  // the temporary file cannot be created
    EXPECT_FALSE(SaveSettings(Settings{}, ini, false, messages, log));
    EXPECT_TRUE(messages.boxes.empty());
    EXPECT_FALSE(SaveSettings(Settings{}, ini, true, messages, log));
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].text, "Einstellungen konnten nicht gespeichert werden\n'" + ini + "'");
    EXPECT_EQ(messages.boxes[0].title, "Fehler");
    EXPECT_EQ(log.LineCount(), 0u);
    EXPECT_EQ(test::ReadFile(ini), "[Preferences]\nMisc_Volume=42\n");

    std::filesystem::remove(ini + ".tmp");
    EXPECT_TRUE(SaveSettings(Settings{}, ini, true, messages, log));
    ASSERT_EQ(log.LineCount(), 1u);
    EXPECT_NE(log.LinesSince(0)[0].find(" - Schreibe Datei '" + ini + "'"), std::string::npos);
}

}  // namespace
}  // namespace sonvaro
