#include "tags/track_info_reader.h"

#include <gtest/gtest.h>

#include "support/tag_fixtures.h"
#include "support/test_support.h"
#include "tags/genre_names.h"

namespace sonvaro {
namespace {

const auto* const kEngine = ::testing::AddGlobalTestEnvironment(new test::EngineEnvironment);

TrackInfo Read(const std::string& path, int* result = nullptr) {
    TagReader reader;
    TrackInfo info;
    info.path = path;
    const int r = reader.ReadTrackInfo(info);
    if (result) *result = r;
    return info;
}

TEST(ReadTrackInfo, TaggedMp3GivesTagsAndTagLibProperties) {
    int result = 0;
    const TrackInfo info = Read(test::TagFixture("tagged.mp3"), &result);
    EXPECT_EQ(result, kReadFile);
    EXPECT_EQ(info.title, "Grüß Gott");
    EXPECT_EQ(info.artist, "Band");
    EXPECT_EQ(info.album, "Album");
    EXPECT_EQ(info.year, 2004);
    EXPECT_EQ(info.trackNumber, 3);
    EXPECT_EQ(info.genre, "Rock");
    EXPECT_EQ(info.comment, "a b");  // cleaned like a data-file field
    EXPECT_EQ(info.channelType, 0x10005);
    EXPECT_EQ(info.sampleRate, 44100.0f);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.length, 3);
    EXPECT_NEAR(info.bitrate, 192, 8);
}

TEST(ReadTrackInfo, UntaggedOrMisnamedFiles) {
    const TrackInfo untagged = Read(test::TagFixture("untagged.mp3"));
    EXPECT_EQ(untagged.title, "untagged");
    EXPECT_EQ(untagged.trackNumber, 0);  // TagLib's answer, not the -1 default
    EXPECT_EQ(untagged.year, 0);

    test::TempDir dir;
    const TrackInfo misnamed = Read(test::CopyOf(test::TagFixture("tagged.mp3"), dir / "song.dat"));
    EXPECT_EQ(misnamed.title, "Grüß Gott");
    EXPECT_EQ(misnamed.channelType, 0x10005);
}

// MPEG, Ogg and FLAC are told by content and read by TagLib in the same open;
// the type, tags and lengths must be what the engine would report.
TEST(ReadTrackInfo, CommonFormatsByContentWhateverTheirName) {
    test::TempDir dir;
    for (const std::string& path :
         {test::TagFixture("tagged.ogg"), test::CopyOf(test::TagFixture("tagged.ogg"), dir / "vorbis.mp3")}) {
        const TrackInfo ogg = Read(path);
        EXPECT_EQ(ogg.channelType, 0x10002) << path;
        EXPECT_EQ(ogg.title, "Öl") << path;
        EXPECT_EQ(ogg.artist, "Ögg") << path;
        EXPECT_EQ(ogg.trackNumber, 7) << path;
        EXPECT_EQ(ogg.length, 3) << path;
        EXPECT_EQ(ogg.sampleRate, 44100.0f) << path;
        EXPECT_EQ(ogg.channels, 2) << path;
    }
    for (const std::string& path :
         {test::TagFixture("tagged.flac"), test::CopyOf(test::TagFixture("tagged.flac"), dir / "flac.ogg")}) {
        const TrackInfo flac = Read(path);
        EXPECT_EQ(flac.channelType, 0x10900) << path;
        EXPECT_EQ(flac.title, "Flac") << path;
        EXPECT_EQ(flac.artist, "Fla") << path;
        EXPECT_EQ(flac.length, 3) << path;
        EXPECT_EQ(flac.bitrate > 0, true) << path;
    }
    int result = 0;
    const TrackInfo mp2 = Read(test::CopyOf(test::TagFixture("plain.mp2"), dir / "layer2.mp3"), &result);
    EXPECT_EQ(result, kReadFile);
    EXPECT_EQ(mp2.channelType, 0x10004);
    EXPECT_EQ(mp2.title, "layer2");
    EXPECT_EQ(mp2.length, 3);

    // Random bytes named like an MP3 are neither read by TagLib nor by the engine.
    std::string noise(20000, '\0');
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>((i * 7919 + 13) % 251);
    test::WriteFile(dir / "noise.mp3", noise);
    EXPECT_EQ(Read(dir / "noise.mp3", &result).title, "");
    EXPECT_EQ(result, kReadNothing);
}

TEST(ReadTrackInfo, EngineTagListsForWmaAndMp4) {
    const TrackInfo wma = Read(test::TagFixture("tagged.wma"));
    EXPECT_EQ(wma.channelType, 0x10300);
    EXPECT_EQ(wma.title, "W Title");
    EXPECT_EQ(wma.artist, "Autor");
    EXPECT_EQ(wma.year, 2001);
    EXPECT_GT(wma.bitrate, 0);
    const TrackInfo mp4 = Read(test::TagFixture("tagged.m4a"));
    EXPECT_EQ(mp4.channelType, 0x10B01);
    EXPECT_EQ(mp4.title, "M4 Title");
    EXPECT_EQ(mp4.trackNumber, 5);
    EXPECT_EQ(mp4.year, 1999);
    EXPECT_EQ(mp4.bitrate, 0);  // MP4 lists carry no bit rate
}

TEST(ReadTrackInfo, ResultCodesAndDefaults) {
    int result = -1;
    TrackInfo blank;
    blank.path = "   ";
    blank.title = "keep";
    TagReader reader;
    EXPECT_EQ(reader.ReadTrackInfo(blank), kReadNothing);
    EXPECT_EQ(blank.title, "keep");  // untouched

    const TrackInfo stream = Read("HTTP://radio.example/live", &result);
    EXPECT_EQ(result, kReadStream);
    EXPECT_EQ(stream.trackNumber, -1);
    EXPECT_EQ(stream.title, "");

    test::TempDir dir;
    test::WriteFile(dir / "empty.mp3", "");
    const TrackInfo empty = Read(dir / "empty.mp3", &result);
    EXPECT_EQ(result, kReadNothing);
    EXPECT_EQ(empty.trackNumber, -1);

    // A tag with no audio: TagLib could read it, the engine cannot open it.
    test::WriteFile(dir / "tagonly.mp3", std::string("TAG") + std::string(125, 'x'));
    EXPECT_EQ(Read(dir / "tagonly.mp3", &result).title, "");
    EXPECT_EQ(result, kReadNothing);
    EXPECT_EQ(Read(dir / "missing.mp3", &result).title, "");
    EXPECT_EQ(result, kReadNothing);
}

TEST(TitleFromFileName, DropsFolderAndLastExtension) {
    EXPECT_EQ(TitleFromFileName("/music/a.b/track"), "track");
    EXPECT_EQ(TitleFromFileName("/music/x.tar.gz"), "x.tar");
    EXPECT_EQ(TitleFromFileName("C:\\Musik\\Lied.mp3"), "Lied");
    EXPECT_EQ(TitleFromFileName(".hidden"), "");
}

TEST(EngineTagList, WmaCollectsAuthorsAndParsesNumbers) {
    const char list[] =
        "Title=First\0Author=A\0WM/AlbumTitle=Alb\0Author=B\0WM/Year=2001-05-01\0"
        "WM/TrackNumber=7\0Bitrate=128999\0Title=Second|cut\0\0";
    TrackInfo info;
    ParseEngineTagList(list, EngineTagList::WMA, info);
    EXPECT_EQ(info.title, "Second");  // a later item wins; "|" ends a value
    EXPECT_EQ(info.artist, "A; B");
    EXPECT_EQ(info.album, "Alb");
    EXPECT_EQ(info.year, 2001);
    EXPECT_EQ(info.trackNumber, 7);
    EXPECT_EQ(info.bitrate, 128);
}

TEST(EngineTagList, Mp4KeysAnyCase) {
    const char list[] = "TITLE=T\0artist=A1\0Artist=A2\0track=3/12\0date=1999\0comment=c\0genre=g\0\0";
    TrackInfo info;
    ParseEngineTagList(list, EngineTagList::MP4, info);
    EXPECT_EQ(info.title, "T");
    EXPECT_EQ(info.artist, "A2");
    EXPECT_EQ(info.trackNumber, 3);
    EXPECT_EQ(info.year, 1999);
    EXPECT_EQ(info.comment, "c");
    EXPECT_EQ(info.genre, "g");
    ParseEngineTagList(nullptr, EngineTagList::MP4, info);  // no list: nothing changes
    EXPECT_EQ(info.title, "T");
}

TEST(ReadTrackInfo, NumbersBeyondTheirFieldAreClamped) {
    test::TempDir dir;
    const std::string mp3 = dir / "big.mp3";
    const std::string wav = test::TagFixture("tone.wav");
    ASSERT_EQ(std::system(("lame --quiet -b 128 --tn 70000 '" + wav + "' '" + mp3 + "'").c_str()), 0);
    const TrackInfo info = Read(mp3);
    EXPECT_EQ(info.trackNumber, 32767);  // not 70000 - 65536 = 4464

    const char list[] = "WM/TrackNumber=70000\0WM/Year=-99999\0Bitrate=99999999\0\0";
    TrackInfo wma;
    ParseEngineTagList(list, EngineTagList::WMA, wma);
    EXPECT_EQ(wma.trackNumber, 32767);
    EXPECT_EQ(wma.year, -32768);
    EXPECT_EQ(wma.bitrate, 32767);
}

TEST(GenreNames, HaveTheProgramsSpellings) {
    const auto& names = GenreNames();
    ASSERT_EQ(names.size(), 148u);  // 147 is the last
    EXPECT_EQ(names[0], "Blues");
    EXPECT_EQ(names[17], "Rock");
    EXPECT_EQ(names[62], "PopFunk");
    EXPECT_EQ(names[136], "Christian Gangsta");
    EXPECT_EQ(names[146], "JPop");
    EXPECT_EQ(names[147], "SynthPop");
    EXPECT_EQ(names[79], "Hard Rock");
}

}  // namespace
}  // namespace sonvaro
