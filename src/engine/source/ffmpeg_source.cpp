#include "engine/source/ffmpeg_source.h"

#include <algorithm>
#include <cstring>
#include <mutex>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include "engine/bass.h"
#include "engine/source/asf_tags.h"
#include "engine/source/library_version.h"

namespace sonvaro::audio {

std::uint32_t FfmpegSource::LibraryVersion() {
    const unsigned codec = avcodec_version();
    return PackedVersion(codec >> 16, (codec >> 8) & 0xFF);
}
namespace {

constexpr int kAvioBuffer = 32 * 1024;

int ReadPacket(void* opaque, uint8_t* buf, int size) {
    auto* bytes = static_cast<ByteSource*>(opaque);
    std::int64_t n = bytes->Read(buf, static_cast<std::size_t>(size));
    if (n < 0) return AVERROR(EIO);
    if (n == 0) return AVERROR_EOF;
    return static_cast<int>(n);
}

int64_t SeekPacket(void* opaque, int64_t offset, int whence) {
    auto* bytes = static_cast<ByteSource*>(opaque);
    if (whence & AVSEEK_SIZE) return bytes->Size();
    whence &= ~AVSEEK_FORCE;
    std::int64_t target = offset;
    if (whence == SEEK_CUR)
        target = bytes->Position() + offset;
    else if (whence == SEEK_END) {
        if (bytes->Size() < 0) return -1;
        target = bytes->Size() + offset;
    }
    return bytes->Seek(target) ? target : -1;
}

}  // namespace

std::unique_ptr<FfmpegSource> FfmpegSource::Open(std::unique_ptr<ByteSource> bytes, const ProbeResult& probe,
                                                 bool allowVideo, int& error) {
    auto src = std::unique_ptr<FfmpegSource>(new FfmpegSource(std::move(bytes)));
    if (!src->OpenHeader(probe, allowVideo, error)) return nullptr;
    return src;
}

FfmpegSource::~FfmpegSource() {
    swr_free(&swr_);
    av_channel_layout_uninit(&swrLayout_);
    avcodec_free_context(&codec_);
    av_packet_free(&packet_);
    av_frame_free(&frame_);
    avformat_close_input(&fmt_);
    if (avio_) av_freep(&avio_->buffer);
    avio_context_free(&avio_);
}

bool FfmpegSource::OpenHeader(const ProbeResult& probe, bool allowVideo, int& error) {
    probe_ = probe;
    error = BASS_ERROR_FILEFORM;
    if (!bytes_->Seek(0)) return false;
    auto* buffer = static_cast<unsigned char*>(av_malloc(kAvioBuffer));
    avio_ = avio_alloc_context(buffer, kAvioBuffer, 0, bytes_.get(), ReadPacket, nullptr,
                               bytes_->Seekable() ? SeekPacket : nullptr);
    fmt_ = avformat_alloc_context();
    if (!avio_ || !fmt_) {
        if (!avio_) av_free(buffer);
        error = BASS_ERROR_MEM;
        return false;
    }
    fmt_->pb = avio_;
    fmt_->flags |= AVFMT_FLAG_CUSTOM_IO;
    // Broken files are normal for a player; their decoder complaints are not news.
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_FATAL); });
    const AVInputFormat* input = av_find_input_format(probe.demuxer);
    if (!input) {
        error = BASS_ERROR_CODEC;
        return false;
    }
    // FFmpeg inflates an ID3v2 tag's compressed frames to any size their
    // header claims; the tags come from TagLib, so its reader never sees the tag.
    if ((probe.container == Container::Mpeg || probe.container == Container::Adts) && probe.dataOffset > 0)
        fmt_->skip_initial_bytes = probe.dataOffset;
    if (avformat_open_input(&fmt_, nullptr, input, nullptr) < 0) return false;  // frees fmt_
    bool hasVideo = false;
    for (unsigned i = 0; i < fmt_->nb_streams; ++i) {
        AVStream* st = fmt_->streams[i];
        if (st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && stream_ < 0)
            stream_ = static_cast<int>(i);
        else {
            if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
                !(st->disposition & AV_DISPOSITION_ATTACHED_PIC))
                hasVideo = true;
            st->discard = AVDISCARD_ALL;
        }
    }
    if (stream_ < 0 || (hasVideo && !allowVideo)) return false;
    AVStream* st = fmt_->streams[stream_];
    const AVCodecParameters* par = st->codecpar;
    format_.rate = par->sample_rate > 0 ? static_cast<unsigned>(par->sample_rate) : probe.rate;
    format_.channels =
        par->ch_layout.nb_channels > 0 ? static_cast<unsigned>(par->ch_layout.nb_channels) : probe.channels;
    if (probe.container == Container::Ogg && probe.ctype == BASS_CTYPE_STREAM_OPUS) format_.rate = 48000;
    if (format_.rate == 0 || format_.channels == 0) {
        // Rare headers without the facts: pay for the full probe.
        if (avformat_find_stream_info(fmt_, nullptr) < 0) return false;
        format_.rate = static_cast<unsigned>(std::max(par->sample_rate, 0));
        format_.channels = static_cast<unsigned>(std::max(par->ch_layout.nb_channels, 0));
        if (format_.rate == 0 || format_.channels == 0) return false;
    }
    format_.ctype = probe.ctype;
    if (probe.container == Container::Asf && par->codec_id == AV_CODEC_ID_MP3)
        format_.ctype = BASS_CTYPE_STREAM_WMA_MP3;
    if (probe.container == Container::Asf &&
        !(par->codec_id >= AV_CODEC_ID_WMAV1 && par->codec_id <= AV_CODEC_ID_WMALOSSLESS) &&
        par->codec_id != AV_CODEC_ID_WMAVOICE && par->codec_id != AV_CODEC_ID_MP3)
        return false;

    if (st->duration != AV_NOPTS_VALUE && st->duration > 0) {
        length_ = av_rescale_q(st->duration, st->time_base, AVRational{1, static_cast<int>(format_.rate)});
        lengthExact_ = true;
    } else if (fmt_->duration != AV_NOPTS_VALUE && fmt_->duration > 0) {
        length_ = av_rescale(fmt_->duration, format_.rate, AV_TIME_BASE);
        lengthExact_ = true;
    } else if ((probe.container == Container::Mpeg || probe.container == Container::Adts) &&
               probe.bitrate > 0 && bytes_->Size() > 0) {
        // Assume the first frame's bit rate throughout until a pre-scan counts the frames.
        double seconds = static_cast<double>(bytes_->Size() - probe.dataOffset) * 8.0 / probe.bitrate;
        length_ = static_cast<std::int64_t>(seconds * format_.rate);
    }
    BuildTags();
    return true;
}

void FfmpegSource::BuildTags() {
    auto add = [](std::string& out, const std::string& key, const char* value) {
        out += key;
        out += '=';
        out += value;
        out += '\0';
    };
    if (format_.ctype == BASS_CTYPE_STREAM_MP4) {
        const AVDictionaryEntry* e = nullptr;
        while ((e = av_dict_get(fmt_->metadata, "", e, AV_DICT_IGNORE_SUFFIX)))
            add(mp4Tags_, e->key, e->value);
    }
    if (probe_.container == Container::Asf) {
        // FFmpeg keeps one value per name; the header itself has them all.
        std::int64_t saved = bytes_->Position();  // where FFmpeg's reader is
        for (const auto& [key, value] : ReadAsfTags(*bytes_)) add(wmaTags_, key, value.c_str());
        bytes_->Seek(saved);
        std::int64_t bitrate = fmt_->streams[stream_]->codecpar->bit_rate;
        if (bitrate <= 0) bitrate = fmt_->bit_rate;
        if (bitrate > 0) add(wmaTags_, "Bitrate", std::to_string(bitrate).c_str());
    }
    if (!mp4Tags_.empty()) mp4Tags_ += '\0';
    if (!wmaTags_.empty()) wmaTags_ += '\0';
}

const char* FfmpegSource::Tags(std::uint32_t type) {
    if (type == BASS_TAG_MP4 && format_.ctype == BASS_CTYPE_STREAM_MP4)
        return mp4Tags_.empty() ? "\0" : mp4Tags_.c_str();
    if (type == BASS_TAG_WMA && probe_.container == Container::Asf)
        return wmaTags_.empty() ? "\0" : wmaTags_.c_str();
    return nullptr;
}

std::int64_t FfmpegSource::FilePosition(std::uint32_t mode) const {
    // The audio starts after a leading tag.
    return mode == BASS_FILEPOS_START ? probe_.dataOffset : FilePositionOf(*bytes_, mode);
}

bool FfmpegSource::Prepare(bool prescan) {
    if (prepared_) return !failed_;
    prepared_ = true;
    failed_ = true;
    AVStream* st = fmt_->streams[stream_];
    const AVCodec* decoder = avcodec_find_decoder(st->codecpar->codec_id);
    if (!decoder) return false;
    codec_ = avcodec_alloc_context3(decoder);
    if (!codec_ || avcodec_parameters_to_context(codec_, st->codecpar) < 0) return false;
    codec_->thread_count = 1;
    codec_->pkt_timebase = st->time_base;
    if (avcodec_open2(codec_, decoder, nullptr) < 0) return false;
    packet_ = av_packet_alloc();
    frame_ = av_frame_alloc();
    if (!packet_ || !frame_) return false;
    bool frameSynced = probe_.container == Container::Mpeg || probe_.container == Container::Adts;
    if (prescan && frameSynced) Prescan();
    failed_ = false;
    return true;
}

void FfmpegSource::Prescan() {
    // Count every frame so the length is exact even without a VBR header, and
    // remember where frames start so that seeks land exactly.
    AVStream* st = fmt_->streams[stream_];
    std::int64_t frames = 0;
    std::int64_t lastIndexed = -1000000;
    while (av_read_frame(fmt_, packet_) >= 0) {
        if (packet_->stream_index == stream_) {
            if (packet_->pos >= 0 && frames - lastIndexed >= static_cast<std::int64_t>(format_.rate) / 4) {
                index_.push_back({packet_->pos, frames});
                lastIndexed = frames;
            }
            std::int64_t d = packet_->duration > 0
                                 ? av_rescale_q(packet_->duration, st->time_base,
                                                AVRational{1, static_cast<int>(format_.rate)})
                                 : FramesPerPacket();
            frames += d;
        }
        av_packet_unref(packet_);
    }
    if (frames > 0 && !(lengthExact_ && probe_.container == Container::Mpeg)) {
        length_ = frames;
        lengthExact_ = true;
    }
    av_seek_frame(fmt_, -1, probe_.dataOffset, AVSEEK_FLAG_BYTE);
    nextFrame_ = 0;
}

std::int64_t FfmpegSource::FramesPerPacket() const {
    const AVCodecParameters* par = fmt_->streams[stream_]->codecpar;
    if (par->frame_size > 0) return par->frame_size;
    if (par->codec_id == AV_CODEC_ID_AAC) return 1024;
    return 1152;
}

std::int64_t FfmpegSource::FrameOfPts(std::int64_t pts) const {
    AVStream* st = fmt_->streams[stream_];
    if (st->start_time != AV_NOPTS_VALUE) pts -= st->start_time;
    return av_rescale_q(pts, st->time_base, AVRational{1, static_cast<int>(format_.rate)});
}

void FfmpegSource::TakeFrame() {
    int inChannels = frame_->ch_layout.nb_channels;
    if (inChannels <= 0 || frame_->nb_samples <= 0 || frame_->sample_rate <= 0) return;
    // Damaged or chained streams can change layout, sample format or rate
    // between frames; the converter must always match the frame at hand.
    bool same = swr_ && swrFormat_ == frame_->format && swrRate_ == frame_->sample_rate &&
                av_channel_layout_compare(&swrLayout_, &frame_->ch_layout) == 0;
    if (!same) {
        swr_free(&swr_);
        av_channel_layout_uninit(&swrLayout_);
        if (av_channel_layout_copy(&swrLayout_, &frame_->ch_layout) < 0) return;
        swrFormat_ = frame_->format;
        swrRate_ = frame_->sample_rate;
        AVChannelLayout out;
        decodedChannels_ = inChannels == 1 ? 1 : 2;
        av_channel_layout_default(&out, static_cast<int>(decodedChannels_));
        if (swr_alloc_set_opts2(&swr_, &out, AV_SAMPLE_FMT_FLT, static_cast<int>(format_.rate),
                                &frame_->ch_layout, static_cast<AVSampleFormat>(frame_->format),
                                frame_->sample_rate, 0, nullptr) < 0 ||
            swr_init(swr_) < 0) {
            swr_free(&swr_);
            return;
        }
    }
    int room = swr_get_out_samples(swr_, frame_->nb_samples);
    if (room <= 0) return;
    convert_.resize(static_cast<std::size_t>(room) * decodedChannels_);
    uint8_t* outPlanes[1] = {reinterpret_cast<uint8_t*>(convert_.data())};
    int got = swr_convert(swr_, outPlanes, room, const_cast<const uint8_t**>(frame_->extended_data),
                          frame_->nb_samples);
    if (got <= 0) return;
    std::int64_t start = nextFrame_;
    if (start < 0) {
        std::int64_t pts = frame_->best_effort_timestamp;
        start = pts != AV_NOPTS_VALUE ? FrameOfPts(pts) : std::max<std::int64_t>(skipTo_, 0);
    }
    std::int64_t drop = 0;
    if (skipTo_ >= 0) {
        drop = std::clamp<std::int64_t>(skipTo_ - start, 0, got);
        if (start + got > skipTo_) skipTo_ = -1;
    }
    // Called only when everything pending was handed out.
    auto keep = static_cast<std::size_t>(got - drop);
    pendingPos_ = 0;
    if (decodedChannels_ == 2 && drop == 0) {
        // The common case takes the converted frames as they are: the buffers
        // change places (both keep their storage), no copy.
        pending_.swap(convert_);
        pending_.resize(keep * 2);
        nextFrame_ = start + got;
        return;
    }
    pending_.resize(keep * 2);
    const float* from = convert_.data() + drop * decodedChannels_;
    if (decodedChannels_ == 1) {
        for (std::size_t i = 0; i < keep; ++i) pending_[2 * i] = pending_[2 * i + 1] = from[i];
    } else if (keep > 0) {  // all dropped: pending_ may have no storage to copy to
        std::memcpy(pending_.data(), from, keep * 2 * sizeof(float));
    }
    nextFrame_ = start + got;  // frame number after the pending frames
}

bool FfmpegSource::DecodeMore() {
    while (!eof_) {
        int rc = avcodec_receive_frame(codec_, frame_);
        if (rc == 0) {
            TakeFrame();
            av_frame_unref(frame_);
            return true;
        }
        if (rc == AVERROR_EOF) {
            eof_ = true;
            break;
        }
        if (rc != AVERROR(EAGAIN)) {
            // A broken frame: keep going with the next packet, but not forever.
            if (++badPackets_ > 200) eof_ = true;
        }
        if (draining_) {
            eof_ = true;
            break;
        }
        rc = av_read_frame(fmt_, packet_);
        if (rc < 0) {
            draining_ = true;
            avcodec_send_packet(codec_, nullptr);
            continue;
        }
        if (packet_->stream_index == stream_) {
            if (avcodec_send_packet(codec_, packet_) < 0 && ++badPackets_ > 200) eof_ = true;
        }
        av_packet_unref(packet_);
    }
    return false;
}

std::size_t FfmpegSource::Read(float* out, std::size_t frames) {
    if (!prepared_ && !Prepare(false)) return 0;
    if (failed_) return 0;
    std::size_t done = 0;
    while (done < frames) {
        std::size_t have = pending_.size() / 2 - pendingPos_;
        if (have == 0) {
            if (!DecodeMore()) break;
            continue;
        }
        std::size_t n = std::min(have, frames - done);
        std::memcpy(out + done * 2, pending_.data() + pendingPos_ * 2, n * 2 * sizeof(float));
        pendingPos_ += n;
        done += n;
    }
    if (pendingPos_ * 2 == pending_.size()) {
        pending_.clear();
        pendingPos_ = 0;
    }
    return done;
}

bool FfmpegSource::Seek(std::int64_t frame) {
    if (!prepared_ && !Prepare(false)) return false;
    if (failed_ || !bytes_->Seekable()) return false;
    frame = std::max<std::int64_t>(frame, 0);
    AVStream* st = fmt_->streams[stream_];
    pending_.clear();
    pendingPos_ = 0;
    eof_ = draining_ = false;
    bool ok = false;
    if (!index_.empty()) {
        // Start a few frames early: MP3 frames borrow bits from their predecessors.
        std::int64_t preroll = 4 * 1152;
        auto it = std::upper_bound(index_.begin(), index_.end(), frame - preroll,
                                   [](std::int64_t f, const IndexEntry& e) { return f < e.frame; });
        IndexEntry e = it == index_.begin() ? IndexEntry{probe_.dataOffset, 0} : *(it - 1);
        ok = av_seek_frame(fmt_, -1, e.pos, AVSEEK_FLAG_BYTE) >= 0;
        nextFrame_ = e.frame;
    }
    if (!ok) {
        // Land a little early and decode up to the frame: codecs with overlapping
        // blocks (AAC, Vorbis, Opus) need the packet before to rebuild the first one.
        std::int64_t early =
            std::max<std::int64_t>(frame - format_.rate / 10, -static_cast<std::int64_t>(format_.rate));
        std::int64_t ts = av_rescale_q(early, AVRational{1, static_cast<int>(format_.rate)}, st->time_base);
        if (st->start_time != AV_NOPTS_VALUE) ts += st->start_time;
        ok = av_seek_frame(fmt_, stream_, ts, AVSEEK_FLAG_BACKWARD) >= 0;
        if (!ok) ok = av_seek_frame(fmt_, stream_, ts, AVSEEK_FLAG_ANY) >= 0;
        nextFrame_ = -1;
    }
    avcodec_flush_buffers(codec_);
    skipTo_ = frame;
    return ok;
}

}  // namespace sonvaro::audio
