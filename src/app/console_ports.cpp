#include "app/console_ports.h"

#include "core/text.h"
#include "platform/terminal.h"

namespace sonvaro {

ConsolePlayerDisplay::ConsolePlayerDisplay(std::FILE* out) : out_(out), terminal_(IsTerminal(out)) {}

void ConsolePlayerDisplay::SetInfoField(int field, const std::string& text) {
    // The time is written last in each tick: print then, with the fields of that tick.
    switch (field) {
        case 1:
            station_ = text == "Name:";
            break;
        case 2:
            title_ = text;
            break;
        case 4:
            artist_ = text;
            break;
        case 6:
            album_ = text;
            break;
        case 10:
            time_ = text;
            if (!text.empty()) Print();
            break;
        default:
            break;
    }
}

void ConsolePlayerDisplay::SetPauseButton(bool pressed) {
    paused_ = pressed;
    Print();
}

void ConsolePlayerDisplay::ShowStopped() {
    std::fprintf(out_, terminal_ ? "\r\033[KGestoppt\n" : "Gestoppt\n");
    printedTrack_.clear();
    std::fflush(out_);
}

namespace {

std::string Joined(const std::string& first, const std::string& second) {
    if (first.empty()) return second;
    return second.empty() ? first : first + " \u2013 " + second;
}

}  // namespace

void ConsolePlayerDisplay::Print() {
    // A station shows its name in the title field and the song on air as artist and album.
    std::string track;
    if (station_) {
        track = Joined(artist_, album_);
        if (track.empty())
            track = title_;
        else if (!title_.empty())
            track += "  (" + title_ + ")";
    } else {
        track = Joined(artist_, title_);
    }
    if (track.empty()) return;
    // Tags and station titles must not steer the terminal.
    track = TerminalText(track);
    if (terminal_) {
        std::fprintf(out_, "\r\033[K%s  %s%s", track.c_str(), TerminalText(time_).c_str(),
                     paused_ ? "  (Pause)" : "");
    } else if (track != printedTrack_ && !time_.empty()) {
        std::fprintf(out_, "%s  %s\n", track.c_str(), TerminalText(time_).c_str());
        printedTrack_ = track;
    }
    std::fflush(out_);
}

void ConsolePlaylistView::ProcessPendingEvents() {
    // Often enough that a remote client has its answer soon, seldom enough not
    // to slow a long import.
    const auto now = std::chrono::steady_clock::now();
    if (!pump_ || now - lastPump_ < std::chrono::milliseconds(30)) return;
    lastPump_ = now;
    pump_();
}

}  // namespace sonvaro
