#pragma once
#include "ui/tool_window.h"

class QComboBox;
class QProgressBar;
class QPushButton;

namespace sonvaro {

// "Aufgabe": the trigger and the action of the one scheduled task.
class TaskChangeWindow : public ToolWindow {
    Q_OBJECT
  public:
    TaskChangeWindow(QWidget* owner, int trigger, int action);
    QComboBox* Trigger() const { return trigger_; }
    QComboBox* Action() const { return action_; }
    QPushButton* OkButton() const { return ok_; }

  signals:
    // OK, before the window closes.
    void chosen(int trigger, int action);

  private:
    QComboBox* trigger_ = nullptr;
    QComboBox* action_ = nullptr;
    QPushButton* ok_ = nullptr;
};

// "Aufgabe Ausführen..": the countdown before the action, with STOP.
class TaskRunWindow : public ToolWindow {
    Q_OBJECT
  public:
    explicit TaskRunWindow(QWidget* owner);
    void SetProgress(int percent);
    QProgressBar* Bar() const { return bar_; }
    QPushButton* StopButton() const { return stop_; }

  private:
    QProgressBar* bar_ = nullptr;
    QPushButton* stop_ = nullptr;
};

}  // namespace sonvaro
