#pragma once
#include <string>

namespace sonvaro {

enum class MessageIcon { Error, Warning, Question, Information, None };

// The message boxes of the program; the windowed player shows them, the
// headless player writes them to standard error, tests record them.
class Messages {
  public:
    virtual ~Messages() = default;
    // A box with one OK button.
    virtual void Show(const std::string& text, const std::string& title, MessageIcon icon) = 0;
    // A Yes/No question; true for Yes.
    virtual bool Ask(const std::string& text, const std::string& title, MessageIcon icon) = 0;

    void ErrorBox(const std::string& text, const std::string& title = "Fehler") {
        Show(text, title, MessageIcon::Error);
    }
    void HintBox(const std::string& text, const std::string& title = "Hinweis") {
        Show(text, title, MessageIcon::Warning);
    }
};

}  // namespace sonvaro
