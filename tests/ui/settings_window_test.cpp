#include "ui/settings/settings_window.h"

#include <libavcodec/version.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSlider>
#include <QSocketNotifier>
#include <QSpinBox>
#include <QTreeWidget>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "core/remote_record.h"
#include "engine/bass.h"
#include "platform/instance_socket.h"
#include "session/remote_control.h"
#include "settings/settings_file.h"
#include "support/tag_fixtures.h"
#include "support/ui_harness.h"
#include "ui/effects_window.h"
#include "ui/tracker_window.h"

namespace sonvaro::test {
namespace {

class SettingsWindowTest : public MainWindowTest {
  protected:
    SettingsWindow* Open() {
        window->RunCommand(Command::Settings);
        SettingsWindow* dialog = window->Tools().SettingsDialog();
        EXPECT_NE(dialog, nullptr);
        return dialog;
    }
    template <class T>
    T* Control(SettingsWindow* dialog, const char* name) {
        T* control = dialog->findChild<T*>(QLatin1String(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    QString Text(SettingsWindow* dialog, const char* label) { return Control<QLabel>(dialog, label)->text(); }
    // A tone that plays on, for the checks of what applying does to playback.
    DWORD PlayTone() {
        EXPECT_EQ(app->control.PlayFile(TagFixture("tone.wav")), 1);
        return app->player.State().CurrentChannel();
    }
    // Every channel the player starts counts once here.
    int32_t ChannelStarts() const { return app->data.settings.statistics.PlayStart; }
};

TEST_F(SettingsWindowTest, OpensOwnedCentredOnItsPagesAndEscapeClosesLikeCancel) {
    SettingsWindow* dialog = Open();
    EXPECT_EQ(dialog->parentWidget(), window.get());
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Einstellungen"));
    EXPECT_EQ(dialog->size(), QSize(460, 340));
    QStringList names;
    for (int i = 0; i < dialog->PageList()->count(); ++i) names << dialog->PageList()->item(i)->text();
    EXPECT_EQ(names,
              QStringList({"Bass", "Internet Radio", QString::fromUtf8("Oberfläche"), "Shortcuts", "Tracker",
                           "Medienbibliothek", "Aufgaben", "Sonstiges", "Plugins", "Statistiken"}));
    // Never placed: centred over the main window.
    EXPECT_LE(std::abs(dialog->frameGeometry().center().x() - window->frameGeometry().center().x()), 2);
    EXPECT_FALSE(dialog->ApplyButton()->isEnabled());

    Control<QSlider>(dialog, "fadeOut")->setValue(9);
    EXPECT_TRUE(dialog->ApplyButton()->isEnabled());
    QTest::keyClick(dialog, Qt::Key_Escape);
    EXPECT_TRUE(WaitFor([&] { return window->Tools().SettingsDialog() == nullptr; }));
    EXPECT_EQ(app->data.settings.BASS_FadeOut, 0);
    EXPECT_NE(app->data.settings.Window(WindowId::Settings).x, -1);
}

TEST_F(SettingsWindowTest, AWindowPlacedOffTheScreenComesBackIntoTheWorkArea) {
    app->data.settings.Window(WindowId::Settings) = {100000, 100000, 0, 0};
    SettingsWindow* dialog = Open();
    const QRect area = dialog->screen()->availableGeometry();
    EXPECT_TRUE(area.contains(dialog->frameGeometry())) << dialog->x() << "," << dialog->y();
}

TEST_F(SettingsWindowTest, OpacityAndOnTopReachEveryOpenWindow) {
    window->RunCommand(Command::Equalizer);
    ASSERT_NE(window->Tools().Effects(), nullptr);
    SettingsWindow* dialog = Open();
    Control<QCheckBox>(dialog, "opacity")->setChecked(true);
    Control<QSlider>(dialog, "opacityValue")->setValue(100);
    Control<QCheckBox>(dialog, "onTop")->setChecked(true);
    dialog->ApplyButton()->click();
    EXPECT_EQ(app->data.settings.GUI_Opacity, 1);
    EXPECT_EQ(app->data.settings.GUI_OpacityValue, 100);
    EXPECT_EQ(app->data.settings.GUI_OnTop, 1);
    for (QWidget* w : {static_cast<QWidget*>(window.get()), static_cast<QWidget*>(window->Tools().Effects()),
                       static_cast<QWidget*>(dialog)})
        EXPECT_NEAR(w->windowOpacity(), 100.0 / 255.0, 0.01) << w->windowTitle().toStdString();
    EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
}

TEST_F(SettingsWindowTest, PreviewShowsThePopupAndSwitchingTheTrackerOffClosesIt) {
    TrackerWindow tracker;
    tracker.Attach(app->data.settings, app->player.State(), window.get(), [] { return 1000u; });
    app->ports.tracker = &tracker;
    struct Detach {
        Application& app;
        ~Detach() { app.ports.tracker = nullptr; }
    } detach{*app};
    SettingsWindow* dialog = Open();
    dialog->ShowPage(SettingsPage::Tracker);
    Control<QPushButton>(dialog, "trackerPreview")->click();
    ASSERT_NE(tracker.Popup(), nullptr);
    EXPECT_TRUE(tracker.IsPreview());
    auto* corner = Control<QComboBox>(dialog, "trackerCorner");
    EXPECT_EQ(corner->currentText(), QStringLiteral("Unten Rechts"));  // stored 3
    corner->setCurrentIndex(0);
    Control<QCheckBox>(dialog, "trackerOn")->setChecked(false);
    dialog->ApplyButton()->click();
    EXPECT_EQ(app->data.settings.Tracker_Corner, 1);
    EXPECT_EQ(app->data.settings.Tracker_Enable, 0);
    EXPECT_EQ(tracker.Popup(), nullptr);
}

TEST_F(SettingsWindowTest, ReopensOnThePageItWasClosedOn) {
    SettingsWindow* dialog = Open();
    EXPECT_EQ(dialog->Page(), SettingsPage::Bass);
    dialog->PageList()->setCurrentRow(static_cast<int>(SettingsPage::Tracker));
    dialog->CancelButton()->click();
    ASSERT_TRUE(WaitFor([&] { return window->Tools().SettingsDialog() == nullptr; }));
    dialog = Open();
    EXPECT_EQ(dialog->Page(), SettingsPage::Tracker);
    EXPECT_TRUE(Control<QWidget>(dialog, "trackerText")->isVisibleTo(dialog));
    EXPECT_FALSE(Control<QWidget>(dialog, "fadeIn")->isVisibleTo(dialog));
}

TEST_F(SettingsWindowTest, OkWithoutChangesLeavesTheEngineAlone) {
    const DWORD channel = PlayTone();
    const int32_t starts = ChannelStarts();
    SettingsWindow* dialog = Open();
    dialog->OkButton()->click();
    ASSERT_TRUE(WaitFor([&] { return window->Tools().SettingsDialog() == nullptr; }));
    EXPECT_EQ(app->player.State().CurrentChannel(), channel);
    EXPECT_EQ(BASS_ChannelIsActive(channel), static_cast<DWORD>(BASS_ACTIVE_PLAYING));
    EXPECT_EQ(ChannelStarts(), starts);
}

TEST_F(SettingsWindowTest, FadeInAloneKeepsPlayingAndDisablesApplyAgain) {
    const DWORD channel = PlayTone();
    SettingsWindow* dialog = Open();
    auto* fadeIn = Control<QSlider>(dialog, "fadeIn");
    fadeIn->setValue(4);
    EXPECT_EQ(Text(dialog, "fadeInCaption"), QStringLiteral("Einblenden (4 Sekunden)"));
    ASSERT_TRUE(dialog->ApplyButton()->isEnabled());
    dialog->ApplyButton()->click();
    EXPECT_EQ(app->data.settings.BASS_FadeIn, 4);
    EXPECT_FALSE(dialog->ApplyButton()->isEnabled());
    EXPECT_EQ(app->player.State().CurrentChannel(), channel);
    EXPECT_EQ(BASS_ChannelIsActive(channel), static_cast<DWORD>(BASS_ACTIVE_PLAYING));
    fadeIn->setValue(0);
    EXPECT_EQ(Text(dialog, "fadeInCaption"), QStringLiteral("Einblenden (Aus)"));
    EXPECT_TRUE(dialog->ApplyButton()->isEnabled());
}

TEST_F(SettingsWindowTest, ARateChangeSetsTheEngineUpOnceAndTheTrackGoesOn) {
    app->log.SetOpen(true);  // "PlayChannel: " lines count the channels started
    PlaylistEntry row;
    row.info.path = TagFixture("tone.wav");
    app->data.playlist.push_back(row);
    window->PlaylistReset();
    ASSERT_TRUE(app->control.PlayRow(0));
    const DWORD before = app->player.State().CurrentChannel();
    ASSERT_TRUE(app->control.SeekTo(1.0));
    const int32_t starts = ChannelStarts();
    const size_t lines = app->log.LineCount();
    SettingsWindow* dialog = Open();
    auto* rate = Control<QComboBox>(dialog, "rate");
    EXPECT_EQ(rate->currentText(), QStringLiteral("44100 Hz"));
    rate->setCurrentIndex(0);
    EXPECT_EQ(rate->toolTip(), QStringLiteral("48000 Hz"));
    dialog->ApplyButton()->click();
    EXPECT_EQ(app->data.settings.BASS_OutputRate, 0);
    size_t restarted = 0;
    for (const std::string& line : app->log.LinesSince(lines))
        if (line.find("PlayChannel: ") != std::string::npos) ++restarted;
    EXPECT_EQ(restarted, 1u);
    EXPECT_EQ(ChannelStarts(), starts) << "the same track going on is no new start";
    const DWORD after = app->player.State().CurrentChannel();
    EXPECT_NE(after, before);
    EXPECT_TRUE(WaitFor([&] { return BASS_ChannelIsActive(after) == BASS_ACTIVE_PLAYING; }));
    EXPECT_EQ(app->player.State().currentPath, TagFixture("tone.wav"));
    EXPECT_GE(app->control.PositionSeconds(), 0.9);
    EXPECT_EQ(app->player.State().playSource, kSourcePlaylist) << "the list goes on after it";
    EXPECT_EQ(app->player.State().markedRow, 0);
    EXPECT_TRUE(app->player.RowMarked());
    EXPECT_FALSE(dialog->ApplyButton()->isEnabled());
}

// A tag write of the playing file, stuck on a slow disk, keeps its readers
// out. Setting the engine up anew must not wait for it: the restarted track
// keeps its tags.
TEST_F(SettingsWindowTest, ARateChangeDoesNotWaitForATagReadInProgress) {
    ASSERT_EQ(app->control.PlayFile(TagFixture("tone.wav")), 1);
    const std::string title = app->player.State().info.title;
    std::atomic<bool> applied{false};
    std::atomic<bool> heldToTheEnd{false};
    std::atomic<bool> holding{false};
    std::thread stuckRead([&] {
        const TagFileLocks::Guard writing = app->tags.fileLocks.Write(TagFixture("tone.wav"));
        holding = true;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!applied && std::chrono::steady_clock::now() < end) std::this_thread::yield();
        heldToTheEnd = !applied;
    });
    while (!holding) std::this_thread::yield();
    SettingsWindow* dialog = Open();
    Control<QComboBox>(dialog, "rate")->setCurrentIndex(0);
    dialog->ApplyButton()->click();
    applied = true;
    stuckRead.join();
    EXPECT_FALSE(heldToTheEnd) << "applying waited for the tag reader";
    EXPECT_EQ(app->data.settings.BASS_OutputRate, 0);
    EXPECT_EQ(app->player.State().currentPath, TagFixture("tone.wav"));
    EXPECT_EQ(app->player.State().info.title, title);
}

// Each page ties its controls to the form's fields in one table: a field left
// out in either direction would show or store its default here.
TEST_F(SettingsWindowTest, EveryFieldShowsInItsControlAndIsReadBackUnchanged) {
    SettingsForm wanted = CurrentSettingsForm(*app);
    wanted.rate = 3;
    wanted.fadeIn = 7;
    wanted.fadeOut = 9;
    wanted.soundFont = "/fonts/Grand.sf2";
    wanted.savePath = "/rec/";
    wanted.nameAfterStation = !wanted.nameAfterStation;
    wanted.timeOut = 17;
    wanted.proxy = "user:pw@proxy:3128";
    wanted.onTop = !wanted.onTop;
    wanted.opacity = !wanted.opacity;
    wanted.opacityValue = 100;
    wanted.magnetic = !wanted.magnetic;
    wanted.magneticValue = 30;
    wanted.autoWidthPlaylist = !wanted.autoWidthPlaylist;
    wanted.autoWidthLibrary = !wanted.autoWidthLibrary;
    wanted.lengthFormat = "%ltime";
    wanted.autoComplete = !wanted.autoComplete;
    wanted.colours = {0x112233, 0x445566, 0x778899, 0xAABBCC};
    wanted.mediaKeys = !wanted.mediaKeys;
    wanted.globalKeys = !wanted.globalKeys;
    wanted.trackerOn = !wanted.trackerOn;
    wanted.trackerGap = 33;
    wanted.trackerSpacing = 44;
    wanted.trackerSeconds = 12;
    wanted.trackerCorner = 3;
    wanted.trackerAlign = 2;
    wanted.trackerText = "%TITL|%ALBM";
    wanted.trackerBack = 0x010203;
    wanted.trackerFore = 0x040506;
    wanted.trackerMinWidth = "321";
    wanted.trackerMinHeight = "123";
    wanted.libraryPath = "/music/";
    wanted.libraryCpu = !wanted.libraryCpu;
    wanted.libraryAddPlay = !wanted.libraryAddPlay;
    wanted.libraryBackground = !wanted.libraryBackground;
    wanted.libraryStartCheck = !wanted.libraryStartCheck;
    wanted.taskSeconds = 42;
    wanted.clipboard = !wanted.clipboard;
    wanted.autoPlaylist = !wanted.autoPlaylist;
    wanted.autoSaveSettings = !wanted.autoSaveSettings;
    wanted.autoSavePlaylist = !wanted.autoSavePlaylist;
    wanted.autoSaveLibrary = !wanted.autoSaveLibrary;
    wanted.autoSaveMinutes = 77;
    wanted.recursiveFolder = !wanted.recursiveFolder;
    wanted.endQuestion = !wanted.endQuestion;
    wanted.taskBar = !wanted.taskBar;
    wanted.updateCheck = !wanted.updateCheck;
    StoreForm(wanted, app->data.settings);
    const SettingsForm stored = CurrentSettingsForm(*app);
    ASSERT_EQ(stored.trackerText, "%TITL|%ALBM");  // the settings took the form as it is
    ASSERT_EQ(stored.autoSaveMinutes, 77);
    SettingsWindow* dialog = Open();
    EXPECT_TRUE(dialog->Form() == stored);
    EXPECT_FALSE(dialog->ApplyButton()->isEnabled());
    EXPECT_EQ(Control<QLineEdit>(dialog, "trackerMinWidth")->text(), QStringLiteral("321"));
    EXPECT_EQ(Control<QComboBox>(dialog, "lengthFormat")->currentText(), QStringLiteral("%ltime"));
}

TEST_F(SettingsWindowTest, MinutesAndSecondsScaleBothWays) {
    app->data.settings.Misc_AutoSave_IV = 300000;
    app->data.settings.Order_TimeOut = 2500;
    SettingsWindow* dialog = Open();
    auto* minutes = Control<QSpinBox>(dialog, "autoSaveMinutes");
    EXPECT_EQ(minutes->value(), 5);
    EXPECT_EQ(minutes->minimum(), 2);
    EXPECT_EQ(minutes->maximum(), 240);
    EXPECT_EQ(Control<QSlider>(dialog, "taskTimeOut")->value(), 2);
    EXPECT_EQ(Text(dialog, "taskTimeOutCaption"), QStringLiteral("TimeOut (2 Sek.)"));
    EXPECT_FALSE(dialog->ApplyButton()->isEnabled());
    minutes->setValue(7);
    dialog->ApplyButton()->click();
    EXPECT_EQ(app->data.settings.Misc_AutoSave_IV, 420000);
    EXPECT_EQ(app->data.settings.Order_TimeOut, 2000);
}

TEST_F(SettingsWindowTest, EverySliderCaptionFollowsItsSlider) {
    SettingsWindow* dialog = Open();
    const auto caption = [&](const char* slider, int value, const char* label) {
        Control<QSlider>(dialog, slider)->setValue(value);
        return Text(dialog, label);
    };
    EXPECT_EQ(caption("fadeOut", 0, "fadeOutCaption"), QStringLiteral("Ausblenden (Aus)"));
    EXPECT_EQ(caption("fadeOut", 7, "fadeOutCaption"), QStringLiteral("Ausblenden (7 Sekunden)"));
    // The slider starts at 1: "(Aus)" never shows for the radio time-out.
    EXPECT_EQ(caption("radioTimeOut", 0, "radioTimeOutCaption"), QStringLiteral("TimeOut (1 Sekunden)"));
    EXPECT_EQ(caption("radioTimeOut", 30, "radioTimeOutCaption"), QStringLiteral("TimeOut (25 Sekunden)"));
    EXPECT_EQ(caption("trackerTime", 9, "trackerTimeCaption"), QStringLiteral("Einblendzeit (9 Sekunden)"));
    EXPECT_EQ(caption("taskTimeOut", 0, "taskTimeOutCaption"), QStringLiteral("TimeOut (Aus)"));
    EXPECT_EQ(caption("taskTimeOut", 60, "taskTimeOutCaption"), QStringLiteral("TimeOut (60 Sek.)"));
    auto* opacity = Control<QSlider>(dialog, "opacityValue");
    EXPECT_EQ(opacity->minimum(), 40);
    EXPECT_EQ(opacity->maximum(), 240);
    EXPECT_EQ(opacity->tickInterval(), 20);
    EXPECT_EQ(Control<QSlider>(dialog, "magneticValue")->tickInterval(), 3);
}

TEST_F(SettingsWindowTest, SoundFontTakesSf2InAnyCaseAndHintsAtOtherFiles) {
    SettingsWindow* dialog = Open();
    auto* font = Control<QLineEdit>(dialog, "soundFont");
    dialog->ChooseSoundFont(QStringLiteral("/fonts/Grand.SF2"));
    EXPECT_EQ(font->text(), QStringLiteral("/fonts/Grand.SF2"));
    EXPECT_TRUE(messages.boxes.empty());
    dialog->ChooseSoundFont(QStringLiteral("/fonts/readme.txt"));
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].title, "Hinweis");
    EXPECT_EQ(messages.boxes[0].text, "Ungültiger Dateityp '/fonts/readme.txt'");
    EXPECT_EQ(font->text(), QStringLiteral("/fonts/Grand.SF2"));
    dialog->ChooseSoundFont(QString());  // cancelled
    EXPECT_EQ(font->text(), QStringLiteral("/fonts/Grand.SF2"));
    dialog->ApplyButton()->click();
    EXPECT_EQ(app->data.settings.BASS_MidiSF2File, "/fonts/Grand.SF2");
}

TEST_F(SettingsWindowTest, ColourListShowsFourRowsAndAppliesToTheInfoFields) {
    SettingsWindow* dialog = Open();
    auto* colours = Control<QListWidget>(dialog, "colours");
    ASSERT_EQ(colours->count(), 4);
    EXPECT_EQ(colours->item(0)->text(), QStringLiteral("Trackinfo Hintergrund"));
    EXPECT_EQ(colours->item(1)->text(), QStringLiteral("Trackinfo Text"));
    EXPECT_EQ(colours->item(2)->text(), QStringLiteral("Auswahl Hintergrund"));
    EXPECT_EQ(colours->item(3)->text(), QStringLiteral("Auswahl Text"));
    dialog->ChooseColour(0, QColor(255, 0, 0));
    dialog->ChooseColour(3, QColor(0, 0, 255));
    EXPECT_EQ(app->data.settings.GUI_ColorB, 0);  // not before "Übernehmen"
    dialog->ApplyButton()->click();
    EXPECT_EQ(app->data.settings.GUI_ColorB, 0x0000FF);
    EXPECT_EQ(app->data.settings.GUI_ColorST, 0xFF0000);
    EXPECT_EQ(window->InfoField(2)->parentWidget()->palette().color(QPalette::Window), QColor(255, 0, 0));
}

TEST_F(SettingsWindowTest, ColoursOutOfRangeShowAsTwentyFourBits) {
    app->data.settings.GUI_ColorF = -1;
    app->data.settings.Tracker_BColor = 0x12345678;
    SettingsWindow* dialog = Open();
    EXPECT_FALSE(dialog->ApplyButton()->isEnabled());
    Control<QCheckBox>(dialog, "clipboard")->setChecked(true);
    dialog->ApplyButton()->click();
    EXPECT_EQ(app->data.settings.GUI_ColorF, 0xFFFFFF);
    EXPECT_EQ(app->data.settings.Tracker_BColor, 0x345678);
    EXPECT_EQ(app->data.settings.Misc_Clipboard, 1);
}

TEST_F(SettingsWindowTest, ProxyWithLineBreaksGoesToTheEngineAndFileAsOneLine) {
    SettingsWindow* dialog = Open();
    Control<QLineEdit>(dialog, "proxy")->setText(QStringLiteral(" me:pw=x@proxy:3128\r\nBASS_FadeIn = 9 "));
    dialog->ApplyButton()->click();
    const std::string stored = "me:pw=x@proxy:3128BASS_FadeIn = 9";
    EXPECT_EQ(app->data.settings.NETStream_Proxy, stored);
    const auto* proxy = static_cast<const char*>(BASS_GetConfigPtr(BASS_CONFIG_NET_PROXY));
    ASSERT_NE(proxy, nullptr);
    EXPECT_EQ(std::string(proxy), stored);
    ASSERT_TRUE(SaveSettings(app->data.settings, app->data.SettingsPath(), false, messages, app->log));
    const Settings back = SettingsFromText(ReadFile(app->data.SettingsPath()));
    EXPECT_EQ(back.NETStream_Proxy, stored);
    EXPECT_EQ(back.BASS_FadeIn, 0);
}

TEST_F(SettingsWindowTest, RecordingBoxActsAtOnceAndFollowsTheToolbar) {
    app->data.settings.NETStream_SavePath.clear();
    SettingsWindow* dialog = Open();
    auto* save = Control<QCheckBox>(dialog, "saveFile");
    EXPECT_FALSE(save->isChecked());
    save->setChecked(true);  // no folder yet: told where to choose one, and left off
    EXPECT_FALSE(save->isChecked());
    EXPECT_EQ(app->data.settings.NETStream_SaveFile, 0);
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_NE(messages.boxes[0].text.find("Ziel-Ordner"), std::string::npos);
    dialog->ChooseSavePath(QString::fromStdString(home.path()));
    save->setChecked(true);
    EXPECT_EQ(app->data.settings.NETStream_SaveFile, 1);
    EXPECT_TRUE(dialog->ApplyButton()->isEnabled());  // the chosen folder waits for "Übernehmen"
    window->RunCommand(Command::RecordRadio);
    EXPECT_EQ(app->data.settings.NETStream_SaveFile, 0);
    EXPECT_FALSE(save->isChecked());
    // Radio names: 0 "Interpret/Titel", 1 "Radioname".
    EXPECT_TRUE(Control<QRadioButton>(dialog, "nameArtist")->isChecked());
    Control<QRadioButton>(dialog, "nameStation")->setChecked(true);
    dialog->ApplyButton()->click();
    EXPECT_EQ(app->data.settings.NETStream_SaveName, 1);
}

TEST_F(SettingsWindowTest, StatisticsPageShowsTheCountersAndResetsOnlyOnYes) {
    Statistics& st = app->data.settings.statistics;
    st.PlayStart = 12;
    st.PlayEnd = 10;
    st.PlayTime = 90061;
    st.PlayDays = 2;
    st.AppStart = 4;
    SettingsWindow* dialog = Open();
    dialog->ShowPage(SettingsPage::Statistics);
    auto* list = Control<QTreeWidget>(dialog, "statistics");
    ASSERT_EQ(list->topLevelItemCount(), 5);
    const auto value = [&](int row) { return list->topLevelItem(row)->text(1); };
    EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("Wiedergabe Gestartet"));
    EXPECT_EQ(value(0), QStringLiteral("12"));
    EXPECT_EQ(value(1), QStringLiteral("10"));
    EXPECT_EQ(value(2), QStringLiteral("1 Tage 01:01:01"));
    EXPECT_EQ(value(3), QStringLiteral("12:30:30"));
    EXPECT_EQ(value(4), QStringLiteral("4"));

    st.PlayStart = 13;
    Control<QPushButton>(dialog, "statisticsRefresh")->click();
    EXPECT_EQ(value(0), QStringLiteral("13"));

    messages.answer = false;
    Control<QPushButton>(dialog, "statisticsReset")->click();
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].title, "Warnung");
    EXPECT_EQ(messages.boxes[0].text, "Möchten Sie die Statistik wirklich zurücksetzen?");
    EXPECT_EQ(value(0), QStringLiteral("13"));
    messages.answer = true;
    Control<QPushButton>(dialog, "statisticsReset")->click();
    EXPECT_EQ(value(0), QStringLiteral("0"));
    EXPECT_EQ(value(2), QStringLiteral("00:00:00"));
    EXPECT_EQ(st.PlayDays, 2);
}

TEST_F(SettingsWindowTest, BassPageListsTheEngineDevicesAndShortcutsStayOffWhereKeysCannotBeRead) {
    SettingsWindow* dialog = Open();
    auto* devices = Control<QComboBox>(dialog, "device");
    ASSERT_GE(devices->count(), 2);
    EXPECT_EQ(devices->itemText(0), QStringLiteral("No sound"));
    EXPECT_EQ(devices->itemText(1), QStringLiteral("Default"));
    EXPECT_EQ(devices->currentIndex(), 0);  // BASS_QutputDevice=0
    EXPECT_EQ(devices->toolTip(), QStringLiteral("No sound"));
    EXPECT_EQ(Control<QComboBox>(dialog, "rate")->count(), 5);
    for (const char* name :
         {"mediaKeys", "globalKeys", "hotkeys", "hotkeyCtrl", "hotkeyAlt", "hotkeyShift", "hotkeyKey"})
        EXPECT_FALSE(Control<QWidget>(dialog, name)->isEnabled()) << name;
    EXPECT_FALSE(Text(dialog, "shortcutsNote").isEmpty());
    auto* hotkeys = Control<QTreeWidget>(dialog, "hotkeys");
    ASSERT_EQ(hotkeys->topLevelItemCount(), 17);
    EXPECT_EQ(hotkeys->topLevelItem(16)->text(0), QStringLiteral("Suche"));
}

TEST_F(SettingsWindowTest, PluginsPageListsTheDecodersWithTheirVersions) {
    SettingsWindow* dialog = Open();
    dialog->ShowPage(SettingsPage::Plugins);
    auto* list = Control<QTreeWidget>(dialog, "plugins");
    QStringList names;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        names << list->topLevelItem(i)->text(0);
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+\\.\\d\\d$"))
                        .match(list->topLevelItem(i)->text(1))
                        .hasMatch())
            << list->topLevelItem(i)->text(1).toStdString();
    }
    EXPECT_EQ(names, QStringList({"FFmpeg", "libopenmpt", "FluidSynth", "WavPack", "libFLAC"}));
    EXPECT_TRUE(list->topLevelItem(0)->text(1).startsWith(QString::number(LIBAVCODEC_VERSION_MAJOR) + '.'));
    // Refilled each time the page is shown.
    delete list->takeTopLevelItem(0);
    dialog->ShowPage(SettingsPage::Bass);
    dialog->ShowPage(SettingsPage::Plugins);
    EXPECT_EQ(list->topLevelItemCount(), 5);
}

// Chosen paths are kept byte for byte; a name with a line break, which the
// settings file cannot hold, is refused with a hint instead of stored as
// another name.
TEST_F(SettingsWindowTest, ChosenPathsAreKeptAsTheyAreOrRefused) {
    app->data.settings.MediaLib_Path = "/music/";
    SettingsWindow* dialog = Open();
    dialog->ChooseLibraryFolder(QStringLiteral("/music/A\nB"));
    dialog->ChooseSavePath(QStringLiteral("/rec/A\rB"));
    dialog->ChooseSoundFont(QStringLiteral("/fonts/A\nB.sf2"));
    ASSERT_EQ(messages.boxes.size(), 3u);
    EXPECT_EQ(messages.boxes[0].text,
              "Ein Name mit Zeilenumbruch kann nicht gespeichert werden: '/music/A\nB/'");
    EXPECT_EQ(app->data.settings.MediaLib_Path, "/music/");
    EXPECT_FALSE(dialog->ApplyButton()->isEnabled());

    dialog->ChooseLibraryFolder(QStringLiteral(" /music/ spaced "));
    dialog->ChooseSavePath(QStringLiteral("/rec/ x "));
    dialog->ChooseSoundFont(QStringLiteral("/fonts/ y .sf2"));
    dialog->ApplyButton()->click();
    EXPECT_EQ(app->data.settings.MediaLib_Path, " /music/ spaced /");
    EXPECT_EQ(app->data.settings.NETStream_SavePath, "/rec/ x /");
    EXPECT_EQ(app->data.settings.BASS_MidiSF2File, "/fonts/ y .sf2");
}

TEST_F(SettingsWindowTest, LibraryFolderScanAndStopButtons) {
    TempDir music;
    std::filesystem::create_directories(music / "album");
    std::filesystem::copy_file(TagFixture("tone.wav"), music / "album/one.wav");
    SettingsWindow* dialog = Open();
    auto* scan = Control<QPushButton>(dialog, "libraryScan");
    auto* stop = Control<QPushButton>(dialog, "libraryStop");
    EXPECT_TRUE(scan->isEnabled());
    EXPECT_FALSE(stop->isEnabled());
    dialog->ChooseLibraryFolder(QString::fromStdString(music.path()));
    EXPECT_EQ(app->data.settings.MediaLib_Path, music.path());
    EXPECT_FALSE(dialog->ApplyButton()->isEnabled());
    scan->click();
    ASSERT_TRUE(WaitFor(
        [&] {
            std::lock_guard lock(app->data.library.libraryLock);
            return app->data.library.entries.size() == 1;
        },
        10000));
    EXPECT_TRUE(WaitFor([&] { return scan->isEnabled() && !stop->isEnabled(); }));
    EXPECT_TRUE(Text(dialog, "libraryStatus2").isEmpty());

    // The main window's scan command may choose the folder while the dialog is open.
    app->data.settings.MediaLib_Path = "/elsewhere/";
    EXPECT_TRUE(WaitFor([&] { return Control<QLineEdit>(dialog, "libraryPath")->text() == "/elsewhere/"; }));
    EXPECT_FALSE(dialog->ApplyButton()->isEnabled());
}

TEST_F(SettingsWindowTest, WithoutAScanTheFirstStatusLineShowsTheFileTheBackgroundChecks) {
    {
        std::lock_guard lock(app->data.library.libraryLock);
        LibraryEntry entry;
        entry.info.path = TagFixture("tone.wav");
        app->data.library.entries.push_back(entry);
    }
    SettingsWindow* dialog = Open();
    dialog->ShowPage(SettingsPage::Library);
    // The refresh takes one entry every 2.5 s.
    EXPECT_TRUE(WaitFor([&] { return Text(dialog, "libraryStatus1") == QStringLiteral("tone.wav"); }, 8000));
    EXPECT_TRUE(Text(dialog, "libraryStatus2").isEmpty());
}

// A fake of the window's side of remote control: code 17 runs the command.
class OpenSettingsPort : public RemoteWindowPort {
  public:
    explicit OpenSettingsPort(MainWindow& window) : window_(window) {}
    void ShowWindow() override {}
    void HideWindow() override {}
    void SelectRow(int32_t) override {}
    void OpenAbout() override {}
    void OpenSettings() override { window_.RunCommand(Command::Settings); }
    void OpenEffects() override {}
    void RequestExit() override {}

  private:
    MainWindow& window_;
};

TEST_F(SettingsWindowTest, RemoteOpensTheDialogAndAListenerThatGoesLosesItsRowWithinASecond) {
    InstanceClaim claim(home / "remote.sock");
    ASSERT_EQ(claim.state(), InstanceClaim::State::First) << claim.error();
    OpenSettingsPort port(*window);
    RemoteControl remote(*app, port, claim.ListenDescriptor());
    QSocketNotifier wake(remote.WakeDescriptor(), QSocketNotifier::Read);
    QObject::connect(&wake, &QSocketNotifier::activated, [&] { remote.ProcessPending(); });
    window->SetListenerSource([&] { return remote.Listeners(); });
    struct Detach {
        MainWindow& window;
        ~Detach() { window.SetListenerSource({}); }
    } detach{*window};

    const int fd = ConnectToInstance(claim.path());
    ASSERT_GE(fd, 0);
    const auto send = [&](const RemoteRecord& r) {
        ASSERT_TRUE(SendWithin(fd, EncodeCommand(r), 1000));
        char answer[12];
        long got = 0;
        ASSERT_TRUE(WaitFor([&] {
            const long n = ReceiveWithin(fd, answer + got, sizeof answer - static_cast<size_t>(got), 0);
            if (n > 0) got += n;
            return got == static_cast<long>(sizeof answer);
        }));
    };
    send({17, 0, 0, "", ""});
    ASSERT_NE(window->Tools().SettingsDialog(), nullptr);
    SettingsWindow* dialog = window->Tools().SettingsDialog();
    send({0, 0, 0x7D, "Visualisierung", "Zeigt Spektren"});
    dialog->ShowPage(SettingsPage::Plugins);
    auto* list = Control<QTreeWidget>(dialog, "plugins");
    ASSERT_TRUE(WaitFor([&] { return list->topLevelItemCount() == 6; }));
    EXPECT_EQ(list->topLevelItem(5)->text(0), QStringLiteral("Visualisierung"));
    EXPECT_EQ(list->topLevelItem(5)->text(1), QStringLiteral("1.25"));
    EXPECT_EQ(list->topLevelItem(5)->text(2), QStringLiteral("Zeigt Spektren"));

    CloseConnection(fd);
    EXPECT_TRUE(WaitFor([&] { return list->topLevelItemCount() == 5; }, 1000));

    // A file handed over that cannot be played is named in the status log.
    app->log.SetOpen(true);
    const std::string broken = home / "leer.mp3";
    WriteFile(broken, "");
    const int second = ConnectToInstance(claim.path());
    ASSERT_GE(second, 0);
    ASSERT_TRUE(SendWithin(second, EncodeCommand({6, 0, 0, broken, ""}), 1000));
    const auto logged = [&] {
        for (const std::string& line : app->log.LinesSince(0))
            if (line.find("Nicht abspielbar: '" + broken + "' (Datei ist leer)") != std::string::npos)
                return true;
        return false;
    };
    EXPECT_TRUE(WaitFor(logged));
    CloseConnection(second);
}

}  // namespace
}  // namespace sonvaro::test
