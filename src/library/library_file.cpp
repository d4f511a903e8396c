#include "library/library_file.h"

#include <algorithm>
#include <cstdio>
#include <memory>

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

namespace {

// Appends the entries of whole lines of a MediaLibary.dat body (after the identifier line).
void ParseEntryLines(std::string_view text, std::vector<LibraryEntry>& entries) {
    LineReader reader(text);
    std::string_view line;
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
}

// Sorts by path (byte-wise: every capital before every small letter), equal
// paths in file order. Positions are sorted, then the entries are moved
// along the permutation's cycles in place, so no second list is alive.
void SortByPath(std::vector<LibraryEntry>& entries) {
    // A file this program saved after a load is in order already: one pass.
    if (std::is_sorted(entries.begin(), entries.end(), [](const LibraryEntry& a, const LibraryEntry& b) {
            return a.info.path < b.info.path;
        }))
        return;
    // Paths share long beginnings ("/home/…/Musik/"): the sixteen bytes after
    // the common part are compared as two numbers first, the rest of the
    // paths only on a tie.
    const std::string& base = entries.front().info.path;
    size_t common = base.size();
    for (const LibraryEntry& e : entries) {
        const std::string& p = e.info.path;
        size_t n = 0;
        while (n < common && n < p.size() && p[n] == base[n]) ++n;
        common = n;
    }
    struct Key {
        uint64_t high, low;
    };
    const auto packed = [common](const std::string& p, size_t from) {
        uint64_t key = 0;
        for (size_t b = from; b < from + 8; ++b)
            key = (key << 8) | (common + b < p.size() ? static_cast<unsigned char>(p[common + b]) : 0u);
        return key;
    };
    std::vector<Key> keys(entries.size());
    for (size_t i = 0; i < entries.size(); ++i)
        keys[i] = {packed(entries[i].info.path, 0), packed(entries[i].info.path, 8)};
    const size_t skip = common + 16;
    std::vector<uint32_t> order(entries.size());
    for (uint32_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&entries, &keys, skip](uint32_t a, uint32_t b) {
        if (keys[a].high != keys[b].high) return keys[a].high < keys[b].high;
        if (keys[a].low != keys[b].low) return keys[a].low < keys[b].low;
        const std::string& pa = entries[a].info.path;
        const std::string& pb = entries[b].info.path;
        // Equal keys: both paths are longer than `skip` or equal up to their end.
        return std::string_view(pa).substr(std::min(skip, pa.size())) <
               std::string_view(pb).substr(std::min(skip, pb.size()));
    });
    keys = {};
    for (size_t i = 0; i < order.size(); ++i) {
        if (order[i] == i) continue;
        LibraryEntry first = std::move(entries[i]);
        size_t to = i;
        while (order[to] != i) {
            const size_t from = order[to];
            entries[to] = std::move(entries[from]);
            order[to] = static_cast<uint32_t>(to);
            to = from;
        }
        entries[to] = std::move(first);
        order[to] = static_cast<uint32_t>(to);
    }
}

// The identifier line at the start of `text`: true when it is ours. `body`
// is what follows it.
bool StartsWithIdentifier(std::string_view text, std::string_view& body) {
    text = WithoutByteOrderMark(text);
    LineReader reader(text);
    std::string_view line;
    if (!reader.Next(line) || line != kIdentifier) return false;
    body = text.substr(line.size());
    return true;
}

}  // namespace

std::optional<std::vector<LibraryEntry>> ParseLibraryFile(std::string_view text) {
    std::string_view body;
    if (!StartsWithIdentifier(text, body)) return std::nullopt;
    std::vector<LibraryEntry> entries;
    // One entry per line at most: reserving avoids moving every entry on regrowth.
    entries.reserve(static_cast<size_t>(std::count(body.begin(), body.end(), '\n')) + 1);
    ParseEntryLines(body, entries);
    SortByPath(entries);
    return entries;
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

namespace {

constexpr size_t kBlock = 1 << 20;

// Lines of the file (LF count + 1), read a block at a time.
size_t CountLines(std::FILE* file) {
    std::string block(kBlock, '\0');
    size_t lines = 1;
    size_t got;
    while ((got = std::fread(block.data(), 1, block.size(), file)) > 0)
        lines += static_cast<size_t>(std::count(block.data(), block.data() + got, '\n'));
    return lines;
}

enum class FileRead { Missing, Foreign, Read };

// Reads the file a block at a time and parses each block's whole lines, so
// the file's text is never held beside the entries.
FileRead ReadLibraryEntries(const std::string& filePath, std::vector<LibraryEntry>& entries) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(filePath.c_str(), "rb"), &std::fclose);
    if (!file) return FileRead::Missing;
    entries.reserve(CountLines(file.get()));
    if (std::fseek(file.get(), 0, SEEK_SET) != 0) return FileRead::Missing;
    std::string buffer;
    bool first = true;
    while (true) {
        const size_t kept = buffer.size();
        buffer.resize(kept + kBlock);
        const size_t got = std::fread(buffer.data() + kept, 1, kBlock, file.get());
        buffer.resize(kept + got);
        const bool end = got == 0;
        if (end && std::ferror(file.get())) return FileRead::Missing;
        // Whole lines only; at the end the last line needs no line end. A CR
        // at a block's end may be followed by its LF in the next: that gives
        // an empty line, which holds no entry.
        const size_t lastEnd = buffer.find_last_of("\r\n");
        const size_t whole = end ? buffer.size() : lastEnd == std::string::npos ? 0 : lastEnd + 1;
        std::string_view lines(buffer.data(), whole);
        if (first && whole > 0) {
            if (!StartsWithIdentifier(lines, lines)) return FileRead::Foreign;
            first = false;
        }
        ParseEntryLines(lines, entries);
        buffer.erase(0, whole);
        if (end) break;
    }
    return first ? FileRead::Foreign : FileRead::Read;
}

}  // namespace

void LoadLibraryFile(Library& library, const std::string& filePath, StatusLog* log) {
    std::vector<LibraryEntry> entries;
    switch (ReadLibraryEntries(filePath, entries)) {
        case FileRead::Missing:
            return;
        case FileRead::Foreign: {
            // Rare: the whole text is read again to keep a copy.
            entries = {};
            if (const auto text = ReadWholeFile(filePath)) KeepUnreadableFile(filePath, *text, log);
            ReleaseFreeMemory();
            return;
        }
        case FileRead::Read:
            break;
    }
    SortByPath(entries);
    // The parse's scratch space is gone: give its pages back.
    ReleaseFreeMemory();
    std::lock_guard lock(library.libraryLock);
    library.entries = std::move(entries);
    ++library.removals;
}

bool SaveLibraryFile(Library& library, const std::string& filePath, bool reportErrors, Messages& messages,
                     StatusLog& log, std::string* failure) {
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
    if (!ok && failure) *failure = file.ErrorText();
    if (!ok && reportErrors && !file.LeftReadOnly())
        messages.ErrorBox("MediaLibary konnte nicht gespeichert werden");
    return ok;
}

}  // namespace sonvaro
