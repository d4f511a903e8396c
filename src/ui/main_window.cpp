#include "ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QSplitter>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QWindow>

#include "core/messages.h"
#include "platform/file_info.h"
#include "playback/level_display.h"
#include "ui/about_window.h"
#include "ui/docking.h"
#include "ui/folder_dialog.h"
#include "ui/icons.h"
#include "ui/log_window.h"
#include "ui/playlist_model.h"
#include "ui/list_view.h"
#include "ui/qt_text.h"
#include "ui/search_window.h"

namespace sonvaro {
namespace {

constexpr int kInfoAreaHeight = 85;
// Captions, 150-pixel values, the level picture and the logo side by side.
constexpr int kNaturalWidth = 275 + 150;

// A picture that runs something when clicked.
class ClickLabel : public QLabel {
public:
    explicit ClickLabel(std::function<void()> onClick, QWidget* parent)
        : QLabel(parent), onClick_(std::move(onClick)) {}

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && onClick_) onClick_();
    }

private:
    std::function<void()> onClick_;
};

}  // namespace

MainWindow::MainWindow() {
    setWindowTitle(QStringLiteral("Sonvaro"));
    setWindowIcon(AppIcon());
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    resize(640, 480);
    setAcceptDrops(false);
    setFocusPolicy(Qt::StrongFocus);
    lastEvents_.start();
    BuildActions();
    BuildToolBars();

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(2, 0, 2, 2);
    column->setSpacing(2);
    topPanel_ = new QWidget(central);
    auto* top = new QVBoxLayout(topPanel_);
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(0);
    BuildInfoArea(topPanel_);
    top->addWidget(infoArea_);
    position_ = new QSlider(Qt::Horizontal, topPanel_);
    position_->setRange(0, 1000);
    position_->setFocusPolicy(Qt::NoFocus);
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
        if (app_ && !busy_ && !app_->ShuttingDown()) app_->control.PlaySelected();
    });
    connect(playlistList_, &ListView::menuRequested, this, [this](QPoint pos) {
        if (busy_) return;
        UpdatePlaylistMenu();
        menus_[0]->popup(pos);
    });
    connect(playlistList_, &ListView::headerClicked, this, [this](int column) {
        if (!busy_ && app_) app_->playback.SortPlaylist(column);
    });
    connect(playlistList_, &ListView::headerMenuRequested, this, [this](int column, QPoint pos) {
        SetHeaderMenuColumn(playlistList_, column);
        menus_[6]->popup(pos);
    });
    connect(playlistList_, &ListView::namesDropped, this, &MainWindow::AddDropped);
    qApp->installEventFilter(this);
}

// The log window, a child, lets go of the status log itself: the Application
// must still exist, so the front ends destroy the window first.
MainWindow::~MainWindow() { qApp->removeEventFilter(this); }

QAction* MainWindow::MakeAction(int number, const QString& text, const QString& icon, bool checkable) {
    auto* action = new QAction(text, this);
    action->setData(number);
    action->setToolTip(text);
    action->setCheckable(checkable);
    if (!icon.isEmpty()) action->setIcon(Icon(icon));
    connect(action, &QAction::triggered, this, [this, number] { RunCommand(number); });
    actions_[number] = action;
    return action;
}

void MainWindow::BuildActions() {
    const auto S = [](const char* t) { return QString::fromUtf8(t); };
    MakeAction(0, S("Vorheriger Titel"), "prev");
    MakeAction(1, S("Wiedergabe"), "play");
    MakeAction(2, S("Pause"), "pause", true);
    MakeAction(3, S("Stop"), "stop");
    MakeAction(4, S("Nächster Titel"), "next");
    MakeAction(5, S("Radio Aufnahme"), "record-off");
    MakeAction(6, S("Stumm"), "mute", true);
    MakeAction(7, S("Wiedergabe Wiederholen"), "repeat", true);
    MakeAction(8, S("Zufällige Wiedergabe"), "shuffle", true);
    MakeAction(9, S("Öffnen"), "open");
    MakeAction(10, S("Wiedergabeliste"), "playlist");
    MakeAction(11, S("Medienbibliothek"), "library");
    MakeAction(12, S("Equalizer"), "equalizer");
    MakeAction(13, S("Einstellungen"), "settings");
    MakeAction(14, S("Aufgabe"), "task");
    // Menu 0
    MakeAction(15, S("Wiedergabe"), "play");
    MakeAction(16, S("Mischen"), "shuffle");
    const char* const sortTexts[] = {"Titel", "Interpret", "Album", "Nummer", "Länge", "Jahr", "Typ"};
    for (int i = 0; i < 7; ++i) MakeAction(17 + i, S(sortTexts[i]), "sort");
    MakeAction(24, S("Suchen"), "find");
    MakeAction(25, S("Datei"), "add-file");
    MakeAction(26, S("Ordner"), "add-folder");
    MakeAction(27, S("Generieren"), "generate");
    MakeAction(28, S("Ordner Öffnen"), "open");
    MakeAction(29, S("Kopieren.."), "copy");
    MakeAction(30, S("Playlist Speichern"), "save");
    MakeAction(31, S("Alles Auswählen"), "select-all");
    MakeAction(32, S("Entfernen"), "remove");
    MakeAction(33, S("Alles entfernen"), "clear");
    MakeAction(34, S("AutoTag"), "tag");
    MakeAction(35, S("Aktuallisieren"), "refresh");
    MakeAction(36, S("Informationen"), "info");
    // Menu 4
    MakeAction(56, S("Datei"), "add-file");
    MakeAction(57, S("Ordner"), "add-folder");
    // Menu 5
    MakeAction(58, S("Verstecken"));
    MakeAction(63, S("Vorheriger Titel"), "prev");
    MakeAction(59, S("Wiedergabe"), "play");
    MakeAction(61, S("Pause"), "pause");
    MakeAction(60, S("Stop"), "stop");
    MakeAction(62, S("Nächster Titel"), "next");
    MakeAction(72, S("Log"), "log");
    MakeAction(71, S("Radio Log"), "log");
    MakeAction(73, S("Einstellungen"), "settings");
    MakeAction(69, S("Equalizer"), "equalizer");
    MakeAction(64, S("Neue Version"), "update");
    MakeAction(67, S("Webseite"), "web");
    MakeAction(68, S("Feedback"), "mail");
    MakeAction(70, S("Aufnahme Ordner"), "open");
    MakeAction(74, S("Hilfe"), "help");
    MakeAction(66, S("Informationen"), "info");
    MakeAction(75, S("Beenden"), "exit");
    // Menu 6 (plain)
    MakeAction(76, S("Linksbündig"));
    MakeAction(77, S("Zentriert"));
    MakeAction(78, S("Rechtsbündig"));
    // Subsystems that are not part of this program yet: visible, but they do nothing.
    // The maker's web and contact pages have no address yet either.
    for (int n : {13, 73, 14, 27, 64, 67, 68}) actions_[n]->setEnabled(false);
}

void MainWindow::BuildToolBars() {
    toolbar1_ = addToolBar(QStringLiteral("Main 1"));
    toolbar1_->setObjectName(QStringLiteral("Main 1"));
    for (int n : {0, 1, 2, 3, 4, 5}) toolbar1_->addAction(actions_[n]);
    toolbar1_->addSeparator();
    toolbar1_->addAction(actions_[6]);
    toolbar2_ = addToolBar(QStringLiteral("Main 2"));
    toolbar2_->setObjectName(QStringLiteral("Main 2"));
    toolbar2_->addAction(actions_[12]);
    toolbar2_->addSeparator();
    toolbar2_->addAction(actions_[7]);
    toolbar2_->addAction(actions_[8]);
    toolbar2_->addSeparator();
    toolbar2_->addAction(actions_[9]);
    toolbar2_->addSeparator();
    for (int n : {10, 11, 13, 14}) toolbar2_->addAction(actions_[n]);
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
    m0->addAction(actions_[15]);
    m0->addSeparator();
    m0->addAction(actions_[16]);
    QMenu* sort = m0->addMenu(Icon("sort"), S("Sortieren"));
    for (int n = 17; n <= 23; ++n) sort->addAction(actions_[n]);
    m0->addAction(actions_[24]);
    m0->addSeparator();
    m0->addAction(actions_[28]);
    m0->addAction(actions_[29]);
    m0->addSeparator();
    QMenu* add = m0->addMenu(Icon("add-file"), S("Hinzufügen"));
    add->addAction(actions_[25]);
    add->addAction(actions_[26]);
    m0->addAction(actions_[27]);
    m0->addAction(actions_[30]);
    m0->addSeparator();
    for (int n : {31, 32, 33}) m0->addAction(actions_[n]);
    m0->addSeparator();
    for (int n : {34, 35, 36}) m0->addAction(actions_[n]);
    menus_[0] = m0;

    auto* m4 = new QMenu(this);
    m4->addAction(actions_[56]);
    m4->addAction(actions_[57]);
    menus_[4] = m4;

    auto* m5 = new QMenu(this);
    m5->addAction(actions_[58]);
    m5->addSeparator();
    QMenu* play = m5->addMenu(Icon("play"), S("Wiedergabe"));
    for (int n : {63, 59, 61, 60, 62}) play->addAction(actions_[n]);
    for (int n : {72, 71, 73, 69}) m5->addAction(actions_[n]);
    m5->addSeparator();
    for (int n : {64, 67, 68}) m5->addAction(actions_[n]);
    m5->addSeparator();
    for (int n : {70, 74, 66}) m5->addAction(actions_[n]);
    m5->addSeparator();
    m5->addAction(actions_[75]);
    menus_[5] = m5;

    auto* m6 = new QMenu(this);
    for (int n : {76, 77, 78}) m6->addAction(actions_[n]);
    menus_[6] = m6;
}

void MainWindow::BuildInfoArea(QWidget* parent) {
    infoArea_ = new QWidget(parent);
    infoArea_->setFixedHeight(kInfoAreaHeight);
    infoArea_->setAutoFillBackground(true);
    for (int row = 0; row < 5; ++row) {
        const int y = 5 + row * 15;
        QLabel* caption = row == 0 ? new ClickLabel([this] { ShowCurrentTrackInformation(); }, infoArea_)
                                   : new QLabel(infoArea_);
        if (row == 0) caption->setCursor(Qt::PointingHandCursor);
        caption->setGeometry(5, y, 50, 15);
        caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto* value = new QLabel(infoArea_);
        value->setGeometry(60, y, 150, 15);
        value->setTextFormat(Qt::PlainText);
        fields_[row * 2] = caption;
        fields_[row * 2 + 1] = value;
    }
    level_ = new ClickLabel(
        [this] {
            if (!app_) return;
            int& type = app_->data.settings.Misc_SpectrumType;
            type = type < 1 ? 1 : 0;
        },
        infoArea_);
    level_->setFixedSize(LevelDisplay::kWidth, LevelDisplay::kHeight);
    logo_ = new ClickLabel([this] { RunCommand(66); }, infoArea_);
    logo_->setFixedSize(48, 48);
    logo_->setPixmap(AppIcon().pixmap(48, 48));
    logo_->setCursor(Qt::PointingHandCursor);
    QFont small = infoArea_->font();
    small.setPixelSize(11);
    infoArea_->setFont(small);
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
    auto* searchButton = new QPushButton(QStringLiteral("Suchen"), searchBar);
    auto* options = new QToolButton(searchBar);
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
                          "Lesezeichen", "Internet Stream"})
        mode->addItem(QString::fromUtf8(t));
    auto* albums = new QComboBox(side);
    sideBox->addWidget(mode);
    sideBox->addWidget(albums);
    sideBox->addStretch(1);
    libraryList_ = new ListView(splitter2_);
    for (QWidget* w : {static_cast<QWidget*>(search), static_cast<QWidget*>(searchButton),
                       static_cast<QWidget*>(options), static_cast<QWidget*>(mode), static_cast<QWidget*>(albums)})
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
        menus_[6]->popup(pos);
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
    // The library is busy while its scan thread runs.
    const bool busy = app_ && app_->workers.scanThread.joinable();
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
    tray_->setContextMenu(menus_[5]);
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger) ToggleShowHide();
    });
    tray_->show();
}

void MainWindow::Attach(Application& app) {
    app_ = &app;
    docking_ = new DockRegistry(app.data.settings, this);
    model_ = new PlaylistModel(app.data.playlist, app.data.settings, this);
    playlistList_->setModel(model_);
    playlistList_->ProtectFirstColumn();
    const int widths[] = {0, 150, 100, 80, 80, 80, 80, 80};
    for (int i = 1; i < 8; ++i) playlistList_->header()->resizeSection(i, widths[i]);
    volume_->setToolTip(QString::number(app.data.settings.Misc_Volume) + '%');
}

void MainWindow::FinishStartUp() {
    volume_->setToolTip(QString::number(volume_->value()) + '%');
    SetRecordingIcon();
    if (level_->pixmap().isNull()) {
        app_->level.Blank(app_->data.settings.GUI_ColorB);
        ShowLevelImage(app_->level);
    }
    if (!isVisible()) show();
    placed_ = true;
    setEnabled(true);
    docking_->Register(this, kDockAll);
    BuildTray();
}

SearchWindow* MainWindow::Search() const { return search_; }
FolderDialog* MainWindow::AddFolderDialog() const { return folderDialog_; }
LogWindow* MainWindow::Log() const { return log_; }

QAction* MainWindow::Action(int number) const {
    const auto it = actions_.find(number);
    return it == actions_.end() ? nullptr : it->second;
}

QMenu* MainWindow::Menu(int number) const {
    const auto it = menus_.find(number);
    return it == menus_.end() ? nullptr : it->second;
}

QString MainWindow::InfoFieldText(int field) const {
    return field >= 1 && field <= 10 ? fields_[field - 1]->text() : QString();
}

void MainWindow::RunCommand(int number) {
    if (!app_ || busy_ || app_->ShuttingDown()) return;
    QAction* action = Action(number);
    if (action && !action->isEnabled()) return;
    PlayerControl& control = app_->control;
    PlaylistPlayback& playback = app_->playback;
    Settings& s = app_->data.settings;
    switch (number) {
        case 0: case 63: control.Previous(); break;
        case 1: case 15: case 59: control.PlaySelected(); break;
        case 2: case 61:
            control.TogglePause();  // the logic sets the button's state
            break;
        case 3: case 60: control.Stop(); break;
        case 4: case 62: control.Next(); break;
        case 5:
            s.NETStream_SaveFile = s.NETStream_SaveFile ? 0 : 1;
            SetRecordingIcon();
            break;
        case 6: control.ToggleMute(); break;
        case 7: control.SetRepeat(actions_[7]->isChecked()); break;
        case 8: control.SetRandom(actions_[8]->isChecked()); break;
        case 9: menus_[4]->popup(QCursor::pos()); break;
        case 10: SwitchLayoutFromToolbar(1); break;
        case 11: SwitchLayoutFromToolbar(2); break;
        case 12: case 69: OpenEffects(); break;
        case 16: case 17: case 18: case 19: case 20: case 21: case 22: case 23:
            playback.SortPlaylist(number - 16);
            break;
        case 24: OpenSearch(); break;
        case 25: case 56: AddFiles(); break;
        case 26: case 57: OpenAddFolder(); break;
        case 28: ShowSelectedInFileBrowser(); break;
        case 29: CopySelected(); break;
        case 30: SavePlaylist(); break;
        case 31: playlistList_->selectAll(); break;
        case 32: playback.RemovePlaylistRows(0); break;
        case 33: playback.RemovePlaylistRows(-1); break;
        case 34: OpenAutotagger(); break;
        case 35: playback.RefreshSelectedEntry(); break;
        case 36: ShowSelectedInformation(); break;
        case 58: ToggleShowHide(); break;
        case 66: OpenAbout(); break;
        case 70:
            if (IsDirectory(s.NETStream_SavePath))
                QDesktopServices::openUrl(QUrl::fromLocalFile(ToQt(s.NETStream_SavePath)));
            break;
        case 71: OpenRadioLog(); break;
        case 72: OpenLog(); break;
        case 74: OpenHelp(); break;
        case 75: emit exitRequested(); break;
        case 76: SetHeaderAlignment(0); break;
        case 77: SetHeaderAlignment(2); break;
        case 78: SetHeaderAlignment(1); break;
        default: break;
    }
}

void MainWindow::UpdatePlaylistMenu() {
    const bool selected = !SelectedRows().empty();
    const size_t count = app_ ? app_->data.playlist.size() : 0;
    for (int n : {15, 28, 29, 32, 34, 35, 36}) actions_[n]->setEnabled(selected);
    for (int n : {30, 31, 33}) actions_[n]->setEnabled(count > 0);
    for (int n = 16; n <= 24; ++n) actions_[n]->setEnabled(count >= 2);
    // 27 (generator) stays off until that window exists.
}

void MainWindow::SetHeaderMenuColumn(ListView* list, int column) {
    headerMenuList_ = list;
    headerMenuColumn_ = column;
}

void MainWindow::SetHeaderAlignment(int code) {
    if (!headerMenuList_ || headerMenuColumn_ <= 0) return;
    if (headerMenuList_ == playlistList_) model_->SetAlignment(headerMenuColumn_, code);
}

void MainWindow::ApplyVolumeSlider(int value) {
    volume_->setToolTip(QString::number(value) + '%');
    if (app_) app_->control.SetVolume(value);
}

void MainWindow::SwitchLayoutFromToolbar(int layout) { SwitchLayout(layout == layout_ ? 0 : layout); }

void MainWindow::SwitchLayout(int32_t layout) {
    if (layout < 0 || layout > 2) layout = 0;
    if (layout_ >= 0) LeaveLayout();
    EnterLayout(layout);
}

void MainWindow::LeaveLayout() {
    if (!app_) return;
    Settings& s = app_->data.settings;
    if (layout_ == 0) {
        s.WinSizeMain_WinW_Normal = width();
    } else {
        s.WinSizeMain_WinW_Second = width();
        s.WinSizeMain_WinH_Second = height();
    }
    if (layout_ == 2) {
        s.WinSizeMain_MediaLibSP1 = splitter1_->sizes().value(0);
        s.WinSizeMain_MediaLibSP2 = splitter2_->sizes().value(0);
    }
    playlistList_->hide();
    libraryArea_->hide();
}

int MainWindow::LayoutZeroHeight() const {
    const int bars = std::max(toolbar1_->sizeHint().height(), toolbar2_->sizeHint().height());
    return bars + topPanel_->sizeHint().height() + 4;
}

void MainWindow::EnterLayout(int layout) {
    layout_ = layout;
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->availableGeometry().size() : QSize(4096, 4096);
    Settings* s = app_ ? &app_->data.settings : nullptr;
    if (s) s->WinSizeMain_SizeType = layout;
    if (layout == 0) {
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
    if (layout == 1) playlistList_->show();
    else libraryArea_->show();
    if (s && s->WinSizeMain_WinW_Second > 0 && s->WinSizeMain_WinH_Second > 0)
        resize(s->WinSizeMain_WinW_Second, s->WinSizeMain_WinH_Second);
    else
        resize(640, 480);
    if (layout == 2 && s) {
        // Lay the controls out for the new size first, or the splitters share out a stale size.
        QMainWindow::layout()->activate();
        centralWidget()->layout()->activate();
        libraryArea_->layout()->activate();
        splitter1_->setSizes({s->WinSizeMain_MediaLibSP1, std::max(1, height() - s->WinSizeMain_MediaLibSP1)});
        splitter2_->setSizes({s->WinSizeMain_MediaLibSP2, std::max(1, width() - s->WinSizeMain_MediaLibSP2)});
    }
}

void MainWindow::ToggleShowHide() {
    if (!app_) return;
    const bool taskBar = app_->data.settings.Misc_TaskBar != 0;
    QList<QWidget*> windows{this};
    windows << ToolWindows();
    if (taskBar) {
        if (isMinimized()) {
            showNormal();
            actions_[58]->setText(QStringLiteral("Verstecken"));
            raise();
            activateWindow();
        } else {
            showMinimized();
            actions_[58]->setText(QStringLiteral("Zeigen"));
        }
        return;
    }
    if (isVisible()) {
        for (QWidget* w : windows) {
            w->setProperty("sonvaroShown", w->isVisible());
            w->hide();
        }
        actions_[58]->setText(QStringLiteral("Zeigen"));
    } else {
        for (QWidget* w : windows) {
            if (w != this && !w->property("sonvaroShown").toBool()) continue;
            w->show();
            KeepInWorkArea(w);
        }
        actions_[58]->setText(QStringLiteral("Verstecken"));
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
    if (!busy_) emit exitRequested();
}

void MainWindow::wheelEvent(QWheelEvent* event) {
    // The wheel over the window's background moves the volume by 5 per notch.
    const int notches = event->angleDelta().y() / 120;
    if (notches != 0) volume_->setValue(std::clamp(volume_->value() + notches * 5, 0, 100));
    event->accept();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    const int valueWidth = std::max(50, width() - 275);
    for (int row = 0; row < 5; ++row) fields_[row * 2 + 1]->setFixedWidth(valueWidth);
    level_->move(60 + valueWidth + 5, 5);
    logo_->move(width() - 4 - 48 - 2, 5);
    if (app_ && isVisible() && !isMinimized()) StoreToSlot(this, app_->data.settings.windows[1], false);
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    if (app_ && isVisible() && !isMinimized()) StoreToSlot(this, app_->data.settings.windows[1], false);
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    // Without a task-bar button, minimising hides the player to the tray instead.
    if (event->type() == QEvent::WindowStateChange && app_ && isMinimized() &&
        app_->data.settings.Misc_TaskBar == 0 && tray_) {
        setWindowState(windowState() & ~Qt::WindowMinimized);
        ToggleShowHide();
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && busy_)
        escape_ = true;
    // While a long operation lets events through, user input reaches no command.
    if (busy_ > 1 && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick ||
                      event->type() == QEvent::KeyPress || event->type() == QEvent::Drop))
        return true;
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace sonvaro
