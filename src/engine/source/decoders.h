// The engine's decoders in one table: what each plays, how it is chosen (by
// content, never by file name), how it opens, and the library behind it. A
// new decoder is one entry here and one file of its own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/decoder_list.h"
#include "engine/source/byte_source.h"
#include "engine/source/probe.h"
#include "engine/source/source.h"

namespace sonvaro::audio {

// What a decoder is chosen by and opened with.
struct DecoderInput {
    std::unique_ptr<ByteSource> bytes;  // an opening decoder takes it
    ProbeResult probe;
    std::string path;    // the file's path; empty for memory and network streams
    unsigned rate = 0;   // the rate the decoders that render (MIDI, modules) render at
    bool video = false;  // MP4 files with a video track are opened too
};

enum class DecoderUse {
    Stream,  // sampled files and MIDI (BASS_StreamCreateFile, BASS_StreamCreateURL)
    Music,   // tracker modules (BASS_MusicLoad)
};

struct Decoder {
    const char* name;     // the library, as the settings list it
    const char* formats;  // what it plays, for people
    DecoderUse use;
    bool overNetwork;  // also decodes internet streams
    std::uint32_t (*version)();
    // Whether this decoder opens the content (for streams; every module goes to the music decoder).
    bool (*takes)(DecoderInput& input);
    // nullptr with a BASS error code when the data cannot be decoded after all.
    std::unique_ptr<Source> (*open)(DecoderInput& input, int& error);
};

// In the order the settings list them.
const std::vector<Decoder>& Decoders();
// The stream decoder that takes `input`'s content; nullptr when none does.
const Decoder* StreamDecoderFor(DecoderInput& input);
const Decoder& MusicDecoder();
// Containers a decoder can follow without seeking, as a network stream needs.
bool ReadsWithoutSeeking(Container container);

}  // namespace sonvaro::audio
