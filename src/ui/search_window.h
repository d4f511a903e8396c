#pragma once
#include <QWidget>
#include <string>
#include <utility>
#include <vector>

#include "ui/tool_window.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace sonvaro {

class MainWindow;

// "Suche": finds playlist entries by text; a click selects the entry's row.
class SearchWindow : public ToolWindow {
    Q_OBJECT
  public:
    explicit SearchWindow(MainWindow& main);

    void Search();  // the "Suchen" button and Return
    QLineEdit* TextField() const { return text_; }
    QComboBox* FieldBox() const { return field_; }
    QListWidget* Results() const { return results_; }
    void ResultClicked(int index);
    void ResultDoubleClicked(int index);

  private:
    MainWindow& main_;
    QComboBox* field_;
    QLineEdit* text_;
    QPushButton* button_;
    QListWidget* results_;
    std::vector<std::pair<size_t, std::string>> found_;
};

}  // namespace sonvaro
