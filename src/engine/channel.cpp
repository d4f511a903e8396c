#include "engine/channel.h"

#include <samplerate.h>

#include <algorithm>
#include <cmath>

namespace sonvaro::audio {
namespace {

constexpr std::size_t kHistoryFrames = 16384;

}  // namespace

Channel::Channel(DWORD handle_, std::unique_ptr<Source> source, DWORD flags_, unsigned outRate_)
    : handle(handle_),
      flags(flags_),
      outRate(outRate_),
      format(source->Format()),
      source_(std::move(source)),
      length_(source_->LengthFrames()) {
    volume_.Set(1.0f);
    pan_.Set(0.0f);
    freq_.Set(static_cast<float>(format.rate));
    if (IsDecodeOnly()) state_ = ChannelState::Playing;  // decoding channels run until their end
}

Channel::~Channel() {
    if (resampler_) src_delete(resampler_);
}

bool Channel::Prepare() {
    std::lock_guard lock(sourceMutex_);
    if (!prepared_) {
        prepared_ = true;
        prepareFailed_ = !source_->Prepare(flags & BASS_STREAM_PRESCAN);
        length_ = source_->LengthFrames();  // a pre-scan makes it exact
        if (prepareFailed_) {
            std::lock_guard l(mutex_);
            sourceEnded_ = true;
        }
    }
    return !prepareFailed_;
}

void Channel::Play(bool restart, std::uint64_t now) {
    Prepare();
    {
        std::lock_guard lock(mutex_);
        queued_ = false;  // played on its own: no longer anyone's successor
    }
    bool rewind;
    {
        std::lock_guard lock(mutex_);
        // A channel that has not been read yet is at its start already; seeking
        // there would only cost time (Ogg seeks search the file).
        bool fresh = consumed_ == 0 && fifo_.Count() == 0 && !sourceEnded_;
        rewind = (restart || ended_) && !fresh;
    }
    if (rewind) SetPosition(0, now);
    {
        // Buffers only for channels that play: the tag reader opens thousands that never do.
        std::lock_guard lock(mutex_);
        // About a second of stereo, and room for several decode chunks even at low rates.
        if (!fifo_.Allocated()) fifo_.Allocate(std::max<std::size_t>(format.rate, 8192));
        if (history_.empty()) history_.assign(kHistoryFrames * 2, 0.0f);
    }
    Prebuffer();
    std::lock_guard lock(mutex_);
    state_ = ChannelState::Playing;
    ended_ = false;
    ending_ = false;
}

bool Channel::Queue() {
    Prepare();
    {
        std::lock_guard lock(mutex_);
        if (state_ != ChannelState::Stopped || ended_ || consumed_ != 0 || fifo_.Count() != 0) return false;
        if (!fifo_.Allocated()) fifo_.Allocate(std::max<std::size_t>(format.rate, 8192));
        if (history_.empty()) history_.assign(kHistoryFrames * 2, 0.0f);
        state_ = ChannelState::Queued;
        queued_ = true;
    }
    // Decoded now, on the caller's thread, so the join never waits for it.
    Prebuffer();
    return true;
}

bool Channel::Link(DWORD next, bool carry) {
    std::lock_guard lock(mutex_);
    if (next != 0 && (ending_ || ended_ || state_ == ChannelState::Stopped)) return false;
    next_ = next;
    carry_ = next != 0 && carry;
    return true;
}

bool Channel::StartAfter(std::uint64_t frame, SRC_STATE_tag* carried) {
    std::lock_guard lock(mutex_);
    if (state_ != ChannelState::Queued) return false;
    state_ = ChannelState::Playing;
    startedAt_ = frame;
    if (carried) {
        if (resampler_) src_delete(resampler_);
        resampler_ = carried;
        resampling_ = true;
    }
    marks_.clear();
    lastGain_[0] = lastGain_[1] = -1;
    return true;
}

bool Channel::FinishEnd() {
    std::lock_guard lock(mutex_);
    if (!ending_) return false;
    ending_ = false;
    ended_ = true;
    state_ = ChannelState::Stopped;
    lastGain_[0] = lastGain_[1] = -1;
    return true;
}

bool Channel::Ending() const {
    std::lock_guard lock(mutex_);
    return ending_;
}

bool Channel::Pause() {
    std::lock_guard lock(mutex_);
    if (state_ != ChannelState::Playing) return false;
    state_ = ChannelState::Paused;
    return true;
}

bool Channel::Stop(std::uint64_t now) {
    std::lock_guard lock(mutex_);
    const bool sounding = state_ == ChannelState::Playing && !ending_ && volume_.At(now) > 0;
    state_ = ChannelState::Stopped;
    ending_ = false;
    queued_ = false;
    return sounding;
}

DWORD Channel::Active() const {
    std::lock_guard lock(mutex_);
    switch (state_) {
        case ChannelState::Playing:
            return stalled_ ? BASS_ACTIVE_STALLED : BASS_ACTIVE_PLAYING;
        case ChannelState::Paused:
            return BASS_ACTIVE_PAUSED;
        default:
            return BASS_ACTIVE_STOPPED;
    }
}

std::int64_t Channel::Length() const {
    return length_.load();
}

bool Channel::SetPosition(std::int64_t frame, std::uint64_t now) {
    if (!Prepare() && frame != 0) return false;
    std::lock_guard lock(sourceMutex_);
    std::int64_t length = source_->LengthFrames();
    if (frame < 0 || (length >= 0 && frame > length)) return false;
    if (!prepareFailed_ && !source_->Seek(frame)) return false;
    std::lock_guard l(mutex_);
    ClearFifo();
    consumed_ = frame;
    played_ = static_cast<double>(frame);
    sourceEnded_ = prepareFailed_;
    ended_ = false;
    ending_ = false;
    if (resampler_) src_reset(resampler_);
    marks_.clear();
    marks_.push_back({now, frame, 0.0, {-1.0f, -1.0f}});
    return true;
}

std::int64_t Channel::Position(std::uint64_t heard) const {
    std::lock_guard lock(mutex_);
    // Paused: everything mixed of it is heard and nothing more, so it already
    // is where the device will leave it (the pause drops the mix ahead first).
    if (state_ == ChannelState::Paused) return static_cast<std::int64_t>(played_);
    return PositionAt(heard);
}

std::int64_t Channel::PositionAt(std::uint64_t heard) const {
    auto played = static_cast<std::int64_t>(played_);
    if (marks_.empty()) return played;
    const Mark* m = &marks_.front();
    if (heard <= m->out) return m->src;
    for (std::size_t i = 1; i < marks_.size() && marks_[i].out <= heard; ++i) m = &marks_[i];
    auto pos = m->src + static_cast<std::int64_t>(static_cast<double>(heard - m->out) * m->perFrame);
    return std::min(pos, played);
}

void Channel::ClearFifo() {
    fifo_.Clear();
    retained_ = 0;
}

float Channel::FrequencyAt(std::uint64_t t) const {
    return freq_.At(t);
}

bool Channel::SetAttribute(DWORD attrib, float value, std::uint64_t now) {
    if (!std::isfinite(value)) return false;
    std::lock_guard lock(mutex_);
    switch (attrib) {
        case BASS_ATTRIB_VOL:
            volume_.Set(std::clamp(value, 0.0f, 10.0f));
            volumeStopAtEnd_ = false;
            return true;
        case BASS_ATTRIB_PAN:
            pan_.Set(std::clamp(value, -1.0f, 1.0f));
            return true;
        case BASS_ATTRIB_FREQ: {
            float f = value == 0 ? static_cast<float>(format.rate) : value;
            float lo = std::max(100.0f, outRate / 250.0f), hi = outRate * 16.0f;
            freq_.Set(std::clamp(f, lo, hi));
            return true;
        }
        default:
            return false;
    }
}

bool Channel::GetAttribute(DWORD attrib, float& value, std::uint64_t now) const {
    std::lock_guard lock(mutex_);
    switch (attrib) {
        case BASS_ATTRIB_VOL:
            value = volume_.At(now);
            return true;
        case BASS_ATTRIB_PAN:
            value = pan_.At(now);
            return true;
        case BASS_ATTRIB_FREQ:
            value = freq_.At(now);
            return true;
        default:
            return false;
    }
}

bool Channel::SlideAttribute(DWORD attrib, float value, DWORD ms, std::uint64_t now) {
    if (!std::isfinite(value)) return false;
    std::uint64_t frames = static_cast<std::uint64_t>(ms) * outRate / 1000;
    std::lock_guard lock(mutex_);
    switch (attrib & ~BASS_SLIDE_LOG) {
        case BASS_ATTRIB_VOL:
            // Sliding to -1 fades out and then stops the channel.
            volumeStopAtEnd_ = value < 0;
            volume_.SlideTo(std::clamp(value, 0.0f, 10.0f), now, frames);
            return true;
        case BASS_ATTRIB_PAN:
            pan_.SlideTo(std::clamp(value, -1.0f, 1.0f), now, frames);
            return true;
        case BASS_ATTRIB_FREQ: {
            float f = value == 0 ? static_cast<float>(format.rate) : value;
            float lo = std::max(100.0f, outRate / 250.0f), hi = outRate * 16.0f;
            freq_.SlideTo(std::clamp(f, lo, hi), now, frames);
            return true;
        }
        default:
            return false;
    }
}

bool Channel::IsSliding(DWORD attrib, std::uint64_t now) const {
    std::lock_guard lock(mutex_);
    auto live = [now](const SlidingValue& v) { return v.sliding && now < v.end; };
    switch (attrib) {
        case 0:
            return live(volume_) || live(pan_) || live(freq_);
        case BASS_ATTRIB_VOL:
            return live(volume_);
        case BASS_ATTRIB_PAN:
            return live(pan_);
        case BASS_ATTRIB_FREQ:
            return live(freq_);
        default:
            return false;
    }
}

HFX Channel::AddEffect(HFX fxHandle, DWORD type, int priority) {
    auto effect = CreateEffect(type, outRate);
    if (!effect) return 0;
    std::lock_guard lock(mutex_);
    FxSlot slot{fxHandle, type, priority, std::move(effect), 0, false};
    // On a channel that has not sounded yet there is nothing to fade from: the
    // effect acts from the first frame on.
    if (state_ == ChannelState::Stopped && mixedUntil_ == 0) slot.fade = kFxFade;
    // Higher priority runs first; equal priorities keep the order they were added in.
    auto at = std::find_if(effects_.begin(), effects_.end(),
                           [&](const FxSlot& s) { return s.priority < priority; });
    effects_.insert(at, std::move(slot));
    return fxHandle;
}

bool Channel::RemoveEffect(HFX fxHandle) {
    std::lock_guard lock(mutex_);
    for (auto& s : effects_) {
        if (s.handle == fxHandle && !s.removing) {
            s.removing = true;
            break;
        }
    }
    // A channel that is not playing has nothing to fade out.
    if (state_ != ChannelState::Playing) {
        auto it = std::find_if(effects_.begin(), effects_.end(),
                               [&](const FxSlot& s) { return s.handle == fxHandle; });
        if (it == effects_.end()) return false;
        effects_.erase(it);
        return true;
    }
    return std::any_of(effects_.begin(), effects_.end(),
                       [&](const FxSlot& s) { return s.handle == fxHandle; });
}

bool Channel::EffectParameters(HFX fxHandle, const void* in, void* out) {
    std::lock_guard lock(mutex_);
    for (auto& s : effects_) {
        if (s.handle == fxHandle && !s.removing)
            return in ? s.effect->SetParameters(in) : s.effect->GetParameters(out);
    }
    return false;
}

bool Channel::ResetEffect(HFX fxHandle) {
    std::lock_guard lock(mutex_);
    for (auto& s : effects_) {
        if (s.handle == fxHandle && !s.removing) {
            s.effect->Reset();
            return true;
        }
    }
    return false;
}

void Channel::AddSync(const Sync& sync) {
    std::lock_guard lock(mutex_);
    syncs_.push_back(sync);
}

bool Channel::RemoveSync(HSYNC sync) {
    std::lock_guard lock(mutex_);
    auto it = std::find_if(syncs_.begin(), syncs_.end(), [&](const Sync& s) { return s.handle == sync; });
    if (it == syncs_.end()) return false;
    syncs_.erase(it);
    return true;
}

std::vector<Sync> Channel::SyncsOfType(DWORD type) const {
    std::lock_guard lock(mutex_);
    std::vector<Sync> out;
    for (const auto& s : syncs_)
        if ((s.type & 0xFFFFFF) == type) out.push_back(s);
    return out;
}

const char* Channel::Tags(DWORD type) {
    std::lock_guard lock(sourceMutex_);
    return source_->Tags(type);
}

std::int64_t Channel::FilePosition(DWORD mode) const {
    std::lock_guard lock(sourceMutex_);
    return source_->FilePosition(mode);
}

std::size_t Channel::ReadDecoded(float* out, std::size_t frames) {
    if (!Prepare()) return 0;
    std::lock_guard lock(sourceMutex_);
    std::size_t done = 0;
    while (done < frames) {
        std::size_t n = source_->Read(out + done * 2, frames - done);
        if (n == 0) break;
        done += n;
    }
    std::lock_guard l(mutex_);
    consumed_ += static_cast<std::int64_t>(done);
    played_ += static_cast<double>(done);
    marks_.clear();
    if (done < frames && !source_->Starved()) {
        sourceEnded_ = ended_ = true;
        state_ = ChannelState::Stopped;
    }
    return done;
}

}  // namespace sonvaro::audio
