#include "ui/tool_window.h"

#include <QCloseEvent>
#include <QKeyEvent>

namespace sonvaro {

ToolWindow::ToolWindow(QWidget* owner, const QString& title) : QWidget(owner, Qt::Window) {
    setWindowTitle(title);
    setAttribute(Qt::WA_DeleteOnClose);
}

void ToolWindow::closeEvent(QCloseEvent* event) {
    setProperty(kClosingProperty, true);
    emit closing(this);
    QWidget::closeEvent(event);
}

void ToolWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace sonvaro
