#include "ui/tracker_window.h"

#include <QFontMetrics>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <algorithm>

#include "engine/bass.h"
#include "playback/player_state.h"
#include "settings/settings.h"
#include "ui/cover_loader.h"
#include "ui/docking.h"
#include "ui/qt_text.h"

namespace sonvaro {

TrackerWindow::~TrackerWindow() {
    delete popup_;
}

void TrackerWindow::Attach(const Settings& settings, const PlayerState& player, QWidget* owner,
                           std::function<uint32_t()> tick) {
    settings_ = &settings;
    player_ = &player;
    owner_ = owner;
    tick_ = std::move(tick);
    check_.setInterval(25);
    connect(&check_, &QTimer::timeout, this, &TrackerWindow::CheckTime);
}

void TrackerWindow::SetCoverLoader(CoverLoader* covers) {
    if (covers_) disconnect(covers_, nullptr, this, nullptr);
    covers_ = covers;
    if (!covers_) return;
    connect(covers_, &CoverLoader::loaded, this, [this](const std::string& path, const QImage& image) {
        if (popup_ && !cover_ && !coverPath_.empty() && path == coverPath_) AddCover(image);
    });
}

void TrackerWindow::CloseUnlessPinned() {
    if (!preview_) Close();
}

void TrackerWindow::Close() {
    check_.stop();
    timer_.Closed();
    preview_ = false;
    coverPath_.clear();
    // It never had the focus, so the window that has it keeps it.
    delete popup_;
}

void TrackerWindow::CheckTime() {
    if (popup_ && settings_ && timer_.Due(tick_(), settings_->Tracker_Time)) Close();
}

void TrackerWindow::ShowTracker(bool preview) {
    if (!settings_) return;
    const Settings& s = *settings_;
    delete popup_;

    auto* popup = new QWidget(
        owner_, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
    popup->setAttribute(Qt::WA_ShowWithoutActivating);
    popup->setFocusPolicy(Qt::NoFocus);
    popup->setWindowTitle(QStringLiteral("Sonvaro - Tracker"));
    auto* frame = new QFrame(popup);
    frame->setFrameStyle(QFrame::Box | QFrame::Plain);
    frame->setLineWidth(1);
    auto* label = new QLabel(frame);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment((s.Tracker_Align == 1   ? Qt::AlignLeft
                         : s.Tracker_Align == 2 ? Qt::AlignRight
                                                : Qt::AlignHCenter) |
                        Qt::AlignVCenter);
    popup_ = popup;
    label_ = label;

    // A playing track shows its own tags even in the preview.
    preview_ = preview;
    const uint32_t channel = player_ ? player_->CurrentChannel() : 0;
    const bool active = channel != 0 && BASS_ChannelIsActive(channel) != BASS_ACTIVE_STOPPED;
    const TrackInfo* track = active || !preview ? &player_->info : nullptr;
    const std::string text = FillTrackerPattern(s.Tracker_Text, track);

    const QFontMetrics metrics(label->font());
    std::vector<int32_t> widths;
    QStringList lines;
    for (const std::string& line : TrackerLines(text)) {
        lines << ToQt(line);
        widths.push_back(metrics.horizontalAdvance(lines.back()));
    }
    label->setText(lines.join(QLatin1Char('\n')));
    const TrackerLayout layout =
        LayoutTracker(widths, metrics.height(), {s.Tracker_Spacing, s.Tracker_MinWidth, s.Tracker_MinHeight});
    popup->resize(layout.width, layout.height);
    frame->setGeometry(0, 0, layout.width, layout.height);
    label->setGeometry(layout.labelX, layout.labelY, layout.labelWidth, layout.labelHeight);

    QPalette palette = popup->palette();
    palette.setColor(QPalette::Window, ColourFromBgr(s.Tracker_BColor));
    palette.setColor(QPalette::WindowText, ColourFromBgr(s.Tracker_FColor));
    popup->setPalette(palette);
    popup->setAutoFillBackground(true);
    label->setAutoFillBackground(true);
    ApplyOpacity(popup, s);

    PlaceInCorner();
    coverPath_.clear();
    if (s.Tracker_Cover != 0 && covers_ && track && !player_->currentPath.empty()) {
        coverPath_ = player_->currentPath;
        if (const auto known = covers_->Request(coverPath_)) AddCover(*known);
    }
    popup->show();
    timer_.Shown(tick_());
    check_.start();
}

void TrackerWindow::PlaceInCorner() {
    const Settings& s = *settings_;
    QScreen* screen = owner_ && owner_->screen() ? owner_->screen() : QGuiApplication::primaryScreen();
    const QRect work = screen ? screen->availableGeometry() : QRect();
    const std::optional<ScreenPoint> at =
        CornerPosition(s.Tracker_Corner, s.Tracker_Gap,
                       {work.x(), work.y(), work.x() + work.width(), work.y() + work.height()},
                       popup_->width(), popup_->height());
    popup_->move(at ? QPoint(at->x, at->y) : QPoint(0, 0));
}

void TrackerWindow::AddCover(const QImage& image) {
    coverPath_.clear();
    if (image.isNull() || !popup_ || !label_) return;
    const int margin = 4;
    const int side = std::max(1, popup_->height() - 2 * margin);
    auto* cover = new QLabel(label_->parentWidget());
    cover->setAlignment(Qt::AlignCenter);
    cover->setPixmap(
        QPixmap::fromImage(image.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    cover->setGeometry(margin, margin, side, side);
    cover_ = cover;
    const int grow = side + margin;
    popup_->resize(popup_->width() + grow, popup_->height());
    label_->parentWidget()->resize(popup_->size());
    label_->move(label_->x() + grow, label_->y());
    cover->show();
    PlaceInCorner();
}

}  // namespace sonvaro
