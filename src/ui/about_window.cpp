#include "ui/about_window.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QVBoxLayout>

#include "companions/update_check.h"
#include "core/numbers.h"
#include "ui/icons.h"
#include "ui/qt_text.h"

namespace sonvaro {

AboutWindow::AboutWindow(uint32_t engine, QWidget* owner) : QDialog(owner) {
    setWindowTitle(QStringLiteral("Informationen"));
    setAttribute(Qt::WA_DeleteOnClose);
    EnsureResources();
    setFixedSize(380, 452);
    const QString engineText = QStringLiteral("%1.%2.%3.%4")
                                   .arg(engine >> 24)
                                   .arg((engine >> 16) & 0xFF)
                                   .arg((engine >> 8) & 0xFF)
                                   .arg(engine & 0xFF);
    auto* tabs = new QTabWidget(this);
    auto* info = new QLabel(QString::fromUtf8("<p><img src=':/icons/logo.svg' width='340'></p>"
                                              "<p><b>Sonvaro</b> Version %1</p>"
                                              "<p>Audio-Engine Version %2</p>"
                                              "<p>Ein Audio-Player mit Wiedergabeliste, Medienbibliothek, "
                                              "Equalizer und Internetradio.</p>")
                                .arg(ToQt(VersionText(kInstalledVersion)), engineText),
                            tabs);
    info->setWordWrap(true);
    info->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    tabs->addTab(info, QStringLiteral("Informationen"));
    auto* history = new QPlainTextEdit(tabs);
    history->setReadOnly(true);
    history->setPlainText(ToQt(VersionText(kInstalledVersion)) +
                          QString::fromUtf8("\n"
                                            "- Fensteroberfläche mit Qt\n"
                                            "- Player ohne Fenster (--headless)\n"
                                            "- Equalizer mit 19 Voreinstellungen, Hall, Echo und Flanger\n"
                                            "- Datei Informationen: Tags bearbeiten und speichern\n"
                                            "- Autotager: Tags aus Dateinamen nach einem Muster\n"
                                            "- Internetradio mit Aufnahme je Titel und RadioLog\n"
                                            "- Medienbibliothek mit Suche und Hörstatistik\n"));
    tabs->addTab(history, QStringLiteral("Geschichte"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs, 1);
    layout->addWidget(buttons);
}

void AboutWindow::done(int result) {
    emit closing(this);
    QDialog::done(result);
}

}  // namespace sonvaro
