// Titles inside Ogg streams: each song of a chained Ogg reports its comments
// at the byte where it starts, whatever the network's pieces; no byte is
// changed, lost or held without bound.
#include "engine/net/ogg_titles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/fixtures.h"
#include "support/loopback_server.h"

namespace {

using sonvaro::audio::OggTitles;
using Meta = OggTitles::Meta;

std::string Le32(std::uint32_t v) {
    return {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24)};
}

// One page holding one packet (ending on it unless `open`); no CRC, the watcher reads none.
std::string Page(char flags, std::uint32_t serial, const std::string& packet, bool open = false) {
    std::string lacing(packet.size() / 255, '\xFF');
    if (!open) lacing += static_cast<char>(packet.size() % 255);
    std::string page =
        std::string("OggS") + '\0' + flags + std::string(8, '\0') + Le32(serial) + Le32(0) + Le32(0);
    return page + static_cast<char>(lacing.size()) + lacing + packet;
}

std::string Comments(const std::string& prefix, const std::vector<std::string>& fields) {
    std::string p = prefix + Le32(6) + "vendor" + Le32(static_cast<std::uint32_t>(fields.size()));
    for (const std::string& f : fields) p += Le32(static_cast<std::uint32_t>(f.size())) + f;
    return p;
}

const std::string kVorbisId = std::string("\x01vorbis") + std::string(23, '\0');

struct Result {
    std::string out;
    std::vector<Meta> metas;
};

Result FeedInPieces(const std::string& bytes, std::size_t piece) {
    OggTitles ogg;
    Result r;
    for (std::size_t at = 0; at < bytes.size(); at += piece)
        ogg.Feed(bytes.data() + at, std::min(piece, bytes.size() - at), r.out, r.metas);
    ogg.Flush(r.out, r.metas);
    return r;
}

TEST(OggTitlesTest, ChainedStreamGivesEachTitleWhereItsSongStarts) {
    const std::string one = support::ReadWholeFile(fixtures::Path("song_one.ogg"));
    const std::string two = support::ReadWholeFile(fixtures::Path("song_two.ogg"));
    ASSERT_GT(one.size(), 4000u);
    const std::string chain = one + two;
    for (std::size_t piece : {1u, 27u, 4096u, 1000000u}) {
        const Result r = FeedInPieces(chain, piece);
        EXPECT_TRUE(r.out == chain) << piece;
        ASSERT_EQ(r.metas.size(), 2u) << piece;
        EXPECT_EQ(r.metas[0].at, 0u);
        EXPECT_EQ(r.metas[0].text, "StreamTitle='Band A - Song One';");
        EXPECT_EQ(r.metas[1].at, one.size()) << piece;
        EXPECT_EQ(r.metas[1].text, "StreamTitle='Band B - Song Two';");
    }
}

TEST(OggTitlesTest, OpusTagsGiveTheTitleToo) {
    const Result r = FeedInPieces(support::ReadWholeFile(fixtures::Path("song_one.opus")), 500);
    ASSERT_EQ(r.metas.size(), 1u);
    EXPECT_EQ(r.metas[0].text, "StreamTitle='Band A - Song One';");
}

TEST(OggTitlesTest, IcyTextsKeepTheirPlaceAmongHeldBytes) {
    const std::string first =
        Page(2, 1, kVorbisId) + Page(0, 1, Comments("\x03vorbis", {"TITLE=A"}) + '\x01');
    const std::string second =
        Page(2, 2, kVorbisId) + Page(0, 2, Comments("\x03vorbis", {"TITLE=B"}) + '\x01');
    OggTitles ogg;
    std::string out;
    std::vector<Meta> metas;
    ogg.Feed(first.data(), first.size(), out, metas);
    ogg.Feed(second.data(), 40, out, metas);  // inside the next song's first page: held
    EXPECT_EQ(out.size(), first.size());
    ogg.Mark("StreamTitle='Icy';", out, metas);
    ogg.Feed(second.data() + 40, second.size() - 40, out, metas);
    EXPECT_TRUE(out == first + second);
    ASSERT_EQ(metas.size(), 3u);
    EXPECT_EQ(metas[0].at, 0u);
    EXPECT_EQ(metas[0].text, "StreamTitle='A';");
    EXPECT_EQ(metas[1].at, first.size());
    EXPECT_EQ(metas[1].text, "StreamTitle='B';");
    EXPECT_EQ(metas[2].at, first.size() + 40);
    EXPECT_EQ(metas[2].text, "StreamTitle='Icy';");
}

TEST(OggTitlesTest, OtherStreamsPassAtOnce) {
    OggTitles ogg;
    std::string out;
    std::vector<Meta> metas;
    const std::string mp3 = "\xFF\xFB\x90\x64" + std::string(400, 'x') + "OggS";
    ogg.Feed(mp3.data(), mp3.size(), out, metas);
    EXPECT_TRUE(out == mp3);
    ogg.Mark("StreamTitle='x';", out, metas);
    ASSERT_EQ(metas.size(), 1u);
    EXPECT_EQ(metas[0].at, mp3.size());
}

TEST(OggTitlesTest, OnlyStreamsWithKnownCommentsAreTitled) {
    // A skeleton stream first, the Vorbis stream second, in one run of first pages.
    const std::string multiplexed =
        Page(2, 7, std::string("fishead") + '\0' + std::string(56, '\0')) + Page(2, 8, kVorbisId) +
        Page(0, 7, "skeleton") +
        Page(0, 8, Comments("\x03vorbis", {"artist=Low", "ARTIST=Second", "Title=Case"}));
    const std::string unknown = Page(2, 9, "SomeCodec") + Page(0, 9, Comments("\x03vorbis", {"TITLE=No"}));
    const Result r = FeedInPieces(multiplexed + unknown, 3);
    EXPECT_TRUE(r.out == multiplexed + unknown);
    ASSERT_EQ(r.metas.size(), 1u);
    EXPECT_EQ(r.metas[0].text, "StreamTitle='Low - Case';") << "first ARTIST wins, keys in any case";
}

TEST(OggTitlesTest, EndlessCommentPacketIsNotWaitedForWithoutBound) {
    // A comment packet that never ends (a picture larger than the limit, or a hostile
    // server): the title is what its complete comments hold, and the bytes go on.
    std::string stream = Page(2, 1, kVorbisId);
    std::string comment = Comments("\x03vorbis", {"ARTIST=Pic"}) + Le32(1u << 30) + "METADATA_BLOCK_PICTURE=";
    comment.resize(255 * 200, 'p');
    stream += Page(0, 1, comment, true);
    while (stream.size() < OggTitles::kMaxHold + 100000)
        stream += Page(1, 1, std::string(255 * 200, 'p'), true);
    OggTitles ogg;
    std::string out;
    std::vector<Meta> metas;
    ogg.Feed(stream.data(), stream.size(), out, metas);
    EXPECT_EQ(out.size(), stream.size()) << "released without waiting for the end";
    ASSERT_EQ(metas.size(), 1u);
    EXPECT_EQ(metas[0].at, 0u);
    EXPECT_EQ(metas[0].text, "StreamTitle='Pic';");
}

TEST(OggTitlesTest, CommentPacketsOfEachCodecAndBrokenOnes) {
    EXPECT_EQ(OggTitles::TitleOfComments(Comments("OpusTags", {"TITLE=Only Title"})), "Only Title");
    EXPECT_EQ(
        OggTitles::TitleOfComments(Comments(std::string("\x84\0\0\x20", 4), {"ARTIST=Flac", "TITLE=Block"})),
        "Flac - Block");
    EXPECT_EQ(
        OggTitles::TitleOfComments(Comments("\x03vorbis", {"ARTIST=Only Artist", "NOEQUALS", "GENRE=x"})),
        "Only Artist");
    EXPECT_EQ(OggTitles::TitleOfComments(Comments("\x03vorbis", {})), "");
    EXPECT_EQ(OggTitles::TitleOfComments("\x03vorbis" + Le32(0xFFFFFFFF) + "v"), "")
        << "vendor longer than the packet";
    std::string cut = Comments("\x03vorbis", {"ARTIST=Kept", "TITLE=Lost in the cut"});
    cut.resize(cut.size() - 4);
    EXPECT_EQ(OggTitles::TitleOfComments(cut), "Kept");
    EXPECT_EQ(OggTitles::TitleOfComments(Comments("\x05vorbis", {"TITLE=Setup"})), "")
        << "not a comment packet";
    EXPECT_EQ(OggTitles::TitleOfComments(""), "");
}

}  // namespace
