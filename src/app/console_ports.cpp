#include "app/console_ports.h"

#include "platform/terminal.h"

namespace sonvaro {

ConsolePlayerDisplay::ConsolePlayerDisplay(std::FILE* out) : out_(out), terminal_(IsTerminal(out)) {}

void ConsolePlayerDisplay::SetInfoField(int field, const std::string& text) {
    // The time is written last in each tick: print then, with the fields of that tick.
    switch (field) {
        case 2: title_ = text; break;
        case 4: artist_ = text; break;
        case 10:
            time_ = text;
            if (!text.empty()) Print();
            break;
        default: break;
    }
}

void ConsolePlayerDisplay::SetPauseButton(bool pressed) {
    paused_ = pressed;
    Print();
}

void ConsolePlayerDisplay::Print() {
    if (title_.empty() && artist_.empty()) return;
    const std::string track = artist_.empty() ? title_ : artist_ + " – " + title_;
    if (terminal_) {
        std::fprintf(out_, "\r\033[K%s  %s%s", track.c_str(), time_.c_str(), paused_ ? "  (Pause)" : "");
    } else if (track != printedTrack_ && !time_.empty()) {
        std::fprintf(out_, "%s  %s\n", track.c_str(), time_.c_str());
        printedTrack_ = track;
    }
    std::fflush(out_);
}

}  // namespace sonvaro
