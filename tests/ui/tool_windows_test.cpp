#include <taglib/tag_c.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSlider>
#include <QTreeWidget>

#include "effects/effect_chain.h"
#include "effects/equalizer_presets.h"
#include "playback/radio_log.h"
#include "settings/settings_file.h"
#include "support/loopback_server.h"
#include "support/tag_fixtures.h"
#include "support/ui_harness.h"
#include "tags/size_text.h"
#include "tags/tag_writer.h"
#include "tags/track_info_reader.h"
#include "ui/about_window.h"
#include "ui/autotagger_window.h"
#include "ui/docking.h"
#include "ui/effects_window.h"
#include "ui/file_info_window.h"
#include "ui/radio_log_window.h"

namespace sonvaro::test {
namespace {

class ToolWindowTest : public MainWindowTest {
  protected:
    EffectsWindow* OpenEffects() {
        window->RunCommand(Command::Equalizer);
        EffectsWindow* effects = window->Tools().Effects();
        EXPECT_NE(effects, nullptr);
        return effects;
    }
    // A playing channel for the effects to attach to.
    DWORD StartTone() {
        const std::string path = TagFixture("tone.wav");
        const DWORD channel = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
        EXPECT_NE(channel, 0u) << BASS_ErrorGetCode();
        float rate = 0;
        BASS_ChannelGetAttribute(channel, BASS_ATTRIB_FREQ, &rate);
        app->effects.SetChannel(channel, rate);
        return channel;
    }
    float BandGain(int band) {
        BASS_BFX_PEAKEQ p{};
        p.lBand = band;
        if (!BASS_FXGetParameters(app->effects.handles().equalizer, &p)) return NAN;
        return p.fGain;
    }
    // Playlist rows for real files, as the add operations would make them.
    void SetPlaylistFiles(const std::vector<std::string>& paths) {
        app->data.playlist.clear();
        for (const std::string& path : paths) {
            PlaylistEntry e;
            e.info.path = path;
            EXPECT_NE(app->tags.ReadTrackInfo(e.info), kReadNothing) << path;
            app->data.playlist.push_back(e);
        }
        window->PlaylistReset();
    }
    TrackInfo ReadBack(const std::string& path) {
        TrackInfo info;
        info.path = path;
        EXPECT_EQ(app->tags.ReadTrackInfo(info), kReadFile) << path;
        return info;
    }
};

// --- "Effekte" ---

TEST_F(ToolWindowTest, PresetChoiceSetsEveryBandAndReChoosingKeepsHandMoves) {
    EffectsWindow* effects = OpenEffects();
    Settings& s = app->data.settings;
    QListWidget* presets = effects->PresetList();
    ASSERT_EQ(presets->count(), 19);
    EXPECT_EQ(presets->item(0)->text(), QStringLiteral("Standard"));
    EXPECT_EQ(presets->item(6)->text(), QStringLiteral("Bass&Treble"));

    presets->setCurrentRow(14);  // "Rock"
    const int rock[] = {168, 149, 84, 69, 95, 145, 175, 187, 187, 187};
    for (int i = 0; i < kEqualizerBandCount; ++i) {
        EXPECT_EQ(effects->BandSlider(i)->value(), rock[i]) << i;
        EXPECT_EQ(s.Equilizer_Pan[i], rock[i]) << i;
    }
    EXPECT_EQ(s.Equilizer_Preset, 14);

    effects->BandSlider(0)->setValue(10);
    EXPECT_EQ(s.Equilizer_Pan[0], 10);
    // A click on the preset already chosen changes nothing.
    const QRect item = presets->visualItemRect(presets->item(14));
    QTest::mouseClick(presets->viewport(), Qt::LeftButton, {}, item.center());
    EXPECT_EQ(effects->BandSlider(0)->value(), 10);
    EXPECT_EQ(s.Equilizer_Pan[0], 10);

    presets->setCurrentRow(4);  // "Flat"
    for (int i = 0; i < kEqualizerBandCount; ++i) EXPECT_EQ(effects->BandSlider(i)->value(), 120) << i;
    EXPECT_EQ(s.Equilizer_Preset, 4);
}

TEST_F(ToolWindowTest, EqualizerOffDisablesBandsAndOnReattachesWithTheCurrentSteps) {
    StartTone();
    EffectsWindow* effects = OpenEffects();
    Settings& s = app->data.settings;
    QCheckBox* use = effects->CheckBox(EffectsCheckBox::Equalizer);
    use->setChecked(true);
    ASSERT_NE(app->effects.handles().equalizer, 0u);
    effects->BandSlider(3)->setValue(200);  // +8 dB at once on the channel
    EXPECT_FLOAT_EQ(BandGain(3), 8.0f);

    use->setChecked(false);
    EXPECT_EQ(s.Equilizer_Active, 0);
    for (int i = 0; i < kEqualizerBandCount; ++i) EXPECT_FALSE(effects->BandSlider(i)->isEnabled()) << i;
    s.Equilizer_Pan[5] = 0;  // steps changed meanwhile are taken up on re-attaching

    use->setChecked(true);
    for (int i = 0; i < kEqualizerBandCount; ++i) EXPECT_TRUE(effects->BandSlider(i)->isEnabled()) << i;
    ASSERT_NE(app->effects.handles().equalizer, 0u);
    EXPECT_FLOAT_EQ(BandGain(3), 8.0f);
    EXPECT_FLOAT_EQ(BandGain(5), -12.0f);
}

class StoredEffectsTest : public ToolWindowTest {
  protected:
    StoredEffectsTest() { ini = "ReverbTime=1000\n"; }
};

TEST_F(StoredEffectsTest, SlidersShowTheirCaptionsAndStoreTheSettings) {
    const DWORD channel = StartTone();
    EffectsWindow* effects = OpenEffects();
    Settings& s = app->data.settings;
    ASSERT_EQ(s.ReverbTime, 1000);

    effects->Slider(EffectsSlider::Balance)->setValue(70);
    EXPECT_EQ(effects->Caption(EffectsSlider::Balance)->text(), QStringLiteral("30 <"));
    EXPECT_EQ(s.Equalizer_Panel, 70);
    float pan = 0;
    ASSERT_TRUE(BASS_ChannelGetAttribute(channel, BASS_ATTRIB_PAN, &pan));
    EXPECT_NEAR(pan, -0.3f, 1e-5);
    effects->Slider(EffectsSlider::Balance)->setValue(130);
    EXPECT_EQ(effects->Caption(EffectsSlider::Balance)->text(), QStringLiteral("> 30"));

    QSlider* time = effects->Slider(EffectsSlider::ReverbTime);
    EXPECT_EQ(time->value(), 33);
    EXPECT_EQ(effects->Caption(EffectsSlider::ReverbTime)->text(), QStringLiteral("33"));
    EXPECT_EQ(s.ReverbTime, 1000);  // showing the slider stores nothing
    time->setValue(34);
    time->setValue(33);
    EXPECT_EQ(s.ReverbTime, 990);

    effects->Slider(EffectsSlider::Speed)->setValue(50);
    EXPECT_EQ(effects->Caption(EffectsSlider::Speed)->text(), QStringLiteral("50%"));
    float rate = 0;
    ASSERT_TRUE(BASS_ChannelGetAttribute(channel, BASS_ATTRIB_FREQ, &rate));
    EXPECT_FLOAT_EQ(rate, 22050.0f);

    effects->CheckBox(EffectsCheckBox::Echo)->setChecked(true);
    EXPECT_NE(app->effects.handles().echo, 0u);
    effects->Slider(EffectsSlider::EchoDelay)->setValue(1000);
    EXPECT_EQ(effects->Caption(EffectsSlider::EchoDelay)->text(), QStringLiteral("50"));
    EXPECT_EQ(s.EchoDelay, 1000);

    // Closed and opened again: the stored values, and the window is a fresh one.
    effects->close();
    ASSERT_TRUE(WaitFor([&] { return window->Tools().Effects() == nullptr; }));
    EXPECT_EQ(s.ReverbTime, 990);
    effects = OpenEffects();
    EXPECT_EQ(effects->Slider(EffectsSlider::Balance)->value(), 130);
    EXPECT_EQ(effects->Slider(EffectsSlider::ReverbTime)->value(), 33);
    EXPECT_EQ(effects->Slider(EffectsSlider::EchoDelay)->value(), 1000);
    EXPECT_TRUE(effects->CheckBox(EffectsCheckBox::Echo)->isChecked());
}

class ReplayGainControlTest : public ToolWindowTest {
  protected:
    ReplayGainControlTest() { ini = "ReplayGain_Preamp=-20\n"; }
};

TEST_F(ReplayGainControlTest, TheEffectsWindowSetsModeAndPreampInTheStoredKeys) {
    EffectsWindow* effects = OpenEffects();
    Settings& s = app->data.settings;
    QComboBox* mode = effects->ReplayGainMode();
    QDoubleSpinBox* preamp = effects->ReplayGainPreamp();
    ASSERT_NE(mode, nullptr);
    ASSERT_NE(preamp, nullptr);
    // The stored values are shown, and showing them stores nothing.
    EXPECT_EQ(mode->currentText(), QStringLiteral("Aus"));
    EXPECT_DOUBLE_EQ(preamp->value(), -2.0);
    EXPECT_TRUE(effects->ReplayGainNoClip()->isChecked());
    EXPECT_EQ(s.ReplayGain_Preamp, -20);

    mode->setCurrentIndex(mode->findText(QStringLiteral("Album")));
    preamp->setValue(3.5);
    effects->ReplayGainNoClip()->setChecked(false);
    EXPECT_EQ(s.ReplayGain_Mode, 2);
    EXPECT_EQ(s.ReplayGain_Preamp, 35);
    EXPECT_EQ(s.ReplayGain_NoClip, 0);
    const std::string text = SettingsFileText(s);
    for (const char* line :
         {"ReplayGain_Mode = 2\r\n", "ReplayGain_Preamp = 35\r\n", "ReplayGain_NoClip = 0\r\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;

    mode->setCurrentIndex(mode->findText(QStringLiteral("Titel")));
    preamp->setValue(-15.0);
    EXPECT_EQ(s.ReplayGain_Mode, 1);
    EXPECT_EQ(s.ReplayGain_Preamp, -150);

    // Opened again: the stored values.
    effects->close();
    ASSERT_TRUE(WaitFor([&] { return window->Tools().Effects() == nullptr; }));
    effects = OpenEffects();
    EXPECT_EQ(effects->ReplayGainMode()->currentText(), QStringLiteral("Titel"));
    EXPECT_DOUBLE_EQ(effects->ReplayGainPreamp()->value(), -15.0);
    EXPECT_FALSE(effects->ReplayGainNoClip()->isChecked());
}

TEST_F(ToolWindowTest, EffectsWindowIsPlacedRegisteredAndStoresItsPlaceOnClose) {
    Settings& s = app->data.settings;
    s.GUI_Opacity = 1;
    s.GUI_OpacityValue = 51;
    window->RunCommand(Command::TrayEqualizer);  // the tray's item opens the same window
    EffectsWindow* effects = window->Tools().Effects();
    ASSERT_NE(effects, nullptr);
    window->RunCommand(Command::Equalizer);
    EXPECT_EQ(window->Tools().Effects(), effects);  // brought forward, not opened twice
    EXPECT_EQ(effects->size(), QSize(400, 320));
    EXPECT_TRUE(window->Docking().IsRegistered(effects));
    EXPECT_NEAR(effects->windowOpacity(), 0.2, 0.01);
    EXPECT_FALSE(effects->windowIcon().isNull());

    effects->close();
    EXPECT_FALSE(window->Docking().IsRegistered(effects));
    EXPECT_NE(s.windows[3].x, -1);
    EXPECT_NE(s.windows[3].y, -1);
}

TEST_F(ToolWindowTest, EveryToolWindowIsOwnedByTheMainWindowAndClosesWithEscape) {
    const std::string path = CopyOf(TagFixture("tagged.mp3"), home / "esc.mp3");
    SetPlaylistFiles({path});
    Select({0});
    for (Command command :
         {Command::Equalizer, Command::Settings, Command::Search, Command::Generate, Command::Information,
          Command::AutoTag, Command::RadioLog, Command::Log, Command::About}) {
        SCOPED_TRACE(static_cast<int>(command));
        const QList<QWidget*> before = window->Tools().Windows();
        window->RunCommand(command);
        QWidget* opened = nullptr;
        for (QWidget* w : window->Tools().Windows())
            if (!before.contains(w)) opened = w;
        ASSERT_NE(opened, nullptr);
        EXPECT_EQ(opened->parentWidget(), window.get());
        EXPECT_TRUE(opened->isWindow());
        QPointer<QWidget> watch(opened);
        QTest::keyClick(opened, Qt::Key_Escape);
        ASSERT_TRUE(WaitFor([&] { return watch.isNull() || !watch->isVisible(); }));
    }
}

TEST_F(ToolWindowTest, AWindowReopenedInTheSamePassAsItClosedIsANewVisibleOne) {
    window->RunCommand(Command::Equalizer);
    ASSERT_NE(window->Tools().Effects(), nullptr);
    QPointer<QWidget> first(window->Tools().Effects());
    first->close();                          // deleted only when events run again
    window->RunCommand(Command::Equalizer);  // before that
    ASSERT_NE(window->Tools().Effects(), nullptr);
    EXPECT_NE(static_cast<QWidget*>(window->Tools().Effects()), first.data());
    EXPECT_TRUE(window->Tools().Effects()->isVisible());
    ASSERT_TRUE(WaitFor([&] { return first.isNull(); }));
    EXPECT_NE(window->Tools().Effects(), nullptr);
}

// --- "Datei Informationen" ---

TEST_F(ToolWindowTest, InformationWindowWritesEveryFieldAndRefreshesTheRow) {
    const std::string path = CopyOf(TagFixture("tagged.mp3"), home / "lied.mp3");
    SetPlaylistFiles({path});
    Select({0});
    window->UpdatePlaylistMenu();
    window->RunCommand(Command::Information);
    FileInfoWindow* info = window->Tools().FileInfo();
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->Edit(FileInfoWindow::Title)->text(), QString::fromUtf8("Grüß Gott"));
    EXPECT_EQ(info->Edit(FileInfoWindow::Track)->text(), QStringLiteral("3"));
    EXPECT_EQ(info->Edit(FileInfoWindow::Path)->toolTip(), QString::fromStdString(path));
    EXPECT_TRUE(info->Edit(FileInfoWindow::Path)->isReadOnly());
    EXPECT_EQ(info->Genre()->count(), 148);
    EXPECT_EQ(info->Genre()->currentText(), QStringLiteral("Rock"));
    EXPECT_TRUE(info->PropertyText(FileInfoWindow::Size)->text().endsWith(QStringLiteral(" KB")));
    EXPECT_EQ(info->PropertyText(FileInfoWindow::SampleRate)->text(), QStringLiteral("44100"));
    EXPECT_EQ(info->PropertyText(FileInfoWindow::Channels)->text(), QStringLiteral("2"));

    info->Edit(FileInfoWindow::Title)->setText(QString::fromUtf8("Über Straßen"));
    info->Edit(FileInfoWindow::Track)->setText(QStringLiteral(" 7 "));
    info->Edit(FileInfoWindow::Artist)->setText(QString::fromUtf8("Die Ärzte"));
    info->Edit(FileInfoWindow::Album)->setText(QString::fromUtf8("Öl"));
    info->Edit(FileInfoWindow::Year)->setText(QStringLiteral("1999"));
    info->Genre()->setEditText(QStringLiteral("Jazz"));
    info->Edit(FileInfoWindow::Comment)->setText(QString::fromUtf8("schön"));
    EXPECT_EQ(info->Edit(FileInfoWindow::Title)->toolTip(), QString::fromUtf8("Über Straßen"));
    info->Save();
    ASSERT_TRUE(WaitFor([&] { return window->Tools().FileInfo() == nullptr; }));

    const TrackInfo back = ReadBack(path);
    EXPECT_EQ(back.title, "Über Straßen");
    EXPECT_EQ(back.trackNumber, 7);
    EXPECT_EQ(back.artist, "Die Ärzte");
    EXPECT_EQ(back.album, "Öl");
    EXPECT_EQ(back.year, 1999);
    EXPECT_EQ(back.genre, "Jazz");
    EXPECT_EQ(back.comment, "schön");
    EXPECT_EQ(app->data.playlist[0].info.title, "Über Straßen");
    EXPECT_EQ(app->data.playlist[0].info.artist, "Die Ärzte");
    EXPECT_EQ(window->Model()->index(0, 1).data().toString(), QString::fromUtf8("Über Straßen"));
    EXPECT_NE(app->data.settings.windows[7].x, -1);
}

TEST_F(ToolWindowTest, CancelLeavesTheFileAsItWas) {
    const std::string path = CopyOf(TagFixture("tagged.mp3"), home / "lied.mp3");
    const std::string before = ReadFile(path);
    SetPlaylistFiles({path});
    Select({0});
    window->RunCommand(Command::Information);
    ASSERT_NE(window->Tools().FileInfo(), nullptr);
    window->Tools().FileInfo()->Edit(FileInfoWindow::Title)->setText(QStringLiteral("Anders"));
    window->Tools().FileInfo()->close();
    EXPECT_EQ(ReadFile(path), before);
}

TEST_F(ToolWindowTest, OkWritesOnlyWhatTheUserChanged) {
    // Untagged: the window shows the file-name title, which must not land in the file.
    const std::string untagged = CopyOf(TagFixture("untagged.mp3"), home / "roh.mp3");
    const std::string before = ReadFile(untagged);
    SetPlaylistFiles({untagged});
    Select({0});
    window->RunCommand(Command::Information);
    ASSERT_NE(window->Tools().FileInfo(), nullptr);
    EXPECT_EQ(window->Tools().FileInfo()->Edit(FileInfoWindow::Title)->text(), QStringLiteral("roh"));
    window->Tools().FileInfo()->Save();
    ASSERT_TRUE(WaitFor([&] { return window->Tools().FileInfo() == nullptr; }));
    EXPECT_EQ(ReadFile(untagged), before);

    // One field changed: the others keep what the file holds, such as a comment with a line break.
    const std::string tagged = CopyOf(TagFixture("tagged.mp3"), home / "zeilen.mp3");
    {
        TagEdits comment;
        comment.path = tagged;
        comment.comment = "erste Zeile\nzweite Zeile";
        ASSERT_TRUE(WriteTags(app->tags, comment));
    }
    SetPlaylistFiles({tagged});
    Select({0});
    window->RunCommand(Command::Information);
    ASSERT_NE(window->Tools().FileInfo(), nullptr);
    window->Tools().FileInfo()->Edit(FileInfoWindow::Album)->setText(QStringLiteral("Neu"));
    window->Tools().FileInfo()->Save();
    ASSERT_TRUE(WaitFor([&] { return window->Tools().FileInfo() == nullptr; }));
    TagLib_File* file = taglib_file_new(tagged.c_str());
    ASSERT_NE(file, nullptr);
    TagLib_Tag* tag = taglib_file_tag(file);
    EXPECT_STREQ(taglib_tag_album(tag), "Neu");
    EXPECT_STREQ(taglib_tag_comment(tag), "erste Zeile\nzweite Zeile");
    EXPECT_STREQ(taglib_tag_title(tag), "Grüß Gott");
    taglib_tag_free_strings();
    taglib_file_free(file);
}

TEST_F(ToolWindowTest, CurrentTrackAndStationOpenTheInformationWindow) {
    const std::string path = CopyOf(TagFixture("tagged.mp3"), home / "jetzt.mp3");
    PlayerState& state = app->player.State();
    state.playSource = kSourceSingle;
    state.currentPath = path;
    QTest::mouseClick(window->InfoField(1), Qt::LeftButton);  // the first caption
    ASSERT_NE(window->Tools().FileInfo(), nullptr);
    EXPECT_EQ(window->Tools().FileInfo()->Edit(FileInfoWindow::Title)->text(),
              QString::fromUtf8("Grüß Gott"));

    // A station: its address and nothing a file would have; "OK" writes nothing anywhere.
    state.playSource = kSourceRadio;
    state.currentPath = "https://radio.example/live";
    window->ShowCurrentTrackInformation();
    FileInfoWindow* info = window->Tools().FileInfo();
    ASSERT_TRUE(
        WaitFor([&] { return info && info->Edit(FileInfoWindow::Path)->text().startsWith("https:"); }));
    EXPECT_TRUE(info->Edit(FileInfoWindow::Title)->text().isEmpty());
    for (int p = 0; p < FileInfoWindow::kPropertyCount; ++p)
        EXPECT_TRUE(info->PropertyText(static_cast<FileInfoWindow::Property>(p))->text().isEmpty()) << p;
    info->Edit(FileInfoWindow::Title)->setText(QStringLiteral("x"));
    info->Save();
    EXPECT_TRUE(messages.boxes.empty());
    ASSERT_TRUE(WaitFor([&] { return window->Tools().FileInfo() == nullptr; }));

    state.currentPath = "";  // nothing playing: nothing to show
    state.playSource = kSourceNone;
    window->ShowCurrentTrackInformation();
    EXPECT_EQ(window->Tools().FileInfo(), nullptr);
}

// --- "Autotager" ---

TEST_F(ToolWindowTest, AutotaggerPreviewsAndWritesThreeFiles) {
    const std::string a = CopyOf(TagFixture("tagged.mp3"), home / "Erstes - Ärzte.mp3");
    const std::string b = CopyOf(TagFixture("tagged.ogg"), home / "Zweites - Band.ogg");
    const std::string c = CopyOf(TagFixture("tagged.mp3"), home / "OhneTrenner.mp3");
    SetPlaylistFiles({a, b, c});
    window->PlaylistList()->selectAll();
    window->RunCommand(Command::AutoTag);
    AutotaggerWindow* tagger = window->Tools().Autotagger();
    ASSERT_NE(tagger, nullptr);
    QTreeWidget* files = tagger->Files();
    ASSERT_EQ(files->topLevelItemCount(), 3);
    EXPECT_EQ(files->topLevelItem(0)->text(0), QString::fromUtf8("Erstes - Ärzte.mp3"));
    EXPECT_EQ(tagger->Pattern()->text(), QStringLiteral("%title - %artist"));

    tagger->Preview();
    EXPECT_EQ(files->topLevelItem(0)->text(1), QString::fromUtf8("Titel: Erstes, Interpret: Ärzte"));
    EXPECT_EQ(files->topLevelItem(1)->text(1), QStringLiteral("Titel: Zweites, Interpret: Band"));
    EXPECT_EQ(files->topLevelItem(2)->text(1), QStringLiteral("(passt nicht)"));
    EXPECT_EQ(ReadBack(a).title, "Grüß Gott");  // a preview writes nothing

    tagger->Pattern()->setText(QStringLiteral("%artist - %title"));
    tagger->Run();
    EXPECT_EQ(files->topLevelItem(0)->text(1), QString::fromUtf8("Interpret: Erstes, Titel: Ärzte"));
    EXPECT_EQ(ReadBack(a).title, "Ärzte");
    EXPECT_EQ(ReadBack(a).artist, "Erstes");
    EXPECT_EQ(ReadBack(a).album, "Album");  // fields the pattern lacks stay
    EXPECT_EQ(ReadBack(b).title, "Band");
    EXPECT_EQ(ReadBack(c).title, "Grüß Gott");
    EXPECT_EQ(tagger->Result()->text(), QString::fromUtf8("2 von 3 Dateien geändert"));
}

TEST_F(ToolWindowTest, AutotagNeedsASelection) {
    SetPlaylist({{"a", "", 0}});
    window->UpdatePlaylistMenu();
    EXPECT_FALSE(window->Action(Command::AutoTag)->isEnabled());
    EXPECT_FALSE(window->Action(Command::Information)->isEnabled());
    window->RunCommand(Command::AutoTag);
    EXPECT_EQ(window->Tools().Autotagger(), nullptr);
}

// --- "RadioLog" ---

TEST_F(ToolWindowTest, RadioLogShowsTheCounterAndTheAnnouncedTitles) {
    RadioTrackLog log;
    log.Reset(0);
    RadioLogWindow radio(log, nullptr);
    EXPECT_EQ(radio.Tracks()->topLevelItemCount(), 0);
    EXPECT_EQ(radio.Tracks()->headerItem()->text(0), QStringLiteral("Artist"));

    log.SetReceivedBytes(1536);
    log.Append({"Erster Titel", "Erster Künstler"});
    log.Append({"Zweiter Titel", "Zweite Band"});
    // The window's own timer picks the rows up while the radio threads write.
    ASSERT_TRUE(WaitFor([&] { return radio.Tracks()->topLevelItemCount() == 2; }));
    EXPECT_EQ(radio.Counter()->text(), QStringLiteral("1.50 KB"));
    EXPECT_EQ(radio.Tracks()->topLevelItem(0)->text(0), QString::fromUtf8("Erster Künstler"));
    EXPECT_EQ(radio.Tracks()->topLevelItem(1)->text(1), QStringLiteral("Zweiter Titel"));

    // Another station between two looks, with as many titles already: the list starts over.
    log.Reset(10);
    log.Append({"Neu A", "Sender B"});
    log.Append({"Neu B", "Sender B"});
    log.Append({"Neu C", "Sender B"});
    radio.Refresh();
    ASSERT_EQ(radio.Tracks()->topLevelItemCount(), 3);
    EXPECT_EQ(radio.Tracks()->topLevelItem(0)->text(1), QStringLiteral("Neu A"));
    EXPECT_EQ(radio.Counter()->text(), QStringLiteral("10 B"));
}

TEST_F(ToolWindowTest, RadioLogFillsFromALiveStation) {
    const std::string mp3 = ReadFile(TagFixture("untagged.mp3"));
    const std::string later = "StreamTitle='Gruppe - Zwei';";
    const std::string framed = support::WithIcyMeta(mp3, 4096, [&](size_t block) -> std::string {
        if (block == 0) return "StreamTitle='Band - Eins';";
        return block == 3 ? later : "";
    });
    // The second title comes only once the station has taken over, as on air.
    const size_t cut = framed.find(later) - 1;
    support::LoopbackServer server([&](support::LoopbackServer::Connection& c) {
        c.Send("ICY 200 OK\r\nicy-name: Test FM\r\nicy-metaint: 4096\r\n\r\n" + framed.substr(0, cut));
        c.WaitRelease();
        c.Send(framed.substr(cut));
        c.Hold();
    });
    window->RunCommand(Command::RadioLog);
    RadioLogWindow* radio = window->Tools().RadioLog();
    ASSERT_NE(radio, nullptr);
    app->player.PlayChannel(server.Url("/live"), kSourcePlaylist);
    // The application's player tick hands the radio's news over, as the windowed player's timer does.
    ASSERT_TRUE(WaitFor(
        [&] {
            app->PlayerTick();
            return app->player.State().playSource == kSourceRadio;
        },
        10000));
    EXPECT_EQ(radio->Tracks()->topLevelItemCount(), 0);  // the title at tuning in is no change
    server.Release();
    const QString allBytes = QString::fromStdString(SizeText(static_cast<int64_t>(mp3.size()), 2, true));
    ASSERT_TRUE(WaitFor(
        [&] {
            app->PlayerTick();
            return radio->Tracks()->topLevelItemCount() >= 1 && radio->Counter()->text() == allBytes;
        },
        10000))
        << radio->Counter()->text().toStdString();
    EXPECT_EQ(radio->Tracks()->topLevelItem(0)->text(0), QStringLiteral("Gruppe"));
    EXPECT_EQ(radio->Tracks()->topLevelItem(0)->text(1), QStringLiteral("Zwei"));
    app->player.Stop();
}

TEST_F(ToolWindowTest, RadioLogOpensFromTheMenusAndStoresItsSize) {
    window->RunCommand(Command::RadioLog);
    RadioLogWindow* radio = window->Tools().RadioLog();
    ASSERT_NE(radio, nullptr);
    EXPECT_TRUE(window->Docking().IsRegistered(radio));
    radio->resize(300, 260);
    radio->close();
    EXPECT_EQ(app->data.settings.windows[13].w, 300);
    EXPECT_EQ(app->data.settings.windows[13].h, 260);
}

// --- "Informationen" ---

TEST_F(ToolWindowTest, AboutShowsTheVersions) {
    window->RunCommand(Command::About);
    ASSERT_NE(window->Tools().About(), nullptr);
    const QString text = window->Tools().About()->findChild<QLabel*>()->text();
    EXPECT_TRUE(text.contains(QStringLiteral("1.09")));
    const DWORD engine = BASS_GetVersion();
    EXPECT_TRUE(text.contains(QStringLiteral("%1.%2").arg(engine >> 24).arg((engine >> 16) & 0xFF)))
        << text.toStdString();
}

TEST_F(ToolWindowTest, ShutDownClosesTheToolWindows) {
    window->RunCommand(Command::Equalizer);
    window->RunCommand(Command::RadioLog);
    ASSERT_NE(window->Tools().Effects(), nullptr);
    window->CloseWindows();
    EXPECT_FALSE(window->Tools().Effects() && window->Tools().Effects()->isVisible());
    EXPECT_FALSE(window->Tools().RadioLog() && window->Tools().RadioLog()->isVisible());
    EXPECT_NE(app->data.settings.windows[3].x, -1);
}

}  // namespace
}  // namespace sonvaro::test
