// Every format opens with the right type, rate, channels and length, decodes
// to the tone it holds, and only the right loader accepts it.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>

#include "engine/source/decoders.h"
#include "support.h"
#include "support/fixtures.h"

namespace {

using support::OfflineEngine;

struct FormatCase {
    const char* file;
    DWORD ctype;
    DWORD freq;
    DWORD chans;
    double seconds;
    double tolerance;  // seconds of length slack (encoder delay and padding)
    double tone;       // Hz present in the decoded audio, 0 for silence
};

std::ostream& operator<<(std::ostream& os, const FormatCase& c) {
    return os << c.file;
}

class Formats : public OfflineEngine, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(Formats, OpenReportsFormatAndDecodesTheTone) {
    const FormatCase& c = GetParam();
    std::string path = fixtures::Path(c.file);
    HSTREAM h = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_STREAM_PRESCAN | BASS_STREAM_AUTOFREE);
    ASSERT_NE(h, 0u) << "error " << BASS_ErrorGetCode();
    BASS_CHANNELINFO info{};
    ASSERT_TRUE(BASS_ChannelGetInfo(h, &info));
    EXPECT_EQ(info.ctype, c.ctype);
    EXPECT_EQ(info.freq, c.freq);
    EXPECT_EQ(info.chans, c.chans);
    ASSERT_TRUE(BASS_ChannelPlay(h, FALSE));
    double length = BASS_ChannelBytes2Seconds(h, BASS_ChannelGetLength(h, BASS_POS_BYTE));
    EXPECT_NEAR(length, c.seconds, c.tolerance);
    if (c.tone > 0) {
        auto out = Pull(0.5);
        // Skip the start (decoder warm-up); the tone is at amplitude 0.5.
        std::vector<float> middle(out.begin() + 8820 * 2, out.end());
        EXPECT_NEAR(support::ToneAmplitude(middle, c.tone, 2), 0.5, 0.06);
    }
}

TEST_F(OfflineEngine, FlacAtEveryDepthDecodesToTheSameSamples) {
    // The tone is 16-bit at heart: at 24 and 32 bits it must come out sample
    // for sample as the 16-bit file, seeks included.
    auto decode = [](const char* file, double seekTo) {
        HSTREAM h = BASS_StreamCreateFile(FALSE, fixtures::Path(file).c_str(), 0, 0, 0);
        EXPECT_NE(h, 0u) << file << " error " << BASS_ErrorGetCode();
        BASS_CHANNELINFO info{};
        EXPECT_TRUE(BASS_ChannelGetInfo(h, &info));
        EXPECT_EQ(info.ctype, BASS_CTYPE_STREAM_FLAC);
        EXPECT_NEAR(BASS_ChannelBytes2Seconds(h, BASS_ChannelGetLength(h, BASS_POS_BYTE)), 3.0, 0.001);
        EXPECT_TRUE(BASS_ChannelSetPosition(h, BASS_ChannelSeconds2Bytes(h, seekTo), BASS_POS_BYTE));
        EXPECT_TRUE(BASS_ChannelPlay(h, FALSE));
        auto out = Pull(0.5);
        BASS_StreamFree(h);
        return out;
    };
    for (double at : {0.0, 1.7}) {
        auto base = decode("sine.flac", at);
        EXPECT_NEAR(support::Rms(base, 0), 0.5 / std::sqrt(2.0), 0.01);
        for (const char* file : {"sine24.flac", "sine32.flac"}) {
            SCOPED_TRACE(testing::Message() << file << " from " << at << " s");
            auto out = decode(file, at);
            ASSERT_EQ(out.size(), base.size());
            double worst = 0;
            for (std::size_t i = 0; i < out.size(); ++i)
                worst = std::max(worst, std::fabs(double(out[i]) - base[i]));
            EXPECT_LT(worst, 1e-6);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    AllFormats, Formats,
    ::testing::Values(FormatCase{"sine.wav", BASS_CTYPE_STREAM_WAV_PCM, 44100, 2, 3.0, 0.001, 1000},
                      FormatCase{"float.wav", BASS_CTYPE_STREAM_WAV_FLOAT, 48000, 1, 2.0, 0.001, 0},
                      FormatCase{"sine.aiff", BASS_CTYPE_STREAM_AIFF, 44100, 2, 3.0, 0.001, 1000},
                      FormatCase{"sine.flac", BASS_CTYPE_STREAM_FLAC, 44100, 2, 3.0, 0.001, 1000},
                      FormatCase{"sine.wv", BASS_CTYPE_STREAM_WV, 44100, 2, 3.0, 0.001, 1000},
                      FormatCase{"sine.mp3", BASS_CTYPE_STREAM_MP3, 44100, 2, 3.0, 0.06, 1000},
                      FormatCase{"vbr_noxing.mp3", BASS_CTYPE_STREAM_MP3, 44100, 2, 3.0, 0.06, 1000},
                      FormatCase{"sine.mp2", BASS_CTYPE_STREAM_MP2, 44100, 2, 3.0, 0.06, 1000},
                      FormatCase{"silence.mp1", BASS_CTYPE_STREAM_MP1, 44100, 2, 2.0, 0.02, 0},
                      FormatCase{"sine.ogg", BASS_CTYPE_STREAM_OGG, 44100, 2, 3.0, 0.01, 1000},
                      FormatCase{"sine.opus", BASS_CTYPE_STREAM_OPUS, 48000, 2, 3.0, 0.03, 0},
                      FormatCase{"sine.wma", BASS_CTYPE_STREAM_WMA, 44100, 2, 3.0, 0.1, 1000},
                      FormatCase{"sine.aac", BASS_CTYPE_STREAM_AAC, 44100, 2, 3.0, 0.06, 1000},
                      FormatCase{"sine.m4a", BASS_CTYPE_STREAM_MP4, 44100, 2, 3.0, 0.06, 1000},
                      FormatCase{"video.mp4", BASS_CTYPE_STREAM_MP4, 44100, 2, 3.0, 0.1, 1000},
                      FormatCase{"tune.mid", BASS_CTYPE_STREAM_MIDI, 44100, 2, 3.0, 0.001, 0}));

TEST_F(OfflineEngine, OpusDecodesTheToneAtItsOwnRate) {
    // Opus is always 48 kHz; the engine resamples it to the 44.1 kHz output.
    HSTREAM h = BASS_StreamCreateFile(FALSE, fixtures::Path("sine.opus").c_str(), 0, 0, 0);
    ASSERT_NE(h, 0u);
    ASSERT_TRUE(BASS_ChannelPlay(h, FALSE));
    auto out = Pull(0.5);
    std::vector<float> middle(out.begin() + 8820 * 2, out.end());
    EXPECT_NEAR(support::ToneAmplitude(middle, 1000, 2), 0.5, 0.06);
}

std::vector<float> DecodeAll(const std::string& path, std::size_t frames) {
    HSTREAM h = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT);
    EXPECT_NE(h, 0u) << path;
    std::vector<float> out(frames * 2);
    DWORD bytes = BASS_ChannelGetData(h, out.data(), static_cast<DWORD>(out.size() * sizeof(float)));
    EXPECT_EQ(bytes, out.size() * sizeof(float));
    BASS_StreamFree(h);
    return out;
}

double MaxDifference(const std::vector<float>& a, const std::vector<float>& b) {
    double m = 0;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        m = std::max(m, std::fabs(double(a[i] - b[i])));
    return m;
}

TEST_F(OfflineEngine, HybridWavPackIsLosslessWithItsCorrectionFile) {
    auto original = DecodeAll(fixtures::Path("sine.wav"), 44100);
    std::string hybrid = fixtures::Path("hybrid.wv");
    EXPECT_LT(MaxDifference(DecodeAll(hybrid, 44100), original), 1e-6);
    // The same file without its correction file plays, lossy.
    std::string lossy;
    {
        std::ifstream in(hybrid, std::ios::binary);
        lossy.assign(std::istreambuf_iterator<char>(in), {});
    }
    auto alone = DecodeAll(fixtures::Write("hybrid_alone.wv", lossy), 44100);
    EXPECT_GT(MaxDifference(alone, original), 1e-5);
    EXPECT_NEAR(support::ToneAmplitude(alone, 1000, 0), 0.5, 0.01);
}

TEST_F(OfflineEngine, DecodingChannelGivesSixteenBitOrFloatAndEnds) {
    std::string path = fixtures::Path("sine.flac");
    auto floats = DecodeAll(path, 1000);
    HSTREAM h = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_STREAM_DECODE);
    ASSERT_NE(h, 0u);
    EXPECT_FALSE(BASS_ChannelPlay(h, TRUE));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DECODE);
    std::vector<std::int16_t> pcm(2000);
    ASSERT_EQ(BASS_ChannelGetData(h, pcm.data(), 4000), 4000u);
    for (std::size_t i = 0; i < pcm.size(); ++i) ASSERT_NEAR(pcm[i], floats[i] * 32767, 1.0) << i;
    EXPECT_EQ(BASS_ChannelGetPosition(h, BASS_POS_BYTE), 4000u);
    // Read past the end: a short read, then the end.
    std::vector<char> rest(44100 * 4 * 4);
    DWORD got = BASS_ChannelGetData(h, rest.data(), static_cast<DWORD>(rest.size()));
    EXPECT_EQ(got, (3 * 44100 - 1000) * 4u);
    EXPECT_EQ(BASS_ChannelGetData(h, rest.data(), 4), static_cast<DWORD>(-1));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ENDED);
}

TEST_F(OfflineEngine, ModulesLoadOnlyThroughTheMusicLoader) {
    struct {
        const char* file;
        DWORD ctype;
    } cases[] = {{"tune.mod", BASS_CTYPE_MUSIC_MOD},
                 {"tune.s3m", BASS_CTYPE_MUSIC_S3M},
                 {"tune.xm", BASS_CTYPE_MUSIC_XM},
                 {"tune.it", BASS_CTYPE_MUSIC_IT}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        std::string path = fixtures::Path(c.file);
        EXPECT_EQ(BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_STREAM_PRESCAN), 0u);
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM);
        HMUSIC m = BASS_MusicLoad(FALSE, path.c_str(), 0, 0, BASS_MUSIC_PRESCAN | BASS_MUSIC_AUTOFREE, 0);
        ASSERT_NE(m, 0u) << BASS_ErrorGetCode();
        BASS_CHANNELINFO info{};
        ASSERT_TRUE(BASS_ChannelGetInfo(m, &info));
        EXPECT_EQ(info.ctype, c.ctype);
        EXPECT_EQ(info.freq, support::kRate);
        EXPECT_EQ(info.chans, 2u);
        EXPECT_NEAR(BASS_ChannelBytes2Seconds(m, BASS_ChannelGetLength(m, BASS_POS_BYTE)), 1.92, 0.05);
        ASSERT_TRUE(BASS_ChannelPlay(m, FALSE));
        EXPECT_GT(support::Rms(Pull(0.5), 2), 0.01);
        EXPECT_TRUE(BASS_MusicFree(m));
    }
    // And the module loader refuses sampled audio.
    EXPECT_EQ(BASS_MusicLoad(FALSE, fixtures::Path("sine.wav").c_str(), 0, 0, 0, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM);
}

TEST_F(OfflineEngine, TagReaderOpenIsCheapAndNeedsNoDecoder) {
    // Flags 0, as the tag reader opens: type, rate, channels and length come from the header.
    HSTREAM h = BASS_StreamCreateFile(FALSE, fixtures::Path("sine.mp3").c_str(), 0, 0, 0);
    ASSERT_NE(h, 0u);
    BASS_CHANNELINFO info{};
    ASSERT_TRUE(BASS_ChannelGetInfo(h, &info));
    EXPECT_EQ(info.ctype, BASS_CTYPE_STREAM_MP3);
    EXPECT_NEAR(BASS_ChannelBytes2Seconds(h, BASS_ChannelGetLength(h, BASS_POS_BYTE)), 3.0, 0.1);
    EXPECT_TRUE(BASS_StreamFree(h));
    EXPECT_FALSE(BASS_StreamFree(h));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
}

TEST_F(OfflineEngine, FormatIsDecidedByContentNotName) {
    std::string bytes;
    {
        FILE* f = fopen(fixtures::Path("sine.flac").c_str(), "rb");
        ASSERT_NE(f, nullptr);
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
        fclose(f);
    }
    std::string path = fixtures::Write("flac_named.mp3", bytes);
    HSTREAM h = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
    ASSERT_NE(h, 0u);
    BASS_CHANNELINFO info{};
    BASS_ChannelGetInfo(h, &info);
    EXPECT_EQ(info.ctype, BASS_CTYPE_STREAM_FLAC);
    // Memory streams go through the same probe.
    HSTREAM m = BASS_StreamCreateFile(TRUE, bytes.data(), 0, bytes.size(), 0);
    ASSERT_NE(m, 0u);
    BASS_ChannelGetInfo(m, &info);
    EXPECT_EQ(info.ctype, BASS_CTYPE_STREAM_FLAC);
}

}  // namespace

namespace {

// The one table of decoders: content goes to the decoder written out here,
// whatever the file is called, and the settings list them in this order.
std::string DecoderNameFor(const std::string& path) {
    sonvaro::audio::DecoderInput input;
    input.bytes = sonvaro::audio::FileByteSource::Open(path, 0, 0);
    if (!input.bytes) return "(unreadable)";
    input.probe = sonvaro::audio::ProbeContent(*input.bytes);
    const sonvaro::audio::Decoder* decoder = sonvaro::audio::StreamDecoderFor(input);
    return decoder ? decoder->name : "(none)";
}

TEST(DecoderTable, ContentChoosesTheDecoder) {
    EXPECT_EQ(DecoderNameFor(fixtures::Path("sine.wav")), "FFmpeg");
    EXPECT_EQ(DecoderNameFor(fixtures::Path("sine.mp3")), "FFmpeg");
    EXPECT_EQ(DecoderNameFor(fixtures::Path("sine.wma")), "FFmpeg");
    EXPECT_EQ(DecoderNameFor(fixtures::Path("sine24.flac")), "FFmpeg");
    EXPECT_EQ(DecoderNameFor(fixtures::Path("sine32.flac")), "libFLAC");
    EXPECT_EQ(DecoderNameFor(fixtures::Path("sine.wv")), "WavPack");
    EXPECT_EQ(DecoderNameFor(fixtures::Write("decoder-midi.mp3", fixtures::MakeMidi(true))), "FluidSynth");
    EXPECT_EQ(DecoderNameFor(fixtures::Write("decoder-module.mid", fixtures::MakeMod(1.0))),
              "(none)");  // modules load as music
    EXPECT_EQ(DecoderNameFor(fixtures::Write("decoder-noise.mp3", std::string(4096, '\x5a'))), "(none)");
    EXPECT_STREQ(sonvaro::audio::MusicDecoder().name, "libopenmpt");
}

TEST(DecoderTable, TheSettingsListEveryLibraryOnceWithItsVersion) {
    std::vector<std::string> names;
    for (const sonvaro::audio::Decoder& d : sonvaro::audio::Decoders()) {
        names.push_back(d.name);
        EXPECT_GT(d.version(), 0u) << d.name;  // asked of the library linked in (libopenmpt is 0.6)
    }
    EXPECT_EQ(names, (std::vector<std::string>{"FFmpeg", "libopenmpt", "FluidSynth", "WavPack", "libFLAC"}));
}

TEST(DecoderTable, NetworkStreamsTakeOnlyContainersReadWithoutSeeking) {
    using sonvaro::audio::Container;
    using sonvaro::audio::ReadsWithoutSeeking;
    EXPECT_TRUE(ReadsWithoutSeeking(Container::Mpeg));
    EXPECT_TRUE(ReadsWithoutSeeking(Container::Ogg));
    EXPECT_FALSE(ReadsWithoutSeeking(Container::Mp4));
    EXPECT_FALSE(ReadsWithoutSeeking(Container::Asf));
}

}  // namespace
