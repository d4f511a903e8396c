#include "companions/scheduled_task.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/ports/desktop_ports.h"
#include "support/player_harness.h"

namespace sonvaro::test {
namespace {

class SettableScreenSaver : public ScreenSaver {
  public:
    bool Running() override { return running; }
    bool running = false;
};

class CountingPower : public PowerControl {
  public:
    void PowerOff() override { ++calls; }
    int calls = 0;
};

// The task machinery with a clock, trigger states and a countdown window the test holds.
class TaskTest : public ::testing::Test {
  protected:
    TaskServices Services() {
        TaskServices s;
        s.tick = [this] { return tick; };
        s.playbackEnded = [this] { return ended; };
        s.screenSaver = &saver;
        s.execute = [this](int8_t action) { executed.push_back(action); };
        s.openCountdown = [this] { windowOpen = true, ++opened; };
        s.closeCountdown = [this] { windowOpen = false; };
        s.showCountdown = [this](int32_t percent) { bar.push_back(percent); };
        return s;
    }
    // Runs the 25 ms tick until `ms` have passed.
    void Count(int ms) {
        for (int t = 0; t < ms; t += 25) {
            tick += 25;
            task.CountdownTick();
        }
    }

    uint32_t tick = 1000;
    bool ended = false;
    SettableScreenSaver saver;
    int32_t timeOut = 2500;
    std::vector<int8_t> executed;
    std::vector<int32_t> bar;
    bool windowOpen = false;
    int opened = 0;
    ScheduledTask task{timeOut, Services()};
};

TEST_F(TaskTest, PlaybackEndedFiresOnceAfterTheCountdown) {
    task.Arm(1, 4);
    task.CheckTrigger();
    EXPECT_TRUE(executed.empty());
    EXPECT_FALSE(task.Counting());
    ended = true;
    task.CheckTrigger();
    EXPECT_EQ(task.Order().trigger, 0);  // disarmed when it fires
    EXPECT_TRUE(task.Counting());
    EXPECT_TRUE(windowOpen);
    Count(100);
    EXPECT_EQ(bar, (std::vector<int32_t>{100, 99, 98, 97, 96}));  // (2500 - elapsed) * 100 / 2500
    Count(2400);                                                  // elapsed exactly 2500: not yet
    EXPECT_TRUE(executed.empty());
    EXPECT_EQ(bar.back(), 0);
    Count(25);  // the first tick past 2500
    EXPECT_EQ(executed, (std::vector<int8_t>{4}));
    EXPECT_FALSE(windowOpen);
    EXPECT_FALSE(task.Counting());
    // Disarmed: the trigger holds on, nothing runs again.
    task.CheckTrigger();
    Count(5000);
    EXPECT_EQ(executed.size(), 1u);
    EXPECT_EQ(opened, 1);
}

TEST_F(TaskTest, ScreenSaverTriggerFollowsTheInjectedState) {
    ended = true;  // not this trigger's business
    task.Arm(2, 6);
    task.CheckTrigger();
    EXPECT_TRUE(task.Order().trigger == 2 && !task.Counting());
    saver.running = true;
    task.CheckTrigger();
    EXPECT_TRUE(task.Counting());
    EXPECT_EQ(task.Order().trigger, 0);
}

TEST_F(TaskTest, ZeroTimeOutRunsAtOnceWithoutAWindow) {
    timeOut = 0;
    ended = true;
    task.Arm(1, 1);
    task.CheckTrigger();
    EXPECT_EQ(executed, (std::vector<int8_t>{1}));
    EXPECT_EQ(opened, 0);
    EXPECT_FALSE(task.Counting());
    timeOut = -5;
    task.Arm(1, 2);
    task.CheckTrigger();
    EXPECT_EQ(executed, (std::vector<int8_t>{1, 2}));
}

TEST_F(TaskTest, StopEndsTheCountdownWithoutTheAction) {
    ended = true;
    task.Arm(1, 5);
    task.CheckTrigger();
    Count(1000);
    task.Stop();  // the window's STOP
    Count(5000);
    task.CheckTrigger();
    EXPECT_TRUE(executed.empty());
    EXPECT_TRUE(task.Order().cancelled);
    EXPECT_EQ(task.Order().trigger, 0);
}

TEST_F(TaskTest, OkDuringACountdownCancelsItAndArmsTheNewTask) {
    ended = true;
    task.Arm(1, 5);
    task.CheckTrigger();
    Count(1000);
    ended = false;
    task.Arm(2, 0);
    EXPECT_FALSE(windowOpen);
    EXPECT_FALSE(task.Counting());
    EXPECT_FALSE(task.Order().cancelled);
    EXPECT_EQ(task.Order().trigger, 2);
    EXPECT_EQ(task.Order().action, 0);
    Count(5000);
    EXPECT_TRUE(executed.empty());
    saver.running = true;
    task.CheckTrigger();
    Count(2525);
    EXPECT_EQ(executed, (std::vector<int8_t>{0}));
}

TEST_F(TaskTest, ChangedTimeOutDuringTheCountdownKeepsItsLength) {
    ended = true;
    task.Arm(1, 3);
    task.CheckTrigger();
    timeOut = 0;  // the settings dialog, mid-countdown: no division by zero
    Count(2500);
    EXPECT_TRUE(executed.empty());
    EXPECT_EQ(bar.back(), 0);
    Count(25);
    EXPECT_EQ(executed, (std::vector<int8_t>{3}));
}

TEST_F(TaskTest, CountdownAcrossTheTickWrap) {
    tick = 0xFFFFFFF0u;
    ended = true;
    task.Arm(1, 4);
    task.CheckTrigger();
    Count(1250);
    EXPECT_EQ(bar.back(), 50);
    Count(1275);
    EXPECT_EQ(executed.size(), 1u);
}

TEST_F(TaskTest, DisarmWithNoTask) {
    ended = true;
    task.Arm(0, 4);
    task.CheckTrigger();
    Count(5000);
    EXPECT_TRUE(executed.empty());
    EXPECT_EQ(opened, 0);
}

// The actions through the playback facade, on the offline engine.
class TaskActionTest : public PlayerTest {
  protected:
    void Run(int8_t action) {
        ExecuteTaskAction(action, control, power, [this] { ++exits; });
    }
    CountingPower power;
    int exits = 0;
};

TEST_F(TaskActionTest, EachActionCode) {
    AddFiles({ToneFile(3), ToneFile(4)});
    Run(0);  // Wiedergabe: row 0
    ASSERT_NE(player.State().CurrentChannel(), 0u);
    EXPECT_EQ(player.State().currentPath, ToneFile(3));
    Run(4);  // next title
    EXPECT_EQ(player.State().currentPath, ToneFile(4));
    Run(3);  // previous title
    EXPECT_EQ(player.State().currentPath, ToneFile(3));
    Run(2);  // pause
    EXPECT_EQ(BASS_ChannelIsActive(player.State().CurrentChannel()), static_cast<DWORD>(BASS_ACTIVE_PAUSED));
    Run(2);
    EXPECT_EQ(BASS_ChannelIsActive(player.State().CurrentChannel()), static_cast<DWORD>(BASS_ACTIVE_PLAYING));
    Run(1);  // stop: no automatic advance
    EXPECT_EQ(player.State().playSource, 1);
    EXPECT_EQ(power.calls, 0);
    EXPECT_EQ(exits, 0);
    Run(5);
    EXPECT_EQ(power.calls, 1);
    Run(6);
    EXPECT_EQ(exits, 1);
    Run(7);
    Run(-1);
    EXPECT_EQ(power.calls, 1);
    EXPECT_EQ(exits, 1);
}

}  // namespace
}  // namespace sonvaro::test
