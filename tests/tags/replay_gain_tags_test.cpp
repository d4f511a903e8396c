#include "tags/replay_gain_tags.h"

#include <gtest/gtest.h>
#include <taglib/mp4file.h>

#include <cstdlib>
#include <filesystem>

#include "engine/bass.h"
#include "support/tag_fixtures.h"
#include "support/test_support.h"
#include "tags/track_info_reader.h"

namespace sonvaro {
namespace {

const auto* const kEngine = ::testing::AddGlobalTestEnvironment(new test::EngineEnvironment);

TEST(ReplayGainText, GainsInTheSpellingsTaggersWrite) {
    EXPECT_EQ(ParseReplayGainDb("-6.00 dB"), -6.0);
    EXPECT_EQ(ParseReplayGainDb("+3.5 dB"), 3.5);
    EXPECT_EQ(ParseReplayGainDb("-6,00 dB"), -6.0);
    EXPECT_EQ(ParseReplayGainDb("  -7.25db "), -7.25);
    EXPECT_EQ(ParseReplayGainDb("2.1 DB"), 2.1);
    EXPECT_EQ(ParseReplayGainDb("-4"), -4.0);
    EXPECT_EQ(ParseReplayGainDb(".5 dB"), 0.5);
    EXPECT_EQ(ParseReplayGainDb("-64 dB"), -64.0);
    EXPECT_EQ(ParseReplayGainDb("-0.00 dB"), 0.0);

    for (const char* bad : {"",
                            " ",
                            "dB",
                            "- 6 dB",
                            "-6 dBFS",
                            "-6 dB x",
                            "abc",
                            "nan",
                            "NaN dB",
                            "inf",
                            "-inf dB",
                            "1e2",
                            "1.2.3 dB",
                            "--6",
                            "+-6",
                            "6 d B",
                            "-64.01 dB",
                            "99 dB",
                            "1000000000000000000000000000000000 dB",
                            ".",
                            "-,"})
        EXPECT_EQ(ParseReplayGainDb(bad), std::nullopt) << bad;
}

TEST(ReplayGainText, PeaksArePositiveAndSane) {
    EXPECT_EQ(ParseReplayGainPeak("0.988553"), 0.988553);
    EXPECT_EQ(ParseReplayGainPeak(" 1,02 "), 1.02);
    EXPECT_EQ(ParseReplayGainPeak("1"), 1.0);
    for (const char* bad : {"", "0", "0.000", "-0.5", "nan", "0.9 dB", "11", "1e-3", "x"})
        EXPECT_EQ(ParseReplayGainPeak(bad), std::nullopt) << bad;
}

TEST(ReplayGainText, OpusR128GainsAreQ7Point8AgainstMinus23Lufs) {
    // -1280 / 256 = -5 dB against -23 LUFS, which is 0 dB in ReplayGain terms.
    EXPECT_EQ(ParseR128Gain("-1280"), 0.0);
    // -2816 / 256 = -11 dB: -6 dB in ReplayGain terms.
    EXPECT_EQ(ParseR128Gain("-2816"), -6.0);
    EXPECT_EQ(ParseR128Gain("+384"), 6.5);
    EXPECT_EQ(ParseR128Gain(" 0 "), 5.0);
    EXPECT_EQ(ParseR128Gain("-32768"), std::nullopt);  // -123 dB
    for (const char* bad : {"", "-1280 dB", "-5.0", "12x", "40000", "-40000", "nan", "- 1"})
        EXPECT_EQ(ParseR128Gain(bad), std::nullopt) << bad;
    // Within the 16-bit field but beyond any real gain.
    EXPECT_EQ(ParseR128Gain("20000"), std::nullopt);
}

TEST(ReplayGainText, TagListsInEveryKeySpelling) {
    const ReplayGainTags vorbis = ReplayGainFromTagList({{"REPLAYGAIN_TRACK_GAIN", "-6.00 dB"},
                                                         {"REPLAYGAIN_TRACK_PEAK", "0.5"},
                                                         {"REPLAYGAIN_ALBUM_GAIN", "-3.00 dB"},
                                                         {"REPLAYGAIN_ALBUM_PEAK", "0.75"},
                                                         {"TITLE", "-1 dB"}});
    EXPECT_EQ(vorbis, (ReplayGainTags{-6.0, -3.0, 0.5, 0.75}));

    // Lower-case TXXX descriptions and MP4 freeform names.
    EXPECT_EQ(ReplayGainFromTagList({{"replaygain_track_gain", "+1.5 dB"}}).trackGain, 1.5);
    EXPECT_EQ(ReplayGainFromTagList({{"----:com.apple.iTunes:replaygain_album_gain", "-2.5 dB"},
                                     {"----:com.apple.iTunes:REPLAYGAIN_TRACK_PEAK", "0.25"}}),
              (ReplayGainTags{std::nullopt, -2.5, 0.25, std::nullopt}));

    // R128 wins over REPLAYGAIN; garbage counts as absent, and the first good value of a key stays.
    EXPECT_EQ(
        ReplayGainFromTagList(
            {{"REPLAYGAIN_TRACK_GAIN", "-1 dB"}, {"R128_TRACK_GAIN", "-2816"}, {"R128_ALBUM_GAIN", "-1280"}}),
        (ReplayGainTags{-6.0, 0.0, std::nullopt, std::nullopt}));
    EXPECT_EQ(ReplayGainFromTagList({{"REPLAYGAIN_TRACK_GAIN", "laut"},
                                     {"REPLAYGAIN_TRACK_GAIN", "-4 dB"},
                                     {"REPLAYGAIN_TRACK_GAIN", "-5 dB"},
                                     {"REPLAYGAIN_ALBUM_GAIN", "1000 dB"},
                                     {"REPLAYGAIN_TRACK_PEAK", "-1"}}),
              (ReplayGainTags{-4.0, std::nullopt, std::nullopt, std::nullopt}));
}

// A 1-second tone encoded as `name` with the given tag options.
std::string GainFile(const std::string& name, const std::string& command) {
    const std::string folder = std::string(SONVARO_FIXTURES) + "/replaygain-tags/";
    const std::string path = folder + name;
    if (std::filesystem::exists(path)) return path;
    std::filesystem::create_directories(folder);
    const std::string wav = folder + "tone.wav";
    if (!std::filesystem::exists(wav)) {
        const std::string make = "sox -n -r 44100 -c 2 -b 16 '" + wav + "' synth 1 sine 1000 vol 0.5";
        if (std::system(make.c_str()) != 0) ADD_FAILURE() << make;
    }
    const std::string tmp = folder + "tmp-" + name;
    std::string run = command;
    for (const auto& [from, to] : {std::pair{std::string("IN"), wav}, std::pair{std::string("OUT"), tmp}}) {
        const auto at = run.find("{" + from + "}");
        if (at != std::string::npos) run.replace(at, from.size() + 2, "'" + to + "'");
    }
    run += " && mv '" + tmp + "' '" + path + "'";
    if (std::system(run.c_str()) != 0) ADD_FAILURE() << run;
    return path;
}

uint32_t ChannelTypeOf(const std::string& path) {
    const HSTREAM stream = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
    EXPECT_NE(stream, 0u) << path;
    BASS_CHANNELINFO info{};
    BASS_ChannelGetInfo(stream, &info);
    BASS_StreamFree(stream);
    return info.ctype;
}

ReplayGainTags ReadFile(const std::string& path) {
    TagReader reader;
    return ReadReplayGainTags(reader, path, ChannelTypeOf(path));
}

TEST(ReadReplayGain, EveryTagKindTheFormatsCarry) {
    const std::string rg =
        "-metadata 'REPLAYGAIN_TRACK_GAIN=-6.00 dB' -metadata REPLAYGAIN_TRACK_PEAK=0.5 "
        "-metadata 'REPLAYGAIN_ALBUM_GAIN=-3,00 dB' -metadata REPLAYGAIN_ALBUM_PEAK=0.75";
    const ReplayGainTags expected{-6.0, -3.0, 0.5, 0.75};
    // ID3v2 TXXX frames.
    EXPECT_EQ(ReadFile(GainFile("rg.mp3", "ffmpeg -v error -y -i {IN} -c:a libmp3lame " + rg + " {OUT}")),
              expected);
    // Vorbis comments in FLAC, Ogg Vorbis and Opus.
    EXPECT_EQ(ReadFile(GainFile("rg.flac", "ffmpeg -v error -y -i {IN} -c:a flac " + rg + " {OUT}")),
              expected);
    EXPECT_EQ(ReadFile(GainFile("rg.ogg",
                                "oggenc -Q -c 'REPLAYGAIN_TRACK_GAIN=-6.00 dB' -c "
                                "REPLAYGAIN_TRACK_PEAK=0.5 -c 'REPLAYGAIN_ALBUM_GAIN=-3,00 dB' -c "
                                "REPLAYGAIN_ALBUM_PEAK=0.75 {IN} -o {OUT}")),
              expected);
    EXPECT_EQ(ReadFile(GainFile("r128.opus",
                                "ffmpeg -v error -y -i {IN} -c:a libopus -metadata "
                                "R128_TRACK_GAIN=-2816 -metadata R128_ALBUM_GAIN=-2048 {OUT}")),
              (ReplayGainTags{-6.0, -3.0, std::nullopt, std::nullopt}));
    // APEv2 items in WavPack.
    EXPECT_EQ(ReadFile(GainFile("rg.wv",
                                "wavpack -q -y -w 'REPLAYGAIN_TRACK_GAIN=-6.00 dB' -w "
                                "REPLAYGAIN_TRACK_PEAK=0.5 -w 'replaygain_album_gain=-3,00 dB' -w "
                                "REPLAYGAIN_ALBUM_PEAK=0.75 {IN} -o {OUT}")),
              expected);

    // MP4 freeform atoms, as iTunes-style taggers write them.
    test::TempDir dir;
    const std::string m4a = test::CopyOf(test::TagFixture("tagged.m4a"), dir / "rg.m4a");
    {
        TagLib::MP4::File file(m4a.c_str());
        ASSERT_TRUE(file.isValid());
        const auto set = [&file](const char* name, const char* value) {
            file.tag()->setItem(std::string("----:com.apple.iTunes:") + name,
                                TagLib::MP4::Item(TagLib::StringList(TagLib::String(value))));
        };
        set("replaygain_track_gain", "-6.00 dB");
        set("replaygain_track_peak", "0.500000");
        set("replaygain_album_gain", "-3.00 dB");
        set("replaygain_album_peak", "0.750000");
        ASSERT_TRUE(file.save());
    }
    EXPECT_EQ(ReadFile(m4a), expected);
}

TEST(ReadReplayGain, NothingFromUntaggedMissingOrBrokenFiles) {
    test::TempDir dir;
    EXPECT_EQ(ReadFile(test::TagFixture("tagged.flac")), ReplayGainTags{});
    TagReader reader;
    EXPECT_EQ(ReadReplayGainTags(reader, dir / "missing.mp3", BASS_CTYPE_STREAM_MP3), ReplayGainTags{});
    test::WriteFile(dir / "noise.m4a", std::string(3000, '\x55'));
    EXPECT_EQ(ReadReplayGainTags(reader, dir / "noise.m4a", BASS_CTYPE_STREAM_MP4), ReplayGainTags{});
    EXPECT_EQ(ReadReplayGainTags(reader, dir / "noise.m4a", 0), ReplayGainTags{});
}

}  // namespace
}  // namespace sonvaro
