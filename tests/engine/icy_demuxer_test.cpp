// The ICY demuxer gives the same audio and titles however the network cuts
// the bytes, and reads metadata fields the way servers write them.
#include "engine/net/icy_demuxer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/loopback_server.h"

namespace {

using sonvaro::audio::IcyDemuxer;
using sonvaro::audio::IcyField;

TEST(IcyDemuxerTest, PieceSizesDoNotChangeTheResult) {
    std::string audio;
    for (int i = 0; i < 5000; ++i) audio += static_cast<char>(i * 7);
    const std::string framed = support::WithIcyMeta(audio, 1000, [](std::size_t b) {
        return b == 1   ? "StreamTitle='A - B';"
               : b == 3 ? std::string("StreamTitle='C';") + '\0' + "junk"
                        : "";
    });
    for (std::size_t piece : {1u, 7u, 1000u, 1001u, 100000u}) {
        IcyDemuxer demux(1000);
        std::string out;
        std::vector<IcyDemuxer::Meta> metas;
        for (std::size_t at = 0; at < framed.size(); at += piece)
            demux.Feed(framed.data() + at, std::min(piece, framed.size() - at), out, metas);
        EXPECT_EQ(out, audio) << piece;
        ASSERT_EQ(metas.size(), 2u) << piece;
        EXPECT_EQ(metas[0].text, "StreamTitle='A - B';");
        EXPECT_EQ(metas[0].at, 2000u);
        EXPECT_EQ(metas[1].text, "StreamTitle='C';") << "text ends at its first NUL";
        EXPECT_EQ(metas[1].at, 4000u);
    }
}

TEST(IcyDemuxerTest, WithoutIntervalEverythingIsAudio) {
    IcyDemuxer demux;
    std::string out;
    std::vector<IcyDemuxer::Meta> metas;
    demux.Feed("\x01\x02StreamTitle='x';", 17, out, metas);
    EXPECT_EQ(out.size(), 17u);
    EXPECT_TRUE(metas.empty());
}

TEST(IcyDemuxerTest, FieldsOfAMetadataText) {
    const std::string meta = "StreamTitle='It's - Here';StreamUrl='http://x/';";
    EXPECT_EQ(IcyField(meta, "StreamTitle"), "It's - Here");
    EXPECT_EQ(IcyField(meta, "StreamUrl"), "http://x/");
    EXPECT_EQ(IcyField(meta, "Title"), "") << "only whole keys";
    EXPECT_EQ(IcyField("StreamTitle=bare;", "StreamTitle"), "bare");
    EXPECT_EQ(IcyField("StreamTitle='open", "StreamTitle"), "open");
    EXPECT_EQ(IcyField("StreamTitle='Don't Stop'", "StreamTitle"), "Don't Stop")
        << "closing quote at the end";
    EXPECT_EQ(IcyField("streamtitle='x';", "StreamTitle"), "x");
}

TEST(IcyDemuxerTest, AKeyInsideAnotherValueIsNoField) {
    // A station (or whoever feeds it) cannot pass a title off inside another field.
    EXPECT_EQ(IcyField("StreamUrl='http://ad/;StreamTitle=evil';StreamTitle='real';", "StreamTitle"), "real");
    EXPECT_EQ(IcyField("StreamUrl='http://ad/;StreamTitle=evil';StreamTitle='real';", "StreamUrl"),
              "http://ad/;StreamTitle=evil");
    EXPECT_EQ(IcyField("StreamUrl='a;StreamTitle=evil';", "StreamTitle"), "");
    EXPECT_EQ(IcyField("StreamUrl=plain;StreamTitle='Don't Stop';", "StreamTitle"), "Don't Stop");
    EXPECT_EQ(IcyField("junk;StreamTitle='x';", "StreamTitle"), "x") << "a word without value is skipped";
    EXPECT_EQ(IcyField("StreamTitle='a'; StreamUrl='b';", "StreamUrl"), "b") << "space between pairs";
}

}  // namespace
