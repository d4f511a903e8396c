#pragma once

class QTranslator;

namespace sonvaro {

// Installs Qt's own German texts (qtbase_de.qm from Qt's translations folder),
// so the standard dialogs match the player's German: "Öffnen", "Abbrechen",
// "Suchen in". Needs a QCoreApplication, which owns the translator (deleting
// it takes the texts back out); null when the file is not installed (Debian:
// qt6-translations-l10n), and the dialogs stay English.
QTranslator* InstallQtGermanTranslations();

}  // namespace sonvaro
