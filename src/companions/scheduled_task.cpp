#include "companions/scheduled_task.h"

#include "core/ports/desktop_ports.h"
#include "playback/player_control.h"

namespace sonvaro {

ScheduledTask::ScheduledTask(const int32_t& timeOut, TaskServices services)
    : timeOut_(timeOut), services_(std::move(services)) {}

void ScheduledTask::Arm(int trigger, int action) {
    order_.counting = false;
    CloseCountdown();
    order_.trigger = static_cast<int8_t>(trigger);
    order_.action = static_cast<int8_t>(action);
    order_.cancelled = false;
}

void ScheduledTask::CheckTrigger() {
    if (order_.trigger <= 0) return;
    bool fired = false;
    switch (static_cast<TaskTrigger>(order_.trigger)) {
        case TaskTrigger::PlaybackEnded:
            fired = services_.playbackEnded && services_.playbackEnded();
            break;
        case TaskTrigger::ScreenSaver:
            fired = services_.screenSaver && services_.screenSaver->Running();
            break;
        default:
            break;
    }
    if (!fired) return;
    order_.trigger = 0;
    const int32_t timeOut = timeOut_;
    if (timeOut < 1) {
        if (services_.execute) services_.execute(order_.action);
        return;
    }
    order_.cancelled = false;
    order_.countdownMs = timeOut;
    order_.startTime = services_.tick();
    order_.counting = true;
    if (services_.openCountdown) services_.openCountdown();
    if (services_.showCountdown) services_.showCountdown(100);
}

void ScheduledTask::CountdownTick() {
    if (!order_.counting) return;
    if (order_.cancelled) {
        order_.counting = false;
        return;
    }
    const uint32_t elapsed = services_.tick() - order_.startTime;
    const int64_t length = order_.countdownMs;
    if (static_cast<int64_t>(elapsed) > length) {
        order_.counting = false;
        CloseCountdown();
        if (services_.execute) services_.execute(order_.action);
        return;
    }
    if (services_.showCountdown)
        services_.showCountdown(
            static_cast<int32_t>((length - static_cast<int64_t>(elapsed)) * 100 / length));
}

void ScheduledTask::Stop() {
    order_.counting = false;
    order_.cancelled = true;
}

void ScheduledTask::CloseCountdown() {
    order_.cancelled = true;
    if (services_.closeCountdown) services_.closeCountdown();
}

void ExecuteTaskAction(int8_t action, PlayerControl& control, PowerControl& power,
                       const std::function<void()>& requestExit) {
    switch (static_cast<TaskAction>(action)) {
        case TaskAction::Play:
            control.PlaySelected();
            break;
        case TaskAction::Stop:
            control.Stop();
            break;
        case TaskAction::Pause:
            control.TogglePause();
            break;
        case TaskAction::Previous:
            control.Previous();
            break;
        case TaskAction::Next:
            control.Next();
            break;
        case TaskAction::PowerOff:
            power.PowerOff();
            break;
        case TaskAction::Exit:
            if (requestExit) requestExit();
            break;
    }
}

}  // namespace sonvaro
