#include "tags/tag_writer.h"

#include <gtest/gtest.h>

#include "support/tag_fixtures.h"
#include "support/test_support.h"
#include "tags/autotagger.h"
#include "tags/size_text.h"
#include "tags/track_info_reader.h"

namespace sonvaro {
namespace {

TrackInfo ReadBack(TagReader& reader, const std::string& path) {
    TrackInfo info;
    info.path = path;
    reader.ReadTrackInfo(info);
    return info;
}

TagEdits AllFields(const std::string& path) {
    return {path, " Müßig Ärger ", "4", "Ünter", "Älbum", "1987", "Jazz", "Kommentär"};
}

TEST(WriteTags, UmlautsRoundTripInEveryTagKind) {
    test::TempDir dir;
    TagReader reader;
    for (const char* name : {"tagged.mp3", "tagged.ogg", "tagged.flac", "tagged.m4a"}) {
        const std::string path = test::CopyOf(test::TagFixture(name), dir / name);
        ASSERT_TRUE(WriteTags(reader, AllFields(path))) << name;
        const TrackInfo info = ReadBack(reader, path);
        EXPECT_EQ(info.title, "Müßig Ärger") << name;
        EXPECT_EQ(info.artist, "Ünter") << name;
        EXPECT_EQ(info.album, "Älbum") << name;
        EXPECT_EQ(info.year, 1987) << name;
        EXPECT_EQ(info.trackNumber, 4) << name;
        EXPECT_EQ(info.genre, "Jazz") << name;
        if (std::string(name) != "tagged.m4a") {
            EXPECT_EQ(info.comment, "Kommentär") << name;
        }
    }
}

TEST(WriteTags, ClearedTrackWritesZeroAndUnsetFieldsStay) {
    test::TempDir dir;
    TagReader reader;
    const std::string path = test::CopyOf(test::TagFixture("tagged.mp3"), dir / "a.mp3");
    TagEdits edits{path};
    edits.track = "";
    ASSERT_TRUE(WriteTags(reader, edits));
    const TrackInfo info = ReadBack(reader, path);
    EXPECT_EQ(info.trackNumber, 0);
    EXPECT_EQ(info.title, "Grüß Gott");
}

TEST(WriteTags, FindsTheFormatByContent) {
    test::TempDir dir;
    TagReader reader;
    // TagLib alone refuses .mp2 names; the engine knows the file is MPEG audio.
    const std::string mp2 = test::CopyOf(test::TagFixture("plain.mp2"), dir / "zwei.mp2");
    ASSERT_TRUE(WriteTags(reader, AllFields(mp2)));
    const TrackInfo info = ReadBack(reader, mp2);
    EXPECT_EQ(info.channelType, 0x10004);
    EXPECT_EQ(info.title, "Müßig Ärger");
}

TEST(WriteTags, MissingEmptyOrForeignFilesSaveNothing) {
    test::TempDir dir;
    TagReader reader;
    EXPECT_FALSE(WriteTags(reader, AllFields(dir / "missing.mp3")));
    test::WriteFile(dir / "empty.mp3", "");
    EXPECT_FALSE(WriteTags(reader, AllFields(dir / "empty.mp3")));
    test::WriteFile(dir / "text.txt", "just text");
    EXPECT_FALSE(WriteTags(reader, AllFields(dir / "text.txt")));
    EXPECT_EQ(test::ReadFile(dir / "text.txt"), "just text");
}

TEST(SizeText, UsesTheThresholdsAndAPoint) {
    EXPECT_EQ(SizeText(1024, 2, true), "1024 B");
    EXPECT_EQ(SizeText(1536, 2, true), "1.50 KB");
    EXPECT_EQ(SizeText(1048576, 2, true), "1024.00 KB");
    EXPECT_EQ(SizeText(3670016, 2, true), "3.50 MB");
    EXPECT_EQ(SizeText(5368709120LL, 1, true), "5.0 GB");
    EXPECT_EQ(SizeText(1536, 0, false), "2");
    EXPECT_EQ(SizeText(0, 2, true), "0 B");
    EXPECT_EQ(SizeText(-1, 2, true), "");
}

TEST(Autotagger, MatchesNamesAgainstThePattern) {
    const Autotagger standard(Autotagger::kDefaultPattern);
    EXPECT_EQ(standard.Preview("/m/Yesterday - The Beatles.mp3"), "Titel: Yesterday, Interpret: The Beatles");
    EXPECT_EQ(standard.Preview("/m/NoSeparator.mp3"), "(passt nicht)");
    // The last placeholder takes the rest, separators included.
    EXPECT_EQ(standard.Preview("/m/A - B - C.mp3"), "Titel: A, Interpret: B - C");

    const Autotagger numbered("%TRACK. %Artist - %title (%year)");
    const auto edits = numbered.Match("/m/07. Band - Song (1999).flac");
    ASSERT_TRUE(edits);
    EXPECT_EQ(edits->track, "07");
    EXPECT_EQ(edits->artist, "Band");
    EXPECT_EQ(edits->title, "Song");
    EXPECT_EQ(edits->year, "1999");
    EXPECT_FALSE(edits->album);
    EXPECT_FALSE(numbered.Match("/m/07. Band - Song (1999) live.flac"));  // text after the last literal
    EXPECT_FALSE(numbered.Match("/m/Band - Song.flac"));
    EXPECT_FALSE(Autotagger("no placeholders").Match("/m/no placeholders.mp3"));
}

TEST(Autotagger, RunWritesMatchedFieldsAndReportsFailures) {
    test::TempDir dir;
    TagReader reader;
    const std::string a = test::CopyOf(test::TagFixture("tagged.mp3"), dir / "Erstes - Ärzte.mp3");
    const std::string b = test::CopyOf(test::TagFixture("tagged.ogg"), dir / "Zweites - Band.ogg");
    const std::string c = test::CopyOf(test::TagFixture("tagged.flac"), dir / "nomatch.flac");
    const auto failed = Autotagger(Autotagger::kDefaultPattern).Run(reader, {a, b, c});
    EXPECT_EQ(failed, std::vector<std::string>{c});
    const TrackInfo first = ReadBack(reader, a);
    EXPECT_EQ(first.title, "Erstes");
    EXPECT_EQ(first.artist, "Ärzte");
    EXPECT_EQ(first.album, "Album");  // not in the pattern: kept
    EXPECT_EQ(ReadBack(reader, b).artist, "Band");
    EXPECT_EQ(ReadBack(reader, c).title, "Flac");
}

}  // namespace
}  // namespace sonvaro
