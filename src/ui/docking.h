#pragma once
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <optional>
#include <vector>

class QWidget;

namespace sonvaro {

struct Settings;
struct WindowSlot;

enum DockFlags { kDockScreen = 1, kDockWindows = 2, kDockDragClient = 8, kDockAll = 11 };

// Where a window of `size` proposed at `pos` lands after the magnetic rules:
// first the screen and work-area edges (flag 1, only when the work area is
// known), then the other visible windows' outer rectangles in registration order.
QPoint SnapPosition(QPoint pos, QSize size, int flags, QSize screen, std::optional<QRect> workArea,
                    const std::vector<QRect>& others, int distance);

// The x/y pulled back inside the work area (left/top first, then right/bottom;
// a window larger than the area is kept at its left/top edge).
QPoint KeepInsideArea(const QRect& window, const QRect& area);

// True where a program may place its own windows (not on Wayland).
bool CanPlaceWindows();

// The program's magnetic windows. Every registered window snaps while it is moved
// (when GUI_Magnetic is on) and can be dragged by its background.
class DockRegistry : public QObject {
    Q_OBJECT
  public:
    explicit DockRegistry(const Settings& settings, QObject* parent = nullptr);

    // 1 registered, -1 already registered, 0 no window.
    int Register(QWidget* window, int flags = kDockAll);
    void Unregister(QWidget* window);
    bool IsRegistered(QWidget* window) const;

    // Applies the rules to a proposed position of a registered window.
    QPoint Snap(QWidget* window, QPoint proposed) const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Entry {
        QWidget* window;
        int flags;
    };
    const Entry* Find(const QWidget* window) const;

    const Settings& settings_;
    std::vector<Entry> entries_;
    bool moving_ = false;
    // A background press becomes a drag once the pointer has travelled.
    QWidget* pressed_ = nullptr;
    QPoint pressedAt_;
    QWidget* dragged_ = nullptr;
    QPoint dragOffset_;
};

// Keeps a window's position record current while it is moved or resized.
class SlotTracker : public QObject {
  public:
    SlotTracker(QWidget* window, WindowSlot& slot, bool sizeable);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    WindowSlot& slot_;
    bool sizeable_;
};

// Outer rectangle (frame included) of a window.
QRect OuterRect(const QWidget* window);
void MoveOuterTo(QWidget* window, QPoint topLeft);
void CentreOver(QWidget* window, const QWidget* over);
void KeepInWorkArea(QWidget* window);
// A remembered position (and size for sizeable windows), or centred over `over` the first time.
void PlaceFromSlot(QWidget* window, const WindowSlot& slot, bool sizeable, const QWidget* over);
void StoreToSlot(const QWidget* window, WindowSlot& slot, bool sizeable);
void ApplyOpacity(QWidget* window, const Settings& settings);

}  // namespace sonvaro
