#include "ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProxyStyle>
#include <QPushButton>
#include <QSlider>
#include <QSplitter>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QWindow>

#include "playback/level_display.h"
#include "ui/command_table.h"
#include "ui/cover_loader.h"
#include "ui/docking.h"
#include "ui/icons.h"
#include "ui/info_panel.h"
#include "ui/library_controller.h"
#include "ui/library_model.h"
#include "ui/list_view.h"
#include "ui/playlist_model.h"
#include "ui/qt_text.h"

namespace sonvaro {
namespace {

// A click on the groove moves the handle there, as in every desktop player,
// instead of paging by a step.
class JumpToClickStyle : public QProxyStyle {
  public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override {
        if (hint == QStyle::SH_Slider_AbsoluteSetButtons) return Qt::LeftButton;
        return QProxyStyle::styleHint(hint, option, widget, data);
    }
};

}  // namespace

MainWindow::MainWindow() {
    setWindowTitle(QStringLiteral("Sonvaro"));
    setWindowIcon(AppIcon());
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    resize(640, 480);
    setAcceptDrops(true);  // everywhere, in every layout: see eventFilter
    setFocusPolicy(Qt::StrongFocus);
    BuildActions();
    BuildToolBars();
    BuildToolWindows();

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(2, 0, 2, 2);
    column->setSpacing(2);
    topPanel_ = new QWidget(central);
    auto* top = new QVBoxLayout(topPanel_);
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(0);
    infoPanel_ = new InfoPanel({[this] { ShowCurrentTrackInformation(); },
                                [this] {
                                    if (!app_) return;
                                    int& type = app_->data.settings.Misc_SpectrumType;
                                    type = type < 1 ? 1 : 0;
                                },
                                [this] { RunCommand(Command::About); }},
                               topPanel_);
    top->addWidget(infoPanel_);
    position_ = new QSlider(Qt::Horizontal, topPanel_);
    position_->setRange(0, 1000);
    position_->setFocusPolicy(Qt::NoFocus);
    position_->setObjectName(QStringLiteral("positionSlider"));
    auto* jump = new JumpToClickStyle;
    jump->setParent(position_);
    position_->setStyle(jump);
    top->addWidget(position_);
    volume_ = new QSlider(Qt::Horizontal, topPanel_);
    volume_->setRange(0, 100);
    volume_->setToolTip(QStringLiteral("Lautstärke"));
    volume_->setFocusPolicy(Qt::NoFocus);
    top->addWidget(volume_);
    column->addWidget(topPanel_);

    playlistList_ = new ListView(central);
    column->addWidget(playlistList_, 1);
    BuildLibraryArea();
    column->addWidget(libraryArea_, 1);
    setCentralWidget(central);
    BuildMenus();
    BuildStatusBar();

    connect(position_, &QSlider::valueChanged, this, [this](int value) {
        if (settingSlider_ || !app_) return;
        app_->control.Seek(value, position_->isSliderDown());
    });
    connect(position_, &QSlider::sliderReleased, this, [this] {
        if (app_) app_->control.Seek(position_->value(), false);
        setFocus();
    });
    connect(volume_, &QSlider::valueChanged, this, [this](int value) {
        if (!settingVolume_) ApplyVolumeSlider(value);
    });
    connect(playlistList_, &ListView::rowActivated, this, [this] {
        if (app_ && !busy_.Busy() && !app_->ShuttingDown()) app_->control.PlaySelected();
    });
    connect(playlistList_, &ListView::menuRequested, this, [this](QPoint pos) {
        if (busy_.Busy()) return;
        UpdatePlaylistMenu();
        menus_[PopupMenu::Playlist]->popup(pos);
    });
    connect(playlistList_, &ListView::headerClicked, this, [this](int column) {
        if (!busy_.Busy() && app_) app_->playback.SortPlaylist(column);
    });
    connect(playlistList_, &ListView::headerMenuRequested, this, [this](int column, QPoint pos) {
        SetHeaderMenuColumn(playlistList_, column);
        menus_[PopupMenu::Header]->popup(pos);
    });
    connect(playlistList_, &ListView::deletePressed, this, [this] {
        if (!SelectedRows().empty()) RunCommand(Command::Remove);
    });
    // The library's files mirror the music folder: Delete removes nothing there.
    // A station goes only through its own question.
    connect(libraryList_, &ListView::deletePressed, this, [this] {
        if (library_ && !busy_.Busy() && library_->Model().Result().mode == SearchMode::Stations)
            library_->Run(Command::RemoveStation);
    });
    connect(playlistList_, &ListView::firstVisibleColumnChanged, this, [this](int column) {
        if (model_) model_->SetSymbolColumn(column);
    });
    qApp->installEventFilter(this);
}

// The log window, a child, lets go of the status log itself: the Application
// must still exist, so the front ends destroy the window first.
MainWindow::~MainWindow() {
    qApp->removeEventFilter(this);
}

void MainWindow::BuildActions() {
    for (const CommandEntry& entry : CommandEntries()) {
        const QString text = QString::fromUtf8(entry.text);
        auto* action = new QAction(text, this);
        action->setData(static_cast<int>(entry.command));
        action->setToolTip(text);
        action->setCheckable(entry.checkable);
        if (*entry.icon) action->setIcon(Icon(entry.icon));
        const Command command = entry.command;
        connect(action, &QAction::triggered, this, [this, command] { RunCommand(command); });
        actions_[command] = action;
    }
    // Off until the window is joined to what they need: "Aufgabe" comes on
    // with AttachTasks, "Neue Version", "Webseite" and "Feedback" with AttachUpdates.
    for (Command c : {Command::Task, Command::UpdateCheck, Command::Website, Command::Feedback})
        actions_[c]->setEnabled(false);
}

void MainWindow::BuildToolBars() {
    toolbar1_ = addToolBar(QStringLiteral("Main 1"));
    toolbar1_->setObjectName(QStringLiteral("Main 1"));
    for (Command n : {Command::Previous, Command::Play, Command::Pause, Command::Stop, Command::Next,
                      Command::RecordRadio})
        toolbar1_->addAction(actions_[n]);
    toolbar1_->addSeparator();
    toolbar1_->addAction(actions_[Command::Mute]);
    toolbar2_ = addToolBar(QStringLiteral("Main 2"));
    toolbar2_->setObjectName(QStringLiteral("Main 2"));
    toolbar2_->addAction(actions_[Command::Equalizer]);
    toolbar2_->addSeparator();
    toolbar2_->addAction(actions_[Command::Repeat]);
    toolbar2_->addAction(actions_[Command::Random]);
    toolbar2_->addSeparator();
    toolbar2_->addAction(actions_[Command::OpenMenu]);
    toolbar2_->addSeparator();
    for (Command n : {Command::PlaylistLayout, Command::LibraryLayout, Command::Settings, Command::Task})
        toolbar2_->addAction(actions_[n]);
    for (QToolBar* bar : {toolbar1_, toolbar2_}) {
        bar->setMovable(false);
        bar->setFloatable(false);
        bar->setIconSize(QSize(16, 16));
        bar->setContextMenuPolicy(Qt::PreventContextMenu);
    }
}

void MainWindow::BuildMenus() {
    const auto S = [](const char* t) { return QString::fromUtf8(t); };
    auto* m0 = new QMenu(this);
    m0->addAction(actions_[Command::PlaylistPlay]);
    m0->addSeparator();
    m0->addAction(actions_[Command::Shuffle]);
    QMenu* sort = m0->addMenu(Icon("sort"), S("Sortieren"));
    for (Command n : {Command::SortTitle, Command::SortArtist, Command::SortAlbum, Command::SortNumber,
                      Command::SortLength, Command::SortYear, Command::SortType})
        sort->addAction(actions_[n]);
    m0->addAction(actions_[Command::Search]);
    m0->addSeparator();
    m0->addAction(actions_[Command::ShowInFolder]);
    m0->addAction(actions_[Command::CopyFiles]);
    m0->addSeparator();
    QMenu* add = m0->addMenu(Icon("add-file"), S("Hinzufügen"));
    add->addAction(actions_[Command::AddFiles]);
    add->addAction(actions_[Command::AddFolder]);
    m0->addAction(actions_[Command::Generate]);
    m0->addAction(actions_[Command::SavePlaylist]);
    m0->addSeparator();
    for (Command n : {Command::SelectAll, Command::Remove, Command::RemoveAll}) m0->addAction(actions_[n]);
    m0->addSeparator();
    for (Command n : {Command::AutoTag, Command::Refresh, Command::Information}) m0->addAction(actions_[n]);
    menus_[PopupMenu::Playlist] = m0;

    auto* m4 = new QMenu(this);
    m4->addAction(actions_[Command::OpenAddFiles]);
    m4->addAction(actions_[Command::OpenAddFolder]);
    menus_[PopupMenu::Open] = m4;

    auto* m5 = new QMenu(this);
    m5->addAction(actions_[Command::ShowHide]);
    m5->addSeparator();
    QMenu* play = m5->addMenu(Icon("play"), S("Wiedergabe"));
    for (Command n :
         {Command::TrayPrevious, Command::TrayPlay, Command::TrayPause, Command::TrayStop, Command::TrayNext})
        play->addAction(actions_[n]);
    for (Command n : {Command::Log, Command::RadioLog, Command::TraySettings, Command::TrayEqualizer})
        m5->addAction(actions_[n]);
    m5->addSeparator();
    for (Command n : {Command::UpdateCheck, Command::Website, Command::Feedback}) m5->addAction(actions_[n]);
    m5->addSeparator();
    for (Command n : {Command::RecordingFolder, Command::Help, Command::About}) m5->addAction(actions_[n]);
    m5->addSeparator();
    m5->addAction(actions_[Command::Exit]);
    menus_[PopupMenu::Tray] = m5;
    // F1 anywhere in the player, as on every desktop; the action lives on the
    // window so that its key works while the tray menu is closed.
    actions_[Command::Help]->setShortcut(QKeySequence(Qt::Key_F1));
    actions_[Command::Help]->setShortcutContext(Qt::ApplicationShortcut);
    addAction(actions_[Command::Help]);

    auto* m6 = new QMenu(this);
    for (Command n : {Command::AlignLeft, Command::AlignCenter, Command::AlignRight})
        m6->addAction(actions_[n]);
    menus_[PopupMenu::Header] = m6;
}

void MainWindow::BuildLibraryArea() {
    // The library layout's controls; the library subsystem gives them their contents.
    libraryArea_ = new QWidget(this);
    auto* box = new QVBoxLayout(libraryArea_);
    box->setContentsMargins(0, 0, 0, 0);
    splitter1_ = new QSplitter(Qt::Vertical, libraryArea_);
    auto* searchBar = new QWidget(splitter1_);
    auto* searchRow = new QHBoxLayout(searchBar);
    searchRow->setContentsMargins(0, 0, 0, 0);
    auto* search = new QLineEdit(searchBar);
    search->setObjectName(QStringLiteral("librarySearch"));
    auto* searchButton = new QPushButton(QStringLiteral("Suchen"), searchBar);
    searchButton->setObjectName(QStringLiteral("librarySearchButton"));
    auto* options = new QToolButton(searchBar);
    options->setObjectName(QStringLiteral("libraryOptions"));
    options->setToolTip(QStringLiteral("Suchoptionen"));
    searchRow->addWidget(search, 1);
    searchRow->addWidget(searchButton);
    searchRow->addWidget(options);
    searchRow->setAlignment(Qt::AlignTop);
    splitter2_ = new QSplitter(Qt::Horizontal, splitter1_);
    auto* side = new QWidget(splitter2_);
    auto* sideBox = new QVBoxLayout(side);
    sideBox->setContentsMargins(0, 0, 0, 0);
    auto* mode = new QComboBox(side);
    for (const char* t : {"Datenbank", "Am meisten abgespielt", "Zuletzt abgespielt", "Noch nie abgespielt",
                          "Lesezeichen", "Internet Stream", "Interpreten und Alben"})
        mode->addItem(QString::fromUtf8(t));
    mode->setObjectName(QStringLiteral("libraryMode"));
    auto* albums = new QComboBox(side);
    albums->setObjectName(QStringLiteral("libraryAlbums"));
    sideBox->addWidget(mode);
    sideBox->addWidget(albums);
    sideBox->addStretch(1);
    libraryList_ = new ListView(splitter2_);
    for (QWidget* w :
         {static_cast<QWidget*>(search), static_cast<QWidget*>(searchButton), static_cast<QWidget*>(options),
          static_cast<QWidget*>(mode), static_cast<QWidget*>(albums)})
        w->setEnabled(false);
    splitter1_->setChildrenCollapsible(false);
    splitter2_->setChildrenCollapsible(false);
    // Growing the window grows the list, not the search bar or the side panel.
    splitter1_->setStretchFactor(0, 0);
    splitter1_->setStretchFactor(1, 1);
    splitter2_->setStretchFactor(0, 0);
    splitter2_->setStretchFactor(1, 1);
    searchBar->setMinimumHeight(50);
    splitter2_->setMinimumHeight(50);
    side->setMinimumWidth(140);
    libraryList_->setMinimumWidth(450);
    box->addWidget(splitter1_);
    connect(libraryList_, &ListView::headerMenuRequested, this, [this](int column, QPoint pos) {
        SetHeaderMenuColumn(libraryList_, column);
        menus_[PopupMenu::Header]->popup(pos);
    });
    libraryArea_->hide();
}

void MainWindow::BuildStatusBar() {
    QStatusBar* bar = statusBar();
    const int widths[] = {20, 180, 160, 0};
    for (int i = 0; i < 4; ++i) {
        status_[i] = new QLabel(bar);
        if (widths[i] > 0) status_[i]->setFixedWidth(widths[i]);
        bar->addWidget(status_[i], widths[i] > 0 ? 0 : 1);
    }
    status_[0]->setPixmap(Icon("idle").pixmap(16, 16));
    auto* busyTimer = new QTimer(this);
    connect(busyTimer, &QTimer::timeout, this, &MainWindow::BusyTick);
    busyTimer->start(80);
}

void MainWindow::BusyTick() {
    // The library is busy while its scan thread or a search runs.
    const bool busy = app_ && (app_->workers.busy || app_->workers.scanRunning);
    if (library_) library_->Tick();
    if (busy) {
        busyFrame_ = (busyFrame_ + 1) % 4;
        status_[0]->setPixmap(Icon(QStringLiteral("busy-%1").arg(busyFrame_)).pixmap(16, 16));
    } else if (busyFrame_ >= 0) {
        busyFrame_ = -1;
        status_[0]->setPixmap(Icon("idle").pixmap(16, 16));
    }
}

void MainWindow::BuildTray() {
    if (tray_ || !QSystemTrayIcon::isSystemTrayAvailable()) return;
    tray_ = new QSystemTrayIcon(AppIcon(), this);
    tray_->setToolTip(QStringLiteral("Sonvaro"));
    tray_->setContextMenu(menus_[PopupMenu::Tray]);
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger) ToggleShowHide();
    });
    tray_->show();
}

void MainWindow::Attach(Application& app) {
    app_ = &app;
    docking_ = new DockRegistry(app.data.settings, this);
    tools_->Attach(app, *docking_);
    covers_ = new CoverLoader(app.covers, this);
    connect(covers_, &CoverLoader::loaded, this, [this](const std::string& path, const QImage& image) {
        if (path == coverTrack_) infoPanel_->SetCover(image);
    });
    tools_->SetCoverLoader(covers_);
    // Two tracks may show the same fields (same file name in two folders): the
    // path is what tells, looked at on each field change and every 100 ms.
    auto* coverFollow = new QTimer(this);
    connect(coverFollow, &QTimer::timeout, this, &MainWindow::FollowCover);
    coverFollow->start(100);
    model_ = new PlaylistModel(app.data.playlist, app.data.settings, this);
    playlistList_->setModel(model_);
    playlistList_->ProtectFirstColumn();
    const int widths[] = {0, 150, 100, 80, 80, 80, 80, 80};
    for (int i = 1; i < 8; ++i) playlistList_->header()->resizeSection(i, widths[i]);
    playlistList_->FillWithLastColumn();
    volume_->setToolTip(QString::number(app.data.settings.Misc_Volume) + '%');
    library_ =
        new LibraryController(app, *this,
                              {libraryArea_->findChild<QLineEdit*>(QStringLiteral("librarySearch")),
                               libraryArea_->findChild<QPushButton*>(QStringLiteral("librarySearchButton")),
                               libraryArea_->findChild<QToolButton*>(QStringLiteral("libraryOptions")),
                               libraryArea_->findChild<QComboBox*>(QStringLiteral("libraryMode")),
                               libraryArea_->findChild<QComboBox*>(QStringLiteral("libraryAlbums")),
                               libraryList_, status_[2], status_[3]},
                              {[this](const TrackInfo& info) { tools_->OpenFileInfo(info); },
                               [this](const std::string& path) { tools_->ShowFileInformation(path); }});
    const int libraryWidths[] = {0, 250, 100, 80, 80, 100, 80, 80, 100, 80};
    for (int i = 1; i < kLibraryColumnCount; ++i) libraryList_->header()->resizeSection(i, libraryWidths[i]);
}

void MainWindow::FinishStartUp() {
    volume_->setToolTip(QString::number(volume_->value()) + '%');
    SetRecordingIcon();
    if (!infoPanel_->LevelShown()) {
        app_->level.Blank(app_->data.settings.GUI_ColorB);
        ShowLevelImage(app_->level);
    }
    if (library_) library_->ShowChosenView();
    if (!isVisible()) show();
    KeepInWorkArea(this);  // the layout may have grown the window since it was placed
    placed_ = true;
    setEnabled(true);
    docking_->Register(this, kDockAll);
    BuildTray();
}

QAction* MainWindow::Action(int number) const {
    return Action(static_cast<Command>(number));
}

QAction* MainWindow::Action(Command command) const {
    const auto it = actions_.find(command);
    return it == actions_.end() ? nullptr : it->second;
}

QMenu* MainWindow::Menu(PopupMenu menu) const {
    const auto it = menus_.find(menu);
    return it == menus_.end() ? nullptr : it->second;
}

QLabel* MainWindow::InfoField(int field) const {
    return infoPanel_->Field(field);
}

QString MainWindow::InfoFieldText(int field) const {
    return infoPanel_->FieldText(field);
}

void MainWindow::ApplyVolumeSlider(int value) {
    volume_->setToolTip(QString::number(value) + '%');
    if (app_) app_->control.SetVolume(value);
}

bool MainWindow::TrayShown() const {
    return tray_ && tray_->isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
}

void MainWindow::ToggleShowHide() {
    if (!app_) return;
    // Hidden without a tray icon to click, the player would be out of reach:
    // then it goes to the task bar whatever the setting says.
    const bool taskBar = app_->data.settings.Misc_TaskBar != 0 || !TrayShown();
    QList<QWidget*> windows{this};
    windows << tools_->Windows();
    if (taskBar) {
        if (isMinimized()) {
            showNormal();
            actions_[Command::ShowHide]->setText(QStringLiteral("Verstecken"));
            raise();
            activateWindow();
        } else {
            showMinimized();
            actions_[Command::ShowHide]->setText(QStringLiteral("Zeigen"));
        }
        return;
    }
    if (isVisible()) {
        for (QWidget* w : windows) {
            w->setProperty("sonvaroShown", w->isVisible());
            w->hide();
        }
        actions_[Command::ShowHide]->setText(QStringLiteral("Zeigen"));
    } else {
        for (QWidget* w : windows) {
            if (w != this && !w->property("sonvaroShown").toBool()) continue;
            w->show();
            KeepInWorkArea(w);
        }
        actions_[Command::ShowHide]->setText(QStringLiteral("Verstecken"));
        raise();
        activateWindow();
    }
}

void MainWindow::SelectPlaylistRow(int row) {
    playlistList_->clearSelection();
    if (row < 0 || row >= model_->rowCount()) return;
    const QModelIndex index = model_->index(row, 1);
    playlistList_->selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    playlistList_->setCurrentIndex(index);
    playlistList_->scrollTo(index);
    playlistList_->setFocus();
}

// Events

void MainWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (!busy_.Busy()) emit exitRequested();
}

void MainWindow::contextMenuEvent(QContextMenuEvent* event) {
    // The tray menu on the window too: on desktops without a tray it is the
    // only way to the log, the help, "Informationen" and "Beenden".
    event->accept();
    if (!busy_.Busy()) menus_[PopupMenu::Tray]->popup(event->globalPos());
}

void MainWindow::wheelEvent(QWheelEvent* event) {
    // The wheel over the window's background moves the volume by 5 per notch.
    const int notches = event->angleDelta().y() / 120;
    if (notches != 0) volume_->setValue(std::clamp(volume_->value() + notches * 5, 0, 100));
    event->accept();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (app_ && isVisible() && !isMinimized())
        StoreToSlot(this, app_->data.settings.Window(WindowId::Main), false);
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    if (app_ && isVisible() && !isMinimized())
        StoreToSlot(this, app_->data.settings.Window(WindowId::Main), false);
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    // Without a task-bar button, minimising hides the player to the tray instead.
    if (event->type() == QEvent::WindowStateChange && app_ && isMinimized() &&
        app_->data.settings.Misc_TaskBar == 0 && TrayShown()) {
        setWindowState(windowState() & ~Qt::WindowMinimized);
        ToggleShowHide();
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
        busy_.EscapeKey();
    // While a long operation lets events through, user input reaches no command.
    if (busy_.LettingEventsThrough() &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick ||
         event->type() == QEvent::KeyPress || event->type() == QEvent::Drop))
        return true;
    if (HandleDrop(watched, event)) return true;
    return QMainWindow::eventFilter(watched, event);
}

// Drops of files, folders and playlists take one road wherever they land in
// this window: over the lists, the track information, the bars or a text field.
bool MainWindow::HandleDrop(QObject* target, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) return false;
    auto* widget = qobject_cast<QWidget*>(target);
    if (!widget || widget->window() != this) return false;
    auto* drop = static_cast<QDropEvent*>(event);
    // Other data (a word into the search field) is the widget's own business.
    if (!drop->mimeData() || !drop->mimeData()->hasUrls()) return false;
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (type == QEvent::Drop) {
        const QString names = DroppedNames(*drop->mimeData());
        if (!names.isEmpty()) AddDropped(names);
    }
    return true;
}

}  // namespace sonvaro
