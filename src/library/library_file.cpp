#include "library/library_file.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "core/encoding.h"
#include "core/line_reader.h"
#include "core/numbers.h"
#include "core/ports/messages.h"
#include "core/status_log.h"
#include "platform/atomic_file.h"
#include "platform/file_info.h"
#include "platform/memory.h"
#include "playlist/dat_fields.h"

namespace sonvaro {
namespace {

constexpr std::string_view kIdentifier = "SV-F-MLV1";

// A text field keeps at most this many bytes, in the file and when read from
// it: a title of hundreds of megabytes must not blow up the file or the load.
constexpr size_t kFieldLimit = 4096;
// No file has a longer name; an entry whose path is longer is left out when
// read (cutting it would name another file).
constexpr size_t kPathLimit = 32768;
// The text fields among the sixteen: title, artist, album, comment, genre.
constexpr size_t kTextFields[] = {1, 2, 3, 5, 7};

void CutText(std::string& text) {
    if (text.size() > kFieldLimit) text.resize(Utf8Prefix(text, kFieldLimit).size());
}

}  // namespace

namespace {

// Appends the entries of whole lines of a MediaLibary.dat body (after the identifier line).
void ParseEntryLines(std::string_view text, std::vector<LibraryEntry>& entries) {
    LineReader reader(text);
    std::string_view line;
    while (reader.Next(line)) {
        std::string_view rest;
        if (!DatEntryRest(line, rest)) continue;
        auto f = SplitDatFields<16>(rest);
        if (f[0].size() > kPathLimit) continue;
        // Cut before decoding, on a character boundary (so valid UTF-8 stays
        // valid), and again after it: Windows-1252 bytes grow as UTF-8.
        for (size_t i : kTextFields) f[i] = Utf8Prefix(f[i], kFieldLimit);
        LibraryEntry& entry = entries.emplace_back();
        ReadTrackFields(f.data(), entry.info);
        for (std::string* text : {&entry.info.title, &entry.info.artist, &entry.info.album,
                                  &entry.info.comment, &entry.info.genre})
            CutText(*text);
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
    // Sized once from the texts themselves: a guess that falls short doubles the
    // whole buffer at the end (40 MB for a 20 MB library).
    size_t size = 64;
    for (const LibraryEntry& entry : entries) {
        const TrackInfo& i = entry.info;
        size += 96 + i.path.size() + i.title.size() + i.artist.size() + i.album.size() + i.comment.size() +
                i.genre.size();
    }
    std::string out;
    out.reserve(size);
    out += kIdentifier;
    out += "\r\n";
    for (const LibraryEntry& entry : entries) {
        if (!DatPathStorable(entry.info.path)) {
            if (unstorable) unstorable->push_back(entry.info.path);
            continue;
        }
        const TrackInfo& info = entry.info;
        const bool tooLong = info.title.size() > kFieldLimit || info.artist.size() > kFieldLimit ||
                             info.album.size() > kFieldLimit || info.comment.size() > kFieldLimit ||
                             info.genre.size() > kFieldLimit;
        TrackInfo cut;
        if (tooLong) {
            cut = info;
            for (std::string* text : {&cut.title, &cut.artist, &cut.album, &cut.comment, &cut.genre})
                CutText(*text);
        }
        DatLineWriter line(out);
        line.Track(tooLong ? cut : info);
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
// A line still without its end at this size is shortened as it grows.
constexpr size_t kLongLine = 256 << 10;

// The start of an entry line that has no end yet, shortened to what the
// parse keeps: each of the sixteen fields cut a little past kFieldLimit
// (plain bytes, so cutting again after more bytes arrive gives the same
// start), nothing after the sixteenth "|". A path too long to keep turns the
// line into one that is no entry. Applied again whenever the line grows
// past kLongLine, it holds any line's memory to about 100 KiB.
void ShortenLongLine(std::string& line) {
    constexpr size_t kPathKeep = kPathLimit + 4096;  // room for the prefix and leading blanks
    constexpr size_t kTextKeep = kFieldLimit + 4;    // the cut looks at the byte after the limit
    std::string out;
    size_t start = 0;
    for (int field = 0;; ++field) {
        const size_t bar = line.find('|', start);
        const size_t end = bar == std::string::npos ? line.size() : bar;
        const size_t keep = field == 0 ? kPathKeep : kTextKeep;
        if (field == 0 && end - start > keep) {
            line = "-";  // the rest of the line follows this and is dropped with it
            return;
        }
        out.append(line, start, std::min(end - start, keep));
        if (bar == std::string::npos) break;
        out += '|';
        if (field == 15) break;  // what follows the sixteenth "|" is never read
        start = bar + 1;
    }
    line = std::move(out);
}

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
        // an empty line, which holds no entry. What was kept holds no line
        // end, so only the new block is searched: the read stays linear.
        const size_t newEnd = std::string_view(buffer).substr(kept).find_last_of("\r\n");
        const size_t lastEnd = newEnd == std::string_view::npos ? std::string::npos : kept + newEnd;
        const size_t whole = end ? buffer.size() : lastEnd == std::string::npos ? 0 : lastEnd + 1;
        std::string_view lines(buffer.data(), whole);
        if (first && whole > 0) {
            if (!StartsWithIdentifier(lines, lines)) return FileRead::Foreign;
            first = false;
        }
        ParseEntryLines(lines, entries);
        buffer.erase(0, whole);
        if (end) break;
        if (buffer.size() > kLongLine) {
            if (first) return FileRead::Foreign;  // no identifier line is that long
            ShortenLongLine(buffer);
        }
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
        // One that is still being read is not written before it is whole.
        const auto lock = LockLoadedLibrary(library);
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
