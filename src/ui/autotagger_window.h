#pragma once
#include <QWidget>
#include <string>
#include <vector>

#include "ui/tool_window.h"

class QLabel;
class QLineEdit;
class QTreeWidget;

namespace sonvaro {

class TagReader;

// "Autotager": fills the tags of the listed files from their names by a pattern.
class AutotaggerWindow : public ToolWindow {
    Q_OBJECT
  public:
    AutotaggerWindow(TagReader& tags, std::vector<std::string> paths, QWidget* owner);

    QTreeWidget* Files() const { return files_; }
    QLineEdit* Pattern() const { return pattern_; }
    QLabel* Result() const { return result_; }

    void Preview();  // "Vorschau"
    void Run();      // "Ausführen"

  signals:
    // Files whose tags were written, so their playlist rows can be re-read.
    void tagsWritten(const std::vector<std::string>& paths);

  private:
    TagReader& tags_;
    std::vector<std::string> paths_;
    QTreeWidget* files_;
    QLineEdit* pattern_;
    QLabel* result_;
};

}  // namespace sonvaro
