#include "engine/net/icy_demuxer.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string_view>

#include "engine/net/ascii_case.h"

namespace sonvaro::audio {

void IcyDemuxer::Feed(const char* data, std::size_t size, std::string& audio, std::vector<Meta>& metas) {
    if (interval_ == 0) {
        audio.append(data, size);
        return;
    }
    while (size > 0) {
        switch (state_) {
            case State::Audio: {
                std::size_t n = std::min(size, untilMeta_);
                audio.append(data, n);
                data += n;
                size -= n;
                untilMeta_ -= n;
                if (untilMeta_ == 0) state_ = State::Length;
                break;
            }
            case State::Length:
                metaLeft_ = static_cast<unsigned char>(*data) * 16u;
                ++data;
                --size;
                meta_.clear();
                state_ = metaLeft_ ? State::Text : State::Audio;
                if (!metaLeft_) untilMeta_ = interval_;
                break;
            case State::Text: {
                std::size_t n = std::min(size, metaLeft_);
                meta_.append(data, n);
                data += n;
                size -= n;
                metaLeft_ -= n;
                if (metaLeft_ == 0) {
                    // The block is padded with NULs to a multiple of 16.
                    std::size_t end = meta_.find('\0');
                    if (end != std::string::npos) meta_.resize(end);
                    if (!meta_.empty()) metas.push_back({audio.size(), std::move(meta_)});
                    meta_.clear();
                    state_ = State::Audio;
                    untilMeta_ = interval_;
                }
                break;
            }
        }
    }
}

namespace {

bool SameKey(std::string_view a, std::string_view b) {
    return EqualsNoCase(a, b);
}

}  // namespace

std::string IcyField(const std::string& meta, const std::string& key) {
    // Walk the pairs in order: a key inside another field's value (a StreamUrl
    // carrying ";StreamTitle=...") is part of that value, not a field of its own.
    std::size_t at = 0;
    while (at < meta.size()) {
        while (at < meta.size() &&
               (meta[at] == ' ' || meta[at] == '\t' || meta[at] == '\r' || meta[at] == '\n'))
            ++at;
        std::size_t eq = meta.find_first_of("=;", at);
        if (eq == std::string::npos) break;
        if (meta[eq] == ';') {  // a word without a value
            at = eq + 1;
            continue;
        }
        const std::string_view name(meta.data() + at, eq - at);
        std::size_t from = eq + 1, end, next;
        if (from < meta.size() && meta[from] == '\'') {
            // Titles hold apostrophes ("Don't Stop"): a quoted value ends only at
            // "';" or at a quote that closes the text.
            ++from;
            std::size_t close = meta.find("';", from);
            if (close != std::string::npos) {
                end = close;
                next = close + 2;
            } else {
                end = meta.size();
                if (end > from && meta.back() == '\'') --end;
                next = meta.size();
            }
        } else {
            std::size_t close = meta.find(';', from);
            end = close == std::string::npos ? meta.size() : close;
            next = close == std::string::npos ? meta.size() : close + 1;
        }
        if (SameKey(name, key)) return meta.substr(from, end - from);
        at = next;
    }
    return {};
}

}  // namespace sonvaro::audio
