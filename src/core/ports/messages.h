#pragma once
#include <functional>
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
    // A Yes/No question that does not wait for its answer: the caller goes on
    // (the event loop keeps serving everything else) and `answered` runs once
    // the user has chosen, true for Yes; never when the program ends first.
    // Where nothing can wait for the user, it asks at once.
    virtual void AskLater(const std::string& text, const std::string& title, MessageIcon icon,
                          std::function<void(bool)> answered) {
        answered(Ask(text, title, icon));
    }

    void ErrorBox(const std::string& text, const std::string& title = "Fehler") {
        Show(text, title, MessageIcon::Error);
    }
    void HintBox(const std::string& text, const std::string& title = "Hinweis") {
        Show(text, title, MessageIcon::Warning);
    }
};

}  // namespace sonvaro
