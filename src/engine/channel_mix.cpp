// The engine-thread half of a channel: decoding ahead, and turning buffered
// source frames into a block of the mix (rate change, effects, volume, pan).
#include <samplerate.h>

#include <algorithm>
#include <cstring>

#include "engine/channel.h"
#include "engine/output/output.h"

namespace sonvaro::audio {
namespace {

constexpr std::size_t kChunk = 2048;  // frames decoded per step
constexpr std::size_t kMaxMarks = 256;

}  // namespace

std::size_t Channel::FifoTarget() const {
    std::size_t capacity = fifo_.Capacity();
    if (capacity <= kChunk + RetainTarget()) return 0;
    double speed = std::max(1.0, static_cast<double>(freq_.value) / format.rate);
    auto halfSecond = static_cast<std::size_t>(format.rate * 0.5 * speed);
    return std::min(capacity - kChunk - RetainTarget(), std::max(halfSecond, kChunk));
}

// Mixed frames kept behind the read end, so that a change can be mixed again
// from the frame being heard: the engine's mix lead at the playing speed,
// plus what the resampler reads ahead.
std::size_t Channel::RetainTarget() const {
    if (IsDecodeOnly()) return 0;
    return static_cast<std::size_t>(std::max(freq_.value, freq_.to) * kMixLeadSeconds) + kChunk;
}

void Channel::RewindTo(std::uint64_t outFrame) {
    std::lock_guard lock(mutex_);
    if (IsDecodeOnly() || !fifo_.Allocated() || mixedUntil_ <= outFrame) return;
    mixedUntil_ = outFrame;
    const std::int64_t heard = PositionAt(outFrame);
    // Room for a decoding step under way: it writes after the unread frames.
    const std::size_t room = fifo_.Free() > kChunk ? fifo_.Free() - kChunk : 0;
    const std::int64_t wanted = std::max<std::int64_t>(0, consumed_ - heard);
    // Short only far above normal speed, where decoding ahead needs the room: then a little is skipped.
    const auto back = std::min<std::size_t>(static_cast<std::size_t>(wanted), std::min(retained_, room));
    fifo_.Unread(back);
    retained_ -= back;
    consumed_ -= static_cast<std::int64_t>(back);
    played_ = static_cast<double>(consumed_);
    if (back > 0) ending_ = false;
    if (resampler_) src_reset(resampler_);
    // The gain the listener heard there: the next block glides from it to the new one.
    lastGain_[0] = lastGain_[1] = -1;
    for (const Mark& m : marks_) {
        if (m.out > outFrame) break;
        lastGain_[0] = m.gain[0];
        lastGain_[1] = m.gain[1];
    }
    while (!marks_.empty() && marks_.back().out >= outFrame) marks_.pop_back();
    // Slides begun in what was dropped begin where the listener is.
    volume_.StartNoLaterThan(outFrame);
    pan_.StartNoLaterThan(outFrame);
    freq_.StartNoLaterThan(outFrame);
    marks_.push_back({outFrame, consumed_, 0.0, {lastGain_[0], lastGain_[1]}});
    historyEnd_ = std::min(historyEnd_, outFrame);
    if (queued_ && state_ == ChannelState::Playing && outFrame <= startedAt_) {
        // It had not begun where the cut is: it waits for its predecessor's end again.
        state_ = ChannelState::Queued;
        ending_ = false;
        marks_.clear();
        lastGain_[0] = lastGain_[1] = -1;
        if (resampler_) {
            src_delete(resampler_);
            resampler_ = nullptr;
            resampling_ = false;
        }
    }
}

bool Channel::WantsData() const {
    std::lock_guard lock(mutex_);
    return (state_ == ChannelState::Playing || state_ == ChannelState::Queued) && !IsDecodeOnly() &&
           !sourceEnded_ && fifo_.Count() < FifoTarget();
}

bool Channel::DecodeAhead() {
    if (!Prepare()) return false;
    std::lock_guard lock(sourceMutex_);
    float* into;
    std::size_t room = 0;
    {
        std::lock_guard l(mutex_);
        if (sourceEnded_ || !fifo_.Allocated() || fifo_.Count() + kChunk + RetainTarget() > fifo_.Capacity())
            return false;
        into = fifo_.WriteRun(room);
    }
    // Decoded straight into the buffer, outside the lock: the mixer reads
    // before this run, and a rewind stays a chunk away from it. Near the
    // wrap this step is short; the next one starts at the buffer's start.
    std::size_t n = source_->Read(into, std::min(room, kChunk));
    std::lock_guard l(mutex_);
    fifo_.Commit(n);
    retained_ = std::min(retained_, fifo_.Free());
    if (n == 0 && !source_->Starved()) sourceEnded_ = true;
    return n > 0;
}

// The mixer takes its lead at once when a channel starts. Had the channel less
// than that, the decoding thread would have to catch up within a device period,
// which on a busy machine it may not get a core for: a gap at the start. So
// the caller decodes the lead and as much again (a few milliseconds for a file;
// a network stream stops at what has arrived).
void Channel::Prebuffer() {
    const auto want = static_cast<std::size_t>(format.rate * (2 * kMixLeadSeconds + 0.1));
    while (true) {
        {
            std::lock_guard lock(mutex_);
            if (fifo_.Count() >= want) return;
        }
        if (!DecodeAhead()) return;
    }
}

std::size_t Channel::PullDirect(float* out, std::size_t frames, bool& drained) {
    const std::size_t n = fifo_.Read(out, frames);
    retained_ = std::min(retained_ + n, fifo_.Free());
    consumed_ += static_cast<std::int64_t>(n);
    drained = sourceEnded_ && fifo_.Count() == 0;
    return n;
}

std::size_t Channel::PullResampled(float* out, std::size_t frames, double ratio, bool& drained) {
    if (!resampler_) {
        int err = 0;
        resampler_ = src_new(SRC_SINC_FASTEST, 2, &err);
        if (!resampler_) return 0;
        lastRatio_ = ratio;
        src_set_ratio(resampler_, ratio);
    }
    std::size_t done = 0;
    drained = false;
    while (done < frames) {
        std::size_t run = 0;
        SRC_DATA d{};
        d.data_in = fifo_.Contiguous(run);
        d.input_frames = static_cast<long>(run);
        d.data_out = out + done * 2;
        d.output_frames = static_cast<long>(frames - done);
        // A successor going on with this converter gives the input that follows instead.
        d.end_of_input = sourceEnded_ && run == fifo_.Count() && !(next_ && carry_);
        d.src_ratio = ratio;  // libsamplerate glides from the previous ratio across this call
        if (src_process(resampler_, &d) != 0) break;
        auto used = static_cast<std::size_t>(d.input_frames_used);
        fifo_.Consume(used);
        retained_ = std::min(retained_ + used, fifo_.Free());
        consumed_ += static_cast<std::int64_t>(used);
        done += static_cast<std::size_t>(d.output_frames_gen);
        if (d.output_frames_gen == 0 && used == 0) {
            drained = d.end_of_input || (sourceEnded_ && fifo_.Count() == 0);
            break;
        }
    }
    lastRatio_ = ratio;
    return done;
}

void Channel::RunEffects(float* block, std::size_t frames) {
    for (auto it = effects_.begin(); it != effects_.end();) {
        FxSlot& s = *it;
        bool fading = s.removing || s.fade < kFxFade;
        if (!fading) {
            s.effect->Process(block, frames);
            ++it;
            continue;
        }
        // Crossfade between the dry and processed block so that adding or
        // removing an effect while playing never clicks.
        std::vector<float> dry(block, block + frames * 2);
        s.effect->Process(block, frames);
        for (std::size_t i = 0; i < frames; ++i) {
            if (s.removing)
                s.fade = s.fade > 0 ? s.fade - 1 : 0;
            else if (s.fade < kFxFade)
                ++s.fade;
            float w = static_cast<float>(s.fade) / kFxFade;
            block[2 * i] = dry[2 * i] + (block[2 * i] - dry[2 * i]) * w;
            block[2 * i + 1] = dry[2 * i + 1] + (block[2 * i + 1] - dry[2 * i + 1]) * w;
        }
        if (s.removing && s.fade == 0)
            it = effects_.erase(it);
        else
            ++it;
    }
}

void Channel::RecordHistory(const float* block, std::size_t frames, std::uint64_t outFrame) {
    std::size_t size = history_.size() / 2;
    if (outFrame < historyEnd_) outFrame = historyEnd_;
    // Frames between the last record and this block were silent for this channel.
    for (std::uint64_t f = historyEnd_; f < outFrame && f < historyEnd_ + size; ++f) {
        std::size_t at = f % size;
        history_[at * 2] = history_[at * 2 + 1] = 0.0f;
    }
    for (std::size_t done = 0; done < frames;) {
        std::size_t at = (outFrame + done) % size;
        std::size_t run = std::min(frames - done, size - at);
        std::memcpy(history_.data() + at * 2, block + done * 2, run * 2 * sizeof(float));
        done += run;
    }
    historyEnd_ = outFrame + frames;
}

MixOutcome Channel::MixInto(float* mix, std::size_t frames, std::uint64_t outFrame, bool decodeInline) {
    MixOutcome outcome;
    if (decodeInline) {
        // Offline: decode right here until this block can be filled.
        for (;;) {
            {
                std::lock_guard lock(mutex_);
                if (state_ != ChannelState::Playing || sourceEnded_) break;
                double need = static_cast<double>(frames) * freq_.At(outFrame + frames) / outRate + 64;
                if (fifo_.Count() >= need || fifo_.Count() + kChunk + RetainTarget() > fifo_.Capacity())
                    break;
            }
            if (!DecodeAhead()) break;  // a network stream with nothing buffered: mix what there is
        }
    }
    std::lock_guard lock(mutex_);
    if (state_ != ChannelState::Playing || ending_ || IsDecodeOnly() || !fifo_.Allocated()) return outcome;
    std::uint64_t endT = outFrame + frames;
    float freqEnd = freq_.At(endT);
    if (!resampling_ && (format.rate != outRate || freqEnd != static_cast<float>(outRate)))
        resampling_ = true;

    block_.resize(frames * 2);
    double before = played_;
    bool drained = false;
    std::size_t got =
        resampling_ ? PullResampled(block_.data(), frames, static_cast<double>(outRate) / freqEnd, drained)
                    : PullDirect(block_.data(), frames, drained);
    double speed = resampling_ ? 0.5 * (freq_.At(outFrame) + freqEnd) / outRate : 1.0;
    played_ = std::min(played_ + static_cast<double>(got) * speed, static_cast<double>(consumed_));
    std::fill(block_.begin() + static_cast<std::ptrdiff_t>(got * 2), block_.end(), 0.0f);
    if (got < frames && drained) {
        ending_ = true;
        outcome.ended = true;
        outcome.endFrame = outFrame + got;
        outcome.next = next_;
        if (next_ && carry_) {
            outcome.carried = resampler_;  // holds the last frames of this source, not sounded yet
            resampler_ = nullptr;
        }
    }
    stalled_ = got < frames && !drained && !sourceEnded_;
    outcome.lowOnData = !sourceEnded_ && fifo_.Count() < FifoTarget() / 2;

    auto gains = [&](std::uint64_t t, float& gl, float& gr) {
        float v = volume_.At(t), p = pan_.At(t);
        gl = v * (p > 0 ? 1 - p : 1);
        gr = v * (p < 0 ? 1 + p : 1);
    };
    float l1, r1;
    gains(endT, l1, r1);
    float l0 = lastGain_[0], r0 = lastGain_[1];
    if (l0 < 0) gains(outFrame, l0, r0);

    double perFrame = (played_ - before) / static_cast<double>(frames);
    if (got > 0 || marks_.empty()) {
        marks_.push_back({outFrame, static_cast<std::int64_t>(before), perFrame, {l0, r0}});
        while (marks_.size() > kMaxMarks) marks_.pop_front();
    }
    mixedUntil_ = endT;

    RunEffects(block_.data(), frames);
    RecordHistory(block_.data(), frames, outFrame);
    float step = 1.0f / static_cast<float>(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        float f = (i + 1) * step;
        mix[2 * i] += block_[2 * i] * (l0 + (l1 - l0) * f);
        mix[2 * i + 1] += block_[2 * i + 1] * (r0 + (r1 - r0) * f);
    }
    lastGain_[0] = l1;
    lastGain_[1] = r1;

    pan_.Settle(endT);
    freq_.Settle(endT);
    if (volume_.Settle(endT) && volumeStopAtEnd_) {
        volumeStopAtEnd_ = false;
        outcome.slideStop = true;
    }
    if (outcome.slideStop) {
        state_ = ChannelState::Stopped;
        ending_ = false;
        lastGain_[0] = lastGain_[1] = -1;
    }
    return outcome;
}

}  // namespace sonvaro::audio
