#pragma once
#include <QWidget>

#include "ui/tool_window.h"

class QPlainTextEdit;

namespace sonvaro {

class StatusLog;

// "Log": shows the status lines written while it is open; closing discards them.
class LogWindow : public ToolWindow {
    Q_OBJECT
  public:
    LogWindow(StatusLog& log, QWidget* owner);
    ~LogWindow() override;

    QString Text() const;
    // Takes the lines logged since the last look (any thread may have logged them).
    void Drain();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    StatusLog& log_;
    QPlainTextEdit* text_;
    size_t shown_ = 0;
};

}  // namespace sonvaro
