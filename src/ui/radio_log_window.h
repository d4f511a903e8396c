#pragma once
#include <QWidget>
#include <cstdint>

#include "ui/tool_window.h"

class QLabel;
class QTimer;
class QTreeWidget;

namespace sonvaro {

class RadioTrackLog;

// "RadioLog": the bytes received from the station and the titles it announced.
class RadioLogWindow : public ToolWindow {
    Q_OBJECT
  public:
    RadioLogWindow(const RadioTrackLog& log, QWidget* owner);

    QLabel* Counter() const { return counter_; }
    QTreeWidget* Tracks() const { return tracks_; }
    // Shows the log's state if it changed since the last look; the timer calls it.
    void Refresh();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    const RadioTrackLog& log_;
    QLabel* counter_;
    QTreeWidget* tracks_;
    QTimer* timer_;
    uint64_t shownRevision_ = 0;
    bool shownOnce_ = false;
};

}  // namespace sonvaro
