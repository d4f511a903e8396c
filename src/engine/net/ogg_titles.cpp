#include "engine/net/ogg_titles.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace sonvaro::audio {
namespace {

constexpr std::size_t kPageHeader = 27;

std::uint32_t Le32(const char* p) {
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

bool SameKey(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// Identification packets of the codecs whose comments we read.
bool KnownHeader(std::string_view packet) {
    return packet.starts_with("\x01vorbis") || packet.starts_with("OpusHead") ||
           packet.starts_with(
               "\x7F"
               "FLAC");
}

}  // namespace

std::string OggTitles::TitleOfComments(const std::string& packet) {
    std::size_t p;
    if (packet.starts_with("\x03vorbis"))
        p = 7;
    else if (packet.starts_with("OpusTags"))
        p = 8;
    else if (!packet.empty() && (packet[0] & 0x7F) == 4)
        p = 4;  // FLAC metadata block: VORBIS_COMMENT
    else
        return {};
    const std::size_t size = packet.size();
    auto number = [&](std::uint32_t& v) {
        if (size - p < 4) return false;
        v = Le32(packet.data() + p);
        p += 4;
        return true;
    };
    std::uint32_t vendor = 0, count = 0;
    if (p > size || !number(vendor) || vendor > size - p) return {};
    p += vendor;
    if (!number(count)) return {};
    std::string artist, title;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t length = 0;
        if (!number(length) || length > size - p) break;
        const std::string_view comment(packet.data() + p, length);
        p += length;
        const std::size_t eq = comment.find('=');
        if (eq == std::string_view::npos) continue;
        const std::string_view key = comment.substr(0, eq), value = comment.substr(eq + 1);
        if (artist.empty() && SameKey(key, "ARTIST"))
            artist = value;
        else if (title.empty() && SameKey(key, "TITLE"))
            title = value;
    }
    if (artist.empty() || title.empty()) return artist + title;
    return artist + " - " + title;
}

void OggTitles::Feed(const char* data, std::size_t size, std::string& out, std::vector<Meta>& metas) {
    if (mode_ == Mode::Other && held_.empty() && pending_.empty()) {
        out.append(data, size);
        return;
    }
    if (size > 0) held_.append(data, size);
    if (mode_ == Mode::Undecided && held_.size() >= 4)
        mode_ = held_.starts_with("OggS") ? Mode::Ogg : Mode::Other;
    if (mode_ == Mode::Ogg) ScanPages();
    // A comment packet that does not end (or is mostly pictures) must not stop the audio.
    if (collecting_ &&
        heldAt_ + static_cast<std::int64_t>(held_.size()) - holdAt_ > static_cast<std::int64_t>(kMaxHold))
        Finish();
    std::size_t ready = 0;
    if (mode_ == Mode::Other)
        ready = held_.size();
    else if (mode_ == Mode::Ogg)
        ready = collecting_ ? static_cast<std::size_t>(holdAt_ - heldAt_) : scan_;
    Release(ready, out, metas);
}

void OggTitles::Mark(std::string text, std::string& out, std::vector<Meta>& metas) {
    pending_.push_back({heldAt_ + static_cast<std::int64_t>(held_.size()), std::move(text)});
    Feed(nullptr, 0, out, metas);
}

void OggTitles::Flush(std::string& out, std::vector<Meta>& metas) {
    if (collecting_) Finish();
    Release(held_.size(), out, metas);
}

void OggTitles::ScanPages() {
    while (held_.size() - scan_ >= kPageHeader) {
        if (held_.compare(scan_, 4, "OggS") != 0 || held_[scan_ + 4] != 0) {
            // Lost sync: the next capture pattern; the last bytes may begin one.
            const std::size_t next = held_.find("OggS", scan_ + 1);
            if (next == std::string::npos) {
                scan_ = held_.size() - 3;
                break;
            }
            scan_ = next;
            continue;
        }
        const std::size_t segments = static_cast<unsigned char>(held_[scan_ + 26]);
        if (held_.size() - scan_ < kPageHeader + segments) break;
        std::size_t body = 0;
        for (std::size_t i = 0; i < segments; ++i)
            body += static_cast<unsigned char>(held_[scan_ + kPageHeader + i]);
        const std::size_t total = kPageHeader + segments + body;
        if (held_.size() - scan_ < total) break;
        OnPage(scan_);
        scan_ += total;
    }
}

void OggTitles::OnPage(std::size_t at) {
    const char* page = held_.data() + at;
    const bool bos = (page[5] & 0x02) != 0;
    const std::uint32_t serial = Le32(page + 14);
    const std::size_t segments = static_cast<unsigned char>(page[26]);
    const auto* lacing = reinterpret_cast<const unsigned char*>(page + kPageHeader);
    const char* body = page + kPageHeader + segments;

    if (bos) {
        // A run of first pages starts a new song (a chain link); its bytes wait
        // until one of its streams gave its comments.
        if (!lastWasBos_) {
            if (collecting_) Finish();
            collecting_ = true;
            chosen_ = false;
            holdAt_ = heldAt_ + static_cast<std::int64_t>(at);
            packet_.clear();
        }
        lastWasBos_ = true;
        std::size_t first = 0;
        for (std::size_t i = 0; i < segments; ++i) {
            first += lacing[i];
            if (lacing[i] < 255) break;
        }
        if (collecting_ && !chosen_ && KnownHeader(std::string_view(body, first))) {
            chosen_ = true;
            serial_ = serial;
        }
        return;
    }
    lastWasBos_ = false;
    if (!collecting_) return;
    if (!chosen_) {  // no stream in this link whose comments we can read
        collecting_ = false;
        return;
    }
    if (serial != serial_) return;
    // The identification packet filled the first page alone: the comment packet starts here.
    for (std::size_t i = 0; i < segments; ++i) {
        if (packet_.size() < kMaxHold)
            packet_.append(body, std::min<std::size_t>(lacing[i], kMaxHold - packet_.size()));
        body += lacing[i];
        if (lacing[i] < 255) {
            Finish();
            return;
        }
    }
}

void OggTitles::Finish() {
    if (chosen_) {
        Pending title{holdAt_, "StreamTitle='" + TitleOfComments(packet_) + "';"};
        auto at = std::upper_bound(pending_.begin(), pending_.end(), holdAt_,
                                   [](std::int64_t a, const Pending& p) { return a < p.at; });
        pending_.insert(at, std::move(title));
    }
    collecting_ = false;
    chosen_ = false;
    packet_.clear();
}

void OggTitles::Release(std::size_t bytes, std::string& out, std::vector<Meta>& metas) {
    std::size_t done = 0;
    const std::int64_t end = heldAt_ + static_cast<std::int64_t>(bytes);
    while (!pending_.empty() && pending_.front().at <= end) {
        const std::size_t upto =
            static_cast<std::size_t>(std::max(pending_.front().at - heldAt_, std::int64_t{0}));
        out.append(held_, done, upto - std::min(upto, done));
        done = std::max(done, upto);
        metas.push_back({out.size(), std::move(pending_.front().text)});
        pending_.pop_front();
    }
    out.append(held_, done, bytes - done);
    held_.erase(0, bytes);
    heldAt_ = end;
    scan_ -= std::min(scan_, bytes);
}

}  // namespace sonvaro::audio
