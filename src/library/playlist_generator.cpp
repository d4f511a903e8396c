#include "library/playlist_generator.h"

#include <algorithm>

#include "core/text.h"

namespace sonvaro {

std::optional<std::string> GeneratorInputError(const GeneratorRequest& request) {
    if (request.byCount && request.count <= 0 && request.count != -1)
        return std::string(
            "Bitte geben Sie einen Wert größer 0 bei 'Anzahl' ein.\n"
            "Dieser bestimmt wieviel Einträge die generierte\n"
            "Wiedergabeliste beeinhalten soll.\n\n"
            "Wenn die neue Liste alle gefunden Titel beeinhalten soll,\n"
            "so benutzen sie als Anzahl -1.");
    if (!request.byCount && request.durationSeconds <= 0)
        return std::string("Bitte geben Sie die Gesamtdauer der Wiedergabeliste ein.");
    return std::nullopt;
}

std::vector<std::string> GeneratorTerms(std::string_view text) {
    const std::string folded = FoldCase(TrimSpaces(text));
    std::vector<std::string> terms;
    size_t start = 0;
    while (true) {
        const size_t bar = folded.find('|', start);
        terms.push_back(folded.substr(start, bar - start));
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    return terms;
}

namespace {

bool TermMatches(const TrackInfo& info, const std::vector<std::string>& terms, std::string& scratch) {
    for (const std::string* field : {&info.title, &info.artist, &info.album, &info.comment, &info.path}) {
        if (field->empty()) continue;
        FoldCaseInto(*field, scratch);
        for (const std::string& term : terms)
            if (!term.empty() && scratch.find(term) != std::string::npos) return true;
    }
    return false;
}

}  // namespace

std::optional<std::vector<GeneratorPick>> FindGeneratorPicks(
    Library& library, const GeneratorRequest& request, std::mt19937& random,
    const std::function<void(int percent)>& progress) {
    const std::vector<std::string> terms = GeneratorTerms(request.terms);
    std::vector<std::string> genres;
    for (const std::string& g : request.genres) genres.push_back(FoldCase(g));
    std::uniform_int_distribution<int32_t> key(0, 30000);
    std::vector<std::pair<int32_t, GeneratorPick>> found;
    int64_t total = 0;
    std::string scratch;
    {
        std::lock_guard lock(library.libraryLock);
        const size_t n = library.entries.size();
        int shown = -1;
        for (size_t i = 0; i < n; ++i) {
            const LibraryEntry& entry = library.entries[i];
            if (progress) {
                const int percent = static_cast<int>(i * 100 / n);
                if (percent != shown) progress(shown = percent);
            }
            bool match = true;
            if (request.useTerms) match = TermMatches(entry.info, terms, scratch);
            if (match && request.useGenres)
                match = std::find(genres.begin(), genres.end(), FoldCase(entry.info.genre)) != genres.end();
            if (request.playedOnly && (entry.playCount == 0 || entry.lastPlayed == 0)) match = false;
            if (!match) continue;
            total += entry.info.length;
            found.push_back({key(random), {entry.info.path, entry.info.length}});
        }
    }
    const bool enough = request.byCount
                            ? (request.count == -1 || found.size() >= static_cast<size_t>(request.count))
                            : total >= request.durationSeconds;
    if (!enough || found.empty()) return std::nullopt;
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<GeneratorPick> picks;
    picks.reserve(found.size());
    for (auto& [k, pick] : found) picks.push_back(std::move(pick));
    return picks;
}

size_t AddGeneratorPicks(const std::vector<GeneratorPick>& picks, const GeneratorRequest& request,
                         const std::function<size_t()>& playlistSize,
                         const std::function<void(const std::string& path)>& add) {
    int64_t total = 0;
    size_t handed = 0;
    for (const GeneratorPick& pick : picks) {
        if (request.byCount && request.count != -1 && playlistSize() >= static_cast<size_t>(request.count))
            break;
        if (!request.byCount && total > request.durationSeconds) break;
        add(pick.path);
        total += pick.length;
        ++handed;
    }
    return handed;
}

}  // namespace sonvaro
