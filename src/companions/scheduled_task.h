#pragma once
#include <cstdint>
#include <functional>

namespace sonvaro {

class PlayerControl;
class PowerControl;
class ScreenSaver;

enum class TaskTrigger : int8_t {
    None = 0,
    PlaybackEnded = 1,
    ScreenSaver = 2,
};

enum class TaskAction : int8_t {
    Play = 0,
    Stop = 1,
    Pause = 2,
    Previous = 3,
    Next = 4,
    PowerOff = 5,
    Exit = 6,
};

// The one pending task; only the countdown length is stored (Order_TimeOut).
struct TaskOrder {
    int8_t trigger = 0;
    int8_t action = 0;
    uint32_t startTime = 0;   // tick when the countdown began
    int32_t countdownMs = 0;  // the countdown's length, taken when it began
    bool cancelled = false;   // the countdown window was closed
    bool counting = false;    // the 25 ms countdown runs
};

// The list texts, by code.
inline constexpr const char* kTaskTriggerTexts[] = {"Keine Aufgabe", "Wiedergabe Beendet",
                                                    "Bildschirmschoner"};
inline constexpr const char* kTaskActionTexts[] = {
    "Wiedergabe",     "Stop", "Pause", "Vorheriger Titel", "Nächster Titel", "Computer Herunterfahren",
    "Sonvaro Beenden"};

// What the task machinery needs from the running program.
struct TaskServices {
    std::function<uint32_t()> tick;              // 32-bit milliseconds
    std::function<bool()> playbackEnded;         // both channel slots empty
    ScreenSaver* screenSaver = nullptr;          // null: never running
    std::function<void(int8_t action)> execute;  // ExecuteTaskAction, bound to the program
    // The countdown window.
    std::function<void()> openCountdown;
    std::function<void()> closeCountdown;  // must not call back into Stop
    std::function<void(int32_t percent)> showCountdown;
};

// Arms, watches and fires the scheduled task.
class ScheduledTask {
  public:
    // `timeOut`: the setting Order_TimeOut, read when a task fires.
    ScheduledTask(const int32_t& timeOut, TaskServices services);

    const TaskOrder& Order() const { return order_; }
    // The "Aufgabe" window's OK: a countdown in progress ends without its
    // action, and the chosen task is armed (trigger 0 disarms).
    void Arm(int trigger, int action);
    // Every 500 ms. A task fires once: it is disarmed before its action runs.
    void CheckTrigger();
    // Every 25 ms while Counting().
    void CountdownTick();
    bool Counting() const { return order_.counting; }
    // "STOP" or the countdown window's close box: the action does not run.
    void Stop();

  private:
    void CloseCountdown();

    const int32_t& timeOut_;
    TaskServices services_;
    TaskOrder order_;
};

// Runs one action code through the playback facade; other codes run nothing.
// `requestExit` is the program's exit with its question.
void ExecuteTaskAction(int8_t action, PlayerControl& control, PowerControl& power,
                       const std::function<void()>& requestExit);

}  // namespace sonvaro
