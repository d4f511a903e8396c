// The content probe and the MIDI tempo map on bytes written out here, so each
// rule is checked on its own and against the standard's numbers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/bass.h"
#include "engine/source/byte_source.h"
#include "engine/source/midi_file.h"
#include "engine/source/probe.h"

namespace sonvaro::audio {
namespace {

struct HeaderCase {
    unsigned char bytes[4];
    int layer;
    unsigned rate, channels, bitrate, frameBytes, samples;
};

TEST(MpegHeader, FieldsOfEachLayerAndVersion) {
    const HeaderCase cases[] = {
        {{0xFF, 0xFB, 0x90, 0x64}, 3, 44100, 2, 128000, 417, 1152},  // MPEG-1 layer III, joint stereo
        {{0xFF, 0xFB, 0x92, 0xC4}, 3, 44100, 1, 128000, 418, 1152},  // padded, mono
        {{0xFF, 0xF3, 0x80, 0x44}, 3, 22050, 2, 64000, 208, 576},    // MPEG-2 layer III
        {{0xFF, 0xFD, 0xA4, 0x04}, 2, 48000, 2, 192000, 576, 1152},  // MPEG-1 layer II
        {{0xFF, 0xFF, 0x90, 0x04}, 1, 44100, 2, 288000, 312, 384},   // MPEG-1 layer I
    };
    for (const HeaderCase& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << int(c.bytes[1]) << " " << int(c.bytes[2]));
        MpegHeader h;
        ASSERT_TRUE(ParseMpegHeader(c.bytes, h));
        EXPECT_EQ(h.layer, c.layer);
        EXPECT_EQ(h.rate, c.rate);
        EXPECT_EQ(h.channels, c.channels);
        EXPECT_EQ(h.bitrate, c.bitrate);
        EXPECT_EQ(h.frameBytes, c.frameBytes);
        EXPECT_EQ(h.samples, c.samples);
    }
    const unsigned char refused[][4] = {
        {0xFF, 0xFB, 0xF0, 0x64},  // bitrate index 15
        {0xFF, 0xFB, 0x9C, 0x64},  // rate index 3
        {0xFF, 0xF9, 0x90, 0x64},  // layer 0
        {0xFE, 0xFB, 0x90, 0x64},  // no sync
        {0xFF, 0xFB, 0x00, 0x64},  // free format
    };
    for (const auto& bytes : refused) {
        MpegHeader h;
        EXPECT_FALSE(ParseMpegHeader(bytes, h)) << std::hex << int(bytes[1]) << " " << int(bytes[2]);
    }
}

ProbeResult Probe(const std::string& bytes) {
    MemoryByteSource source(bytes.data(), bytes.size());
    return ProbeContent(source);
}

std::string Pad(std::string head, size_t size = 64) {
    head.resize(std::max(size, head.size()), '\0');
    return head;
}

// `count` MPEG-1 layer III frames of 417 bytes.
std::string MpegFrames(int count) {
    std::string frame("\xFF\xFB\x90\x64", 4);
    frame.resize(417, '\0');
    std::string out;
    for (int i = 0; i < count; ++i) out += frame;
    return out;
}

TEST(ContentProbe, ContainersByTheirMagic) {
    struct Case {
        std::string bytes;
        Container container;
        std::uint32_t ctype;
    };
    const std::string wavFmt = std::string("fmt \x10\0\0\0\x01\0\x02\0", 12);
    const Case cases[] = {
        {Pad(std::string("RIFF\x24\0\0\0WAVE", 12) + wavFmt), Container::Wav, BASS_CTYPE_STREAM_WAV_PCM},
        {Pad(std::string("FORM\0\0\0\x20"
                         "AIFF",
                         12)),
         Container::Aiff, BASS_CTYPE_STREAM_AIFF},
        {Pad("fLaC"), Container::Flac, BASS_CTYPE_STREAM_FLAC},
        {Pad("MThd"), Container::Midi, BASS_CTYPE_STREAM_MIDI},
        {Pad("wvpk"), Container::WavPack, BASS_CTYPE_STREAM_WV},
        {Pad("\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C"), Container::Asf,
         BASS_CTYPE_STREAM_WMA},
        {Pad(std::string("\0\0\0\x20"
                         "ftypM4A ",
                         12)),
         Container::Mp4, BASS_CTYPE_STREAM_MP4},
        {Pad(std::string("OggS\0\x02", 6) + std::string(20, '\0') +
             "\x01\x1e"
             "\x01vorbis"),
         Container::Ogg, BASS_CTYPE_STREAM_OGG},
        {Pad(std::string("OggS\0\x02", 6) + std::string(20, '\0') +
             "\x01\x13"
             "OpusHead"),
         Container::Ogg, BASS_CTYPE_STREAM_OPUS},
        {MpegFrames(4), Container::Mpeg, BASS_CTYPE_STREAM_MP3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.substr(0, 4));
        const ProbeResult r = Probe(c.bytes);
        EXPECT_EQ(r.container, c.container);
        EXPECT_EQ(r.ctype, c.ctype);
    }
    // Unknown: text, an Ogg stream of another codec, too few bytes.
    EXPECT_EQ(Probe(Pad("just some text, not audio at all")).container, Container::Unknown);
    EXPECT_EQ(Probe(Pad(std::string("OggS\0\x02", 6) + std::string(20, '\0') +
                        "\x01\x1e"
                        "\x80theora"))
                  .container,
              Container::Unknown);
    EXPECT_EQ(Probe("fLaC").container, Container::Unknown);
}

TEST(ContentProbe, MpegAfterAnId3TagAndNotOneLoneSync) {
    // A 100-byte ID3v2 tag (synch-safe size) before the frames.
    std::string tagged = std::string("ID3\x03\0\0\0\0\0\x64", 10) + std::string(100, 'x') + MpegFrames(4);
    const ProbeResult r = Probe(tagged);
    EXPECT_EQ(r.container, Container::Mpeg);
    EXPECT_EQ(r.dataOffset, 110);
    EXPECT_EQ(r.rate, 44100u);
    EXPECT_EQ(r.bitrate, 128000u);
    // One header followed by garbage where the next frame should start is not audio.
    std::string lone("\xFF\xFB\x90\x64", 4);
    lone += std::string(5000, '\x11');
    EXPECT_EQ(Probe(lone).container, Container::Unknown);
}

TEST(ContentProbe, MpegFramesWhereverTheyStartInTheFirst64K) {
    // Junk of varying length before the frames: frames inside the first 4 KB,
    // frames crossing it, frames well beyond it; a lone sync just before the
    // 4 KB mark must not hide frames that follow later.
    for (size_t junk : {0u, 3000u, 3900u, 4095u, 5000u, 40000u}) {
        SCOPED_TRACE(junk);
        const ProbeResult r = Probe(std::string(junk, '\x11') + MpegFrames(6));
        EXPECT_EQ(r.container, Container::Mpeg);
        EXPECT_EQ(r.dataOffset, static_cast<std::int64_t>(junk));
    }
    std::string loneThenFrames = std::string(4090, '\x11') + std::string("\xFF\xFB\x90\x64", 4);
    loneThenFrames += std::string(2000, '\x11');
    const size_t framesAt = loneThenFrames.size();
    loneThenFrames += MpegFrames(6);
    EXPECT_EQ(Probe(loneThenFrames).dataOffset, static_cast<std::int64_t>(framesAt));
    // A tag that ends close to the first 4 KB.
    std::string nearEnd = std::string("ID3\x03\0\0\0\0\x1F\x70", 10) + std::string(4080, 'x') + MpegFrames(6);
    const ProbeResult tagged = Probe(nearEnd);
    EXPECT_EQ(tagged.container, Container::Mpeg);
    EXPECT_EQ(tagged.dataOffset, 10 + 4080);
    // Beyond 64 KB of junk nothing is looked for.
    EXPECT_EQ(Probe(std::string(70000, '\x11') + MpegFrames(6)).container, Container::Unknown);
}

// A format-1 SMF with a tempo track: 480 ticks per quarter, 120 bpm, then 60 bpm from tick 960.
std::string TempoMapSmf() {
    auto be32 = [](uint32_t v) { return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; };
    std::string header = std::string("MThd", 4) + be32(6) + std::string("\0\x01\0\x02\x01\xE0", 6);
    const std::string tempos = std::string("\0\xFF\x51\x03\x07\xA1\x20", 7)          // 500000 us per quarter
                               + std::string("\x87\x40\xFF\x51\x03\x0F\x42\x40", 8)  // +960: 1000000 us
                               + std::string("\0\xFF\x2F\0", 4);
    const std::string notes = std::string("\0\x90\x3C\x40", 4) +
                              std::string("\x8F\x00\x80\x3C\x40", 5)  // +1920
                              + std::string("\0\xFF\x2F\0", 4);
    return header + "MTrk" + be32(static_cast<uint32_t>(tempos.size())) + tempos + "MTrk" +
           be32(static_cast<uint32_t>(notes.size())) + notes;
}

TEST(MidiTempoMap, TicksAndSecondsAcrossATempoChange) {
    MidiFile midi;
    ASSERT_TRUE(midi.Parse(TempoMapSmf()));
    EXPECT_EQ(midi.LastTick(), 1920);
    EXPECT_EQ(midi.NoteCount(), 1);
    EXPECT_DOUBLE_EQ(midi.Seconds(0), 0.0);
    EXPECT_DOUBLE_EQ(midi.Seconds(480), 0.5);   // one quarter at 120 bpm
    EXPECT_DOUBLE_EQ(midi.Seconds(960), 1.0);   // the change
    EXPECT_DOUBLE_EQ(midi.Seconds(1440), 2.0);  // one quarter at 60 bpm
    EXPECT_DOUBLE_EQ(midi.Seconds(1920), 3.0);
    EXPECT_EQ(midi.Ticks(0.5), 480);
    EXPECT_EQ(midi.Ticks(2.5), 1680);
    EXPECT_FALSE(midi.Parse("MThd"));
    EXPECT_FALSE(midi.Parse("not midi at all"));
}

}  // namespace
}  // namespace sonvaro::audio
