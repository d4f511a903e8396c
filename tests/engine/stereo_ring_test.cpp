// The ring behind a channel's decode-ahead buffer and a stream's decoded
// audio: frames come out in the order they went in, across the wrap, and a
// read can be taken back while nothing was written over it.
#include "engine/stereo_ring.h"

#include <gtest/gtest.h>

#include <vector>

namespace sonvaro::audio {
namespace {

// n stereo frames whose left and right sides hold first, first + 1, ...
std::vector<float> Frames(float first, std::size_t n) {
    std::vector<float> out(n * 2);
    for (std::size_t i = 0; i < n; ++i) out[2 * i] = out[2 * i + 1] = first + static_cast<float>(i);
    return out;
}

TEST(StereoRing, KeepsTheOrderAcrossTheWrapAndRefusesWhatDoesNotFit) {
    StereoRing ring;
    ring.Allocate(8);
    EXPECT_EQ(ring.Write(Frames(0, 6).data(), 6), 6u);
    std::vector<float> out(10 * 2);
    EXPECT_EQ(ring.Read(out.data(), 5), 5u);
    EXPECT_EQ(ring.Write(Frames(6, 10).data(), 10), 7u);  // room for 7: 1 unread + 7 = 8
    EXPECT_EQ(ring.Count(), 8u);
    EXPECT_EQ(ring.Read(out.data(), 10), 8u);
    EXPECT_EQ(out, (std::vector<float>{5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 0, 0, 0, 0}));
}

TEST(StereoRing, ContiguousStopsAtTheWrapAndUnreadGivesBackWhatWasRead) {
    StereoRing ring;
    ring.Allocate(8);
    ring.Write(Frames(0, 6).data(), 6);
    ring.Consume(5);
    ring.Write(Frames(6, 4).data(), 4);  // frames 6 and 7 at the end, 8 and 9 at the start
    std::size_t run = 0;
    const float* at = ring.Contiguous(run);
    EXPECT_EQ(run, 3u);  // 5, 6, 7 up to the wrap
    EXPECT_EQ(at[0], 5.0f);
    ring.Consume(4);  // to frame 9
    ring.Unread(3);   // frames 6, 7, 8 again
    std::vector<float> out(4 * 2);
    EXPECT_EQ(ring.Read(out.data(), 4), 4u);
    EXPECT_EQ(out, (std::vector<float>{6, 6, 7, 7, 8, 8, 9, 9}));
    ring.Unread(100);  // never more than the ring holds besides the unread frames
    EXPECT_EQ(ring.Count(), 8u);
}

}  // namespace
}  // namespace sonvaro::audio
