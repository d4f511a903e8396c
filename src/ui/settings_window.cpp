#include "ui/settings_window.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "companions/hotkeys.h"
#include "core/messages.h"
#include "core/numbers.h"
#include "library/statistics.h"
#include "playback/audio_library/format_families.h"
#include "playback/player_ports.h"
#include "session/application.h"
#include "ui/desktop_companions.h"
#include "ui/list_view.h"
#include "ui/main_window.h"
#include "ui/playlist_model.h"
#include "ui/qt_text.h"

namespace sonvaro {
namespace {

const char* const kPageNames[kSettingsPageCount] = {"Bass",    "Internet Radio",   "Oberfläche", "Shortcuts",
                                                    "Tracker", "Medienbibliothek", "Aufgaben",   "Sonstiges",
                                                    "Plugins", "Statistiken"};

const char* const kRates[kRateCount] = {"48000 Hz", "44100 Hz", "22050 Hz", "11025 Hz", "8000 Hz"};

const char* const kColourRows[4] = {"Trackinfo Hintergrund", "Trackinfo Text", "Auswahl Hintergrund",
                                    "Auswahl Text"};

QString S(const char* text) {
    return QString::fromUtf8(text);
}

// What applying does to the main window and its tool windows.
class WindowApplyPort : public SettingsApplyPort {
  public:
    explicit WindowApplyPort(MainWindow& window) : window_(window) {}
    void SetMainWindowOnTop(bool onTop) override { window_.SetMainWindowOnTop(onTop); }
    void ApplyOpacityToAll(bool enabled, int32_t value) override { window_.ApplyOpacity(enabled, value); }
    void FitPlaylistColumns() override { window_.FitPlaylistColumns(); }
    void FitLibraryColumns() override {
        ListView* list = window_.LibraryList();
        if (!list || !list->model()) return;
        for (int c = 1; c < list->model()->columnCount(); ++c) list->resizeColumnToContents(c);
    }
    void ApplyColours(const Settings& settings) override {
        window_.ApplyInfoColours(settings.GUI_ColorB, settings.GUI_ColorF);
        window_.PlaylistList()->viewport()->update();  // the marked row's colours
    }
    void ShowRecording(bool) override { window_.RefreshRecordingButton(); }

  private:
    MainWindow& window_;
};

QPixmap Swatch(int32_t colour) {
    QPixmap swatch(14, 14);
    swatch.fill(ColourFromBgr(colour));
    QPainter painter(&swatch);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, 13, 13);
    return swatch;
}

QLabel* Caption(const QString& text, QWidget* parent) {
    return new QLabel(text, parent);
}

QCheckBox* Check(const char* name, const char* text, const char* tip, QWidget* parent) {
    auto* box = new QCheckBox(S(text), parent);
    box->setObjectName(QLatin1String(name));
    if (*tip) box->setToolTip(S(tip));
    return box;
}

QSlider* Slider(const char* name, FormRange range, const char* tip, QWidget* parent, int tick = 0) {
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setObjectName(QLatin1String(name));
    slider->setRange(range.min, range.max);
    if (*tip) slider->setToolTip(S(tip));
    if (tick > 0) {
        slider->setTickInterval(tick);
        slider->setTickPosition(QSlider::TicksBelow);
    }
    return slider;
}

QLabel* NamedLabel(const char* name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

QPushButton* Button(const char* name, const char* text, const char* tip, QWidget* parent) {
    auto* button = new QPushButton(S(text), parent);
    button->setObjectName(QLatin1String(name));
    if (*tip) button->setToolTip(S(tip));
    return button;
}

QLineEdit* ReadOnlyPath(const char* name, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setReadOnly(true);
    return edit;
}

QGridLayout* PageGrid(QWidget* page) {
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setVerticalSpacing(3);
    return grid;
}

void SetTextIfDiffers(QLabel* label, const QString& text) {
    if (label->text() != text) label->setText(text);
}

}  // namespace

SettingsWindow::SettingsWindow(MainWindow& window, int& page)
    : ToolWindow(&window, QStringLiteral("Einstellungen")),
      window_(window),
      app_(window.App()),
      rememberedPage_(page),
      port_(std::make_unique<WindowApplyPort>(window)) {
    keysAvailable_ = window.Companions() && window.Companions()->GlobalKeysAvailable();
    setFixedSize(460, 340);
    pages_ = new QListWidget(this);
    pages_->setObjectName(QStringLiteral("pages"));
    pages_->setGeometry(5, 5, 120, 295);
    for (const char* name : kPageNames) pages_->addItem(S(name));
    stack_ = new QStackedWidget(this);
    stack_->setGeometry(130, 5, 325, 295);
    for (QWidget* p :
         {BuildBassPage(), BuildRadioPage(), BuildInterfacePage(), BuildShortcutsPage(), BuildTrackerPage(),
          BuildLibraryPage(), BuildTasksPage(), BuildMiscPage(), BuildPluginsPage(), BuildStatisticsPage()})
        stack_->addWidget(p);
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(5, 305, 450, 2);
    apply_ = Button("apply", "Übernehmen", "", this);
    ok_ = Button("ok", "OK", "", this);
    cancel_ = Button("cancel", "Abbrechen", "", this);
    apply_->setGeometry(205, 310, 80, 25);
    ok_->setGeometry(290, 310, 80, 25);
    cancel_->setGeometry(375, 310, 80, 25);
    ok_->setDefault(true);
    connect(apply_, &QPushButton::clicked, this, [this] { Apply(); });
    connect(ok_, &QPushButton::clicked, this, [this] {
        Apply();
        close();
    });
    connect(cancel_, &QPushButton::clicked, this, &QWidget::close);
    connect(pages_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row < 0) return;
        stack_->setCurrentIndex(row);
        if (row == static_cast<int>(SettingsPage::Plugins)) FillPlugins();
        if (row == static_cast<int>(SettingsPage::Statistics)) ShowStatistics();
    });
    WatchControls();
    ShowPage(static_cast<SettingsPage>(std::clamp(rememberedPage_, 0, kSettingsPageCount - 1)));
    FillSettingsControls();
    connect(&tick_, &QTimer::timeout, this, [this] { Tick(); });
    tick_.start(50);
}

SettingsWindow::~SettingsWindow() = default;

template <class T>
static T* Find(const QObject* parent, const char* name) {
    return parent->findChild<T*>(QLatin1String(name));
}

// --- Pages ---

QWidget* SettingsWindow::BuildBassPage() {
    auto* page = new QWidget;
    auto* grid = PageGrid(page);
    auto* device = new QComboBox(page);
    device->setObjectName(QStringLiteral("device"));
    auto* rate = new QComboBox(page);
    rate->setObjectName(QStringLiteral("rate"));
    for (const char* r : kRates) rate->addItem(S(r));
    for (QComboBox* list : {device, rate})
        connect(list, &QComboBox::currentIndexChanged, list,
                [list] { list->setToolTip(list->currentText()); });
    grid->addWidget(Caption(S("Ausgabe Gerät"), page), 0, 0, 1, 2);
    grid->addWidget(device, 1, 0, 1, 2);
    grid->addWidget(Caption(S("Ausgabe Rate"), page), 2, 0, 1, 2);
    grid->addWidget(rate, 3, 0, 1, 2);
    grid->addWidget(NamedLabel("fadeInCaption", page), 4, 0, 1, 2);
    grid->addWidget(Slider("fadeIn", kFadeRange, "Einblendzeit bei Wiedergabe", page), 5, 0, 1, 2);
    grid->addWidget(NamedLabel("fadeOutCaption", page), 6, 0, 1, 2);
    grid->addWidget(Slider("fadeOut", kFadeRange, "Ausblendzeit bei Wiedergabe", page), 7, 0, 1, 2);
    grid->addWidget(Caption(S("Midi Sound Font (SF2)"), page), 8, 0, 1, 2);
    grid->addWidget(ReadOnlyPath("soundFont", page), 9, 0);
    QPushButton* browse = Button("soundFontButton", "...", "Datei Suchen", page);
    browse->setFixedWidth(30);
    grid->addWidget(browse, 9, 1);
    grid->setRowStretch(10, 1);
    connect(browse, &QPushButton::clicked, this, [this] {
        ChooseSoundFont(QFileDialog::getOpenFileName(this, S("Datei Öffnen"), QDir::currentPath(),
                                                     S("Midi Sound Font (*.sf2 *.SF2)")));
    });
    return page;
}

QWidget* SettingsWindow::BuildRadioPage() {
    auto* page = new QWidget;
    auto* grid = PageGrid(page);
    QCheckBox* save = Check("saveFile", "Wiedergabe Speichern",
                            "Aktueller Titel wird als MP3 im Ziel-Ordner gespeichert", page);
    grid->addWidget(save, 0, 0, 1, 2);
    grid->addWidget(Caption(S("Ziel-Ordner"), page), 1, 0, 1, 2);
    grid->addWidget(ReadOnlyPath("savePath", page), 2, 0);
    QPushButton* browse = Button("savePathButton", "...", "Ordner Suchen", page);
    browse->setFixedWidth(30);
    grid->addWidget(browse, 2, 1);
    auto* names = new QGroupBox(S("Datei-Name"), page);
    auto* nameLayout = new QVBoxLayout(names);
    auto* station = new QRadioButton(S("Radioname"), names);
    station->setObjectName(QStringLiteral("nameStation"));
    station->setToolTip(S("Benutzt als Speichername denn Name des Internetsenders"));
    auto* artist = new QRadioButton(S("Interpret/Titel"), names);
    artist->setObjectName(QStringLiteral("nameArtist"));
    artist->setToolTip(S("Benutzt als Speichername denn aktuellen Titel/Interpret"));
    nameLayout->addWidget(station);
    nameLayout->addWidget(artist);
    grid->addWidget(names, 3, 0, 1, 2);
    grid->addWidget(NamedLabel("radioTimeOutCaption", page), 4, 0, 1, 2);
    grid->addWidget(Slider("radioTimeOut", kRadioTimeOutRange, "", page), 5, 0, 1, 2);
    grid->addWidget(Caption(S("Proxyserver [user:pass@server:port]"), page), 6, 0, 1, 2);
    auto* proxy = new QLineEdit(page);
    proxy->setObjectName(QStringLiteral("proxy"));
    grid->addWidget(proxy, 7, 0, 1, 2);
    grid->setRowStretch(8, 1);
    // Acts at once: the recording of a station already playing follows it.
    connect(save, &QCheckBox::toggled, this, [this, save](bool on) {
        if (filling_) return;
        if (on && !app_.RecordingFolderChosen(&savePath_)) {
            save->setChecked(false);
            return;
        }
        app_.data.settings.NETStream_SaveFile = on ? 1 : 0;
        port_->ShowRecording(on);
    });
    connect(browse, &QPushButton::clicked, this, [this] {
        ChooseSavePath(QFileDialog::getExistingDirectory(this, S("Speicher-Ordner"), QDir::currentPath()));
    });
    return page;
}

QWidget* SettingsWindow::BuildInterfacePage() {
    auto* page = new QWidget;
    auto* grid = PageGrid(page);
    grid->addWidget(
        Check("onTop", "Immer im Vordergrund", "Fenster befinden sich immer im Vordergrund", page), 0, 0, 1,
        2);
    grid->addWidget(Check("opacity", "Transparentz", "Fenster werden transparent dargestellt", page), 1, 0);
    grid->addWidget(Slider("opacityValue", kOpacityRange, "Regelt die Stärke der Transparenz", page, 20), 1,
                    1);
    grid->addWidget(Check("magnetic", "Magnetische Fenster", "Fenster werden magnetisch angezogen", page), 2,
                    0);
    grid->addWidget(Slider("magneticValue", kMagneticRange, "Bestimmt die Anziehkraft", page, 3), 2, 1);
    grid->addWidget(Check("autoWidthPlaylist", "Spaltenbreite Wiedergabeliste",
                          "Passt die Spaltenbreite in Wiedergabeliste automatisch an", page),
                    3, 0, 1, 2);
    grid->addWidget(Check("autoWidthLibrary", "Spaltenbreite Medienbibliothek",
                          "Passt die Spaltenbreite in Medienbibliothek automatisch an", page),
                    4, 0, 1, 2);
    grid->addWidget(Caption(S("Längenformat"), page), 5, 0);
    auto* format = new QComboBox(page);
    format->setObjectName(QStringLiteral("lengthFormat"));
    format->setEditable(true);
    format->setInsertPolicy(QComboBox::NoInsert);
    format->addItems({S("%ptime"), S("%ltime"), S("%ptime / %ftime"), S("%ptime - %ppercent")});
    format->setToolTip(S("Musterstring: %ptime, %ltime, %ftime, %ppercent, %lpercent"));
    grid->addWidget(format, 5, 1);
    grid->addWidget(Check("autoComplete", "Automatische vervollständigung",
                          "Beim Medienbibliothek-Suchfeld wird ein Automatische-Vervollständigen Algorithums "
                          "angewendet",
                          page),
                    6, 0, 1, 2);
    auto* colours = new QListWidget(page);
    colours->setObjectName(QStringLiteral("colours"));
    for (const char* row : kColourRows) colours->addItem(S(row));
    colours->setFixedHeight(4 * 18 + 6);
    grid->addWidget(colours, 7, 0, 1, 2);
    grid->setRowStretch(8, 1);
    connect(colours, &QListWidget::itemClicked, this, [this, colours](QListWidgetItem* item) {
        const int row = colours->row(item);
        const QColor chosen = QColorDialog::getColor(ColourFromBgr(colours_[static_cast<size_t>(row)]), this);
        if (chosen.isValid()) ChooseColour(row, chosen);
        colours->clearSelection();
        colours->setCurrentRow(-1);
    });
    return page;
}

QWidget* SettingsWindow::BuildShortcutsPage() {
    auto* page = new QWidget;
    auto* grid = PageGrid(page);
    grid->addWidget(Check("mediaKeys", "Media Tasten", "", page), 0, 0, 1, 2);
    grid->addWidget(Check("globalKeys", "Globale Shortcuts", "", page), 0, 2, 1, 2);
    auto* list = new QTreeWidget(page);
    list->setObjectName(QStringLiteral("hotkeys"));
    list->setHeaderLabels({S("Ereignis"), S("Shortcut")});
    list->setRootIsDecorated(false);
    list->setColumnWidth(0, 150);
    for (const char* name : kHotkeyNames) list->addTopLevelItem(new QTreeWidgetItem({S(name), QString()}));
    grid->addWidget(list, 1, 0, 1, 4);
    grid->addWidget(Check("hotkeyCtrl", "Strg", "", page), 2, 0);
    grid->addWidget(Check("hotkeyAlt", "Alt", "", page), 2, 1);
    grid->addWidget(Check("hotkeyShift", "Shift", "", page), 2, 2);
    auto* key = new QComboBox(page);
    key->setObjectName(QStringLiteral("hotkeyKey"));
    key->addItem(QString());  // key -1: no key
    for (const KeyName& k : kKeyTable) key->addItem(S(k.name));
    grid->addWidget(key, 2, 3);
    QLabel* note = NamedLabel("shortcutsNote", page);
    note->setWordWrap(true);
    grid->addWidget(note, 3, 0, 1, 4);
    if (!keysAvailable_) {
        // Where no program may read the keyboard outside its own windows, the
        // controls would promise what cannot work.
        note->setText(
            S("Auf diesem Desktop lässt sich die Tastatur nicht außerhalb der eigenen Fenster abfragen "
              "(etwa unter Wayland): globale Shortcuts und Medientasten sind hier aus. Medientasten "
              "erreichen Sonvaro über MPRIS."));
        for (QWidget* w : page->findChildren<QWidget*>())
            if (w != note) w->setEnabled(false);
        return page;
    }
    note->hide();
    connect(list, &QTreeWidget::currentItemChanged, this, [this] { ShowHotkeyRecord(); });
    // The page is not yet the window's child here: look the boxes up on it.
    for (const char* name : {"hotkeyCtrl", "hotkeyAlt", "hotkeyShift"})
        connect(page->findChild<QCheckBox*>(QLatin1String(name)), &QCheckBox::toggled, this,
                [this] { TakeHotkeyEdit(); });
    connect(key, &QComboBox::currentIndexChanged, this, [this] { TakeHotkeyEdit(); });
    connect(page->findChild<QCheckBox*>(QStringLiteral("globalKeys")), &QCheckBox::toggled, this,
            [this] { ShowHotkeyControls(); });
    return page;
}

// The list is usable with "Globale Shortcuts" on; unchecking clears the
// selection and clears and disables the edit controls.
void SettingsWindow::ShowHotkeyControls() {
    if (!keysAvailable_) return;
    auto* list = Find<QTreeWidget>(this, "hotkeys");
    for (int i = 0; i < kHotkeyCount; ++i)
        list->topLevelItem(i)->setText(1, ToQt(HotkeyText(hotkeys_[static_cast<size_t>(i)])));
    const bool on = Find<QCheckBox>(this, "globalKeys")->isChecked();
    list->setEnabled(on);
    if (!on) {
        list->setCurrentItem(nullptr);
        list->clearSelection();
    }
    ShowHotkeyRecord();
}

// The selected record's pending keys in the edit controls.
void SettingsWindow::ShowHotkeyRecord() {
    auto* list = Find<QTreeWidget>(this, "hotkeys");
    const int row =
        list->isEnabled() && list->currentItem() ? list->indexOfTopLevelItem(list->currentItem()) : -1;
    const HotkeyFields shown = row >= 0 ? hotkeys_[static_cast<size_t>(row)] : HotkeyFields{};
    const bool wasFilling = filling_;
    filling_ = true;  // showing a record is no edit
    Find<QCheckBox>(this, "hotkeyCtrl")->setChecked(shown.ctrl != 0);
    Find<QCheckBox>(this, "hotkeyAlt")->setChecked(shown.alt != 0);
    Find<QCheckBox>(this, "hotkeyShift")->setChecked(shown.shift != 0);
    const int key = shown.key >= 0 && shown.key < kKeyCount ? shown.key : -1;
    Find<QComboBox>(this, "hotkeyKey")->setCurrentIndex(key + 1);
    filling_ = wasFilling;
    for (const char* name : {"hotkeyCtrl", "hotkeyAlt", "hotkeyShift", "hotkeyKey"})
        findChild<QWidget*>(QLatin1String(name))->setEnabled(row >= 0);
}

// An edit of the selected record: its pending copy takes the keys, and a
// record with any key or modifier is in use.
void SettingsWindow::TakeHotkeyEdit() {
    if (filling_) return;
    auto* list = Find<QTreeWidget>(this, "hotkeys");
    if (!list->currentItem()) return;
    const int row = list->indexOfTopLevelItem(list->currentItem());
    HotkeyFields& h = hotkeys_[static_cast<size_t>(row)];
    h.ctrl = Find<QCheckBox>(this, "hotkeyCtrl")->isChecked() ? 1 : 0;
    h.alt = Find<QCheckBox>(this, "hotkeyAlt")->isChecked() ? 1 : 0;
    h.shift = Find<QCheckBox>(this, "hotkeyShift")->isChecked() ? 1 : 0;
    h.key = static_cast<int8_t>(Find<QComboBox>(this, "hotkeyKey")->currentIndex() - 1);
    h.enabled = (h.ctrl || h.alt || h.shift || h.key >= 0) ? 1 : 0;
    list->currentItem()->setText(1, ToQt(HotkeyText(h)));
    CheckSettingsChanged();
}

QWidget* SettingsWindow::BuildTrackerPage() {
    auto* page = new QWidget;
    auto* grid = PageGrid(page);
    grid->addWidget(
        Check("trackerOn", "Aktiviert",
              "Blendet ein Infofenster mit aktuellen Titelinformationen bei Wiedergabe ein", page),
        0, 0, 1, 4);
    grid->addWidget(Caption(S("Bildschirmabstand"), page), 1, 0, 1, 2);
    grid->addWidget(
        Slider("trackerGap", kTrackerGapRange, "Abstand zwischen Tracker und Bildschirmrand", page), 2, 0, 1,
        2);
    grid->addWidget(Caption(S("Spacing"), page), 1, 2, 1, 2);
    grid->addWidget(
        Slider("trackerSpacing", kTrackerSpacingRange, "Abstand zwischen Trackerrand und Inhalt", page), 2, 2,
        1, 2);
    grid->addWidget(NamedLabel("trackerTimeCaption", page), 3, 0, 1, 4);
    grid->addWidget(
        Slider("trackerTime", kTrackerSecondsRange, "Gibt an wie lange der Tracker eingeblendet wird", page),
        4, 0, 1, 4);
    auto* corner = new QComboBox(page);
    corner->setObjectName(QStringLiteral("trackerCorner"));
    corner->addItems({S("Oben Links"), S("Oben Rechts"), S("Unten Rechts"), S("Unten Links")});
    auto* align = new QComboBox(page);
    align->setObjectName(QStringLiteral("trackerAlign"));
    align->addItems({S("Zentriert"), S("Linksbündig"), S("Rechtsbündig")});
    grid->addWidget(Caption(S("Position"), page), 5, 0, 1, 2);
    grid->addWidget(Caption(S("Textausrichtung"), page), 5, 2, 1, 2);
    grid->addWidget(corner, 6, 0, 1, 2);
    grid->addWidget(align, 6, 2, 1, 2);
    grid->addWidget(Caption(S("Text"), page), 7, 0, 1, 4);
    auto* text = new QLineEdit(page);
    text->setObjectName(QStringLiteral("trackerText"));
    text->setToolTip(S("Musterstring: %TITL, %ALBM, %GNRE, %YEAR, %CMNT, %TRCK, |"));
    grid->addWidget(text, 8, 0, 1, 4);
    QPushButton* back = Button("trackerBack", "Hintergrund", "Hintergrundfarbe", page);
    QPushButton* fore = Button("trackerFore", "Textfarbe", "Textfarbe", page);
    grid->addWidget(back, 9, 0, 1, 2);
    grid->addWidget(fore, 9, 2, 1, 2);
    grid->addWidget(Caption(S("Minimale Größe"), page), 10, 0, 1, 2);
    auto* minWidth = new QLineEdit(page);
    minWidth->setObjectName(QStringLiteral("trackerMinWidth"));
    auto* minHeight = new QLineEdit(page);
    minHeight->setObjectName(QStringLiteral("trackerMinHeight"));
    for (QLineEdit* field : {minWidth, minHeight}) {
        field->setMaxLength(6);
        field->setFixedWidth(50);
    }
    grid->addWidget(minWidth, 11, 0);
    grid->addWidget(minHeight, 11, 1);
    QPushButton* preview = Button("trackerPreview", "Vorschau", "", page);
    grid->addWidget(preview, 11, 3);
    grid->setRowStretch(12, 1);
    connect(back, &QPushButton::clicked, this, [this] {
        const QColor c = QColorDialog::getColor(ColourFromBgr(trackerBack_), this);
        if (c.isValid()) ChooseTrackerColour(true, c);
    });
    connect(fore, &QPushButton::clicked, this, [this] {
        const QColor c = QColorDialog::getColor(ColourFromBgr(trackerFore_), this);
        if (c.isValid()) ChooseTrackerColour(false, c);
    });
    connect(preview, &QPushButton::clicked, this, [this] {
        if (app_.ports.tracker) app_.ports.tracker->ShowPreview();
    });
    return page;
}

QWidget* SettingsWindow::BuildLibraryPage() {
    auto* page = new QWidget;
    auto* grid = PageGrid(page);
    grid->addWidget(Caption(S("Medienbibliothek"), page), 0, 0, 1, 4);
    grid->addWidget(ReadOnlyPath("libraryPath", page), 1, 0, 1, 4);
    QPushButton* choose = Button("libraryChoose", "...", "Ordner suchen", page);
    QPushButton* scan = Button("libraryScan", "Scann", "Ordner Scannen", page);
    QPushButton* stop = Button("libraryStop", "Abbruch", "Scannvorgang abbrechen", page);
    grid->addWidget(choose, 2, 1);
    grid->addWidget(scan, 2, 2);
    grid->addWidget(stop, 2, 3);
    grid->addWidget(
        Check("libraryCpu", "CPU schonendes scannen",
              "Beim einlesen der Medien wird eine CPU schonende Routine benutzt, jedoch dauert der "
              "Scannvorgang erheblich länger",
              page),
        3, 0, 1, 4);
    grid->addWidget(Check("libraryAddPlay", "Abgespielte Dateien hinzufügen",
                          "Fügt Dateien bei Wiedergabe automatisch in der Medienbibliothek ein", page),
                    4, 0, 1, 4);
    QLabel* status1 = NamedLabel("libraryStatus1", page);
    QLabel* status2 = NamedLabel("libraryStatus2", page);
    for (QLabel* status : {status1, status2}) status->setMinimumWidth(10);
    grid->addWidget(status1, 5, 0, 1, 4);
    grid->addWidget(status2, 6, 0, 1, 4);
    auto* progress = new QProgressBar(page);
    progress->setObjectName(QStringLiteral("libraryProgress"));
    progress->setRange(0, 100);
    progress->setTextVisible(false);
    progress->setFixedHeight(12);
    grid->addWidget(progress, 7, 0, 1, 4);
    grid->addWidget(Check("libraryBackground", "Im Hintergrund aktualisieren",
                          "Aktualisiert vorhandene Einträge automatisch im Hintergrund", page),
                    8, 0, 1, 4);
    grid->addWidget(Check("libraryStartCheck", "Bei Start überprüfen",
                          "Überprüft beim Start die Datenbank auf ungültige Einträge", page),
                    9, 0, 1, 4);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(10, 1);
    connect(choose, &QPushButton::clicked, this, [this] {
        ChooseLibraryFolder(QFileDialog::getExistingDirectory(this, S("Medienbibliothek"),
                                                              ToQt(app_.data.settings.MediaLib_Path)));
    });
    connect(scan, &QPushButton::clicked, this, [this] {
        app_.StartLibraryScan();
        ShowScanState();
    });
    connect(stop, &QPushButton::clicked, this, [this] {
        app_.StopLibraryScan();
        ShowScanState();
    });
    return page;
}

QWidget* SettingsWindow::BuildTasksPage() {
    auto* page = new QWidget;
    auto* grid = PageGrid(page);
    grid->addWidget(NamedLabel("taskTimeOutCaption", page), 0, 0);
    grid->addWidget(Slider("taskTimeOut", kTaskSecondsRange, "", page), 1, 0);
    grid->setRowStretch(2, 1);
    return page;
}

QWidget* SettingsWindow::BuildMiscPage() {
    auto* page = new QWidget;
    auto* grid = PageGrid(page);
    grid->addWidget(Check("clipboard", "Zwischenablage",
                          "Kopiert Informationen über aktuelle Wiedergabe in die Zwischenablage", page),
                    0, 0, 1, 2);
    grid->addWidget(Check("autoPlaylist", "Wiedergabeliste speichern",
                          "Öffnet und Speichert die Wiedergabeliste automatisch", page),
                    1, 0, 1, 2);
    auto* autoSave = new QGroupBox(S("Automatische Speicherung"), page);
    auto* saveGrid = new QGridLayout(autoSave);
    saveGrid->setVerticalSpacing(2);
    saveGrid->addWidget(Check("autoSaveSettings", "Einstellungen", "", autoSave), 0, 0);
    saveGrid->addWidget(Check("autoSavePlaylist", "Wiedergabeliste", "", autoSave), 1, 0);
    saveGrid->addWidget(Check("autoSaveLibrary", "Medienbibliothek", "", autoSave), 2, 0);
    saveGrid->addWidget(Caption(S("Intervall (Minuten):"), autoSave), 0, 1);
    auto* minutes = new QSpinBox(autoSave);
    minutes->setObjectName(QStringLiteral("autoSaveMinutes"));
    minutes->setRange(kAutoSaveMinutesRange.min, kAutoSaveMinutesRange.max);
    saveGrid->addWidget(minutes, 1, 1);
    grid->addWidget(autoSave, 2, 0, 1, 2);
    grid->addWidget(Check("recursiveFolder", "Unterordner einbeziehen",
                          "Fügt Ordner zur Playlist mit Unterordner hinzu", page),
                    3, 0, 1, 2);
    grid->addWidget(Check("endQuestion", "Vor beenden Fragen",
                          "Blendet eine Sicherheitsabfrage ein bevor Sonvaro beendet wird", page),
                    4, 0, 1, 2);
    grid->addWidget(Check("taskBar", "Taskbar", "Blendet das Fenster in der Taskbar ein", page), 5, 0, 1, 2);
    grid->addWidget(Check("updateCheck", "Neue Version suchen",
                          "Sucht beim Programmstart nach einer neuen Programmversion", page),
                    6, 0, 1, 2);
    grid->setRowStretch(7, 1);
    return page;
}

QWidget* SettingsWindow::BuildPluginsPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    auto* list = new QTreeWidget(page);
    list->setObjectName(QStringLiteral("plugins"));
    list->setHeaderLabels({S("Autor"), S("Version"), S("Beschreibung")});
    list->setRootIsDecorated(false);
    list->setColumnWidth(0, 80);
    list->setColumnWidth(1, 50);
    layout->addWidget(list);
    return page;
}

QWidget* SettingsWindow::BuildStatisticsPage() {
    auto* page = new QWidget;
    auto* list = new QTreeWidget(page);
    list->setObjectName(QStringLiteral("statistics"));
    list->setHeaderLabels({S("Eintrag"), S("Wert")});
    list->setRootIsDecorated(false);
    list->setGeometry(0, 0, 325, 260);
    list->setColumnWidth(0, 325 - 100 - 6);
    list->setColumnWidth(1, 100);
    QPushButton* refresh = Button("statisticsRefresh", "Aktualisieren", "", page);
    QPushButton* reset = Button("statisticsReset", "Zurücksetzen", "", page);
    refresh->setGeometry(325 - 170, 270, 80, 25);
    reset->setGeometry(325 - 85, 270, 80, 25);
    connect(refresh, &QPushButton::clicked, this, [this] { ShowStatistics(); });
    connect(reset, &QPushButton::clicked, this, [this] {
        app_.statistics.ResetStatistics(app_.ports.messages);
        ShowStatistics();
    });
    return page;
}

// --- Filling, checking, applying ---

void SettingsWindow::WatchControls() {
    const auto check = [this] { CheckSettingsChanged(); };
    for (QCheckBox* w : findChildren<QCheckBox*>()) connect(w, &QCheckBox::toggled, this, check);
    for (QRadioButton* w : findChildren<QRadioButton*>()) connect(w, &QRadioButton::toggled, this, check);
    for (QComboBox* w : findChildren<QComboBox*>()) {
        connect(w, &QComboBox::currentIndexChanged, this, check);
        connect(w, &QComboBox::editTextChanged, this, check);
    }
    for (QLineEdit* w : findChildren<QLineEdit*>()) connect(w, &QLineEdit::textChanged, this, check);
    for (QSpinBox* w : findChildren<QSpinBox*>())
        connect(w, &QSpinBox::valueChanged, this, [this] { CheckSettingsChanged(); });
    for (QSlider* w : findChildren<QSlider*>())
        connect(w, &QSlider::valueChanged, this, [this] {
            UpdateCaptions();
            CheckSettingsChanged();
        });
}

void SettingsWindow::FillSettingsControls() {
    filling_ = true;
    const SettingsForm f = CurrentSettingsForm(app_);
    auto* device = Find<QComboBox>(this, "device");
    device->clear();
    for (const OutputDevice& d : app_.engine.outputDevices) device->addItem(ToQt(d.name));
    device->setCurrentIndex(f.device);
    device->setToolTip(device->currentText());
    auto* rate = Find<QComboBox>(this, "rate");
    rate->setCurrentIndex(f.rate);
    rate->setToolTip(rate->currentText());
    Find<QSlider>(this, "fadeIn")->setValue(f.fadeIn);
    Find<QSlider>(this, "fadeOut")->setValue(f.fadeOut);
    soundFont_ = f.soundFont;
    Find<QLineEdit>(this, "soundFont")->setText(ToQt(soundFont_));

    Find<QCheckBox>(this, "saveFile")->setChecked(f.saveFile);
    savePath_ = f.savePath;
    Find<QLineEdit>(this, "savePath")->setText(ToQt(savePath_));
    Find<QRadioButton>(this, f.nameAfterStation ? "nameStation" : "nameArtist")->setChecked(true);
    Find<QSlider>(this, "radioTimeOut")->setValue(f.timeOut);
    Find<QLineEdit>(this, "proxy")->setText(ToQt(f.proxy));

    Find<QCheckBox>(this, "onTop")->setChecked(f.onTop);
    Find<QCheckBox>(this, "opacity")->setChecked(f.opacity);
    Find<QSlider>(this, "opacityValue")->setValue(f.opacityValue);
    Find<QCheckBox>(this, "magnetic")->setChecked(f.magnetic);
    Find<QSlider>(this, "magneticValue")->setValue(f.magneticValue);
    Find<QCheckBox>(this, "autoWidthPlaylist")->setChecked(f.autoWidthPlaylist);
    Find<QCheckBox>(this, "autoWidthLibrary")->setChecked(f.autoWidthLibrary);
    Find<QComboBox>(this, "lengthFormat")->setEditText(ToQt(f.lengthFormat));
    Find<QCheckBox>(this, "autoComplete")->setChecked(f.autoComplete);
    colours_ = f.colours;
    ShowColours();

    Find<QCheckBox>(this, "mediaKeys")->setChecked(f.mediaKeys);
    Find<QCheckBox>(this, "globalKeys")->setChecked(f.globalKeys);
    hotkeys_ = f.hotkeys;
    ShowHotkeyControls();

    Find<QCheckBox>(this, "trackerOn")->setChecked(f.trackerOn);
    Find<QSlider>(this, "trackerGap")->setValue(f.trackerGap);
    Find<QSlider>(this, "trackerSpacing")->setValue(f.trackerSpacing);
    Find<QSlider>(this, "trackerTime")->setValue(f.trackerSeconds);
    Find<QComboBox>(this, "trackerCorner")->setCurrentIndex(f.trackerCorner);
    Find<QComboBox>(this, "trackerAlign")->setCurrentIndex(f.trackerAlign);
    Find<QLineEdit>(this, "trackerText")->setText(ToQt(f.trackerText));
    trackerBack_ = f.trackerBack;
    trackerFore_ = f.trackerFore;
    Find<QPushButton>(this, "trackerBack")->setIcon(Swatch(trackerBack_));
    Find<QPushButton>(this, "trackerFore")->setIcon(Swatch(trackerFore_));
    Find<QLineEdit>(this, "trackerMinWidth")->setText(ToQt(f.trackerMinWidth));
    Find<QLineEdit>(this, "trackerMinHeight")->setText(ToQt(f.trackerMinHeight));

    libraryPath_ = f.libraryPath;
    Find<QLineEdit>(this, "libraryPath")->setText(ToQt(libraryPath_));
    Find<QCheckBox>(this, "libraryCpu")->setChecked(f.libraryCpu);
    Find<QCheckBox>(this, "libraryAddPlay")->setChecked(f.libraryAddPlay);
    Find<QCheckBox>(this, "libraryBackground")->setChecked(f.libraryBackground);
    Find<QCheckBox>(this, "libraryStartCheck")->setChecked(f.libraryStartCheck);

    Find<QSlider>(this, "taskTimeOut")->setValue(f.taskSeconds);

    Find<QCheckBox>(this, "clipboard")->setChecked(f.clipboard);
    Find<QCheckBox>(this, "autoPlaylist")->setChecked(f.autoPlaylist);
    Find<QCheckBox>(this, "autoSaveSettings")->setChecked(f.autoSaveSettings);
    Find<QCheckBox>(this, "autoSavePlaylist")->setChecked(f.autoSavePlaylist);
    Find<QCheckBox>(this, "autoSaveLibrary")->setChecked(f.autoSaveLibrary);
    Find<QSpinBox>(this, "autoSaveMinutes")->setValue(f.autoSaveMinutes);
    Find<QCheckBox>(this, "recursiveFolder")->setChecked(f.recursiveFolder);
    Find<QCheckBox>(this, "endQuestion")->setChecked(f.endQuestion);
    Find<QCheckBox>(this, "taskBar")->setChecked(f.taskBar);
    Find<QCheckBox>(this, "updateCheck")->setChecked(f.updateCheck);
    filling_ = false;

    UpdateCaptions();
    ShowScanState();
    ShowStatistics();
    CheckSettingsChanged();
}

SettingsForm SettingsWindow::Form() const {
    SettingsForm f;
    f.device = Find<QComboBox>(this, "device")->currentIndex();
    f.rate = Find<QComboBox>(this, "rate")->currentIndex();
    f.fadeIn = Find<QSlider>(this, "fadeIn")->value();
    f.fadeOut = Find<QSlider>(this, "fadeOut")->value();
    f.soundFont = soundFont_;

    f.saveFile = Find<QCheckBox>(this, "saveFile")->isChecked();
    f.savePath = savePath_;
    f.nameAfterStation = Find<QRadioButton>(this, "nameStation")->isChecked();
    f.timeOut = Find<QSlider>(this, "radioTimeOut")->value();
    f.proxy = FromQt(Find<QLineEdit>(this, "proxy")->text());

    f.onTop = Find<QCheckBox>(this, "onTop")->isChecked();
    f.opacity = Find<QCheckBox>(this, "opacity")->isChecked();
    f.opacityValue = Find<QSlider>(this, "opacityValue")->value();
    f.magnetic = Find<QCheckBox>(this, "magnetic")->isChecked();
    f.magneticValue = Find<QSlider>(this, "magneticValue")->value();
    f.autoWidthPlaylist = Find<QCheckBox>(this, "autoWidthPlaylist")->isChecked();
    f.autoWidthLibrary = Find<QCheckBox>(this, "autoWidthLibrary")->isChecked();
    f.lengthFormat = FromQt(Find<QComboBox>(this, "lengthFormat")->currentText());
    f.autoComplete = Find<QCheckBox>(this, "autoComplete")->isChecked();
    f.colours = colours_;

    f.mediaKeys = Find<QCheckBox>(this, "mediaKeys")->isChecked();
    f.globalKeys = Find<QCheckBox>(this, "globalKeys")->isChecked();
    f.hotkeys = hotkeys_;

    f.trackerOn = Find<QCheckBox>(this, "trackerOn")->isChecked();
    f.trackerGap = Find<QSlider>(this, "trackerGap")->value();
    f.trackerSpacing = Find<QSlider>(this, "trackerSpacing")->value();
    f.trackerSeconds = Find<QSlider>(this, "trackerTime")->value();
    f.trackerCorner = Find<QComboBox>(this, "trackerCorner")->currentIndex();
    f.trackerAlign = Find<QComboBox>(this, "trackerAlign")->currentIndex();
    f.trackerText = FromQt(Find<QLineEdit>(this, "trackerText")->text());
    f.trackerBack = trackerBack_;
    f.trackerFore = trackerFore_;
    f.trackerMinWidth = FromQt(Find<QLineEdit>(this, "trackerMinWidth")->text());
    f.trackerMinHeight = FromQt(Find<QLineEdit>(this, "trackerMinHeight")->text());

    f.libraryPath = libraryPath_;
    f.libraryCpu = Find<QCheckBox>(this, "libraryCpu")->isChecked();
    f.libraryAddPlay = Find<QCheckBox>(this, "libraryAddPlay")->isChecked();
    f.libraryBackground = Find<QCheckBox>(this, "libraryBackground")->isChecked();
    f.libraryStartCheck = Find<QCheckBox>(this, "libraryStartCheck")->isChecked();

    f.taskSeconds = Find<QSlider>(this, "taskTimeOut")->value();

    f.clipboard = Find<QCheckBox>(this, "clipboard")->isChecked();
    f.autoPlaylist = Find<QCheckBox>(this, "autoPlaylist")->isChecked();
    f.autoSaveSettings = Find<QCheckBox>(this, "autoSaveSettings")->isChecked();
    f.autoSavePlaylist = Find<QCheckBox>(this, "autoSavePlaylist")->isChecked();
    f.autoSaveLibrary = Find<QCheckBox>(this, "autoSaveLibrary")->isChecked();
    f.autoSaveMinutes = Find<QSpinBox>(this, "autoSaveMinutes")->value();
    f.recursiveFolder = Find<QCheckBox>(this, "recursiveFolder")->isChecked();
    f.endQuestion = Find<QCheckBox>(this, "endQuestion")->isChecked();
    f.taskBar = Find<QCheckBox>(this, "taskBar")->isChecked();
    f.updateCheck = Find<QCheckBox>(this, "updateCheck")->isChecked();
    return f;
}

void SettingsWindow::CheckSettingsChanged() {
    if (filling_) return;
    apply_->setEnabled(
        FormDiffers(Form(), app_.data.settings, static_cast<int32_t>(app_.engine.outputDevices.size())));
}

bool SettingsWindow::Apply() {
    const bool applied = ApplySettings(app_, Form(), *port_);
    if (applied && window_.Companions()) window_.Companions()->HotkeysChanged();
    if (applied) FillSettingsControls();  // the device list and the stored forms of texts
    CheckSettingsChanged();
    return applied;
}

void SettingsWindow::UpdateCaptions() {
    const auto caption = [this](const char* label, const char* slider, std::string (*text)(int32_t)) {
        SetTextIfDiffers(Find<QLabel>(this, label), ToQt(text(Find<QSlider>(this, slider)->value())));
    };
    caption("fadeInCaption", "fadeIn", &FadeInCaption);
    caption("fadeOutCaption", "fadeOut", &FadeOutCaption);
    caption("radioTimeOutCaption", "radioTimeOut", &RadioTimeOutCaption);
    caption("trackerTimeCaption", "trackerTime", &TrackerTimeCaption);
    caption("taskTimeOutCaption", "taskTimeOut", &TaskTimeOutCaption);
}

void SettingsWindow::ShowColours() {
    auto* list = Find<QListWidget>(this, "colours");
    for (int i = 0; i < 4; ++i) list->item(i)->setIcon(Swatch(colours_[static_cast<size_t>(i)]));
}

// --- Controls that act at once ---

// Sonvaro.ini holds one value per line: a name with a line break could only
// be stored as another name, so it is refused where it is chosen.
bool SettingsWindow::StorablePath(const std::string& path) {
    if (path.find_first_of("\r\n") == std::string::npos) return true;
    app_.ports.messages.HintBox("Ein Name mit Zeilenumbruch kann nicht gespeichert werden: '" + path + "'");
    return false;
}

void SettingsWindow::ChooseSoundFont(const QString& file) {
    if (file.isEmpty()) return;
    const std::string path = FromQt(file);
    if (!StorablePath(path)) return;
    if (!IsSoundFontName(path)) {
        app_.ports.messages.HintBox("Ungültiger Dateityp '" + path + "'");
        return;
    }
    if (path == soundFont_) return;
    soundFont_ = path;
    Find<QLineEdit>(this, "soundFont")->setText(file);
    CheckSettingsChanged();
}

void SettingsWindow::ChooseSavePath(const QString& folder) {
    if (folder.isEmpty() || !StorablePath(FolderPath(folder))) return;
    savePath_ = FolderPath(folder);
    Find<QLineEdit>(this, "savePath")->setText(ToQt(savePath_));
    CheckSettingsChanged();
}

void SettingsWindow::ChooseLibraryFolder(const QString& folder) {
    if (folder.isEmpty() || !StorablePath(FolderPath(folder))) return;
    // Acts at once, so that "Scann" scans the folder just chosen.
    libraryPath_ = FolderPath(folder);
    app_.data.settings.MediaLib_Path = libraryPath_;
    Find<QLineEdit>(this, "libraryPath")->setText(ToQt(libraryPath_));
    CheckSettingsChanged();
}

void SettingsWindow::ChooseColour(int row, const QColor& colour) {
    if (row < 0 || row >= 4 || !colour.isValid()) return;
    colours_[static_cast<size_t>(row)] = BgrFromColour(colour);
    ShowColours();
    CheckSettingsChanged();
}

void SettingsWindow::ChooseTrackerColour(bool background, const QColor& colour) {
    if (!colour.isValid()) return;
    int32_t& target = background ? trackerBack_ : trackerFore_;
    target = BgrFromColour(colour);
    Find<QPushButton>(this, background ? "trackerBack" : "trackerFore")->setIcon(Swatch(target));
    CheckSettingsChanged();
}

void SettingsWindow::RecordingChanged() {
    filling_ = true;
    Find<QCheckBox>(this, "saveFile")->setChecked(app_.data.settings.NETStream_SaveFile != 0);
    filling_ = false;
    CheckSettingsChanged();
}

// --- Pages filled from the running program ---

void SettingsWindow::ShowStatistics() {
    auto* list = Find<QTreeWidget>(this, "statistics");
    const auto rows = StatisticsRows(app_.data.settings);
    if (list->topLevelItemCount() != static_cast<int>(rows.size())) {
        list->clear();
        for (const auto& row : rows) list->addTopLevelItem(new QTreeWidgetItem({ToQt(row.first), QString()}));
    }
    for (int i = 0; i < static_cast<int>(rows.size()); ++i)
        list->topLevelItem(i)->setText(1, ToQt(rows[static_cast<size_t>(i)].second));
}

void SettingsWindow::FillPlugins() {
    auto* list = Find<QTreeWidget>(this, "plugins");
    list->clear();
    const auto add = [list](const std::string& name, uint32_t version, const std::string& description) {
        list->addTopLevelItem(
            new QTreeWidgetItem({ToQt(name), ToQt(VersionText(version)), ToQt(description)}));
    };
    for (const audio::FormatFamily& family : audio::BuiltInFormatFamilies())
        add(family.name, family.version, family.description);
    pluginRows_ = list->topLevelItemCount();
    shownListeners_.clear();
    ShowListeners();
}

// Programs registered over remote control follow the engine's own decoders;
// one that went away loses its row at the next tick.
void SettingsWindow::ShowListeners() {
    const std::vector<ListenerWindow> listeners = window_.Listeners();
    std::vector<uint64_t> ids;
    for (const ListenerWindow& l : listeners) ids.push_back(l.window);
    if (ids == shownListeners_) return;
    auto* list = Find<QTreeWidget>(this, "plugins");
    while (list->topLevelItemCount() > pluginRows_) delete list->takeTopLevelItem(pluginRows_);
    for (const ListenerWindow& l : listeners)
        list->addTopLevelItem(new QTreeWidgetItem({ToQt(l.name), ToQt(VersionText(l.kind)), ToQt(l.info)}));
    shownListeners_ = std::move(ids);
}

void SettingsWindow::ShowScanState() {
    const bool running = app_.LibraryScanRunning();
    Find<QPushButton>(this, "libraryChoose")->setEnabled(!running);
    Find<QPushButton>(this, "libraryScan")->setEnabled(!running);
    Find<QPushButton>(this, "libraryStop")->setEnabled(running);
    QString first, second;
    int percent = 0;
    if (running) {
        first = ToQt(app_.workers.StatusText());
        percent = app_.workers.progress.load();
        second = QString::number(percent) + '%';
    } else if (app_.workers.backgroundOn && app_.workers.backgroundRunning) {
        first = ToQt(app_.workers.BackgroundText());
    }
    SetTextIfDiffers(Find<QLabel>(this, "libraryStatus1"), first);
    SetTextIfDiffers(Find<QLabel>(this, "libraryStatus2"), second);
    auto* bar = Find<QProgressBar>(this, "libraryProgress");
    if (bar->value() != percent) bar->setValue(percent);
}

void SettingsWindow::Tick() {
    // The folder acts at once, so it follows the scan command of the main window too.
    if (libraryPath_ != app_.data.settings.MediaLib_Path) {
        libraryPath_ = app_.data.settings.MediaLib_Path;
        Find<QLineEdit>(this, "libraryPath")->setText(ToQt(libraryPath_));
        CheckSettingsChanged();
    }
    ShowScanState();
    if (Page() == SettingsPage::Plugins) ShowListeners();
}

// --- Pages and closing ---

void SettingsWindow::ShowPage(SettingsPage page) {
    pages_->setCurrentRow(static_cast<int>(page));
}

SettingsPage SettingsWindow::Page() const {
    return static_cast<SettingsPage>(stack_->currentIndex());
}

void SettingsWindow::showEvent(QShowEvent* event) {
    ToolWindow::showEvent(event);
    if (Page() == SettingsPage::Plugins) FillPlugins();
}

void SettingsWindow::closeEvent(QCloseEvent* event) {
    rememberedPage_ = static_cast<int>(Page());
    tick_.stop();
    ToolWindow::closeEvent(event);
}

}  // namespace sonvaro
