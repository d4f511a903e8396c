#include <cstring>
#include <string>
#include <vector>

#include "core/numbers.h"
#include "core/text.h"
#include "tags/track_info_reader.h"

namespace sonvaro {
namespace {

struct KeyRule {
    const char* key;
    enum { Title, Artist, AppendArtist, Album, Year, Genre, Comment, Track, Bitrate } field;
};

constexpr KeyRule kWmaKeys[] = {{"title=", KeyRule::Title},         {"author=", KeyRule::AppendArtist},
                                {"wm/albumtitle=", KeyRule::Album}, {"wm/genre=", KeyRule::Genre},
                                {"wm/year=", KeyRule::Year},        {"wm/tracknumber=", KeyRule::Track},
                                {"bitrate=", KeyRule::Bitrate}};
constexpr KeyRule kMp4Keys[] = {{"title=", KeyRule::Title}, {"artist=", KeyRule::Artist},
                                {"album=", KeyRule::Album}, {"date=", KeyRule::Year},
                                {"genre=", KeyRule::Genre}, {"comment=", KeyRule::Comment},
                                {"track=", KeyRule::Track}};

void Apply(const KeyRule& rule, std::string_view value, TrackInfo& info) {
    switch (rule.field) {
        case KeyRule::Title:
            info.title.assign(value);
            break;
        case KeyRule::Artist:
            info.artist.assign(value);
            break;
        case KeyRule::AppendArtist:
            if (!info.artist.empty()) info.artist += "; ";
            info.artist += value;
            break;
        case KeyRule::Album:
            info.album.assign(value);
            break;
        case KeyRule::Year:
            info.year = Clamp16(ParseDatNumber(value));
            break;
        case KeyRule::Genre:
            info.genre.assign(value);
            break;
        case KeyRule::Comment:
            info.comment.assign(value);
            break;
        case KeyRule::Track:
            info.trackNumber = Clamp16(ParseDatNumber(value));
            break;
        case KeyRule::Bitrate:
            info.bitrate = Clamp16(ParseDatNumber(value) / 1000);
            break;
    }
}

}  // namespace

void ParseEngineTagList(const char* list, EngineTagList kind, TrackInfo& info) {
    if (!list) return;
    // The texts are joined with "|" and split there again, so a value holding
    // "|" is cut at it, as the stored lists always were.
    std::string joined;
    for (const char* p = list; *p; p += std::strlen(p) + 1) {
        if (!joined.empty()) joined += '|';
        joined += p;
    }
    const auto& rules = kind == EngineTagList::WMA ? kWmaKeys : kMp4Keys;
    size_t start = 0;
    while (start <= joined.size()) {
        size_t bar = joined.find('|', start);
        if (bar == std::string::npos) bar = joined.size();
        const std::string_view item = TrimSpaces(std::string_view(joined).substr(start, bar - start));
        for (const KeyRule& rule : rules) {
            const size_t keyLength = std::strlen(rule.key);
            if (StartsWithNoCase(item, rule.key)) Apply(rule, item.substr(keyLength), info);
        }
        start = bar + 1;
    }
}

}  // namespace sonvaro
