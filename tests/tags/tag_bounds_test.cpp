// Hostile tags: compressed ID3v2 frames that inflate without end, and fields
// too long to keep. Reading must stay bounded and keep what is sound.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "core/text.h"
#include "support/id3_builder.h"
#include "support/tag_fixtures.h"
#include "support/test_support.h"
#include "tags/id3_frame_check.h"
#include "tags/track_info_reader.h"

namespace sonvaro {
namespace {

using namespace std::string_literals;

const auto* const kEngine = ::testing::AddGlobalTestEnvironment(new test::EngineEnvironment);

// A line of /proc/self/status in KiB.
long StatusKiB(const std::string& key) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(key + ":", 0) == 0) return std::stol(line.substr(key.size() + 1));
    return -1;
}

// How far the peak resident size rose above the size before `run`, in MiB.
template <typename Run>
long PeakGrowthMiB(Run run) {
    std::ofstream("/proc/self/clear_refs") << "5";  // the peak starts again from here
    const long before = StatusKiB("VmRSS");
    run();
    return (StatusKiB("VmHWM") - before) / 1024;
}

std::string Mp3With(const std::string& tag, test::TempDir& dir, const std::string& name) {
    const std::string audio = test::ReadFile(test::TagFixture("untagged.mp3"));
    test::WriteFile(dir / name, tag + audio);
    return dir / name;
}

// 100 MiB of spaces in about 100 KB: TagLib would inflate all of it (and more
// as text) for a title nobody can use.
const std::string& TitleBomb() {
    static const std::string bomb = test::DeflatedRun("\0"s, ' ', std::size_t{100} << 20);
    return bomb;
}

TEST(TagBounds, CompressedFrameBombIsLeftOutAndTheOtherFramesAreRead) {
    for (int version : {3, 4}) {
        test::TempDir dir;
        const std::string small = "\0Klein gepackt"s;
        const std::string frames = test::Id3Frame(version, "TIT2", TitleBomb(), (100u << 20) + 1) +
                                   test::Id3Frame(version, "TPE1", test::Id3Text(version, "Band")) +
                                   test::Id3Frame(version, "TALB", test::DeflatedRun(small, ' ', 0),
                                                  static_cast<uint32_t>(small.size()));
        const std::string path = Mp3With(test::Id3Tag(version, frames), dir, "bombe.mp3");
        TagReader reader;
        TrackInfo info;
        info.path = path;
        int result = 0;
        std::size_t dropped = 0;
        const long growth = PeakGrowthMiB([&] { result = reader.ReadTrackInfo(info, &dropped); });
        EXPECT_LT(growth, 48) << "ID3v2." << version;
        EXPECT_EQ(result, kReadFile);
        EXPECT_EQ(info.title, "bombe") << "the bomb's title is left out; the file name stands in";
        EXPECT_EQ(info.artist, "Band");
        EXPECT_EQ(info.album, "Klein gepackt") << "a small compressed frame is still read";
        EXPECT_EQ(info.sampleRate, 44100.0f);
        EXPECT_GT(dropped, 0u);
    }
}

TEST(TagBounds, FrameChecksFollowTagLibsWalk) {
    const Id3Limits tight{1000, 1500, 4};
    const std::string bomb = test::DeflatedRun("\0"s, 'x', 5000);
    const std::string fits = test::DeflatedRun("\0"s, 'y', 900);
    auto check = [&](int version, const std::string& frames, char flags = 0) {
        const std::string tag = test::Id3Tag(version, frames, 16, flags);
        TagLib::ByteVector header(tag.data(), 10),
            body(tag.data() + 10, static_cast<unsigned>(tag.size() - 10));
        const std::size_t dropped = DropOversizedId3Frames(header, body, tight);
        EXPECT_EQ(body.size(), tag.size() - 10) << "the length stays";
        return std::make_pair(dropped, std::string(body.data(), body.size()));
    };
    const std::string plain = test::Id3Frame(3, "TPE1", "\0Band"s);
    const std::string over = test::Id3Frame(3, "TIT2", bomb, 5001);
    const std::string within = test::Id3Frame(3, "TALB", fits, 901);

    auto [dropped, body] = check(3, over + plain + within);
    EXPECT_EQ(dropped, 1u);
    EXPECT_EQ(body, plain + within + std::string(over.size() + 16, '\0')) << "later frames move up";

    // The total bound: the second frame that fits alone no longer fits.
    std::tie(dropped, body) = check(3, within + plain + within);
    EXPECT_EQ(body, within + plain + std::string(within.size() + 16, '\0'));

    // A stream that runs past its frame, or never ends, is left out as well.
    const std::string cut = test::Id3Frame(3, "TALB", fits.substr(0, fits.size() / 2), 901);
    std::tie(dropped, body) = check(3, cut + plain);
    EXPECT_EQ(body, plain + std::string(cut.size() + 16, '\0'));

    // More frames than the count: the rest goes.
    std::tie(dropped, body) = check(3, plain + plain + plain + plain + plain + plain);
    EXPECT_EQ(body, plain + plain + plain + plain + std::string(2 * plain.size() + 16, '\0'));

    // A whole-tag unsynchronised ID3v2.3 tag with a bomb becomes padding.
    std::tie(dropped, body) = check(3, plain + over, '\x80');
    EXPECT_EQ(dropped, 1u);
    EXPECT_EQ(body, std::string(plain.size() + over.size() + 16, '\0'));

    // ID3v2.4: sizes are synchsafe, the data length comes first.
    const std::string over4 = test::Id3Frame(4, "TIT2", bomb, 5001);
    const std::string plain4 = test::Id3Frame(4, "TPE1", "\3Band"s);
    std::tie(dropped, body) = check(4, plain4 + over4 + plain4);
    EXPECT_EQ(body, plain4 + plain4 + std::string(over4.size() + 16, '\0'));

    // Sound tags stay as they are.
    std::tie(dropped, body) = check(3, plain + within);
    EXPECT_EQ(dropped, 0u);
    EXPECT_EQ(body, plain + within + std::string(16, '\0'));
}

TEST(TagBounds, LongFieldsAreCutAtACharacterBoundary) {
    test::TempDir dir;
    std::string title = "x";
    while (title.size() < 100 * 1024) title += "\xC3\xA4";  // ä: byte 4096 is inside one
    const std::string path =
        Mp3With(test::Id3Tag(4, test::Id3Frame(4, "TIT2", test::Id3Text(4, title)) +
                                    test::Id3Frame(4, "TPE1", test::Id3Text(4, std::string(9000, 'a')))),
                dir, "lang.mp3");
    TagReader reader;
    TrackInfo info;
    info.path = path;
    ASSERT_EQ(reader.ReadTrackInfo(info), kReadFile);
    EXPECT_EQ(info.title, title.substr(0, 4095));
    EXPECT_EQ(info.artist, std::string(4096, 'a'));
}

}  // namespace
}  // namespace sonvaro
