#include "engine/source/midi_file.h"

#include <algorithm>
#include <cstring>

namespace sonvaro::audio {
namespace {

std::uint32_t Be32(const unsigned char* p) {
    return (p[0] << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

bool ReadVarLen(const unsigned char*& p, const unsigned char* end, std::uint32_t& value) {
    value = 0;
    for (int i = 0; i < 4; ++i) {
        if (p >= end) return false;
        unsigned char c = *p++;
        value = (value << 7) | (c & 0x7F);
        if (!(c & 0x80)) return true;
    }
    return false;
}

}  // namespace

bool MidiFile::Parse(const std::string& data) {
    std::size_t start = 0;
    if (data.size() >= 20 && data.compare(0, 4, "RIFF") == 0 && data.compare(8, 4, "RMID") == 0) {
        start = data.find("MThd");
        if (start == std::string::npos) return false;
    }
    smf_ = data.substr(start);
    const auto* p = reinterpret_cast<const unsigned char*>(smf_.data());
    std::size_t size = smf_.size();
    if (size < 14 || std::memcmp(p, "MThd", 4) != 0 || Be32(p + 4) < 6) return false;
    unsigned tracks = (p[10] << 8) | p[11];
    division_ = (p[12] << 8) | p[13];
    if (division_ == 0) return false;
    if (division_ & 0x8000) {
        int fps = -static_cast<signed char>(p[12]);
        int perFrame = p[13];
        if (fps <= 0 || perFrame == 0) return false;
        smpteTickSeconds_ = 1.0 / (fps * perFrame);
    }
    std::vector<std::pair<std::int64_t, std::uint32_t>> changes;
    std::size_t at = 8 + Be32(p + 4);
    unsigned found = 0;
    while (found < tracks && at + 8 <= size) {
        std::uint32_t len = Be32(p + at + 4);
        bool isTrack = std::memcmp(p + at, "MTrk", 4) == 0;
        std::size_t body = at + 8;
        std::size_t avail = std::min<std::size_t>(len, size - body);  // truncated files keep what they have
        if (isTrack) {
            if (!ParseTrack(p + body, avail, changes)) return false;
            ++found;
        }
        if (len > size - body) break;
        at = body + len;
    }
    if (found == 0) return false;
    std::stable_sort(changes.begin(), changes.end(), [](auto& a, auto& b) { return a.first < b.first; });
    double spt = smpteTickSeconds_ > 0 ? smpteTickSeconds_ : 0.5 / division_;
    tempos_.push_back({0, 0.0, spt});
    if (smpteTickSeconds_ == 0) {
        for (auto& [tick, us] : changes) {
            const Tempo& last = tempos_.back();
            double secs = last.seconds + (tick - last.tick) * last.secondsPerTick;
            double perTick = us / 1e6 / division_;
            if (tick == last.tick)
                tempos_.back().secondsPerTick = perTick;
            else
                tempos_.push_back({tick, secs, perTick});
        }
    }
    return true;
}

bool MidiFile::ParseTrack(const unsigned char* p, std::size_t size,
                          std::vector<std::pair<std::int64_t, std::uint32_t>>& tempos) {
    const unsigned char* end = p + size;
    std::int64_t tick = 0;
    unsigned char status = 0;
    while (p < end) {
        std::uint32_t delta;
        if (!ReadVarLen(p, end, delta)) break;
        tick += delta;
        if (p >= end) break;
        unsigned char c = *p;
        if (c & 0x80) {
            status = c;
            ++p;
        } else if (status == 0 || status >= 0xF0) {
            return false;  // running status without a status byte
        }
        if (status == 0xFF) {
            if (p >= end) break;
            unsigned char type = *p++;
            std::uint32_t len;
            if (!ReadVarLen(p, end, len) || len > static_cast<std::size_t>(end - p)) break;
            if (type == 0x51 && len == 3) tempos.emplace_back(tick, (p[0] << 16) | (p[1] << 8) | p[2]);
            p += len;
            status = 0;
            if (type == 0x2F) break;
            lastTick_ = std::max(lastTick_, tick);
            continue;
        }
        if (status == 0xF0 || status == 0xF7) {
            std::uint32_t len;
            if (!ReadVarLen(p, end, len) || len > static_cast<std::size_t>(end - p)) break;
            p += len;
            status = 0;
            continue;
        }
        int dataBytes = ((status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0) ? 1 : 2;
        if (end - p < dataBytes) break;
        if ((status & 0xF0) == 0x90 && p[1] > 0) ++notes_;
        p += dataBytes;
        lastTick_ = std::max(lastTick_, tick);
    }
    return true;
}

double MidiFile::Seconds(std::int64_t tick) const {
    if (tempos_.empty()) return 0;
    auto it = std::upper_bound(tempos_.begin(), tempos_.end(), tick,
                               [](std::int64_t t, const Tempo& e) { return t < e.tick; });
    const Tempo& t = *(it - 1);
    return t.seconds + (tick - t.tick) * t.secondsPerTick;
}

std::int64_t MidiFile::Ticks(double seconds) const {
    if (tempos_.empty()) return 0;
    auto it = std::upper_bound(tempos_.begin(), tempos_.end(), seconds,
                               [](double s, const Tempo& e) { return s < e.seconds; });
    const Tempo& t = *(it - 1);
    return t.tick + static_cast<std::int64_t>((seconds - t.seconds) / t.secondsPerTick);
}

}  // namespace sonvaro::audio
