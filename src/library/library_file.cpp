#include "library/library_file.h"

#include <algorithm>

#include "core/encoding.h"
#include "core/line_reader.h"
#include "core/messages.h"
#include "core/numbers.h"
#include "core/status_log.h"
#include "platform/atomic_file.h"
#include "platform/file_info.h"
#include "playlist/dat_fields.h"

namespace sonvaro {
namespace {

constexpr std::string_view kIdentifier = "SV-F-MLV1";

}  // namespace

std::optional<std::vector<LibraryEntry>> ParseLibraryFile(std::string_view text) {
    LineReader reader(text);
    std::string_view line;
    if (!reader.Next(line) || line != kIdentifier) return std::nullopt;
    std::vector<LibraryEntry> entries;
    // A typical entry line is 150 to 250 bytes; reserving avoids regrowth copies.
    entries.reserve(std::min<size_t>(text.size() / 120 + 16, 1u << 22));
    std::string scratch;
    while (reader.Next(line)) {
        std::string_view rest;
        if (!DatEntryRest(DecodeLine(line, scratch), rest)) continue;
        const auto f = SplitDatFields<16>(rest);
        LibraryEntry& entry = entries.emplace_back();
        ReadTrackFields(f.data(), entry.info);
        entry.lastPlayed = LowBits32(ParseDatNumber(f[12]));
        entry.playCount = LowBits16(ParseDatNumber(f[13]));
        entry.flags = LowBits8(ParseDatNumber(f[14]));
        entry.info.channelType = LowBits32(ParseDatNumber(f[15]));
    }
    std::stable_sort(entries.begin(), entries.end(), [](const LibraryEntry& a, const LibraryEntry& b) {
        return a.info.path < b.info.path;  // byte-wise: every capital before every small letter
    });
    entries.shrink_to_fit();
    return entries;
}

std::string LibraryFileText(const std::vector<LibraryEntry>& entries) {
    std::string out;
    out.reserve(64 + entries.size() * 200);
    out += kIdentifier;
    out += "\r\n";
    for (const LibraryEntry& entry : entries) {
        DatLineWriter line(out);
        line.Track(entry.info);
        line.Number(entry.lastPlayed);
        line.Number(entry.playCount);
        line.Number(entry.flags);
        line.Number(entry.info.channelType);
        line.End();
    }
    return out;
}

void LoadLibraryFile(Library& library, const std::string& filePath) {
    const auto text = ReadWholeFile(filePath);
    if (!text) return;
    auto entries = ParseLibraryFile(*text);
    if (!entries) return;
    std::lock_guard lock(library.libraryLock);
    library.entries = std::move(*entries);
}

bool SaveLibraryFile(Library& library, const std::string& filePath, bool reportErrors, Messages& messages,
                     StatusLog& log) {
    std::string text;
    {
        std::lock_guard lock(library.libraryLock);
        if (library.entries.empty()) return false;
        text = LibraryFileText(library.entries);
    }
    // The file is written outside the lock: a running scan need not wait for the disk.
    AtomicFile file(filePath, filePath + ".tmp");
    bool ok = file.Open();
    if (ok) {
        log.LogStatus("Schreibe Datei '" + filePath + "'");
        file.Write(text);
        ok = file.Commit();
    }
    if (!ok && reportErrors) messages.ErrorBox("MediaLibary konnte nicht gespeichert werden");
    return ok;
}

}  // namespace sonvaro
