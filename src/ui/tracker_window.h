#pragma once
#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <string>

#include "companions/tracker_placement.h"
#include "playback/player_ports.h"

class QFrame;
class QImage;

class QWidget;

namespace sonvaro {

class CoverLoader;
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
    // Where the covers come from when Tracker_Cover asks for them; none: no covers.
    void SetCoverLoader(CoverLoader* covers);

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
    QLabel* CoverLabel() const { return cover_; }

  private:
    void ShowTracker(bool preview);
    // A square of the popup's height left of the text; the popup grows by it.
    void AddCover(const QImage& image);
    void PlaceInCorner();

    const Settings* settings_ = nullptr;
    const PlayerState* player_ = nullptr;
    QWidget* owner_ = nullptr;
    std::function<uint32_t()> tick_;
    QPointer<QWidget> popup_;
    QPointer<QLabel> label_;
    QPointer<QLabel> cover_;
    CoverLoader* covers_ = nullptr;
    std::string coverPath_;  // the track whose cover the popup waits for
    QTimer check_;
    TrackerTimer timer_;
    bool preview_ = false;
};

}  // namespace sonvaro
