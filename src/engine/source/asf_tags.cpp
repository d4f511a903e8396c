#include "engine/source/asf_tags.h"

#include <strings.h>

#include <cstdint>
#include <cstring>

namespace sonvaro::audio {
namespace {

constexpr std::uint64_t kMaxHeader = 4 * 1024 * 1024;

const unsigned char kHeaderGuid[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                       0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
const unsigned char kContentGuid[16] = {0x33, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                        0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
const unsigned char kExtContentGuid[16] = {0x40, 0xA4, 0xD0, 0xD2, 0x07, 0xE3, 0xD2, 0x11,
                                           0x97, 0xF0, 0x00, 0xA0, 0xC9, 0x5E, 0xA8, 0x50};
const unsigned char kHeaderExtGuid[16] = {0xB5, 0x03, 0xBF, 0x5F, 0x2E, 0xA9, 0xCF, 0x11,
                                          0x8E, 0xE3, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
const unsigned char kMetadataGuid[16] = {0xEA, 0xCB, 0xF8, 0xC5, 0xAF, 0x5B, 0x77, 0x48,
                                         0x84, 0x67, 0xAA, 0x8C, 0x44, 0xFA, 0x4C, 0xCA};
const unsigned char kMetadataLibGuid[16] = {0x94, 0x1C, 0x23, 0x44, 0x98, 0x94, 0xD1, 0x49,
                                            0xA1, 0x41, 0x1D, 0x13, 0x4E, 0x45, 0x70, 0x54};

struct Reader {
    const unsigned char* p;
    std::size_t size;
    std::size_t at = 0;
    bool ok = true;

    bool Need(std::size_t n) {
        if (!ok || size - at < n) ok = false;
        return ok;
    }
    std::uint64_t Le(int bytes) {
        if (!Need(static_cast<std::size_t>(bytes))) return 0;
        std::uint64_t v = 0;
        for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[at + static_cast<std::size_t>(i)];
        at += static_cast<std::size_t>(bytes);
        return v;
    }
    std::string Utf16(std::size_t bytes) {
        if (!Need(bytes)) return {};
        std::string out;
        for (std::size_t i = 0; i + 1 < bytes; i += 2) {
            std::uint32_t c = p[at + i] | (p[at + i + 1] << 8);
            if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes) {
                std::uint32_t lo = p[at + i + 2] | (p[at + i + 3] << 8);
                if (lo >= 0xDC00 && lo < 0xE000) {
                    c = 0x10000 + ((c - 0xD800) << 10) + (lo - 0xDC00);
                    i += 2;
                }
            }
            if (c == 0) break;
            if (c < 0x80)
                out += static_cast<char>(c);
            else if (c < 0x800)
                out += static_cast<char>(0xC0 | (c >> 6)), out += static_cast<char>(0x80 | (c & 0x3F));
            else if (c < 0x10000)
                out += static_cast<char>(0xE0 | (c >> 12)),
                    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                    out += static_cast<char>(0x80 | (c & 0x3F));
            else
                out += static_cast<char>(0xF0 | (c >> 18)),
                    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F)),
                    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                    out += static_cast<char>(0x80 | (c & 0x3F));
        }
        at += bytes;
        return out;
    }
    bool Guid(const unsigned char* guid) const {
        return size - at >= 16 && std::memcmp(p + at, guid, 16) == 0;
    }
};

// An attribute value as text; byte arrays (pictures and the like) are left out.
bool ValueText(Reader& r, std::uint64_t type, std::size_t len, std::string& out) {
    switch (type) {
        case 0:
            out = r.Utf16(len);
            return r.ok;
        case 2:
        case 3:
            out = std::to_string(len >= 4 ? r.Le(4) : r.Le(static_cast<int>(len)));
            return r.ok;
        case 4:
            out = std::to_string(r.Le(8));
            return r.ok;
        case 5:
            out = std::to_string(r.Le(2));
            return r.ok;
        case 6:
            r.Need(len) ? r.at += len : 0;
            return false;  // GUID
        default:
            r.Need(len) ? r.at += len : 0;
            return false;
    }
}

using Tags = std::vector<std::pair<std::string, std::string>>;

void ParseObjects(Reader r, std::uint64_t count, Tags& tags);

void ParseContent(Reader r, Tags& tags) {
    static const char* names[5] = {"Title", "Author", "Copyright", "Description", "Rating"};
    std::uint64_t len[5];
    for (auto& l : len) l = r.Le(2);
    for (int i = 0; i < 5 && r.ok; ++i) {
        std::string v = r.Utf16(len[i]);
        if (r.ok && !v.empty()) tags.emplace_back(names[i], v);
    }
}

void ParseExtContent(Reader r, Tags& tags) {
    std::uint64_t count = r.Le(2);
    for (std::uint64_t i = 0; i < count && r.ok; ++i) {
        std::string name = r.Utf16(r.Le(2));
        std::uint64_t type = r.Le(2);
        std::size_t len = r.Le(2);
        std::string value;
        if (ValueText(r, type, len, value) && !name.empty()) tags.emplace_back(name, value);
    }
}

void ParseMetadata(Reader r, Tags& tags) {
    std::uint64_t count = r.Le(2);
    for (std::uint64_t i = 0; i < count && r.ok; ++i) {
        r.Le(2);  // language
        r.Le(2);  // stream
        std::size_t nameLen = r.Le(2);
        std::uint64_t type = r.Le(2);
        std::size_t len = r.Le(4);
        std::string name = r.Utf16(nameLen);
        std::string value;
        if (ValueText(r, type, len, value) && !name.empty()) tags.emplace_back(name, value);
    }
}

void ParseObjects(Reader r, std::uint64_t count, Tags& tags) {
    for (std::uint64_t i = 0; i < count && r.ok && r.size - r.at >= 24; ++i) {
        std::size_t start = r.at;
        Reader guid = r;
        r.at += 16;
        std::uint64_t size = r.Le(8);
        if (size < 24 || size > r.size - start) return;
        Reader body{r.p + start + 24, static_cast<std::size_t>(size - 24)};
        if (guid.Guid(kContentGuid))
            ParseContent(body, tags);
        else if (guid.Guid(kExtContentGuid))
            ParseExtContent(body, tags);
        else if (guid.Guid(kMetadataGuid) || guid.Guid(kMetadataLibGuid))
            ParseMetadata(body, tags);
        else if (guid.Guid(kHeaderExtGuid) && body.size >= 22) {
            Reader inner{body.p + 22, body.size - 22};
            ParseObjects(inner, ~0ULL, tags);
        }
        r.at = start + static_cast<std::size_t>(size);
    }
}

}  // namespace

Tags ReadAsfTags(ByteSource& bytes) {
    Tags tags;
    unsigned char head[30];
    if (!bytes.Seek(0) || bytes.Read(head, sizeof head) != static_cast<std::int64_t>(sizeof head))
        return tags;
    if (std::memcmp(head, kHeaderGuid, 16) != 0) return tags;
    Reader h{head, sizeof head, 16};
    std::uint64_t size = h.Le(8);
    std::uint64_t count = h.Le(4);
    if (size < 30 || size > kMaxHeader) return tags;
    std::string body(static_cast<std::size_t>(size - 30), '\0');
    if (bytes.Read(body.data(), body.size()) != static_cast<std::int64_t>(body.size())) return tags;
    ParseObjects(Reader{reinterpret_cast<const unsigned char*>(body.data()), body.size()}, count, tags);
    // Some writers store an attribute twice (the description record and again
    // as an extended attribute, in another case); one copy is the attribute.
    Tags unique;
    for (auto& t : tags) {
        bool seen = false;
        for (const auto& u : unique)
            seen = seen || (strcasecmp(u.first.c_str(), t.first.c_str()) == 0 && u.second == t.second);
        if (!seen) unique.push_back(std::move(t));
    }
    return unique;
}

}  // namespace sonvaro::audio
