#pragma once
#include <cstdio>

#include "core/ports/messages.h"
#include "core/text.h"

namespace sonvaro {

// Message boxes of the headless player: written to standard error. Nobody is
// there to answer a question, so the answer is No, which never destroys data.
class ConsoleMessages : public Messages {
  public:
    void Show(const std::string& text, const std::string& title, MessageIcon) override {
        std::fprintf(stderr, "%s: %s\n", TerminalText(title).c_str(), TerminalText(text).c_str());
    }
    bool Ask(const std::string& text, const std::string& title, MessageIcon) override {
        std::fprintf(stderr, "%s: %s (Nein)\n", TerminalText(title).c_str(), TerminalText(text).c_str());
        return false;
    }
};

}  // namespace sonvaro
