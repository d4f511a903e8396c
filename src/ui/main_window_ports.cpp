// The main window as the player logic sees it: the ports it drives.
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QScreen>
#include <QSlider>
#include <QSplitter>
#include <QSystemTrayIcon>

#include "core/text.h"
#include "ui/cover_loader.h"
#include "ui/docking.h"
#include "ui/info_panel.h"
#include "ui/library_controller.h"
#include "ui/library_model.h"
#include "ui/list_view.h"
#include "ui/main_window.h"
#include "ui/playlist_model.h"
#include "ui/qt_text.h"

namespace sonvaro {

// PlayerDisplay

void MainWindow::SetInfoField(int field, const std::string& text) {
    infoPanel_->SetField(field, ToQt(text));
    FollowCover();
}

void MainWindow::FollowCover() {
    if (!app_ || !covers_) return;
    const std::string& path = app_->player.State().currentPath;
    if (path == coverTrack_) return;
    coverTrack_ = path;
    // Until the new one is there, the old cover stays: no flicker between two tracks of an album.
    if (path.empty() || IsStreamAddress(path))
        infoPanel_->SetCover({});
    else if (const auto known = covers_->Request(path))
        infoPanel_->SetCover(*known);
}

void MainWindow::SetPositionSlider(int32_t value) {
    if (position_->isSliderDown() || position_->value() == value) return;
    settingSlider_ = true;
    position_->setValue(value);
    settingSlider_ = false;
}

void MainWindow::EnablePositionSlider(bool enabled) {
    position_->setEnabled(enabled);
}

void MainWindow::SetPauseButton(bool pressed) {
    actions_[Command::Pause]->setChecked(pressed);
}

void MainWindow::SetMuteButton(bool muted) {
    actions_[Command::Mute]->setChecked(muted);
}

void MainWindow::SetVolumeSlider(int32_t percent) {
    settingVolume_ = true;
    volume_->setValue(percent);
    settingVolume_ = false;
    volume_->setToolTip(QString::number(percent) + '%');
}

void MainWindow::SetModeButtons(bool repeat, bool random) {
    SetRepeatRandom(repeat, random);
}

void MainWindow::SetTrayToolTip(const std::string& text) {
    if (tray_) tray_->setToolTip(ToQt(text));
}

void MainWindow::ShowLevelImage(const LevelDisplay& picture) {
    infoPanel_->ShowLevel(picture);
}

// PlaylistDisplay

void MainWindow::PlaylistReset() {
    if (model_) model_->Reset();
}

void MainWindow::FitPlaylistColumns() {
    for (int i = 1; i < 8; ++i) playlistList_->resizeColumnToContents(i);
}

void MainWindow::SetPlaylistSummary(const std::string& text) {
    status_[1]->setText(ToQt(text));
}

void MainWindow::RowAppended() {
    if (model_) model_->RowAppended();
}

void MainWindow::RowRemoved(int row) {
    if (model_) model_->RowRemoved(row);
}

void MainWindow::RowChanged(int row) {
    if (model_) model_->RowChanged(row);
}

void MainWindow::SetRowMarked(int row, bool marked) {
    if (model_) model_->SetMarkedRow(row, marked);
}

std::vector<int> MainWindow::SelectedRows() const {
    std::vector<int> rows;
    if (!playlistList_->selectionModel()) return rows;
    for (const QModelIndex& index : playlistList_->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void MainWindow::ProcessPendingEvents() {
    busy_.LetEventsThrough();
}

bool MainWindow::EscapePressed() {
    return busy_.TakeStop();
}

// ShutdownPort

void MainWindow::CloseWindows() {
    hide();
    setEnabled(false);
    tools_->CloseAllButLog();
}

void MainWindow::RemoveTrayIcon() {
    if (tray_) tray_->hide();
}

void MainWindow::CloseLog() {
    tools_->CloseLog();
}

// SettingsWindowPort

std::optional<std::pair<int32_t, int32_t>> MainWindow::HighlightColours() {
    const QPalette palette = QApplication::palette();
    return std::make_pair(BgrFromColour(palette.color(QPalette::Highlight)),
                          BgrFromColour(palette.color(QPalette::HighlightedText)));
}

void MainWindow::PlaceMainWindow(const WindowSlot& slot) {
    if (!CanPlaceWindows()) return;
    if (slot.x == -1 && slot.y == -1) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->geometry();
            move(area.x() + CentredOffset(area.width(), width()),
                 area.y() + CentredOffset(area.height(), height()));
        }
    } else {
        move(slot.x, slot.y);
    }
    // A place stored on a larger or less scaled screen may lie outside this one.
    KeepInWorkArea(this);
}

void MainWindow::SetMainWindowOnTop(bool onTop) {
    const bool visible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (visible) show();
}

void MainWindow::ApplyOpacity(bool enabled, int32_t value) {
    const double opacity = enabled ? value / 255.0 : 1.0;
    setWindowOpacity(opacity);
    for (QWidget* w : tools_->Windows()) w->setWindowOpacity(opacity);
}

void MainWindow::ApplyInfoColours(int32_t background, int32_t foreground) {
    infoPanel_->SetColours(background, foreground);
}

void MainWindow::SetVolume(int32_t percent) {
    settingVolume_ = true;
    volume_->setValue(percent);
    settingVolume_ = false;
    ApplyVolumeSlider(volume_->value());
}

void MainWindow::SetRepeatRandom(bool repeat, bool random) {
    actions_[Command::Repeat]->setChecked(repeat);
    actions_[Command::Random]->setChecked(random);
}

namespace {

// Widths, order and alignments onto a list; column 0 stays first and closed.
template <int N, class SetAlignment>
void ApplyColumnLayout(ListView& list, const ColumnLayout<N>& layout, SetAlignment setAlignment) {
    QHeaderView* head = list.header();
    for (int i = 1; i < N; ++i) {
        if (layout.width[i] > 0) head->resizeSection(i, layout.width[i]);
        setAlignment(i, layout.align[i]);
    }
    // order[visual] = logical
    for (int visual = 1; visual < N; ++visual) {
        const int logical = layout.order[visual];
        if (logical > 0 && logical < N) head->moveSection(head->visualIndex(logical), visual);
    }
    list.ProtectFirstColumn();
}

template <int N, class Alignment>
void StoreColumnLayout(ListView& list, ColumnLayout<N>& layout, Alignment alignment) {
    const QHeaderView* head = list.header();
    for (int i = 0; i < N; ++i) {
        layout.width[i] = i == 0 ? 0 : list.OwnWidth(i);
        layout.order[i] = head->logicalIndex(i);
        layout.align[i] = alignment(i);
    }
}

}  // namespace

void MainWindow::ApplyPlaylistColumns(const ColumnLayout<kPlaylistColumnCount>& layout) {
    ApplyColumnLayout(*playlistList_, layout,
                      [this](int column, int code) { model_->SetAlignment(column, code); });
}

void MainWindow::ApplyLibraryColumns(const ColumnLayout<kLibraryColumnCount>& layout) {
    if (!library_) return;
    LibraryModel& model = library_->Model();
    ApplyColumnLayout(*libraryList_, layout,
                      [&model](int column, int code) { model.SetAlignment(column, code); });
}

void MainWindow::StoreWindowState(Settings& settings) {
    // Also when the shut-down has hidden it already: its place is still known.
    if (placed_ && !isMinimized()) StoreToSlot(this, settings.Window(WindowId::Main), false);
    StoreMainWindowSize(settings, settings.WinSizeMain_SizeType, width(), height(),
                        splitter1_->sizes().value(0), splitter2_->sizes().value(0));
    StoreColumnLayout(*playlistList_, settings.playlistColumns,
                      [this](int column) { return model_->Alignment(column); });
    if (library_) {
        const LibraryModel& model = library_->Model();
        StoreColumnLayout(*libraryList_, settings.libraryColumns,
                          [&model](int column) { return model.Alignment(column); });
    }
    tools_->StorePlaces(settings);
}

void MainWindow::SetText(const std::string& text) {
    QGuiApplication::clipboard()->setText(ToQt(text));
}

}  // namespace sonvaro
