#include "engine/source/flac_source.h"

#include <FLAC/stream_decoder.h>

#include <algorithm>
#include <cstring>

#include "engine/bass.h"
#include "engine/source/library_version.h"

namespace sonvaro::audio {

std::uint32_t FlacSource::LibraryVersion() {
    return VersionOfText(FLAC__VERSION_STRING);
}
namespace {

FLAC__StreamDecoder* Dec(void* d) {
    return static_cast<FLAC__StreamDecoder*>(d);
}

struct Context {
    ByteSource* bytes;
    FlacSource* source;
};

FLAC__StreamDecoderReadStatus ReadCb(const FLAC__StreamDecoder*, FLAC__byte buffer[], size_t* bytes,
                                     void* user) {
    auto* c = static_cast<Context*>(user);
    if (*bytes == 0) return FLAC__STREAM_DECODER_READ_STATUS_ABORT;
    std::int64_t n = c->bytes->Read(buffer, *bytes);
    if (n < 0) return FLAC__STREAM_DECODER_READ_STATUS_ABORT;
    *bytes = static_cast<size_t>(n);
    return n == 0 ? FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM
                  : FLAC__STREAM_DECODER_READ_STATUS_CONTINUE;
}

FLAC__StreamDecoderSeekStatus SeekCb(const FLAC__StreamDecoder*, FLAC__uint64 offset, void* user) {
    auto* c = static_cast<Context*>(user);
    if (!c->bytes->Seekable()) return FLAC__STREAM_DECODER_SEEK_STATUS_UNSUPPORTED;
    return c->bytes->Seek(static_cast<std::int64_t>(offset)) ? FLAC__STREAM_DECODER_SEEK_STATUS_OK
                                                             : FLAC__STREAM_DECODER_SEEK_STATUS_ERROR;
}

FLAC__StreamDecoderTellStatus TellCb(const FLAC__StreamDecoder*, FLAC__uint64* offset, void* user) {
    *offset = static_cast<FLAC__uint64>(static_cast<Context*>(user)->bytes->Position());
    return FLAC__STREAM_DECODER_TELL_STATUS_OK;
}

FLAC__StreamDecoderLengthStatus LengthCb(const FLAC__StreamDecoder*, FLAC__uint64* length, void* user) {
    std::int64_t size = static_cast<Context*>(user)->bytes->Size();
    if (size < 0) return FLAC__STREAM_DECODER_LENGTH_STATUS_UNSUPPORTED;
    *length = static_cast<FLAC__uint64>(size);
    return FLAC__STREAM_DECODER_LENGTH_STATUS_OK;
}

FLAC__bool EofCb(const FLAC__StreamDecoder*, void* user) {
    auto* b = static_cast<Context*>(user)->bytes;
    return b->Size() >= 0 && b->Position() >= b->Size();
}

FLAC__StreamDecoderWriteStatus WriteCb(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                       const FLAC__int32* const buffer[], void* user) {
    static_cast<Context*>(user)->source->TakeBlock(buffer, frame->header.channels, frame->header.blocksize);
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}

void MetadataCb(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* m, void* user) {
    if (m->type != FLAC__METADATA_TYPE_STREAMINFO) return;
    const auto& si = m->data.stream_info;
    static_cast<Context*>(user)->source->TakeInfo(
        si.sample_rate, si.channels, si.bits_per_sample,
        si.total_samples ? static_cast<std::int64_t>(si.total_samples) : -1);
}

void ErrorCb(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void*) {
    // A damaged frame: libFLAC resynchronises on the next one by itself.
}

}  // namespace

unsigned FlacBitsPerSample(ByteSource& bytes, std::int64_t offset) {
    // "fLaC", a 4-byte block header, then STREAMINFO; bits per sample - 1 sits
    // in the 5 bits across its bytes 12 and 13.
    unsigned char b[4 + 4 + 14];
    if (!bytes.Seek(offset) || bytes.Read(b, sizeof b) != static_cast<std::int64_t>(sizeof b)) return 0;
    if (std::memcmp(b, "fLaC", 4) != 0 || (b[4] & 0x7F) != 0) return 0;
    return (((b[8 + 12] & 1u) << 4) | (b[8 + 13] >> 4)) + 1;
}

std::unique_ptr<FlacSource> FlacSource::Open(std::unique_ptr<ByteSource> bytes, int& error) {
    error = BASS_ERROR_FILEFORM;
    auto src = std::unique_ptr<FlacSource>(new FlacSource());
    src->bytes_ = std::move(bytes);
    if (!src->bytes_->Seek(0)) return nullptr;
    FLAC__StreamDecoder* d = FLAC__stream_decoder_new();
    if (!d) {
        error = BASS_ERROR_MEM;
        return nullptr;
    }
    src->decoder_ = d;
    auto* ctx = new Context{src->bytes_.get(), src.get()};
    FLAC__stream_decoder_set_md5_checking(d, false);
    if (FLAC__stream_decoder_init_stream(d, ReadCb, SeekCb, TellCb, LengthCb, EofCb, WriteCb, MetadataCb,
                                         ErrorCb, ctx) != FLAC__STREAM_DECODER_INIT_STATUS_OK) {
        delete ctx;
        return nullptr;
    }
    // The context lives as long as the decoder: freed with it in the destructor.
    src->context_ = ctx;
    if (!FLAC__stream_decoder_process_until_end_of_metadata(d) || src->format_.rate == 0 ||
        src->format_.channels == 0)
        return nullptr;
    return src;
}

FlacSource::~FlacSource() {
    if (decoder_) {
        FLAC__stream_decoder_finish(Dec(decoder_));
        FLAC__stream_decoder_delete(Dec(decoder_));
    }
    delete static_cast<Context*>(context_);
}

void FlacSource::TakeInfo(unsigned rate, unsigned channels, unsigned bits, std::int64_t total) {
    format_.rate = rate;
    format_.channels = channels;
    format_.ctype = BASS_CTYPE_STREAM_FLAC;
    length_ = total;
    scale_ = 1.0f / static_cast<float>(1ull << (std::clamp(bits, 4u, 32u) - 1));
}

void FlacSource::TakeBlock(const std::int32_t* const* planes, unsigned channels, unsigned frames) {
    // Called only when everything pending was handed out.
    pending_.resize(static_cast<std::size_t>(frames) * 2);
    pendingPos_ = 0;
    const std::int32_t* left = planes[0];
    const std::int32_t* right = channels > 1 ? planes[1] : planes[0];
    for (unsigned i = 0; i < frames; ++i) {
        pending_[2 * i] = static_cast<float>(left[i]) * scale_;
        pending_[2 * i + 1] = static_cast<float>(right[i]) * scale_;
    }
}

std::size_t FlacSource::Read(float* out, std::size_t frames) {
    if (failed_) return 0;
    std::size_t done = 0;
    while (done < frames) {
        std::size_t have = pending_.size() / 2 - pendingPos_;
        if (have == 0) {
            pending_.clear();
            pendingPos_ = 0;
            if (!FLAC__stream_decoder_process_single(Dec(decoder_))) break;
            if (pending_.empty() &&
                FLAC__stream_decoder_get_state(Dec(decoder_)) == FLAC__STREAM_DECODER_END_OF_STREAM)
                break;
            continue;
        }
        std::size_t n = std::min(have, frames - done);
        std::memcpy(out + done * 2, pending_.data() + pendingPos_ * 2, n * 2 * sizeof(float));
        pendingPos_ += n;
        done += n;
    }
    return done;
}

bool FlacSource::Seek(std::int64_t frame) {
    if (failed_ || !bytes_->Seekable()) return false;
    pending_.clear();
    pendingPos_ = 0;
    frame = std::max<std::int64_t>(frame, 0);
    if (length_ > 0) frame = std::min(frame, length_);
    if (FLAC__stream_decoder_seek_absolute(Dec(decoder_), static_cast<FLAC__uint64>(frame))) return true;
    // After a failed seek the decoder wants a flush before it decodes again.
    if (FLAC__stream_decoder_get_state(Dec(decoder_)) == FLAC__STREAM_DECODER_SEEK_ERROR)
        FLAC__stream_decoder_flush(Dec(decoder_));
    return false;
}

std::int64_t FlacSource::FilePosition(std::uint32_t mode) const {
    return FilePositionOf(*bytes_, mode);
}

}  // namespace sonvaro::audio
