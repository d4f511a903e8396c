#include "desktop/qt_translations.h"

#include <QCoreApplication>
#include <QTranslator>

#include "support/ui_harness.h"

namespace sonvaro {
namespace {

TEST(QtTranslations, StandardDialogsSpeakGerman) {
    test::QtApp();
    // Qt's own texts, as its buttons and file dialogs look them up.
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
    QTranslator* german = InstallQtGermanTranslations();
    ASSERT_TRUE(german);
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Abbrechen"));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Open"), QStringLiteral("\u00D6ffnen"));
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("Suchen in:"));
    delete german;  // the other tests see Qt's English texts
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
}

}  // namespace
}  // namespace sonvaro
