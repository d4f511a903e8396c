#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QSlider>

#include "ui/qt_text.h"
#include "ui/settings/settings_pages.h"

namespace sonvaro {
namespace {

const char* const kColourRows[4] = {"Trackinfo Hintergrund", "Trackinfo Text", "Auswahl Hintergrund",
                                    "Auswahl Text"};

}  // namespace

InterfacePage::InterfacePage(SettingsPageContext& context) : SettingsPageWidget(context) {
    auto* grid = PageGrid(this);
    QCheckBox* onTop =
        Check("onTop", "Immer im Vordergrund", "Fenster befinden sich immer im Vordergrund", this);
    QCheckBox* opacity = Check("opacity", "Transparentz", "Fenster werden transparent dargestellt", this);
    QSlider* opacityValue =
        Slider("opacityValue", kOpacityRange, "Regelt die Stärke der Transparenz", this, 20);
    QCheckBox* magnetic =
        Check("magnetic", "Magnetische Fenster", "Fenster werden magnetisch angezogen", this);
    QSlider* magneticValue = Slider("magneticValue", kMagneticRange, "Bestimmt die Anziehkraft", this, 3);
    QCheckBox* widthPlaylist = Check("autoWidthPlaylist", "Spaltenbreite Wiedergabeliste",
                                     "Passt die Spaltenbreite in Wiedergabeliste automatisch an", this);
    QCheckBox* widthLibrary = Check("autoWidthLibrary", "Spaltenbreite Medienbibliothek",
                                    "Passt die Spaltenbreite in Medienbibliothek automatisch an", this);
    QComboBox* format = NamedList("lengthFormat", this);
    format->setEditable(true);
    format->setInsertPolicy(QComboBox::NoInsert);
    format->addItems({Utf8("%ptime"), Utf8("%ltime"), Utf8("%ptime / %ftime"), Utf8("%ptime - %ppercent")});
    format->setToolTip(Utf8("Musterstring: %ptime, %ltime, %ftime, %ppercent, %lpercent"));
    QCheckBox* autoComplete = Check(
        "autoComplete", "Automatische vervollständigung",
        "Beim Medienbibliothek-Suchfeld wird ein Automatische-Vervollständigen Algorithums angewendet", this);
    colourList_ = new QListWidget(this);
    colourList_->setObjectName(QStringLiteral("colours"));
    for (const char* row : kColourRows) colourList_->addItem(Utf8(row));
    colourList_->setFixedHeight(4 * 18 + 6);
    grid->addWidget(onTop, 0, 0, 1, 2);
    grid->addWidget(opacity, 1, 0);
    grid->addWidget(opacityValue, 1, 1);
    grid->addWidget(magnetic, 2, 0);
    grid->addWidget(magneticValue, 2, 1);
    grid->addWidget(widthPlaylist, 3, 0, 1, 2);
    grid->addWidget(widthLibrary, 4, 0, 1, 2);
    grid->addWidget(Caption(Utf8("Längenformat"), this), 5, 0);
    grid->addWidget(format, 5, 1);
    grid->addWidget(autoComplete, 6, 0, 1, 2);
    grid->addWidget(colourList_, 7, 0, 1, 2);
    grid->setRowStretch(8, 1);
    connect(colourList_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        const int row = colourList_->row(item);
        const QColor chosen = QColorDialog::getColor(ColourFromBgr(colours_[static_cast<size_t>(row)]), this);
        if (chosen.isValid()) ChooseColour(row, chosen);
        colourList_->clearSelection();
        colourList_->setCurrentRow(-1);
    });

    bindings_.Bind(onTop, &SettingsForm::onTop);
    bindings_.Bind(opacity, &SettingsForm::opacity);
    bindings_.Bind(opacityValue, &SettingsForm::opacityValue);
    bindings_.Bind(magnetic, &SettingsForm::magnetic);
    bindings_.Bind(magneticValue, &SettingsForm::magneticValue);
    bindings_.Bind(widthPlaylist, &SettingsForm::autoWidthPlaylist);
    bindings_.Bind(widthLibrary, &SettingsForm::autoWidthLibrary);
    bindings_.BindText(format, &SettingsForm::lengthFormat);
    bindings_.Bind(autoComplete, &SettingsForm::autoComplete);
}

void InterfacePage::Fill(const SettingsForm& form) {
    SettingsPageWidget::Fill(form);
    colours_ = form.colours;
    ShowColours();
}

void InterfacePage::Read(SettingsForm& form) const {
    SettingsPageWidget::Read(form);
    form.colours = colours_;
}

void InterfacePage::ChooseColour(int row, const QColor& colour) {
    if (row < 0 || row >= 4 || !colour.isValid()) return;
    colours_[static_cast<size_t>(row)] = BgrFromColour(colour);
    ShowColours();
    Changed();
}

void InterfacePage::ShowColours() {
    for (int i = 0; i < 4; ++i) colourList_->item(i)->setIcon(Swatch(colours_[static_cast<size_t>(i)]));
}

}  // namespace sonvaro
