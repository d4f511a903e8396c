#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

#include "session/application.h"
#include "ui/qt_text.h"
#include "ui/settings/settings_pages.h"

namespace sonvaro {

TrackerPage::TrackerPage(SettingsPageContext& context) : SettingsPageWidget(context) {
    auto* grid = PageGrid(this);
    QCheckBox* on =
        Check("trackerOn", "Aktiviert",
              "Blendet ein Infofenster mit aktuellen Titelinformationen bei Wiedergabe ein", this);
    QSlider* gap =
        Slider("trackerGap", kTrackerGapRange, "Abstand zwischen Tracker und Bildschirmrand", this);
    QSlider* spacing =
        Slider("trackerSpacing", kTrackerSpacingRange, "Abstand zwischen Trackerrand und Inhalt", this);
    QLabel* timeCaption = NamedLabel("trackerTimeCaption", this);
    QSlider* time =
        Slider("trackerTime", kTrackerSecondsRange, "Gibt an wie lange der Tracker eingeblendet wird", this);
    QComboBox* corner = NamedList("trackerCorner", this);
    corner->addItems({Utf8("Oben Links"), Utf8("Oben Rechts"), Utf8("Unten Rechts"), Utf8("Unten Links")});
    QComboBox* align = NamedList("trackerAlign", this);
    align->addItems({Utf8("Zentriert"), Utf8("Linksbündig"), Utf8("Rechtsbündig")});
    auto* text = new QLineEdit(this);
    text->setObjectName(QStringLiteral("trackerText"));
    text->setToolTip(Utf8("Musterstring: %TITL, %ALBM, %GNRE, %YEAR, %CMNT, %TRCK, |"));
    back_ = Button("trackerBack", "Hintergrund", "Hintergrundfarbe", this);
    fore_ = Button("trackerFore", "Textfarbe", "Textfarbe", this);
    auto* minWidth = new QLineEdit(this);
    minWidth->setObjectName(QStringLiteral("trackerMinWidth"));
    auto* minHeight = new QLineEdit(this);
    minHeight->setObjectName(QStringLiteral("trackerMinHeight"));
    for (QLineEdit* field : {minWidth, minHeight}) {
        field->setMaxLength(6);
        field->setFixedWidth(50);
    }
    QPushButton* preview = Button("trackerPreview", "Vorschau", "", this);
    QCheckBox* cover =
        Check("trackerCover", "Cover anzeigen", "Zeigt das Bild des Titels neben dem Text", this);
    grid->addWidget(on, 0, 0, 1, 4);
    grid->addWidget(Caption(Utf8("Bildschirmabstand"), this), 1, 0, 1, 2);
    grid->addWidget(gap, 2, 0, 1, 2);
    grid->addWidget(Caption(Utf8("Spacing"), this), 1, 2, 1, 2);
    grid->addWidget(spacing, 2, 2, 1, 2);
    grid->addWidget(timeCaption, 3, 0, 1, 4);
    grid->addWidget(time, 4, 0, 1, 4);
    grid->addWidget(Caption(Utf8("Position"), this), 5, 0, 1, 2);
    grid->addWidget(Caption(Utf8("Textausrichtung"), this), 5, 2, 1, 2);
    grid->addWidget(corner, 6, 0, 1, 2);
    grid->addWidget(align, 6, 2, 1, 2);
    grid->addWidget(Caption(Utf8("Text"), this), 7, 0, 1, 4);
    grid->addWidget(text, 8, 0, 1, 4);
    grid->addWidget(back_, 9, 0, 1, 2);
    grid->addWidget(fore_, 9, 2, 1, 2);
    grid->addWidget(Caption(Utf8("Minimale Größe"), this), 10, 0, 1, 2);
    grid->addWidget(minWidth, 11, 0);
    grid->addWidget(minHeight, 11, 1);
    grid->addWidget(preview, 11, 3);
    grid->addWidget(cover, 12, 0, 1, 4);
    grid->setRowStretch(13, 1);
    connect(back_, &QPushButton::clicked, this, [this] {
        const QColor c = QColorDialog::getColor(ColourFromBgr(trackerBack_), this);
        if (c.isValid()) ChooseTrackerColour(true, c);
    });
    connect(fore_, &QPushButton::clicked, this, [this] {
        const QColor c = QColorDialog::getColor(ColourFromBgr(trackerFore_), this);
        if (c.isValid()) ChooseTrackerColour(false, c);
    });
    connect(preview, &QPushButton::clicked, this, [this] {
        if (App().ports.tracker) App().ports.tracker->ShowPreview();
    });

    bindings_.Bind(on, &SettingsForm::trackerOn);
    bindings_.Bind(gap, &SettingsForm::trackerGap);
    bindings_.Bind(spacing, &SettingsForm::trackerSpacing);
    bindings_.Bind(time, &SettingsForm::trackerSeconds);
    bindings_.Bind(corner, &SettingsForm::trackerCorner);
    bindings_.Bind(align, &SettingsForm::trackerAlign);
    bindings_.Bind(text, &SettingsForm::trackerText);
    bindings_.Bind(minWidth, &SettingsForm::trackerMinWidth);
    bindings_.Bind(minHeight, &SettingsForm::trackerMinHeight);
    bindings_.Bind(cover, &SettingsForm::trackerCover);
    bindings_.Caption(timeCaption, time, &TrackerTimeCaption);
}

void TrackerPage::Fill(const SettingsForm& form) {
    SettingsPageWidget::Fill(form);
    trackerBack_ = form.trackerBack;
    trackerFore_ = form.trackerFore;
    back_->setIcon(Swatch(trackerBack_));
    fore_->setIcon(Swatch(trackerFore_));
}

void TrackerPage::Read(SettingsForm& form) const {
    SettingsPageWidget::Read(form);
    form.trackerBack = trackerBack_;
    form.trackerFore = trackerFore_;
}

void TrackerPage::ChooseTrackerColour(bool background, const QColor& colour) {
    if (!colour.isValid()) return;
    int32_t& target = background ? trackerBack_ : trackerFore_;
    target = BgrFromColour(colour);
    (background ? back_ : fore_)->setIcon(Swatch(target));
    Changed();
}

}  // namespace sonvaro
