// The main window's three layouts: the information alone, with the playlist, with the library.
#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>

#include "ui/list_view.h"
#include "ui/main_window.h"

namespace sonvaro {
namespace {

// Captions, 150-pixel values, the level picture and the logo side by side.
constexpr int kNaturalWidth = 275 + 150;

}  // namespace

void MainWindow::SwitchLayoutFromToolbar(Layout layout) {
    SwitchLayout(static_cast<int32_t>(layout == layout_ ? Layout::InfoOnly : layout));
}

void MainWindow::SwitchLayout(int32_t stored) {
    const Layout layout = stored == 1 ? Layout::Playlist : stored == 2 ? Layout::Library : Layout::InfoOnly;
    if (layout_) LeaveLayout();
    EnterLayout(layout);
}

void MainWindow::LeaveLayout() {
    if (!app_) return;
    StoreMainWindowSize(app_->data.settings, static_cast<int32_t>(*layout_), width(), height(),
                        splitter1_->sizes().value(0), splitter2_->sizes().value(0));
    playlistList_->hide();
    libraryArea_->hide();
}

int MainWindow::LayoutZeroHeight() const {
    const int bars = std::max(toolbar1_->sizeHint().height(), toolbar2_->sizeHint().height());
    return bars + topPanel_->sizeHint().height() + 4;
}

void MainWindow::EnterLayout(Layout layout) {
    layout_ = layout;
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->availableGeometry().size() : QSize(4096, 4096);
    Settings* s = app_ ? &app_->data.settings : nullptr;
    if (s) s->WinSizeMain_SizeType = static_cast<int32_t>(layout);
    if (layout == Layout::InfoOnly) {
        playlistList_->hide();
        libraryArea_->hide();
        statusBar()->hide();
        const int h = LayoutZeroHeight();
        const int w = s && s->WinSizeMain_WinW_Normal > 0 ? s->WinSizeMain_WinW_Normal : kNaturalWidth + 4;
        setMinimumSize(kNaturalWidth, h);
        setMaximumSize(screenSize.width(), h);
        resize(w, h);
        return;
    }
    setMinimumSize(kNaturalWidth, LayoutZeroHeight() + 100);
    setMaximumSize(screenSize);
    statusBar()->show();
    // Only the layout's own list: at start-up nothing has hidden the other one yet.
    playlistList_->setVisible(layout == Layout::Playlist);
    libraryArea_->setVisible(layout == Layout::Library);
    if (s && s->WinSizeMain_WinW_Second > 0 && s->WinSizeMain_WinH_Second > 0)
        resize(s->WinSizeMain_WinW_Second, s->WinSizeMain_WinH_Second);
    else
        resize(640, 480);
    if (layout == Layout::Library && s) {
        // Lay the controls out for the new size first, or the splitters share out a stale size.
        QMainWindow::layout()->activate();
        centralWidget()->layout()->activate();
        libraryArea_->layout()->activate();
        splitter1_->setSizes(
            {s->WinSizeMain_MediaLibSP1, std::max(1, height() - s->WinSizeMain_MediaLibSP1)});
        splitter2_->setSizes({s->WinSizeMain_MediaLibSP2, std::max(1, width() - s->WinSizeMain_MediaLibSP2)});
    }
}

}  // namespace sonvaro
