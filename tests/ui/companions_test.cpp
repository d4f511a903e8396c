#include <QComboBox>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

#include "companions/scheduled_task.h"
#include "core/ports/desktop_ports.h"
#include "engine/bass.h"
#include "support/ui_harness.h"
#include "ui/desktop_companions.h"
#include "ui/task_windows.h"
#include "ui/tracker_window.h"

namespace sonvaro::test {
namespace {

class TrackerWindowTest : public MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        tracker.Attach(app->data.settings, app->player.State(), window.get(), [this] { return tick; });
        app->player.State().info.artist = "A";
        app->player.State().info.title = "B & C";
    }
    QRect Work() const { return QGuiApplication::primaryScreen()->availableGeometry(); }

    uint32_t tick = 50000;
    TrackerWindow tracker;
};

TEST_F(TrackerWindowTest, TwoLinesInTheBottomRightCornerWithoutTakingTheFocus) {
    window->activateWindow();
    ASSERT_TRUE(WaitFor([&] { return QApplication::activeWindow() == window.get(); }));
    tracker.Show();
    QWidget* popup = tracker.Popup();
    ASSERT_NE(popup, nullptr);
    ASSERT_TRUE(WaitFor([&] { return popup->isVisible(); }));
    EXPECT_EQ(tracker.Label()->text(), QStringLiteral("A\nB & C"));  // the ampersand as it is
    EXPECT_GE(popup->width(), 200);
    EXPECT_GE(popup->height(), 50);
    EXPECT_EQ(popup->x(), Work().x() + Work().width() - popup->width() - 8);
    EXPECT_EQ(popup->y(), Work().y() + Work().height() - popup->height() - 8);
    EXPECT_TRUE(popup->windowFlags() & Qt::WindowDoesNotAcceptFocus);
    EXPECT_TRUE(popup->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(popup->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(QApplication::activeWindow(), window.get());
    EXPECT_FALSE(popup->isActiveWindow());
    tracker.CloseUnlessPinned();
    EXPECT_EQ(tracker.Popup(), nullptr);
    EXPECT_EQ(QApplication::activeWindow(), window.get());
}

TEST_F(TrackerWindowTest, DisplayTimeFromTheInjectedClockAndReplacementRestartsIt) {
    app->data.settings.Tracker_Time = 5000;
    tracker.Show();
    QPointer<QWidget> first = tracker.Popup();
    tick += 4000;
    tracker.CheckTime();
    ASSERT_NE(tracker.Popup(), nullptr);
    // The next track replaces it and starts its time again.
    app->player.State().info.title = "Next";
    tracker.Show();
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(tracker.Label()->text(), QStringLiteral("A\nNext"));
    tick += 4999;
    tracker.CheckTime();
    ASSERT_NE(tracker.Popup(), nullptr);
    tick += 1;
    tracker.CheckTime();
    EXPECT_EQ(tracker.Popup(), nullptr);
}

TEST_F(TrackerWindowTest, PreviewShowsSamplesUntilATrackPlaysAndOutlivesTheTitleChange) {
    app->data.settings.Tracker_Text = "%arti - %YEAR|";
    app->data.settings.Tracker_Corner = 1;
    app->data.settings.Tracker_Gap = 0;
    tracker.ShowPreview();
    EXPECT_EQ(tracker.Label()->text(), QStringLiteral("Beispielartist - Jahr\n"));
    EXPECT_EQ(tracker.Popup()->pos(), Work().topLeft());
    tracker.CloseUnlessPinned();  // the player's next title
    ASSERT_NE(tracker.Popup(), nullptr);
    tracker.Close();
    EXPECT_EQ(tracker.Popup(), nullptr);
    EXPECT_FALSE(tracker.IsPreview());
    // An out-of-range corner leaves it at 0, 0 and still shows it.
    app->data.settings.Tracker_Corner = 9;
    tracker.Show();
    EXPECT_EQ(tracker.Popup()->pos(), QPoint(0, 0));
    EXPECT_TRUE(tracker.Popup()->isVisible());
}

TEST_F(TrackerWindowTest, PreviewWhileATrackPlaysShowsItsTags) {
    ASSERT_EQ(app->control.PlayFile(ToneFile(3)), 1);
    app->player.State().info.artist = "Real";
    app->player.State().info.title = "B & C";
    tracker.ShowPreview();
    EXPECT_EQ(tracker.Label()->text(), QStringLiteral("Real\nB & C"));
    app->control.Stop();
}

TEST_F(TrackerWindowTest, TenThousandCharacterPatternAndManyLines) {
    std::string pattern;
    for (int i = 0; i < 2000; ++i) pattern += "%AR|";  // unterminated placeholders, 2,001 lines
    pattern += std::string(2000, 'x');
    app->data.settings.Tracker_Text = pattern;
    tracker.Show();
    ASSERT_NE(tracker.Popup(), nullptr);
    EXPECT_EQ(tracker.Label()->text().count(QLatin1Char('\n')), 2000);
    EXPECT_GT(tracker.Popup()->height(), 2000);
}

class CountingPower : public PowerControl {
  public:
    void PowerOff() override { ++calls; }
    int calls = 0;
};
class FixedScreenSaver : public ScreenSaver {
  public:
    bool Running() override { return running; }
    bool running = false;
};

// The "Aufgabe" windows on the running window with its real timers; the
// power port counts instead of powering off.
class TaskWindowTest : public MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        auto p = std::make_unique<CountingPower>();
        auto s = std::make_unique<FixedScreenSaver>();
        power = p.get();
        saver = s.get();
        companions.Attach(
            *app, *window, [this] { ++exits; }, std::move(p), std::move(s));
    }
    void Choose(int trigger, int action) {
        window->RunCommand(Command::Task);
        TaskChangeWindow* change = window->Tools().TaskChange();
        ASSERT_NE(change, nullptr);
        change->Trigger()->setCurrentIndex(trigger);
        change->Action()->setCurrentIndex(action);
        change->OkButton()->click();
        EXPECT_EQ(window->Tools().TaskChange(), nullptr);
    }
    DesktopCompanions companions;
    CountingPower* power = nullptr;
    FixedScreenSaver* saver = nullptr;
    int exits = 0;
};

TEST_F(TaskWindowTest, PlaybackEndedFiresAndRunsTheActionAfterTheCountdown) {
    EXPECT_TRUE(window->Action(Command::Task)->isEnabled());
    window->RunCommand(Command::Task);
    ASSERT_NE(window->Tools().TaskChange(), nullptr);
    EXPECT_EQ(window->Tools().TaskChange()->Trigger()->count(), 3);
    EXPECT_EQ(window->Tools().TaskChange()->Action()->itemText(5), QStringLiteral("Computer Herunterfahren"));
    window->Tools().TaskChange()->close();
    app->data.settings.Order_TimeOut = 300;
    Choose(1, 5);  // nothing is loaded: fires at the next check
    ASSERT_TRUE(WaitFor([&] { return window->Tools().TaskRun() != nullptr; }, 2000));
    EXPECT_EQ(companions.Task()->Order().trigger, 0);
    ASSERT_TRUE(WaitFor([&] { return power->calls == 1; }, 3000));
    EXPECT_EQ(window->Tools().TaskRun(), nullptr);
    EXPECT_FALSE(companions.Task()->Counting());
}

TEST_F(TaskWindowTest, StopAndOkCancelTheCountdown) {
    app->data.settings.Order_TimeOut = 60000;
    saver->running = true;
    Choose(2, 6);
    ASSERT_TRUE(WaitFor([&] { return window->Tools().TaskRun() != nullptr; }, 2000));
    ASSERT_TRUE(WaitFor([&] { return window->Tools().TaskRun()->Bar()->value() < 100; }, 2000));
    window->Tools().TaskRun()->StopButton()->click();
    EXPECT_EQ(window->Tools().TaskRun(), nullptr);
    EXPECT_FALSE(companions.Task()->Counting());
    EXPECT_TRUE(companions.Task()->Order().cancelled);
    // Armed again; OK during its countdown arms the new choice instead.
    Choose(2, 6);
    ASSERT_TRUE(WaitFor([&] { return window->Tools().TaskRun() != nullptr; }, 2000));
    saver->running = false;
    Choose(1, 0);
    EXPECT_EQ(window->Tools().TaskRun(), nullptr);
    EXPECT_FALSE(companions.Task()->Order().cancelled);
    EXPECT_EQ(companions.Task()->Order().trigger, 1);
    EXPECT_EQ(exits, 0);
    EXPECT_EQ(power->calls, 0);
}

TEST_F(TaskWindowTest, ZeroTimeOutRunsAtOnceWithoutTheCountdownWindow) {
    app->data.settings.Order_TimeOut = 0;
    Choose(1, 6);
    ASSERT_TRUE(WaitFor([&] { return exits == 1; }, 2000));
    EXPECT_EQ(window->Tools().TaskRun(), nullptr);
}

// logind's PowerOff on a bus of the test's own: the call and its argument.
}  // namespace
}  // namespace sonvaro::test
