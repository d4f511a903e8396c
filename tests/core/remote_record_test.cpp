#include "core/remote_record.h"

#include <gtest/gtest.h>

#include <vector>

namespace sonvaro {
namespace {

std::vector<Frame> FeedAll(FrameReader& reader, const std::string& bytes, bool* usable = nullptr) {
    std::vector<Frame> frames;
    const bool ok = reader.Feed(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                                [&](Frame&& f) { frames.push_back(std::move(f)); });
    if (usable) *usable = ok;
    return frames;
}

TEST(RemoteRecord, LayoutIsLittleEndianWithZeroFilledTexts) {
    const auto bytes = EncodeRecord({11, -5, 0x01020304, "ab", "c"});
    ASSERT_EQ(bytes.size(), 612u);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 15),
              (std::vector<uint8_t>{11, 0, 0, 0, 0xFB, 0xFF, 0xFF, 0xFF, 4, 3, 2, 1, 'a', 'b', 0}));
    EXPECT_EQ(bytes[512], 'c');
    for (size_t i = 14; i < 512; ++i) ASSERT_EQ(bytes[i], 0) << i;
    for (size_t i = 513; i < 612; ++i) ASSERT_EQ(bytes[i], 0) << i;
    EXPECT_EQ(DecodeRecord(bytes.data()), (RemoteRecord{11, -5, 0x01020304, "ab", "c"}));
}

TEST(RemoteRecord, TextsAreCutToTheirFields) {
    const RemoteRecord sent{6, 0, 0, std::string(600, 'x'), std::string(150, 'y')};
    const RemoteRecord got = DecodeRecord(EncodeRecord(sent).data());
    EXPECT_EQ(got.text1, std::string(500, 'x'));
    EXPECT_EQ(got.text2, std::string(100, 'y'));
}

TEST(RemoteRecord, TextsWithoutATerminatingZeroAreReadToTheFieldEnd) {
    std::array<uint8_t, 612> bytes;
    bytes.fill('z');
    const RemoteRecord got = DecodeRecord(bytes.data());
    EXPECT_EQ(got.text1, std::string(500, 'z'));  // never runs into text2
    EXPECT_EQ(got.text2, std::string(100, 'z'));
    bytes[12 + 3] = 0;
    EXPECT_EQ(DecodeRecord(bytes.data()).text1, "zzz");
}

TEST(RemoteFrames, ACommandSplitAnywhereComesOutWhole) {
    const std::string bytes = EncodeCommand({7, 1, 2, "eins", "zwei"}) + EncodeCommand({9, 0, 0, "", ""});
    ASSERT_EQ(bytes.size(), 2u * 620);
    for (size_t cut : {1u, 7u, 8u, 9u, 619u, 620u, 621u}) {
        FrameReader reader(64 * 1024);
        auto frames = FeedAll(reader, bytes.substr(0, cut));
        EXPECT_FALSE(reader.Idle() && cut % 620 != 0) << cut;
        auto rest = FeedAll(reader, bytes.substr(cut));
        frames.insert(frames.end(), rest.begin(), rest.end());
        ASSERT_EQ(frames.size(), 2u) << cut;
        RemoteRecord a, b;
        ASSERT_TRUE(CommandFromFrame(frames[0], a));
        ASSERT_TRUE(CommandFromFrame(frames[1], b));
        EXPECT_EQ(a, (RemoteRecord{7, 1, 2, "eins", "zwei"}));
        EXPECT_EQ(b.code, 9);
        EXPECT_TRUE(reader.Idle());
    }
}

TEST(RemoteFrames, OtherKindsAndSizesAreNoCommands) {
    FrameReader reader(64 * 1024);
    const std::string record(612, '\0');
    const std::string bytes = EncodeFrameHeader(0x466, 611) + record.substr(0, 611) +  // one short
                              EncodeFrameHeader(0x466, 613) + record + "x" +           // one long
                              EncodeFrameHeader(0x467, 612) + record +                 // another kind
                              EncodeFrameHeader(0x466, 0);                             // empty
    const auto frames = FeedAll(reader, bytes);
    ASSERT_EQ(frames.size(), 4u);  // each skipped whole: the stream stays in step
    RemoteRecord r;
    for (const Frame& f : frames) EXPECT_FALSE(CommandFromFrame(f, r));
    EXPECT_TRUE(reader.Idle());
}

TEST(RemoteFrames, AnOversizedFrameMakesTheStreamUnusable) {
    FrameReader reader(64 * 1024);
    bool usable = true;
    EXPECT_TRUE(FeedAll(reader, EncodeFrameHeader(0x466, 0xFFFFFFFF) + "abc", &usable).empty());
    EXPECT_FALSE(usable);
    EXPECT_TRUE(FeedAll(reader, EncodeCommand({5, 0, 0, "", ""}), &usable).empty());
    EXPECT_FALSE(usable);
}

TEST(RemoteFrames, AnswersAndNotificationsReadBack) {
    FrameReader reader(1 << 20);
    const auto frames =
        FeedAll(reader, EncodeAnswer(1) + EncodeNotification(3, "2024") + EncodeNotification(10, ""));
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].kind, 0x466u);
    EXPECT_EQ(frames[0].payload, std::string("\x01\0\0\0", 4));
    EXPECT_EQ(frames[1].kind, 3u);
    EXPECT_EQ(frames[1].payload, std::string("2024\0", 5));
    EXPECT_EQ(NotificationText(frames[1]), "2024");
    EXPECT_EQ(frames[2].payload, std::string(1, '\0'));
    EXPECT_EQ(NotificationText(frames[2]), "");
}

}  // namespace
}  // namespace sonvaro
