// Stereo float frames in a ring, for an owner that does its own locking: a
// channel's decode-ahead buffer and a network stream's decoded audio. (The
// output's FrameRing is the lock-free one between the mixer and a device.)
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

namespace sonvaro::audio {

class StereoRing {
  public:
    // Room for `frames`, emptied.
    void Allocate(std::size_t frames) {
        data_.assign(frames * 2, 0.0f);
        read_ = count_ = 0;
    }
    bool Allocated() const { return !data_.empty(); }
    std::size_t Capacity() const { return data_.size() / 2; }
    std::size_t Count() const { return count_; }  // unread frames
    std::size_t Free() const { return Capacity() - count_; }
    void Clear() { read_ = count_ = 0; }

    // Appends up to Free() frames; returns how many.
    std::size_t Write(const float* frames, std::size_t n) {
        n = std::min(n, Free());
        for (std::size_t done = 0; done < n;) {
            const std::size_t at = (read_ + count_) % Capacity();
            const std::size_t run = std::min(n - done, Capacity() - at);
            std::memcpy(data_.data() + at * 2, frames + done * 2, run * 2 * sizeof(float));
            count_ += run;
            done += run;
        }
        return n;
    }
    // Where the next frames go, up to where the ring wraps. A single writer may
    // fill it without the owner's lock (reads and Unread within Free() never
    // reach it, and neither moves it), then Commit what it wrote under it.
    float* WriteRun(std::size_t& frames) {
        const std::size_t at = (read_ + count_) % Capacity();
        frames = std::min(Free(), Capacity() - at);
        return data_.data() + at * 2;
    }
    void Commit(std::size_t n) { count_ += std::min(n, Free()); }
    // Takes up to `n` frames from the read end; returns how many.
    std::size_t Read(float* out, std::size_t n) {
        n = std::min(n, count_);
        for (std::size_t done = 0; done < n;) {
            const std::size_t run = std::min(n - done, Capacity() - read_);
            std::memcpy(out + done * 2, data_.data() + read_ * 2, run * 2 * sizeof(float));
            Consume(run);
            done += run;
        }
        return n;
    }
    // The unread frames from the read end up to where the ring wraps, for a
    // reader that works in place and then consumes what it used.
    const float* Contiguous(std::size_t& frames) const {
        frames = std::min(count_, Capacity() - read_);
        return data_.data() + read_ * 2;
    }
    void Consume(std::size_t n) {
        n = std::min(n, count_);
        read_ = (read_ + n) % Capacity();
        count_ -= n;
    }
    // Moves the read end back over `n` frames read before; they are there
    // still as long as nothing was written over them (at most Free()).
    void Unread(std::size_t n) {
        n = std::min(n, Free());
        read_ = (read_ + Capacity() - n) % Capacity();
        count_ += n;
    }

  private:
    std::vector<float> data_;
    std::size_t read_ = 0, count_ = 0;
};

}  // namespace sonvaro::audio
