#pragma once
#include "ui/tool_window.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTimeEdit;

namespace sonvaro {

class Application;

// "Wiedergabeliste erstellen": builds a playlist from the library.
class GeneratorWindow : public ToolWindow {
    Q_OBJECT
  public:
    GeneratorWindow(Application& app, QWidget* owner);

    // "Erstellen": -1 after an input error, else 0 (the window closes when it added).
    int Generate();

    QCheckBox* termsSwitch;
    QLineEdit* terms;
    QCheckBox* genreSwitch;
    QListWidget* genres;
    QRadioButton* byCount;
    QLineEdit* count;
    QRadioButton* byTime;
    QTimeEdit* duration;
    QCheckBox* playedOnly;
    QCheckBox* add;
    QLabel* status;
    QProgressBar* progress;
    QPushButton* cancelButton;
    QPushButton* createButton;

  private:
    Application& app_;
};

}  // namespace sonvaro
