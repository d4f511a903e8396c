// Test audio made at test time and cached in SONVARO_FIXTURES: tools (sox,
// lame, ffmpeg, flac, oggenc, wavpack) for sampled formats, our own writers
// for MP1, tracker modules and MIDI.
#pragma once

#include <string>
#include <vector>

namespace fixtures {

// Path of a named fixture, generated on first use; fails the test when it cannot be made.
// Names: sine.wav (1 kHz, 44.1 kHz stereo, 3 s, amplitude 0.5), and the same tone as
// sine.mp3 sine.mp2 sine.ogg sine.opus sine.aiff sine.wma sine.flac sine.wv sine.aac
// sine.m4a video.mp4 vbr_noxing.mp3; sine24.flac sine32.flac (the same samples at 24 and 32 bits); float.wav
// (48 kHz mono float, 2 s, 440 Hz); low.wav (100 Hz), clicks.wav / .flac / .mp3 / _vbr.mp3 (no VBR header) /
// .ogg / .aac / .m4a (a 5 ms burst at every whole second, 10 s); burst.wav (10 ms of white noise at 0.5 s, 3
// s); silence.mp1 (2 s); tune.mid; empty.mid (no notes); tune.mod tune.s3m tune.xm tune.it; tagged.m4a;
// tagged.wma; song_one.ogg (ARTIST "Band A", TITLE "Song One"), song_two.ogg ("Band B", "Song Two"),
// song_one.opus (as song_one.ogg, 1 s); tone.wav (997 Hz, 4 s, amplitude 0.5) and its halves cut at frame
// 89434 as tone_a/tone_b .flac and .mp3 (LAME, 320 kbit/s); tone_48k.flac (the tone at 48 kHz, 2 s).
std::string Path(const std::string& name);

// Writes bytes to a fresh file in the fixtures folder and returns its path.
std::string Write(const std::string& name, const std::string& bytes);

// Own writers (exposed for the bad-input tests that damage them).
std::string MakeMod(double seconds);
std::string MakeS3m();
std::string MakeXm();
std::string MakeIt();
std::string MakeMidi(bool withNotes);
std::string MakeMp1(double seconds);

}  // namespace fixtures
