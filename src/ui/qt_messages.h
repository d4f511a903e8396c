#pragma once
#include <QPointer>
#include <QString>
#include <vector>

#include "core/ports/messages.h"

class QMessageBox;
class QWidget;

namespace sonvaro {

// The program's message boxes as Qt message boxes, with German buttons. A
// text too long for the screen (release notes from a server, say) is cut so
// the box and its buttons stay on the screen.
class QtMessages : public Messages {
  public:
    QtMessages() = default;
    ~QtMessages() override;
    QtMessages(const QtMessages&) = delete;
    QtMessages& operator=(const QtMessages&) = delete;

    void SetParent(QWidget* parent) { parent_ = parent; }
    void Show(const std::string& text, const std::string& title, MessageIcon icon) override;
    bool Ask(const std::string& text, const std::string& title, MessageIcon icon) override;
    // A box that is not modal: the event loop goes on while it is open.
    void AskLater(const std::string& text, const std::string& title, MessageIcon icon,
                  std::function<void(bool)> answered) override;
    // The open AskLater boxes (for tests and the end of the program).
    std::vector<QMessageBox*> OpenQuestions() const;
    // Closes them unanswered: the program ends.
    void CloseQuestions();

  private:
    QWidget* parent_ = nullptr;
    std::vector<QPointer<QMessageBox>> questions_;
};

// `text` cut so that it takes at most `maxRows` rows of `rowChars` characters
// (a line longer than a row wraps onto several): lines longer than two rows
// are shortened, and lines from the middle are left out for one "…" line.
// The last line (the question itself) always stays.
QString FitMessageText(const QString& text, int maxRows, int rowChars);

}  // namespace sonvaro
