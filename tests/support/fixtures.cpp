#include "support/fixtures.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

namespace fixtures {
namespace {

std::string Dir() {
    return SONVARO_FIXTURES "/audio_library";
}

bool Exists(const std::string& p) {
    struct stat st {};
    return stat(p.c_str(), &st) == 0 && st.st_size > 0;
}

void Run(const std::string& cmd) {
    int rc = std::system((cmd + " >/dev/null 2>&1").c_str());
    if (rc != 0) ADD_FAILURE() << "fixture command failed: " << cmd;
}

void Le16(std::string& s, unsigned v) {
    s += char(v & 0xFF), s += char((v >> 8) & 0xFF);
}
void Le32(std::string& s, std::uint32_t v) {
    Le16(s, v & 0xFFFF), Le16(s, v >> 16);
}
void Be16(std::string& s, unsigned v) {
    s += char((v >> 8) & 0xFF), s += char(v & 0xFF);
}
void Be32(std::string& s, std::uint32_t v) {
    Be16(s, v >> 16), Be16(s, v & 0xFFFF);
}
void Pad(std::string& s, std::size_t size) {
    s.resize(size, '\0');
}
void Text(std::string& s, const std::string& t, std::size_t width) {
    std::string f = t;
    f.resize(width, '\0');
    s += f;
}

// One cycle-aligned 8-bit sine sample, 64 bytes per period.
std::string SineSample(std::size_t length, bool isSigned) {
    std::string s;
    for (std::size_t i = 0; i < length; ++i) {
        int v = static_cast<int>(std::lround(100 * std::sin(2 * M_PI * i / 64.0)));
        s += static_cast<char>(isSigned ? v : v + 128);
    }
    return s;
}

const std::map<std::string, std::string>& Commands() {
    static const std::map<std::string, std::string> c = {
        {"sine.wav", "sox -n -r 44100 -c 2 -b 16 {out} synth 3 sine 1000 vol 0.5"},
        {"low.wav", "sox -n -r 44100 -c 2 -b 16 {out} synth 3 sine 100 vol 0.5"},
        {"float.wav", "sox -n -r 48000 -c 1 -e floating-point -b 32 {out} synth 2 sine 440 vol 0.5"},
        {"clicks.wav", "sox -n -r 44100 -c 2 -b 16 {out} synth 0.005 sine 2000 vol 0.9 pad 0 0.995 repeat 9"},
        // 10 ms of white noise at 0.5 s, then silence: a broadband impulse for decay times.
        {"burst.wav", "sox -R -n -r 44100 -c 2 -b 16 {out} synth 0.01 whitenoise vol 0.9 pad 0.5 2.49"},
        // One 997 Hz tone, whole and cut in two at frame 89434 (no FLAC block or
        // MP3 frame boundary), for joins without a gap. -D: no dither, so each
        // half holds exactly the whole tone's samples.
        {"tone.wav", "sox -D -r 44100 -c 2 -n -b 16 {out} synth 4 sine 997 vol 0.5"},
        {"tone_a.flac",
         "sox -D -r 44100 -c 2 -n -b 16 {out}.wav synth 4 sine 997 vol 0.5 trim 0 89434s && "
         "flac -s -f {out}.wav -o {out}; rm -f {out}.wav"},
        {"tone_b.flac",
         "sox -D -r 44100 -c 2 -n -b 16 {out}.wav synth 4 sine 997 vol 0.5 trim 89434s && "
         "flac -s -f {out}.wav -o {out}; rm -f {out}.wav"},
        {"tone_a.mp3",
         "sox -D -r 44100 -c 2 -n -b 16 {out}.wav synth 4 sine 997 vol 0.5 trim 0 89434s && "
         "lame --quiet -b 320 {out}.wav {out}; rm -f {out}.wav"},
        {"tone_b.mp3",
         "sox -D -r 44100 -c 2 -n -b 16 {out}.wav synth 4 sine 997 vol 0.5 trim 89434s && "
         "lame --quiet -b 320 {out}.wav {out}; rm -f {out}.wav"},
        {"tone_48k.flac",
         "sox -D -r 48000 -c 2 -n -b 16 {out}.wav synth 2 sine 997 vol 0.5 && "
         "flac -s -f {out}.wav -o {out}; rm -f {out}.wav"},
        {"sine.mp3", "lame --quiet -b 192 {dir}/sine.wav {out}"},
        {"vbr_noxing.mp3", "lame --quiet -V 4 -t {dir}/sine.wav {out}"},
        {"clicks.mp3", "lame --quiet -b 192 {dir}/clicks.wav {out}"},
        {"clicks_vbr.mp3", "lame --quiet -V 2 -t {dir}/clicks.wav {out}"},
        {"clicks.aac", "ffmpeg -v error -y -i {dir}/clicks.wav -c:a aac -b:a 128k {out}"},
        {"clicks.m4a", "ffmpeg -v error -y -i {dir}/clicks.wav -c:a aac -b:a 128k {out}"},
        {"sine.mp2", "ffmpeg -v error -y -i {dir}/sine.wav -c:a mp2 -b:a 192k {out}"},
        {"sine.ogg", "oggenc -Q -q 4 {dir}/sine.wav -o {out}"},
        {"clicks.ogg", "oggenc -Q -q 4 {dir}/clicks.wav -o {out}"},
        {"sine.opus", "ffmpeg -v error -y -i {dir}/sine.wav -c:a libopus -b:a 96k {out}"},
        {"song_one.ogg", "oggenc -Q -q 2 -a 'Band A' -t 'Song One' {dir}/sine.wav -o {out}"},
        {"song_two.ogg", "oggenc -Q -q 2 -a 'Band B' -t 'Song Two' {dir}/sine.wav -o {out}"},
        {"song_one.opus",
         "ffmpeg -v error -y -i {dir}/sine.wav -t 1 -c:a libopus -b:a 64k -metadata artist='Band A' "
         "-metadata title='Song One' {out}"},
        {"sine.aiff", "sox {dir}/sine.wav {out}"},
        {"sine.wma", "ffmpeg -v error -y -i {dir}/sine.wav -c:a wmav2 -b:a 128k {out}"},
        {"sine.flac", "flac -s -f {dir}/sine.wav -o {out}"},
        {"clicks.flac", "flac -s -f {dir}/clicks.wav -o {out}"},
        {"sine24.flac",
         "sox {dir}/sine.wav -b 24 {out}.wav && flac -s -f {out}.wav -o {out}; rm -f {out}.wav"},
        {"sine32.flac",
         "sox {dir}/sine.wav -b 32 {out}.wav && flac -s -f {out}.wav -o {out}; rm -f {out}.wav"},
        {"sine.wv", "wavpack -q -y {dir}/sine.wav -o {out}"},
        {"hybrid.wv", "wavpack -q -y -b3 -c {dir}/sine.wav -o {out}"},
        {"sine.aac", "ffmpeg -v error -y -i {dir}/sine.wav -c:a aac -b:a 128k {out}"},
        {"sine.m4a", "ffmpeg -v error -y -i {dir}/sine.wav -c:a aac -b:a 128k {out}"},
        {"video.mp4",
         "ffmpeg -v error -y -f lavfi -i testsrc=size=64x48:rate=10:duration=3 -i {dir}/sine.wav "
         "-c:v mpeg4 -c:a aac -shortest {out}"},
        {"tagged.m4a",
         "ffmpeg -v error -y -i {dir}/sine.wav -t 1 -c:a aac -metadata title=Song -metadata "
         "artist=Band -metadata album=Record -metadata date=2004 -metadata genre=Rock -metadata "
         "comment=Nice -metadata track=3/12 {out}"},
        {"tagged.wma",
         "ffmpeg -v error -y -i {dir}/sine.wav -t 1 -c:a wmav2 -b:a 128k -metadata title=Song "
         "-metadata author=Band -metadata album=Record -metadata genre=Rock -metadata WM/Year=2004 "
         "-metadata track=3 -metadata Xuthor=Second {out}"},
    };
    return c;
}

std::mutex makeMutex;

// Test programs run side by side share the folder: a fixture is made under a
// name of this process (same extension, the tools go by it) and renamed into
// place whole, so another program never reads one half written.
std::string PartName(const std::string& name) {
    return Dir() + "/.part-" + std::to_string(getpid()) + "-" + name;
}

// Runs a fixture command whose {out} is `name` in the fixture folder.
void Make(std::string cmd, const std::string& name) {
    const std::string part = PartName(name);
    for (std::size_t at; (at = cmd.find("{dir}")) != std::string::npos;) cmd.replace(at, 5, Dir());
    for (std::size_t at; (at = cmd.find("{out}")) != std::string::npos;) cmd.replace(at, 5, part);
    Run(cmd);
    if (Exists(part)) std::rename(part.c_str(), (Dir() + "/" + name).c_str());
    // A tool may write a companion beside its output (WavPack's correction file).
    const std::string correction = part.substr(0, part.size() - 3) + ".wvc";
    if (part.ends_with(".wv") && Exists(correction))
        std::rename(correction.c_str(), (Dir() + "/" + name.substr(0, name.size() - 3) + ".wvc").c_str());
}

}  // namespace

std::string Write(const std::string& name, const std::string& bytes) {
    mkdir(SONVARO_FIXTURES, 0755);
    mkdir(Dir().c_str(), 0755);
    std::string p = Dir() + "/" + name;
    const std::string part = PartName(name);
    std::ofstream(part, std::ios::binary | std::ios::trunc) << bytes;
    std::rename(part.c_str(), p.c_str());
    return p;
}

std::string Path(const std::string& name) {
    std::lock_guard lock(makeMutex);
    std::string p = Dir() + "/" + name;
    if (Exists(p)) return p;
    mkdir(SONVARO_FIXTURES, 0755);
    mkdir(Dir().c_str(), 0755);
    auto it = Commands().find(name);
    if (it != Commands().end()) {
        std::string cmd = it->second;
        // Sources first: most fixtures encode one of the wav files.
        for (const char* src : {"sine.wav", "clicks.wav"}) {
            if (cmd.find(std::string("{dir}/") + src) != std::string::npos && !Exists(Dir() + "/" + src))
                Make(Commands().at(src), src);
        }
        Make(cmd, name);
    } else if (name == "silence.mp1") {
        Write(name, MakeMp1(2.0));
    } else if (name == "tune.mid") {
        Write(name, MakeMidi(true));
    } else if (name == "empty.mid") {
        Write(name, MakeMidi(false));
    } else if (name == "tune.mod") {
        Write(name, MakeMod(1.92));
    } else if (name == "tune.s3m") {
        Write(name, MakeS3m());
    } else if (name == "tune.xm") {
        Write(name, MakeXm());
    } else if (name == "tune.it") {
        Write(name, MakeIt());
    } else {
        ADD_FAILURE() << "unknown fixture " << name;
    }
    if (!Exists(p)) ADD_FAILURE() << "fixture not made: " << name;
    return p;
}

std::string MakeMp1(double seconds) {
    // MPEG-1 Layer I, 44.1 kHz stereo, 128 kbit/s, every subband unallocated (silence).
    const int frames = static_cast<int>(std::ceil(seconds * 44100 / 384));
    const std::size_t frameBytes = (12 * 128000 / 44100) * 4;
    std::string s;
    for (int i = 0; i < frames; ++i) {
        std::string f = {'\xFF', '\xFF', '\x40', '\x00'};
        Pad(f, frameBytes);
        s += f;
    }
    return s;
}

std::string MakeMidi(bool withNotes) {
    // Format 0, 480 ticks per quarter, 120 bpm then 60 bpm after 2 beats:
    // four quarter notes of middle C/E/G/C, ending at tick 1920 = 1 s + 2 s = 3 s.
    std::string track;
    auto delta = [&](std::uint32_t d) {
        std::string v;
        v += char(d & 0x7F);
        while (d >>= 7) v.insert(v.begin(), char((d & 0x7F) | 0x80));
        track += v;
    };
    auto bytes = [&](std::initializer_list<int> b) {
        for (int v : b) track += static_cast<char>(v);
    };
    delta(0), bytes({0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20});  // 500000 us per quarter
    delta(0), bytes({0xC0, 0x00});                          // piano
    const int notes[4] = {60, 64, 67, 72};
    for (int i = 0; i < 4; ++i) {
        if (i == 2) delta(0), bytes({0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40});  // 1000000 us per quarter
        delta(0);
        if (withNotes)
            bytes({0x90, notes[i], 0x64});
        else
            bytes({0xB0, 0x07, 0x64});
        delta(480);
        if (withNotes)
            bytes({0x80, notes[i], 0x00});
        else
            bytes({0xB0, 0x07, 0x64});
    }
    delta(0), bytes({0xFF, 0x2F, 0x00});
    std::string s = "MThd";
    Be32(s, 6), Be16(s, 0), Be16(s, 1), Be16(s, 480);
    s += "MTrk";
    Be32(s, static_cast<std::uint32_t>(track.size()));
    return s + track;
}

std::string MakeMod(double seconds) {
    // 4-channel ProTracker module: one looping sine sample, a note on rows
    // 0 and 8, and a pattern break after row 15 (16 rows at 6 ticks, 125 bpm = 1.92 s).
    (void)seconds;
    std::string s;
    Text(s, "sonvaro test", 20);
    for (int i = 0; i < 31; ++i) {
        std::string inst;
        Text(inst, i == 0 ? "sine" : "", 22);
        unsigned words = i == 0 ? 1024 : 0;
        Be16(inst, words), inst += '\0', inst += char(i == 0 ? 64 : 0);
        Be16(inst, 0), Be16(inst, i == 0 ? words : 1);
        s += inst;
    }
    s += char(1), s += char(127);
    std::string order(128, '\0');
    s += order + "M.K.";
    std::string pattern(64 * 4 * 4, '\0');
    auto note = [&](int row, int chan, unsigned period, int sample, int effect, int param) {
        std::size_t at = (row * 4 + chan) * 4;
        pattern[at] = char((sample & 0xF0) | ((period >> 8) & 0x0F));
        pattern[at + 1] = char(period & 0xFF);
        pattern[at + 2] = char(((sample & 0x0F) << 4) | (effect & 0x0F));
        pattern[at + 3] = char(param);
    };
    note(0, 0, 214, 1, 0, 0);  // C-3
    note(8, 1, 170, 1, 0, 0);  // E-3
    note(15, 0, 0, 0, 0xD, 0);
    s += pattern;
    s += SineSample(2048, true);
    return s;
}

std::string MakeS3m() {
    // ScreamTracker 3: one instrument, one pattern with two notes and a break after row 15.
    std::string s;
    Text(s, "sonvaro s3m", 28);
    s += '\x1A', s += '\x10', Le16(s, 0);
    Le16(s, 2), Le16(s, 1), Le16(s, 1);       // orders (padded to even), instruments, patterns
    Le16(s, 0), Le16(s, 0x1320), Le16(s, 2);  // flags, created with, unsigned samples
    s += "SCRM";
    s += '\x40', s += '\x06', s += '\x7D', s += '\xB0', s += '\x10', s += '\x00';
    Pad(s, 0x40);
    for (int i = 0; i < 32; ++i) s += char(i < 2 ? i * 8 : 255);  // channel settings: L1, R1
    s += '\x00', s += '\xFF';                                     // orders: pattern 0, end
    const std::size_t instAt = 0x70, patAt = 0xC0, sampleAt = 0x200;
    Le16(s, instAt / 16), Le16(s, patAt / 16);
    Pad(s, instAt);
    s += '\x01';
    Text(s, "", 12);
    s += char((sampleAt / 16) >> 16), Le16(s, (sampleAt / 16) & 0xFFFF);
    Le32(s, 2048), Le32(s, 0), Le32(s, 2048);
    s += '\x40', s += '\x00', s += '\x00', s += '\x01';  // volume, reserved, packing, flags: loop
    Le32(s, 8363), Pad(s, s.size() + 12);
    Text(s, "sine", 28);
    s += "SCRS";
    Pad(s, patAt);
    std::string p;
    p += '\x20', p += '\x40', p += '\x01';  // row 0, channel 0: note C-5, instrument 1
    p += '\x00';                            // end of row 0
    for (int r = 1; r < 15; ++r) p += '\x00';
    p += '\x80', p += '\x03', p += '\x00';  // row 15, channel 0: effect C (pattern break) 00
    p += '\x00';
    for (int r = 16; r < 64; ++r) p += '\x00';
    Le16(s, static_cast<unsigned>(p.size() + 2));
    s += p;
    Pad(s, sampleAt);
    s += SineSample(2048, false);
    return s;
}

std::string MakeXm() {
    // FastTracker 2: one instrument with one looping sample, one 16-row pattern.
    std::string s = "Extended Module: ";
    Text(s, "sonvaro xm", 20);
    s += '\x1A';
    Text(s, "sonvaro", 20);
    Le16(s, 0x0104);
    Le32(s, 276);
    Le16(s, 1), Le16(s, 0), Le16(s, 2), Le16(s, 1), Le16(s, 1),
        Le16(s, 1);  // len, restart, chans, pats, insts, linear
    Le16(s, 6), Le16(s, 125);
    std::string order(256, '\0');
    s += order;
    std::string rows;
    rows += char(49), rows += char(1), rows += '\0', rows += '\0', rows += '\0';  // row 0 ch 0: C-4 inst 1
    rows += '\x80';                                                               // ch 1 empty
    for (int r = 1; r < 16; ++r) rows += '\x80', rows += '\x80';
    Le32(s, 9), s += '\0', Le16(s, 16), Le16(s, static_cast<unsigned>(rows.size()));
    s += rows;
    // Instrument header (263 bytes with one sample) then the sample header and data.
    std::string inst;
    Le32(inst, 263);
    Text(inst, "sine", 22);
    inst += '\0';
    Le16(inst, 1);
    Le32(inst, 40);
    inst += std::string(96, '\0');      // sample number for every note
    inst += std::string(48 * 2, '\0');  // envelopes
    inst += std::string(14, '\0');      // envelope counts, points, flags, vibrato
    Le16(inst, 0x400);                  // fade-out
    Pad(inst, 263);
    s += inst;
    std::string data = SineSample(2048, true);
    std::string delta;
    signed char prev = 0;
    for (char c : data) {
        delta += char(static_cast<signed char>(c) - prev);
        prev = static_cast<signed char>(c);
    }
    Le32(s, 2048), Le32(s, 0), Le32(s, 2048);
    s += '\x40', s += '\x00', s += '\x01', s += '\x80', s += '\x00', s += '\x00';
    Text(s, "sine", 22);
    s += delta;
    return s;
}

std::string MakeIt() {
    // Impulse Tracker (sample mode): one sample, one 16-row pattern.
    std::string s = "IMPM";
    Text(s, "sonvaro it", 26);
    Le16(s, 0x1004);
    Le16(s, 2), Le16(s, 0), Le16(s, 1), Le16(s, 1);  // orders, instruments, samples, patterns
    Le16(s, 0x0214), Le16(s, 0x0200), Le16(s, 0x0009), Le16(s, 0);
    s += '\x80', s += '\x30', s += '\x06', s += '\x7D', s += '\x80', s += '\x00';
    Le16(s, 0), Le32(s, 0), Le32(s, 0);
    for (int i = 0; i < 64; ++i) s += char(32);  // channel pan
    for (int i = 0; i < 64; ++i) s += char(64);  // channel volume
    s += '\x00', s += '\xFF';
    const std::uint32_t sampleHeaderAt = static_cast<std::uint32_t>(s.size() + 8);
    const std::uint32_t patternAt = sampleHeaderAt + 80;
    Le32(s, sampleHeaderAt), Le32(s, patternAt);
    std::string smp = "IMPS";
    Text(smp, "", 12);
    smp += '\0', smp += '\x40', smp += '\x11', smp += '\x40';  // global vol, flags: sample + loop, volume
    Text(smp, "sine", 26);
    smp += '\x01', smp += '\x20';  // signed samples, default pan off
    Le32(smp, 2048), Le32(smp, 0), Le32(smp, 2048), Le32(smp, 8363), Le32(smp, 0), Le32(smp, 0);
    std::uint32_t dataAt = 0;  // patched below
    std::size_t dataField = s.size() + smp.size();
    Le32(smp, 0);
    smp += '\0', smp += '\0', smp += '\0', smp += '\0';
    s += smp;
    std::string p;
    p += '\x81', p += '\x03', p += char(60), p += '\x01';  // row 0, channel 1: note + instrument
    p += '\x00';
    for (int r = 1; r < 15; ++r) p += '\x00';
    p += '\x81', p += '\x08', p += '\x03', p += '\x00';  // row 15: effect C (break) 00
    p += '\x00';
    for (int r = 16; r < 64; ++r) p += '\x00';
    Le16(s, static_cast<unsigned>(p.size())), Le16(s, 64), Le32(s, 0);
    s += p;
    dataAt = static_cast<std::uint32_t>(s.size());
    s[dataField] = char(dataAt & 0xFF), s[dataField + 1] = char((dataAt >> 8) & 0xFF);
    s[dataField + 2] = char((dataAt >> 16) & 0xFF), s[dataField + 3] = char(dataAt >> 24);
    s += SineSample(2048, true);
    return s;
}

}  // namespace fixtures
