#include "ui/generator_window.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>
#include <QVBoxLayout>
#include <algorithm>
#include <random>

#include "core/ports/messages.h"
#include "library/playlist_generator.h"
#include "session/application.h"
#include "tags/genre_names.h"
#include "ui/qt_text.h"

namespace sonvaro {

namespace {
const char* const kReady = "Klicken Sie auf 'Erstellen' um eine Wiedergabeliste zu generieren.";
}

GeneratorWindow::GeneratorWindow(Application& app, QWidget* owner)
    : ToolWindow(owner, QStringLiteral("Wiedergabeliste erstellen")), app_(app) {
    const auto S = [](const char* t) { return QString::fromUtf8(t); };
    auto* box = new QVBoxLayout(this);
    auto* intro =
        new QLabel(S("Dieser Assistent kann ihnen automatisch eine Wiedergabeliste erstellen. Dabei können "
                     "Sie gewisse Suchkriterien angeben, mit dessen Hilfe der Assisten die Auswahl trift. "
                     "Zum erstellen klicken Sie auf 'Erstellen'. Bitte bedenken Sie das diese Funktion nur "
                     "möglich ist, solange sich in ihrer Medienbibliothek auch genügend Dateien befinden."),
                   this);
    intro->setWordWrap(true);
    box->addWidget(intro);

    termsSwitch = new QCheckBox(S("Suchbegriffe"), this);
    termsSwitch->setToolTip(S("Hier Können Sie mehrere Suchbegriffe eingeben. Trennzeichen |"));
    terms = new QLineEdit(this);
    terms->setEnabled(false);
    genreSwitch = new QCheckBox(S("Genre Wahl"), this);
    genres = new QListWidget(this);
    genres->setSelectionMode(QAbstractItemView::MultiSelection);
    genres->setToolTip(S("Genres mit Linksklick auswählen"));
    for (std::string_view name : GenreNames()) genres->addItem(ToQt(std::string(name)));
    genres->setEnabled(false);
    box->addWidget(termsSwitch);
    box->addWidget(terms);
    box->addWidget(genreSwitch);
    box->addWidget(genres, 1);

    auto* frame = new QGroupBox(S("Länge"), this);
    auto* grid = new QGridLayout(frame);
    byCount = new QRadioButton(S("Nach Anzahl"), frame);
    byCount->setToolTip(S("Maximale Titelanzahl (-1:Unbegrenzt"));
    count = new QLineEdit(QStringLiteral("25"), frame);
    count->setEnabled(false);
    byTime = new QRadioButton(S("Nach Zeit"), frame);
    byTime->setToolTip(S("Maximale Wiedergabedauer"));
    byTime->setChecked(true);
    duration = new QTimeEdit(QTime(0, 30), frame);
    duration->setDisplayFormat(S("hh 'Std. und' mm 'Min.'"));
    duration->setMinimumTime(QTime(0, 10));
    duration->setToolTip(S("Maximale Wiedergabedauer"));
    grid->addWidget(byCount, 0, 0);
    grid->addWidget(count, 0, 1);
    grid->addWidget(byTime, 1, 0);
    grid->addWidget(duration, 1, 1);
    box->addWidget(frame);

    playedOnly = new QCheckBox(S("Bereits abgespielt"), this);
    playedOnly->setToolTip(S("Es werden nur Titel hinzugefügt, die bereits abgespielt wurden."));
    add = new QCheckBox(S("Hinzufügen"), this);
    add->setToolTip(S("Fügt die generierte Wiedergabeliste nur zur aktuellen hinzu"));
    box->addWidget(playedOnly);
    box->addWidget(add);
    status = new QLabel(S(kReady), this);
    status->setWordWrap(true);
    progress = new QProgressBar(this);
    progress->setRange(0, 100);
    // Its room is kept while hidden: nothing moves or shrinks when it shows.
    QSizePolicy keep = progress->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    progress->setSizePolicy(keep);
    progress->hide();
    box->addWidget(status);
    box->addWidget(progress);
    auto* buttons = new QHBoxLayout;
    cancelButton = new QPushButton(S("Abbrechen"), this);
    createButton = new QPushButton(S("Erstellen"), this);
    buttons->addStretch(1);
    buttons->addWidget(cancelButton);
    buttons->addWidget(createButton);
    box->addLayout(buttons);

    // The window's size, or more where the user's font needs more room.
    const int width = std::max(390, minimumSizeHint().width());
    setFixedSize(width, std::max({373, minimumSizeHint().height(), box->minimumHeightForWidth(width)}));

    connect(termsSwitch, &QCheckBox::toggled, terms, &QWidget::setEnabled);
    connect(genreSwitch, &QCheckBox::toggled, genres, &QWidget::setEnabled);
    connect(byCount, &QRadioButton::toggled, this, [this](bool on) {
        count->setEnabled(on);
        duration->setEnabled(!on);
    });
    connect(cancelButton, &QPushButton::clicked, this, &QWidget::close);
    connect(createButton, &QPushButton::clicked, this, [this] { Generate(); });
}

int GeneratorWindow::Generate() {
    GeneratorRequest request;
    request.useTerms = termsSwitch->isChecked();
    request.terms = FromQt(terms->text());
    request.useGenres = genreSwitch->isChecked();
    for (const QListWidgetItem* item : genres->selectedItems())
        request.genres.push_back(FromQt(item->text()));
    request.byCount = byCount->isChecked();
    bool ok = false;
    request.count = count->text().trimmed().toInt(&ok);
    if (!ok) request.count = 0;
    const QTime t = duration->time();
    request.durationSeconds = t.hour() * 3600 + t.minute() * 60;
    request.playedOnly = playedOnly->isChecked();
    request.addToPlaylist = add->isChecked();
    if (const auto error = GeneratorInputError(request)) {
        app_.ports.messages.HintBox(*error, "Ungültige Eingabe");
        return -1;
    }
    status->setText(QStringLiteral("Durchsuche Medienbibliothek.."));
    cancelButton->setEnabled(false);
    createButton->setEnabled(false);
    progress->setValue(0);
    progress->show();
    // The run holds the library and this thread: the window is painted
    // directly, and no events (no commands) are handled meanwhile.
    repaint();
    std::random_device seed;
    std::mt19937 random(seed());
    const auto picks = FindGeneratorPicks(app_.data.library, request, random, [this](int percent) {
        progress->setValue(percent);
        progress->repaint();
    });
    if (!picks) {
        progress->hide();
        progress->setValue(0);
        status->setText(QString::fromUtf8(kReady));
        cancelButton->setEnabled(true);
        createButton->setEnabled(true);
        app_.ports.messages.HintBox(
            "Es konnten nicht genügend Einträge nach ihren Suchkriterien gefunden werden.");
        return 0;
    }
    status->setText(QStringLiteral("Erstelle Wiedergabeliste.."));
    status->repaint();
    if (!request.addToPlaylist) app_.playback.RemovePlaylistRows(-1);
    AddGeneratorPicks(
        *picks, request, [this] { return app_.data.playlist.size(); },
        [this](const std::string& path) { app_.editor.AddToPlaylist(path); });
    app_.editor.EntriesAppended();
    close();
    return 0;
}

}  // namespace sonvaro
