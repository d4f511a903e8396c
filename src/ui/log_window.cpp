#include "ui/log_window.h"

#include <QCloseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollBar>
#include <QVBoxLayout>

#include "core/status_log.h"
#include "ui/qt_text.h"

namespace sonvaro {

LogWindow::LogWindow(StatusLog& log, QWidget* owner) : ToolWindow(owner, QStringLiteral("Log")), log_(log) {
    resize(280, 320);
    text_ = new QPlainTextEdit(this);
    text_->setReadOnly(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(text_);
    log_.SetOpen(true);
    shown_ = log_.LineCount();
    QPointer<LogWindow> self(this);
    log_.SetWaker([self] {
        // Any thread: the window takes the lines on the ui thread.
        QMetaObject::invokeMethod(
            self.data(),
            [self] {
                if (self) self->Drain();
            },
            Qt::QueuedConnection);
    });
}

LogWindow::~LogWindow() {
    log_.SetWaker({});
    log_.SetOpen(false);
}

QString LogWindow::Text() const {
    return text_->toPlainText();
}

void LogWindow::Drain() {
    const std::vector<std::string> lines = log_.LinesSince(shown_);
    shown_ += lines.size();
    for (const std::string& line : lines) text_->appendPlainText(ToQt(line));
    if (!lines.empty()) text_->verticalScrollBar()->setValue(text_->verticalScrollBar()->maximum());
}

void LogWindow::closeEvent(QCloseEvent* event) {
    ToolWindow::closeEvent(event);
    log_.SetWaker({});
    log_.SetOpen(false);
}

}  // namespace sonvaro
