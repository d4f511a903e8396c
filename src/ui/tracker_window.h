#pragma once
#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>

#include "companions/tracker_placement.h"
#include "playback/player_ports.h"

class QFrame;

class QWidget;

namespace sonvaro {

struct PlayerState;
struct Settings;

// The title popup: a frameless window above all others in a corner of the
// work area that never takes the focus, so typing elsewhere goes on. It goes
// after its display time (checked every 25 ms while it is up), on the next
// title, or when replaced by the next one.
class TrackerWindow : public QObject, public TrackerPopup {
    Q_OBJECT
  public:
    TrackerWindow() = default;
    ~TrackerWindow() override;

    // Before the first track plays. `tick`: 32-bit milliseconds.
    void Attach(const Settings& settings, const PlayerState& player, QWidget* owner,
                std::function<uint32_t()> tick);

    // TrackerPopup
    void Show() override { ShowTracker(false); }
    void CloseUnlessPinned() override;

    void ShowPreview() override { ShowTracker(true); }
    void Close() override;
    // Closes the popup once its display time has passed.
    void CheckTime();

    QWidget* Popup() const { return popup_; }
    QLabel* Label() const { return label_; }
    bool IsPreview() const { return preview_; }

  private:
    void ShowTracker(bool preview);

    const Settings* settings_ = nullptr;
    const PlayerState* player_ = nullptr;
    QWidget* owner_ = nullptr;
    std::function<uint32_t()> tick_;
    QPointer<QWidget> popup_;
    QPointer<QLabel> label_;
    QTimer check_;
    TrackerTimer timer_;
    bool preview_ = false;
};

}  // namespace sonvaro
