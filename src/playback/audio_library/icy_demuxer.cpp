#include "playback/audio_library/icy_demuxer.h"

#include <algorithm>
#include <cstring>

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

std::string IcyField(const std::string& meta, const std::string& key) {
    std::string want = key + "=";
    std::size_t at = 0;
    while ((at = meta.find(want, at)) != std::string::npos) {
        if (at == 0 || meta[at - 1] == ';') break;
        at += want.size();
    }
    if (at == std::string::npos) return {};
    std::size_t from = at + want.size();
    if (from < meta.size() && meta[from] == '\'') {
        std::size_t close = meta.find("';", from + 1);
        if (close == std::string::npos) close = meta.rfind('\'');
        if (close == std::string::npos || close <= from) return meta.substr(from + 1);
        return meta.substr(from + 1, close - from - 1);
    }
    std::size_t close = meta.find(';', from);
    return meta.substr(from, close == std::string::npos ? std::string::npos : close - from);
}

} // namespace sonvaro::audio
