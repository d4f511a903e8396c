#include "app/remote_client.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "core/numbers.h"
#include "core/text.h"
#include "platform/file_info.h"
#include "platform/instance_socket.h"
#include "session/remote_control.h"

namespace sonvaro {
namespace {

constexpr int kAnswerTimeoutMs = 5000;

int32_t AnswerValue(const Frame& frame) {
    const auto* b = reinterpret_cast<const uint8_t*>(frame.payload.data());
    return static_cast<int32_t>(b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24);
}

bool IsAnswer(const Frame& frame) {
    return frame.kind == kRemoteKind && frame.payload.size() == 4;
}

struct NamedCommand {
    const char* name;
    RemoteCode code;
    const char* argument;  // nullptr: none
    const char* help;
};

constexpr NamedCommand kCommands[] = {
    {"show", RemoteCode::Show, nullptr, "das Fenster zeigen"},
    {"hide", RemoteCode::Hide, nullptr, "das Fenster verstecken"},
    {"play", RemoteCode::Play, nullptr, "die gewählte Zeile spielen (oder fortsetzen)"},
    {"play-file", RemoteCode::PlayFile, "PFAD", "eine Datei spielen"},
    {"next", RemoteCode::Next, nullptr, "nächster Titel"},
    {"prev", RemoteCode::Previous, nullptr, "vorheriger Titel"},
    {"pause", RemoteCode::Pause, nullptr, "Pause oder weiter"},
    {"stop", RemoteCode::Stop, nullptr, "anhalten"},
    {"volume", RemoteCode::Volume, "N", "Lautstärke 0..100"},
    {"select", RemoteCode::SelectRow, "ZEILE", "Zeile der Playlist wählen (-1: keine)"},
    {"about", RemoteCode::About, nullptr, "\"Informationen\" öffnen"},
    {"settings", RemoteCode::Settings, nullptr, "die Einstellungen öffnen"},
    {"effects", RemoteCode::Effects, nullptr, "\"Effekte\" öffnen"},
    {"quit", RemoteCode::Exit, nullptr, "den Player beenden"},
    {"listen", RemoteCode::Register, nullptr, "jede Meldung als \"Code<TAB>Text\" ausgeben, bis Strg-C"},
};

int NoPlayer() {
    std::fputs("Sonvaro: es läuft kein Player (kein Socket gefunden oder keine Antwort).\n", stderr);
    return 2;
}

}  // namespace

RemoteClient::RemoteClient(const std::string& socketPath, int waitMs) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while ((fd_ = ConnectToInstance(socketPath)) < 0 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));  // the first player is binding its socket
}

RemoteClient::~RemoteClient() {
    CloseConnection(fd_);
}

bool RemoteClient::NextFrame(Frame& frame, int timeoutMs) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (frames_.empty()) {
        int left = -1;
        if (timeoutMs >= 0) {
            left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        until - std::chrono::steady_clock::now())
                                        .count());
            if (left <= 0) return false;
        }
        uint8_t buffer[4096];
        const long n = ReceiveWithin(fd_, buffer, sizeof buffer, left);
        if (n <= 0) return false;
        if (!reader_.Feed(buffer, static_cast<size_t>(n),
                          [this](Frame&& f) { frames_.push_back(std::move(f)); }))
            return false;
    }
    frame = std::move(frames_.front());
    frames_.erase(frames_.begin());
    return true;
}

int RemoteClient::Send(const RemoteRecord& record) {
    if (fd_ < 0 || !SendWithin(fd_, EncodeCommand(record), kAnswerTimeoutMs)) return 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kAnswerTimeoutMs);
    std::vector<Frame> notifications;  // a listener's notifications may come first; keep them in order
    Frame frame;
    int result = 0;
    for (;;) {
        const int left = static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now())
                .count());
        if (left <= 0 || !NextFrame(frame, left)) break;
        if (IsAnswer(frame)) {
            result = AnswerValue(frame);
            break;
        }
        notifications.push_back(std::move(frame));
    }
    frames_.insert(frames_.begin(), notifications.begin(), notifications.end());
    return result;
}

bool RemoteClient::NextNotification(int32_t& code, std::string& text) {
    Frame frame;
    do
        if (!NextFrame(frame, -1)) return false;
    while (IsAnswer(frame));
    code = static_cast<int32_t>(frame.kind);
    text = NotificationText(frame);
    return true;
}

int HandOverToRunningPlayer(const std::string& socketPath, const std::vector<std::string>& files) {
    RemoteClient client(socketPath, kAnswerTimeoutMs);
    if (!client.Connected()) return NoPlayer();
    client.Send({static_cast<int32_t>(RemoteCode::Show), 0, 0, "", ""});
    int status = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        // Its working folder is not ours.
        const std::string path = IsStreamAddress(files[i]) ? files[i] : AbsolutePath(files[i]);
        if (path.size() > kRemoteText1Size) {
            std::fprintf(stderr, "Sonvaro: Pfad zu lang zum Übergeben (mehr als 500 Bytes): %s\n",
                         path.c_str());
            status = 1;
            continue;
        }
        const bool play = i == 0 && IsNonEmptyFile(path);
        const RemoteCode code = play ? RemoteCode::PlayFile : RemoteCode::AddFile;
        if (client.Send({static_cast<int32_t>(code), 0, 0, path, ""}) != 1) return NoPlayer();
    }
    return status;
}

void PrintRemoteHelp() {
    std::puts("Aufruf: sonvaro --remote BEFEHL [ARGUMENT]\n\nBefehle an den laufenden Player:");
    for (const NamedCommand& c : kCommands) {
        const std::string name = std::string(c.name) + (c.argument ? std::string(" ") + c.argument : "");
        std::printf("  %-16s %s\n", name.c_str(), c.help);
    }
    std::puts(
        "\nEndet mit 0, wenn der Player den Befehl angenommen hat, mit 1 bei einem falschen Befehl\n"
        "(auch einem Pfad über 500 Bytes), mit 2, wenn keiner läuft.");
}

int RunRemoteCommand(const std::vector<std::string>& args) {
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        PrintRemoteHelp();
        return args.empty() ? 1 : 0;
    }
    const NamedCommand* command = nullptr;
    for (const NamedCommand& c : kCommands)
        if (args[0] == c.name) command = &c;
    if (!command || (command->argument != nullptr) != (args.size() == 2) || args.size() > 2) {
        std::fprintf(stderr, "Sonvaro: unbekannter oder unvollständiger Befehl: %s\n", args[0].c_str());
        PrintRemoteHelp();
        return 1;
    }
    RemoteRecord record{static_cast<int32_t>(command->code), 0, 0, "", ""};
    if (command->code == RemoteCode::Volume || command->code == RemoteCode::SelectRow) {
        char* end = nullptr;
        const long value = std::strtol(args[1].c_str(), &end, 10);
        if (args[1].empty() || *end != '\0') {
            std::fprintf(stderr, "Sonvaro: keine Zahl: %s\n", args[1].c_str());
            return 1;
        }
        record.param1 = static_cast<int32_t>(std::clamp<long>(value, INT32_MIN, INT32_MAX));
    } else if (command->code == RemoteCode::PlayFile) {
        record.text1 = AbsolutePath(args[1]);
    }
    if (command->code == RemoteCode::Register) record.text1 = "sonvaro --remote listen";
    // Cut to the record's field, a path would name another file: refused whole.
    if (!RecordFits(record)) {
        std::fprintf(stderr, "Sonvaro: Text zu lang für den Befehl (höchstens %zu Bytes): %s\n",
                     kRemoteText1Size, record.text1.c_str());
        return 1;
    }
    std::string error;
    const std::string path = InstanceSocketPath(&error);
    RemoteClient client(path, 0);
    if (!client.Connected()) return NoPlayer();
    if (client.Send(record) != 1) return NoPlayer();
    if (command->code != RemoteCode::Register) return 0;
    int32_t code;
    std::string text;
    while (client.NextNotification(code, text)) {
        // One line per notification, whatever the text holds (a stream title, a tag).
        std::printf("%d\t%s\n", code, TerminalText(text).c_str());
        std::fflush(stdout);
    }
    return 0;
}

}  // namespace sonvaro
