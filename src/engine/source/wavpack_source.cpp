#include "engine/source/wavpack_source.h"

#include <wavpack/wavpack.h>

#include <algorithm>
#include <cstring>

#include "engine/bass.h"
#include "engine/source/library_version.h"

namespace sonvaro::audio {

std::uint32_t WavPackSource::LibraryVersion() {
    const std::uint32_t v = WavpackGetLibraryVersion();
    return PackedVersion(v >> 16, (v >> 8) & 0xFF);
}
namespace {

// libwavpack reads through these; `id` is a ByteSource with one pushed-back byte.
struct Stream {
    ByteSource* bytes;
    int pushed = -1;
};

int32_t ReadBytes(void* id, void* data, int32_t count) {
    auto* s = static_cast<Stream*>(id);
    auto* out = static_cast<unsigned char*>(data);
    int32_t done = 0;
    if (count > 0 && s->pushed >= 0) {
        out[done++] = static_cast<unsigned char>(s->pushed);
        s->pushed = -1;
    }
    while (done < count) {
        std::int64_t n = s->bytes->Read(out + done, static_cast<std::size_t>(count - done));
        if (n <= 0) break;
        done += static_cast<int32_t>(n);
    }
    return done;
}

int64_t GetPos(void* id) {
    auto* s = static_cast<Stream*>(id);
    return s->bytes->Position() - (s->pushed >= 0 ? 1 : 0);
}

int SetPosAbs(void* id, int64_t pos) {
    auto* s = static_cast<Stream*>(id);
    s->pushed = -1;
    return s->bytes->Seek(pos) ? 0 : -1;
}

int SetPosRel(void* id, int64_t delta, int mode) {
    auto* s = static_cast<Stream*>(id);
    std::int64_t base = mode == SEEK_SET ? 0 : mode == SEEK_END ? s->bytes->Size() : GetPos(id);
    return SetPosAbs(id, base + delta);
}

int PushBackByte(void* id, int c) {
    static_cast<Stream*>(id)->pushed = c;
    return c;
}

int64_t GetLength(void* id) {
    return static_cast<Stream*>(id)->bytes->Size();
}
int CanSeek(void* id) {
    return static_cast<Stream*>(id)->bytes->Seekable() ? 1 : 0;
}

WavpackStreamReader64 reader = {ReadBytes,    nullptr,   GetPos,  SetPosAbs, SetPosRel,
                                PushBackByte, GetLength, CanSeek, nullptr,   nullptr};

struct Streams {
    Stream main, correction;
};

}  // namespace

std::unique_ptr<WavPackSource> WavPackSource::Open(std::unique_ptr<ByteSource> bytes,
                                                   std::unique_ptr<ByteSource> correction, int& error) {
    error = BASS_ERROR_FILEFORM;
    auto src = std::unique_ptr<WavPackSource>(new WavPackSource());
    src->bytes_ = std::move(bytes);
    src->correction_ = std::move(correction);
    if (!src->bytes_->Seek(0) || (src->correction_ && !src->correction_->Seek(0))) return nullptr;
    auto* streams = new Streams{{src->bytes_.get()}, {src->correction_.get()}};
    char message[80] = {};
    int flags = OPEN_2CH_MAX | OPEN_NORMALIZE | (src->correction_ ? OPEN_WVC : 0);
    src->wpc_ = WavpackOpenFileInputEx64(
        &reader, &streams->main, src->correction_ ? &streams->correction : nullptr, message, flags, 0);
    src->streams_ = streams;
    if (!src->wpc_) return nullptr;
    src->format_.rate = WavpackGetSampleRate(src->wpc_);
    src->format_.channels = static_cast<unsigned>(WavpackGetNumChannels(src->wpc_));
    src->format_.ctype = BASS_CTYPE_STREAM_WV;
    src->channels_ = WavpackGetReducedChannels(src->wpc_);
    if (src->format_.rate == 0 || src->channels_ <= 0 || src->channels_ > 2) return nullptr;
    src->length_ = WavpackGetNumSamples64(src->wpc_);
    src->isFloat_ = WavpackGetMode(src->wpc_) & MODE_FLOAT;
    int bytesPerSample = std::clamp(WavpackGetBytesPerSample(src->wpc_), 1, 4);
    src->scale_ = 1.0f / static_cast<float>(1u << (bytesPerSample * 8 - 1));
    return src;
}

WavPackSource::~WavPackSource() {
    if (wpc_) WavpackCloseFile(wpc_);
    delete static_cast<Streams*>(streams_);
}

std::size_t WavPackSource::Read(float* out, std::size_t frames) {
    if (failed_) return 0;
    buffer_.resize(frames * static_cast<std::size_t>(channels_));
    uint32_t got = WavpackUnpackSamples(wpc_, buffer_.data(), static_cast<uint32_t>(frames));
    for (uint32_t i = 0; i < got; ++i) {
        for (int c = 0; c < 2; ++c) {
            std::int32_t v = buffer_[i * static_cast<std::size_t>(channels_) +
                                     static_cast<std::size_t>(std::min(c, channels_ - 1))];
            float f;
            if (isFloat_)
                std::memcpy(&f, &v, sizeof f);
            else
                f = static_cast<float>(v) * scale_;
            out[i * 2 + static_cast<std::size_t>(c)] = f;
        }
    }
    return got;
}

bool WavPackSource::Seek(std::int64_t frame) {
    if (failed_) return false;
    if (!WavpackSeekSample64(wpc_, frame)) {
        // The library's context is not usable after a failed seek: the channel just ends.
        failed_ = true;
        return false;
    }
    return true;
}

std::int64_t WavPackSource::FilePosition(std::uint32_t mode) const {
    return FilePositionOf(*bytes_, mode);
}

}  // namespace sonvaro::audio
