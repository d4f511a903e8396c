#include "ui/settings/settings_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <algorithm>

#include "session/application.h"
#include "ui/desktop_companions.h"
#include "ui/settings/settings_pages.h"

namespace sonvaro {
namespace {

const char* const kPageNames[kSettingsPageCount] = {"Bass",    "Internet Radio",   "Oberfläche", "Shortcuts",
                                                    "Tracker", "Medienbibliothek", "Aufgaben",   "Sonstiges",
                                                    "Plugins", "Statistiken"};

}  // namespace

SettingsWindow::SettingsWindow(QWidget& parent, Application& app, Parts parts, int& page)
    : ToolWindow(&parent, QStringLiteral("Einstellungen")),
      app_(app),
      rememberedPage_(page),
      port_(std::move(parts.port)),
      companions_(parts.companions),
      context_{app_, *port_, std::move(parts.listeners), [this] { CheckSettingsChanged(); }} {
    context_.keysAvailable = companions_ && companions_->GlobalKeysAvailable();
    setFixedSize(460, 340);
    pages_ = new QListWidget(this);
    pages_->setObjectName(QStringLiteral("pages"));
    pages_->setGeometry(5, 5, 120, 295);
    for (const char* name : kPageNames) pages_->addItem(Utf8(name));
    stack_ = new QStackedWidget(this);
    stack_->setGeometry(130, 5, 325, 295);
    bass_ = new BassPage(context_);
    radio_ = new RadioPage(context_);
    interface_ = new InterfacePage(context_);
    tracker_ = new TrackerPage(context_);
    library_ = new LibraryPage(context_);
    plugins_ = new PluginsPage(context_);
    SettingsPageWidget* const pages[kSettingsPageCount] = {bass_,
                                                           radio_,
                                                           interface_,
                                                           new ShortcutsPage(context_),
                                                           tracker_,
                                                           library_,
                                                           new TasksPage(context_),
                                                           new MiscPage(context_),
                                                           plugins_,
                                                           new StatisticsPage(context_)};
    for (int i = 0; i < kSettingsPageCount; ++i) {
        pageWidgets_[i] = pages[i];
        stack_->addWidget(pages[i]);
    }
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
        pageWidgets_[row]->Shown();
    });
    WatchControls();
    ShowPage(static_cast<SettingsPage>(std::clamp(rememberedPage_, 0, kSettingsPageCount - 1)));
    FillSettingsControls();
    connect(&tick_, &QTimer::timeout, this, [this] { Tick(); });
    tick_.start(50);
}

SettingsWindow::~SettingsWindow() = default;

// Any edit of any control checks whether "Übernehmen" applies; a slider also says its value.
void SettingsWindow::WatchControls() {
    const auto check = [this] { CheckSettingsChanged(); };
    for (QCheckBox* w : findChildren<QCheckBox*>()) connect(w, &QCheckBox::toggled, this, check);
    for (QRadioButton* w : findChildren<QRadioButton*>()) connect(w, &QRadioButton::toggled, this, check);
    for (QComboBox* w : findChildren<QComboBox*>()) {
        connect(w, &QComboBox::currentIndexChanged, this, check);
        connect(w, &QComboBox::editTextChanged, this, check);
    }
    for (QLineEdit* w : findChildren<QLineEdit*>()) connect(w, &QLineEdit::textChanged, this, check);
    for (QSpinBox* w : findChildren<QSpinBox*>()) connect(w, &QSpinBox::valueChanged, this, check);
    for (QSlider* w : findChildren<QSlider*>())
        connect(w, &QSlider::valueChanged, this, [this] {
            UpdateCaptions();
            CheckSettingsChanged();
        });
}

void SettingsWindow::FillSettingsControls() {
    context_.filling = true;
    const SettingsForm form = CurrentSettingsForm(app_);
    for (SettingsPageWidget* page : pageWidgets_) page->Fill(form);
    context_.filling = false;
    UpdateCaptions();
    CheckSettingsChanged();
}

SettingsForm SettingsWindow::Form() const {
    SettingsForm form;
    for (const SettingsPageWidget* page : pageWidgets_) page->Read(form);
    return form;
}

void SettingsWindow::CheckSettingsChanged() {
    if (context_.filling) return;
    apply_->setEnabled(
        FormDiffers(Form(), app_.data.settings, static_cast<int32_t>(app_.engine.outputDevices.size())));
}

bool SettingsWindow::Apply() {
    const bool applied = ApplySettings(app_, Form(), *port_);
    if (applied && companions_) companions_->HotkeysChanged();
    if (applied) FillSettingsControls();  // the device list and the stored forms of texts
    CheckSettingsChanged();
    return applied;
}

void SettingsWindow::UpdateCaptions() {
    for (const SettingsPageWidget* page : pageWidgets_) page->UpdateCaptions();
}

void SettingsWindow::ChooseSoundFont(const QString& file) {
    bass_->ChooseSoundFont(file);
}

void SettingsWindow::ChooseSavePath(const QString& folder) {
    radio_->ChooseSavePath(folder);
}

void SettingsWindow::ChooseLibraryFolder(const QString& folder) {
    library_->ChooseLibraryFolder(folder);
}

void SettingsWindow::ChooseColour(int row, const QColor& colour) {
    interface_->ChooseColour(row, colour);
}

void SettingsWindow::ChooseTrackerColour(bool background, const QColor& colour) {
    tracker_->ChooseTrackerColour(background, colour);
}

void SettingsWindow::RecordingChanged() {
    radio_->RecordingChanged();
}

void SettingsWindow::Tick() {
    library_->Tick();
    if (Page() == SettingsPage::Plugins) plugins_->Tick();
}

void SettingsWindow::ShowPage(SettingsPage page) {
    pages_->setCurrentRow(static_cast<int>(page));
}

SettingsPage SettingsWindow::Page() const {
    return static_cast<SettingsPage>(stack_->currentIndex());
}

void SettingsWindow::showEvent(QShowEvent* event) {
    ToolWindow::showEvent(event);
    if (Page() == SettingsPage::Plugins) plugins_->Shown();
}

void SettingsWindow::closeEvent(QCloseEvent* event) {
    rememberedPage_ = static_cast<int>(Page());
    tick_.stop();
    ToolWindow::closeEvent(event);
}

}  // namespace sonvaro
