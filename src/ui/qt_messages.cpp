#include "ui/qt_messages.h"

#include <QMessageBox>
#include <QPushButton>

#include "ui/qt_text.h"

namespace sonvaro {
namespace {

QMessageBox::Icon QtIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Error:
            return QMessageBox::Critical;
        case MessageIcon::Warning:
            return QMessageBox::Warning;
        case MessageIcon::Question:
            return QMessageBox::Question;
        case MessageIcon::Information:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

QWidget* VisibleOrNull(QWidget* w) {
    return w && w->isVisible() ? w : nullptr;
}

}  // namespace

void QtMessages::Show(const std::string& text, const std::string& title, MessageIcon icon) {
    QMessageBox box(QtIcon(icon), ToQt(title), ToQt(text), QMessageBox::Ok, VisibleOrNull(parent_));
    box.exec();
}

bool QtMessages::Ask(const std::string& text, const std::string& title, MessageIcon icon) {
    QMessageBox box(QtIcon(icon), ToQt(title), ToQt(text), QMessageBox::NoButton, VisibleOrNull(parent_));
    QPushButton* yes = box.addButton(QStringLiteral("Ja"), QMessageBox::YesRole);
    box.addButton(QStringLiteral("Nein"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.exec();
    return box.clickedButton() == yes;
}

}  // namespace sonvaro
