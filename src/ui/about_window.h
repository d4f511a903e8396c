#pragma once
#include <QDialog>

namespace sonvaro {

// "Informationen": version, audio engine version and history.
class AboutWindow : public QDialog {
    Q_OBJECT
public:
    explicit AboutWindow(QWidget* owner);

signals:
    void closing(QWidget* window);

protected:
    void done(int result) override;
};

}  // namespace sonvaro
