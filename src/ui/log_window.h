#pragma once
#include <QWidget>

class QPlainTextEdit;

namespace sonvaro {

class StatusLog;

// "Log": shows the status lines written while it is open; closing discards them.
class LogWindow : public QWidget {
    Q_OBJECT
public:
    LogWindow(StatusLog& log, QWidget* owner);
    ~LogWindow() override;

    QString Text() const;
    // Takes the lines logged since the last look (any thread may have logged them).
    void Drain();

signals:
    void closing(QWidget* window);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    StatusLog& log_;
    QPlainTextEdit* text_;
    size_t shown_ = 0;
};

}  // namespace sonvaro
