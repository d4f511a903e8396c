#pragma once
#include <QString>
#include <QWidget>

class QCloseEvent;
class QKeyEvent;

namespace sonvaro {

// Set on a tool window once it closes; it is deleted a moment later.
inline constexpr char kClosingProperty[] = "sonvaroClosing";

// A tool window: owned by the main window, so it stays above it and goes with
// it to the tray; deleted when closed; Escape closes it like its close box.
// `closing` lets the main window store its place before it goes.
class ToolWindow : public QWidget {
    Q_OBJECT
  public:
    ToolWindow(QWidget* owner, const QString& title);

  signals:
    void closing(QWidget* window);

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace sonvaro
