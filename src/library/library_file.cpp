#include "library/library_file.h"

#include <algorithm>

#include "core/encoding.h"
#include "core/line_reader.h"
#include "core/messages.h"
#include "core/numbers.h"
#include "core/status_log.h"
#include "platform/atomic_file.h"
#include "platform/file_info.h"
#include "platform/memory.h"
#include "playlist/dat_fields.h"

namespace sonvaro {
namespace {

constexpr std::string_view kIdentifier = "SV-F-MLV1";

}  // namespace

std::optional<std::vector<LibraryEntry>> ParseLibraryFile(std::string_view text) {
    text = WithoutByteOrderMark(text);
    LineReader reader(text);
    std::string_view line;
    if (!reader.Next(line) || line != kIdentifier) return std::nullopt;
    std::vector<LibraryEntry> entries;
    // One entry per line at most: reserving avoids moving every entry on regrowth.
    entries.reserve(static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
    while (reader.Next(line)) {
        std::string_view rest;
        if (!DatEntryRest(line, rest)) continue;
        const auto f = SplitDatFields<16>(rest);
        LibraryEntry& entry = entries.emplace_back();
        ReadTrackFields(f.data(), entry.info);
        entry.lastPlayed = LowBits32(ParseDatNumber(f[12]));
        entry.playCount = LowBits16(ParseDatNumber(f[13]));
        entry.flags = LowBits8(ParseDatNumber(f[14]));
        entry.info.channelType = LowBits32(ParseDatNumber(f[15]));
    }
    // Sort positions rather than entries (cheap swaps), then move each entry once.
    std::vector<uint32_t> order(entries.size());
    for (uint32_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&entries](uint32_t a, uint32_t b) {
        return entries[a].info.path <
               entries[b].info.path;  // byte-wise: every capital before every small letter
    });
    std::vector<LibraryEntry> sorted;
    sorted.reserve(entries.size());
    for (const uint32_t i : order) sorted.push_back(std::move(entries[i]));
    return sorted;
}

std::string LibraryFileText(const std::vector<LibraryEntry>& entries, std::vector<std::string>* unstorable) {
    std::string out;
    out.reserve(64 + entries.size() * 200);
    out += kIdentifier;
    out += "\r\n";
    for (const LibraryEntry& entry : entries) {
        if (!DatPathStorable(entry.info.path)) {
            if (unstorable) unstorable->push_back(entry.info.path);
            continue;
        }
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

void LoadLibraryFile(Library& library, const std::string& filePath, StatusLog* log) {
    std::optional<std::vector<LibraryEntry>> entries;
    {
        const auto text = ReadWholeFile(filePath);
        if (!text) return;
        entries = ParseLibraryFile(*text);
        if (!entries) KeepUnreadableFile(filePath, *text, log);
    }
    // The file text and the parse's scratch space are gone: give their pages back.
    ReleaseFreeMemory();
    if (!entries) return;
    std::lock_guard lock(library.libraryLock);
    library.entries = std::move(*entries);
    ++library.removals;
}

bool SaveLibraryFile(Library& library, const std::string& filePath, bool reportErrors, Messages& messages,
                     StatusLog& log) {
    std::string text;
    std::vector<std::string> unstorable;
    {
        // An empty library is written too (the header alone): removed entries must stay removed.
        std::lock_guard lock(library.libraryLock);
        text = LibraryFileText(library.entries, &unstorable);
    }
    // The file is written outside the lock: a running scan need not wait for the disk.
    AtomicFile file(filePath);
    bool ok = file.Open();
    if (ok) {
        log.LogStatus("Schreibe Datei '" + filePath + "'");
        file.Write(text);
        ok = file.Commit();
        for (const std::string& path : unstorable) LogUnstorablePath(log, path);
    }
    if (!ok && reportErrors) messages.ErrorBox("MediaLibary konnte nicht gespeichert werden");
    return ok;
}

}  // namespace sonvaro
