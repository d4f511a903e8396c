#pragma once
#include <QElapsedTimer>
#include <QWidget>

#include "session/application.h"

class QLabel;

namespace sonvaro {

// The start-up splash: the program logo and one status line, at least a second on screen.
class SplashWindow : public QWidget, public SplashPort {
  public:
    SplashWindow();

    void Open() override;
    void SetStatus(const std::string& text) override;
    void WaitMinimumTime() override;
    void Close() override;
    QString Status() const;

  private:
    QLabel* status_;
    QElapsedTimer opened_;
};

}  // namespace sonvaro
