#include "ui/radio_log_window.h"

#include <QCloseEvent>
#include <QLabel>
#include <QTimer>
#include <QTreeWidget>

#include "playback/radio_log.h"
#include "ui/qt_text.h"

namespace sonvaro {

RadioLogWindow::RadioLogWindow(const RadioTrackLog& log, QWidget* owner)
    : ToolWindow(owner, QStringLiteral("RadioLog")), log_(log) {
    resize(280, 250);
    auto* caption = new QLabel(QStringLiteral("Download:"), this);
    caption->setGeometry(2, 2, 100, 15);
    counter_ = new QLabel(this);
    counter_->setGeometry(104, 2, 100, 15);
    tracks_ = new QTreeWidget(this);
    tracks_->setRootIsDecorated(false);
    tracks_->setHeaderLabels({QStringLiteral("Artist"), QStringLiteral("Titel")});
    tracks_->setColumnWidth(0, 100);
    tracks_->setColumnWidth(1, 100);
    Refresh();
    // The log is written by the radio and engine threads; the window looks at it
    // a few times a second and redraws only when its revision moved.
    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, &RadioLogWindow::Refresh);
    timer_->start(250);
}

void RadioLogWindow::Refresh() {
    const uint64_t revision = log_.Revision();
    if (shownOnce_ && revision == shownRevision_) return;
    shownOnce_ = true;
    shownRevision_ = revision;
    counter_->setText(ToQt(log_.CounterText()));
    const std::vector<RadioTrack> tracks = log_.Tracks();
    // New rows are added below; when the shown rows are no longer the log's
    // first rows (a new station came in between), the list starts over.
    bool prefix = static_cast<size_t>(tracks_->topLevelItemCount()) <= tracks.size();
    for (int i = 0; prefix && i < tracks_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = tracks_->topLevelItem(i);
        prefix = item->text(0) == ToQt(tracks[static_cast<size_t>(i)].artist) &&
                 item->text(1) == ToQt(tracks[static_cast<size_t>(i)].title);
    }
    if (!prefix) tracks_->clear();
    for (size_t i = static_cast<size_t>(tracks_->topLevelItemCount()); i < tracks.size(); ++i)
        new QTreeWidgetItem(tracks_, {ToQt(tracks[i].artist), ToQt(tracks[i].title)});
    if (!tracks.empty()) tracks_->scrollToBottom();
}

void RadioLogWindow::resizeEvent(QResizeEvent* event) {
    tracks_->setGeometry(2, 19, width() - 4, height() - 21);
    QWidget::resizeEvent(event);
}

void RadioLogWindow::closeEvent(QCloseEvent* event) {
    ToolWindow::closeEvent(event);
    timer_->stop();
}

}  // namespace sonvaro
