#include "settings/settings_form.h"

#include <gtest/gtest.h>

#include "settings/settings_file.h"

namespace sonvaro {
namespace {

constexpr int32_t kDevices = 3;

TEST(SettingsForm, ControlsShowStoredValuesInTheirOwnUnits) {
    Settings s;
    s.Misc_AutoSave_IV = 300000;
    s.Order_TimeOut = 2500;
    s.Tracker_Time = 7000;
    s.Tracker_Corner = 3;
    s.NETStream_SaveName = 1;
    s.BASS_QutputDevice = 2;
    const SettingsForm f = FormFromSettings(s, kDevices);
    EXPECT_EQ(f.autoSaveMinutes, 5);
    EXPECT_EQ(f.taskSeconds, 2);
    EXPECT_EQ(f.trackerSeconds, 7);
    EXPECT_EQ(f.trackerCorner, 2);  // "Unten Rechts"
    EXPECT_TRUE(f.nameAfterStation);
    EXPECT_EQ(f.device, 2);
    EXPECT_EQ(f.trackerMinWidth, "200");
}

TEST(SettingsForm, StoredValuesOutsideAControlShowAtItsEnds) {
    Settings s;
    s.GUI_OpacityValue = 250;
    s.GUI_MagneticValue = 1;
    s.Misc_AutoSave_IV = 0;
    s.NETStream_TimeOut = -56;  // 200 s in the signed byte
    s.Tracker_Corner = 9;
    s.BASS_QutputDevice = 7;
    s.BASS_OutputRate = 5;
    s.GUI_ColorB = 0x7F123456;
    s.GUI_ColorF = -1;
    const SettingsForm f = FormFromSettings(s, kDevices);
    EXPECT_EQ(f.opacityValue, 240);
    EXPECT_EQ(f.magneticValue, 6);
    EXPECT_EQ(f.autoSaveMinutes, 2);
    EXPECT_EQ(f.timeOut, 25);
    EXPECT_EQ(f.trackerCorner, -1);
    EXPECT_EQ(f.device, -1);
    EXPECT_EQ(f.rate, -1);
    EXPECT_EQ(f.colours[0], 0x123456);
    EXPECT_EQ(f.colours[1], 0xFFFFFF);
    // What the controls show is not a change of its own.
    EXPECT_FALSE(FormDiffers(f, s, kDevices));
}

TEST(SettingsForm, StoringScalesBackAndTheWholeSecondsWin) {
    Settings s;
    ASSERT_EQ(s.Order_TimeOut, 2500);
    SettingsForm f = FormFromSettings(s, kDevices);
    EXPECT_FALSE(FormDiffers(f, s, kDevices));
    f.autoSaveMinutes = 7;
    f.trackerSeconds = 12;
    f.trackerCorner = 0;
    EXPECT_TRUE(FormDiffers(f, s, kDevices));
    StoreForm(f, s);
    EXPECT_EQ(s.Misc_AutoSave_IV, 420000);
    EXPECT_EQ(s.Order_TimeOut, 2000);  // the slider showed 2
    EXPECT_EQ(s.Tracker_Time, 12000);
    EXPECT_EQ(s.Tracker_Corner, 1);
    EXPECT_FALSE(FormDiffers(f, s, kDevices));
}

TEST(SettingsForm, TrackerNumberFieldsWithoutANumberStoreZero) {
    Settings s;
    SettingsForm f = FormFromSettings(s, kDevices);
    f.trackerMinWidth = "abc";
    f.trackerMinHeight = "120px";
    StoreForm(f, s);
    EXPECT_EQ(s.Tracker_MinWidth, 0);
    EXPECT_EQ(s.Tracker_MinHeight, 120);
    EXPECT_EQ(FieldNumber(""), 0);
    EXPECT_EQ(FieldNumber("-40"), 0);
}

TEST(SettingsForm, ThePopupsCoverIsOffUntilChosen) {
    Settings s;
    EXPECT_EQ(s.Tracker_Cover, 0);
    EXPECT_EQ(SettingsFromText("").Tracker_Cover, 0);
    SettingsForm f = FormFromSettings(s, kDevices);
    EXPECT_FALSE(f.trackerCover);
    f.trackerCover = true;
    EXPECT_TRUE(FormDiffers(f, s, kDevices));
    StoreForm(f, s);
    EXPECT_EQ(s.Tracker_Cover, 1);
    EXPECT_FALSE(FormDiffers(f, s, kDevices));
    // Kept in the Tracker group of Sonvaro.ini, after the colours.
    const std::string text = SettingsFileText(s);
    EXPECT_NE(text.find("Tracker_FColor = 16777215\r\nTracker_Cover = 1\r\n"), std::string::npos);
    EXPECT_EQ(SettingsFromText(text).Tracker_Cover, 1);
    EXPECT_TRUE(FormFromSettings(SettingsFromText(text), kDevices).trackerCover);
}

TEST(SettingsForm, OnlyRealChangesAskForWindowWork) {
    Settings s;
    SettingsForm f = FormFromSettings(s, kDevices);
    f.fadeIn = 4;
    FormEffects e = StoreForm(f, s);
    EXPECT_FALSE(e.onTop || e.opacity || e.proxy || e.fitPlaylist || e.fitLibrary || e.recording);
    EXPECT_FALSE(e.closeTracker);

    f.onTop = true;
    f.opacityValue = 100;
    f.autoWidthPlaylist = true;
    f.proxy = "proxy:3128";
    f.trackerOn = false;
    e = StoreForm(f, s);
    EXPECT_TRUE(e.onTop && e.opacity && e.fitPlaylist && e.proxy && e.closeTracker);
    EXPECT_FALSE(e.fitLibrary);
    EXPECT_EQ(s.GUI_OnTop, 1);
    EXPECT_EQ(s.GUI_OpacityValue, 100);
    EXPECT_EQ(s.Tracker_Enable, 0);
}

TEST(SettingsForm, SliderCaptions) {
    EXPECT_EQ(FadeInCaption(0), "Einblenden (Aus)");
    EXPECT_EQ(FadeInCaption(3), "Einblenden (3 Sekunden)");
    EXPECT_EQ(FadeOutCaption(0), "Ausblenden (Aus)");
    EXPECT_EQ(FadeOutCaption(10), "Ausblenden (10 Sekunden)");
    EXPECT_EQ(RadioTimeOutCaption(0), "TimeOut (Aus)");
    EXPECT_EQ(RadioTimeOutCaption(25), "TimeOut (25 Sekunden)");
    EXPECT_EQ(TrackerTimeCaption(1), "Einblendzeit (1 Sekunden)");
    EXPECT_EQ(TaskTimeOutCaption(0), "TimeOut (Aus)");
    EXPECT_EQ(TaskTimeOutCaption(2), "TimeOut (2 Sek.)");
}

TEST(SettingsForm, SoundFontExtensionInAnyCase) {
    EXPECT_TRUE(IsSoundFontName("/fonts/Piano.sf2"));
    EXPECT_TRUE(IsSoundFontName("/fonts/PIANO.SF2"));
    EXPECT_TRUE(IsSoundFontName("/fonts/piano.Sf2"));
    EXPECT_FALSE(IsSoundFontName("/fonts/piano.sf3"));
    EXPECT_FALSE(IsSoundFontName("/fonts/piano.sf2.txt"));
    EXPECT_FALSE(IsSoundFontName("sf2"));
}

// Hostile texts: a proxy that tries to add a key, texts of 10,000 characters.
TEST(SettingsForm, TextsCannotAddKeysToTheFile) {
    Settings s;
    SettingsForm f = FormFromSettings(s, kDevices);
    f.proxy = "  host:8080\r\nBASS_FadeIn = 9\n[Statistics]\r\nStatistics_AppStart=77 ";
    f.trackerText = "%ARTI\n|%TITL\rMisc_Volume=3";
    f.lengthFormat = std::string(10000, 'x');
    f.savePath = std::string(10000, 'p');
    StoreForm(f, s);
    EXPECT_EQ(s.NETStream_Proxy, "host:8080BASS_FadeIn = 9[Statistics]Statistics_AppStart=77");
    EXPECT_EQ(s.Tracker_Text, "%ARTI|%TITLMisc_Volume=3");

    const Settings back = SettingsFromText(SettingsFileText(s));
    EXPECT_EQ(back.BASS_FadeIn, 2);
    EXPECT_EQ(back.statistics.AppStart, 0);
    EXPECT_EQ(back.Misc_Volume, 100);
    EXPECT_EQ(back.NETStream_Proxy, s.NETStream_Proxy);
    EXPECT_EQ(back.GUI_LengthFormat, std::string(10000, 'x'));
    EXPECT_EQ(back.NETStream_SavePath, std::string(10000, 'p'));
}

TEST(SettingsForm, AnEmptyLengthPatternStoresTheDefault) {
    Settings s;
    SettingsForm f = FormFromSettings(s, kDevices);
    f.lengthFormat = "   ";
    StoreForm(f, s);
    EXPECT_EQ(s.GUI_LengthFormat, "%ptime");
    f.lengthFormat = " %ptime / %ftime ";
    StoreForm(f, s);
    EXPECT_EQ(s.GUI_LengthFormat, "%ptime / %ftime");
}

}  // namespace
}  // namespace sonvaro
