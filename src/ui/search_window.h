#pragma once
#include <QWidget>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ui/tool_window.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace sonvaro {

class Application;

// "Suche": finds playlist entries by text; a click selects the entry's row.
class SearchWindow : public ToolWindow {
    Q_OBJECT
  public:
    // What the main window does for the search.
    struct Playlist {
        std::function<bool()> busy;              // a long operation runs: no search now
        std::function<void(bool)> holdCommands;  // around the search, which lets window events through
        std::function<void(int row)> selectRow;
    };
    // `main`: the main window, which a double-click brings to the front.
    SearchWindow(QWidget& main, Application& app, Playlist playlist);

    void Search();  // the "Suchen" button and Return
    QLineEdit* TextField() const { return text_; }
    QComboBox* FieldBox() const { return field_; }
    QListWidget* Results() const { return results_; }
    void ResultClicked(int index);
    void ResultDoubleClicked(int index);

  private:
    QWidget& main_;
    Application& app_;
    Playlist playlist_;
    QComboBox* field_;
    QLineEdit* text_;
    QPushButton* button_;
    QListWidget* results_;
    std::vector<std::pair<size_t, std::string>> found_;
};

}  // namespace sonvaro
