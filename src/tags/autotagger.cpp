#include "tags/autotagger.h"

#include "core/text.h"
#include "tags/track_info_reader.h"

namespace sonvaro {
namespace {

struct Placeholder {
    const char* token;
    const char* label;
};

// Longest tokens need no special care: no token is a prefix of another.
constexpr Placeholder kPlaceholders[] = {
    {"%title", "Titel"}, {"%artist", "Interpret"}, {"%album", "Album"},      {"%track", "Track"},
    {"%year", "Jahr"},   {"%genre", "Genre"},      {"%comment", "Kommentar"}};

std::optional<std::string>& Slot(TagEdits& edits, int field) {
    switch (field) {
        case 0:
            return edits.title;
        case 1:
            return edits.artist;
        case 2:
            return edits.album;
        case 3:
            return edits.track;
        case 4:
            return edits.year;
        case 5:
            return edits.genre;
        default:
            return edits.comment;
    }
}

}  // namespace

Autotagger::Autotagger(std::string_view pattern) {
    std::string literal;
    for (size_t i = 0; i < pattern.size();) {
        bool matched = false;
        for (int f = 0; f < 7; ++f) {
            const std::string_view token = kPlaceholders[f].token;
            if (!StartsWithNoCase(pattern.substr(i), token)) continue;
            if (!literal.empty()) pieces_.push_back({false, Field::Title, std::move(literal)});
            literal.clear();
            pieces_.push_back({true, static_cast<Field>(f), {}});
            i += token.size();
            matched = true;
            break;
        }
        if (!matched) literal += pattern[i++];
    }
    if (!literal.empty()) pieces_.push_back({false, Field::Title, std::move(literal)});
}

std::optional<TagEdits> Autotagger::Match(const std::string& path) const {
    bool anyField = false;
    for (const Piece& piece : pieces_) anyField |= piece.isField;
    if (!anyField) return std::nullopt;
    const std::string name = TitleFromFileName(path);
    TagEdits edits;
    edits.path = path;
    size_t pos = 0;
    for (size_t i = 0; i < pieces_.size(); ++i) {
        const Piece& piece = pieces_[i];
        if (!piece.isField) {
            if (name.compare(pos, piece.literal.size(), piece.literal) != 0) return std::nullopt;
            pos += piece.literal.size();
            continue;
        }
        size_t end = name.size();
        if (i + 1 < pieces_.size() && !pieces_[i + 1].isField) {
            end = name.find(pieces_[i + 1].literal, pos);
            if (end == std::string::npos) return std::nullopt;
        } else if (i + 1 < pieces_.size()) {
            end = pos;  // two placeholders side by side: the first takes nothing
        }
        Slot(edits, static_cast<int>(piece.field)) =
            std::string(TrimSpaces(std::string_view(name).substr(pos, end - pos)));
        pos = end;
    }
    if (pos != name.size()) return std::nullopt;  // text left over after the last literal
    return edits;
}

std::string Autotagger::Preview(const std::string& path) const {
    const auto edits = Match(path);
    if (!edits) return "(passt nicht)";
    std::string text;
    for (const Piece& piece : pieces_) {
        if (!piece.isField) continue;
        const int f = static_cast<int>(piece.field);
        if (!text.empty()) text += ", ";
        text += std::string(kPlaceholders[f].label) + ": " + *Slot(const_cast<TagEdits&>(*edits), f);
    }
    return text;
}

std::vector<std::string> Autotagger::Run(TagReader& reader, const std::vector<std::string>& paths) const {
    std::vector<std::string> failed;
    for (const std::string& path : paths) {
        const auto edits = Match(path);
        if (!edits || !WriteTags(reader, *edits)) failed.push_back(path);
    }
    return failed;
}

}  // namespace sonvaro
