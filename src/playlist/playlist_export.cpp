#include "playlist/playlist_export.h"

#include "core/ports/messages.h"
#include "core/text.h"
#include "platform/atomic_file.h"
#include "platform/file_info.h"

namespace sonvaro {
namespace {

// Text fields are single lines in these formats.
std::string OneLine(const std::string& text) {
    if (text.find_first_of("\r\n") == std::string::npos) return text;
    std::string out = text;
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

bool HasExtension(std::string_view path) {
    return FileNameOf(path).find('.') != std::string_view::npos;
}

}  // namespace

std::string M3UText(const Playlist& playlist) {
    std::string out = "#EXTM3U\r\n";
    for (const PlaylistEntry& entry : playlist) {
        out += "#EXTINF:" + DecimalText(entry.info.length) + "," + OneLine(entry.info.title) + "\r\n";
        out += OneLine(entry.info.path) + "\r\n";
    }
    return out;
}

std::string PLSText(const Playlist& playlist) {
    std::string out = "[playlist]\r\n";
    size_t n = 0;
    for (const PlaylistEntry& entry : playlist) {
        const std::string i = std::to_string(++n);
        out += "File" + i + "=" + OneLine(entry.info.path) + "\r\n";
        out += "Title" + i + "=" + OneLine(entry.info.title) + "\r\n";
        out += "Length" + i + "=" + DecimalText(entry.info.length) + "\r\n";
    }
    out += "NumberOfEntries=" + std::to_string(playlist.size()) + "\r\n";
    out += "Version=2\r\n";
    return out;
}

bool SavePlaylistAs(const Playlist& playlist, std::string path, int askFlag, SavePlaylistDialog& dialog,
                    Messages& messages, const std::string& musicFolder) {
    if (playlist.empty()) return false;
    PlaylistFormat format;
    if (path.empty()) {
        const auto choice = dialog.AskSavePath("Speichern", musicFolder, kSavePlaylistFilter);
        if (!choice) return false;
        path = choice->path;
        format = choice->format;
        if (!HasExtension(path)) path += format == PlaylistFormat::PLS ? ".pls" : ".m3u";
    } else {
        const std::string_view name = FileNameOf(path);
        format = name.size() >= 4 && EqualsNoCase(name.substr(name.size() - 4), ".pls") ? PlaylistFormat::PLS
                                                                                        : PlaylistFormat::M3U;
    }
    if (askFlag != -1 && IsNonEmptyFile(path) &&
        !messages.Ask("Datei '" + path + "' existiert bereits,\nsoll die Datei überschrieben werden?",
                      "Überschreiben", MessageIcon::Warning))
        return false;
    const std::string text = format == PlaylistFormat::PLS ? PLSText(playlist) : M3UText(playlist);
    if (!WriteFileAtomically(path, text, FileVisibility::Shared)) {
        messages.HintBox("PlayList konnte nicht gespeichert werden");
        return false;
    }
    return true;
}

}  // namespace sonvaro
