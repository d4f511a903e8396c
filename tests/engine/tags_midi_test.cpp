// Tag lists for MP4 and WMA, and MIDI with the automatic and a chosen font.
#include <algorithm>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "support.h"
#include "support/fixtures.h"

namespace {

using support::OfflineEngine;

std::vector<std::string> TagList(const char* p) {
    std::vector<std::string> out;
    while (p && *p) {
        out.emplace_back(p);
        p += out.back().size() + 1;
    }
    return out;
}

TEST_F(OfflineEngine, Mp4TagListHasTheKeysTheTagReaderWants) {
    HSTREAM h = BASS_StreamCreateFile(FALSE, fixtures::Path("tagged.m4a").c_str(), 0, 0, 0);
    ASSERT_NE(h, 0u);
    auto tags = TagList(BASS_ChannelGetTags(h, BASS_TAG_MP4));
    for (const char* want : {"title=Song", "artist=Band", "album=Record", "date=2004", "genre=Rock",
                             "comment=Nice", "track=3/12"})
        EXPECT_NE(std::find(tags.begin(), tags.end(), want), tags.end()) << want;
    EXPECT_EQ(BASS_ChannelGetTags(h, BASS_TAG_WMA), nullptr);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAVAIL);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(OfflineEngine, WmaTagListHasTheKeysTheTagReaderWants) {
    // The fixture carries a second author under a stand-in name; renaming it
    // in place gives a file with two Author attributes, as other taggers write.
    std::string bytes = ReadFile(fixtures::Path("tagged.wma"));
    const std::string from("X\0u\0t\0h\0o\0r\0", 12), to("A\0u\0t\0h\0o\0r\0", 12);
    auto at = bytes.find(from);
    ASSERT_NE(at, std::string::npos);
    bytes.replace(at, from.size(), to);
    HSTREAM h = BASS_StreamCreateFile(FALSE, fixtures::Write("two_authors.wma", bytes).c_str(), 0, 0, 0);
    ASSERT_NE(h, 0u);
    auto tags = TagList(BASS_ChannelGetTags(h, BASS_TAG_WMA));
    auto first = std::find(tags.begin(), tags.end(), "Author=Band");
    auto second = std::find(tags.begin(), tags.end(), "Author=Second");
    ASSERT_NE(first, tags.end());
    ASSERT_NE(second, tags.end());
    EXPECT_LT(first, second);
    for (const char* want : {"Title=Song", "Author=Band", "WM/AlbumTitle=Record", "WM/Genre=Rock",
                             "WM/Year=2004", "WM/TrackNumber=3"})
        EXPECT_NE(std::find(tags.begin(), tags.end(), want), tags.end()) << want;
    auto bitrate =
        std::find_if(tags.begin(), tags.end(), [](auto& t) { return t.rfind("Bitrate=", 0) == 0; });
    ASSERT_NE(bitrate, tags.end());
    EXPECT_NEAR(std::stoi(bitrate->substr(8)), 128000, 2000);
    EXPECT_EQ(BASS_ChannelGetTags(h, BASS_TAG_MP4), nullptr);
}

TEST_F(OfflineEngine, MidiRendersWithTheAutomaticFont) {
    BASS_SetConfig(BASS_CONFIG_MIDI_AUTOFONT, 2);
    HSTREAM h = BASS_StreamCreateFile(FALSE, fixtures::Path("tune.mid").c_str(), 0, 0,
                                      BASS_STREAM_PRESCAN | BASS_STREAM_AUTOFREE);
    ASSERT_NE(h, 0u);
    ASSERT_TRUE(BASS_ChannelPlay(h, TRUE));
    auto out = Pull(1.0);
    EXPECT_GT(support::Rms(out, 2), 0.005);
    Pull(2.1);
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);  // ends at the file's last event
}

TEST_F(OfflineEngine, MidiWithAChosenFont) {
    HSOUNDFONT font = BASS_MIDI_FontInit("/usr/share/sounds/sf2/TimGM6mb.sf2", 0);
    ASSERT_NE(font, 0u);
    ASSERT_TRUE(BASS_MIDI_FontLoad(font, -1, -1));
    HSTREAM h = BASS_StreamCreateFile(FALSE, fixtures::Path("tune.mid").c_str(), 0, 0, BASS_STREAM_PRESCAN);
    ASSERT_NE(h, 0u);
    BASS_MIDI_FONT entry{font, -1, 0};
    ASSERT_TRUE(BASS_MIDI_StreamSetFonts(h, &entry, 1));
    ASSERT_TRUE(BASS_MIDI_StreamLoadSamples(h));
    ASSERT_TRUE(BASS_ChannelPlay(h, TRUE));
    EXPECT_GT(support::Rms(Pull(0.5), 2), 0.005);

    // Fonts are checked when named; a non-font and a wave stream are refused.
    EXPECT_EQ(BASS_MIDI_FontInit(fixtures::Path("sine.wav").c_str(), 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM);
    EXPECT_EQ(BASS_MIDI_FontInit("/nonexistent.sf2", 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEOPEN);
    HSTREAM wav = BASS_StreamCreateFile(FALSE, fixtures::Path("sine.wav").c_str(), 0, 0, 0);
    EXPECT_FALSE(BASS_MIDI_StreamSetFonts(wav, &entry, 1));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLTYPE);
    EXPECT_TRUE(BASS_MIDI_FontFree(font));
}

TEST_F(OfflineEngine, MidiWithoutNotesIsSilentAndEnds) {
    HSTREAM h = BASS_StreamCreateFile(FALSE, fixtures::Path("empty.mid").c_str(), 0, 0, BASS_STREAM_AUTOFREE);
    ASSERT_NE(h, 0u);
    ASSERT_TRUE(BASS_ChannelPlay(h, TRUE));
    EXPECT_LT(support::Peak(Pull(3.2), 2), 1e-4);
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);
}

}  // namespace
