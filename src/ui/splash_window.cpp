#include "ui/splash_window.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>

#include "session/window_settings.h"
#include "ui/icons.h"
#include "ui/qt_text.h"

namespace sonvaro {

SplashWindow::SplashWindow() : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setWindowTitle(QStringLiteral("Sonvaro"));
    EnsureResources();
    setFixedSize(380, 165);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(65, 82, 102));
    palette.setColor(QPalette::WindowText, Qt::white);
    setPalette(palette);
    auto* logo = new QLabel(this);
    logo->setGeometry(0, 0, 380, 139);
    logo->setPixmap(QPixmap(QStringLiteral(":/icons/logo.svg")).scaled(380, 139));
    status_ = new QLabel(QStringLiteral("Starte.."), this);
    status_->setGeometry(5, 139 + 7, 380 - 10, 15);
}

void SplashWindow::Open() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + CentredOffset(area.width(), width()),
             area.y() + CentredOffset(area.height(), height()));
    }
    show();
    opened_.start();
    QCoreApplication::processEvents();
}

void SplashWindow::SetStatus(const std::string& text) {
    if (!isVisible()) return;
    status_->setText(ToQt(text));
    repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void SplashWindow::WaitMinimumTime() {
    if (!opened_.isValid()) return;
    const qint64 remaining = 1000 - opened_.elapsed();
    if (remaining <= 0) return;
    QEventLoop wait;
    QTimer::singleShot(int(remaining), &wait, &QEventLoop::quit);
    wait.exec();
}

void SplashWindow::Close() {
    close();
}

QString SplashWindow::Status() const {
    return status_->text();
}

}  // namespace sonvaro
