#include "engine/source/decoders.h"

#include "engine/bass.h"
#include "engine/source/ffmpeg_source.h"
#include "engine/source/flac_source.h"
#include "engine/source/midi_source.h"
#include "engine/source/module_source.h"
#include "engine/source/wavpack_source.h"

namespace sonvaro::audio {
namespace {

// FFmpeg's FLAC decoder (before 6.0) cannot decode 32-bit files; libFLAC takes those.
bool DeepFlac(DecoderInput& in) {
    return in.probe.container == Container::Flac && FlacBitsPerSample(*in.bytes, in.probe.dataOffset) > 24;
}

// A hybrid WavPack file's correction data lives beside it, named like it with ".wvc".
std::string CorrectionPath(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    const std::string base = (dot != std::string::npos && (slash == std::string::npos || dot > slash))
                                 ? path.substr(0, dot)
                                 : path;
    return base + ".wvc";
}

const std::vector<Decoder> kDecoders = {
    {"FFmpeg", "MP1, MP2, MP3, Ogg Vorbis, Opus, WAV, AIFF, WMA, FLAC, AAC, MP4", DecoderUse::Stream, true,
     &FfmpegSource::LibraryVersion,
     [](DecoderInput& in) {
         switch (in.probe.container) {
             case Container::Wav:
             case Container::Aiff:
             case Container::Ogg:
             case Container::Asf:
             case Container::Mp4:
             case Container::Adts:
             case Container::Mpeg:
                 return true;
             case Container::Flac:
                 return !DeepFlac(in);
             default:
                 return false;
         }
     },
     [](DecoderInput& in, int& error) -> std::unique_ptr<Source> {
         return FfmpegSource::Open(std::move(in.bytes), in.probe, in.video, error);
     }},
    {"libopenmpt", "MOD, S3M, XM, IT, MTM, UMX, MO3", DecoderUse::Music, false, &ModuleSource::LibraryVersion,
     [](DecoderInput&) { return false; },
     [](DecoderInput& in, int& error) -> std::unique_ptr<Source> {
         return ModuleSource::Open(*in.bytes, in.rate, error);
     }},
    {"FluidSynth", "MIDI mit SF2 Sound Font", DecoderUse::Stream, false, &MidiSource::LibraryVersion,
     [](DecoderInput& in) { return in.probe.container == Container::Midi; },
     [](DecoderInput& in, int& error) -> std::unique_ptr<Source> {
         return MidiSource::Open(*in.bytes, in.rate, error);
     }},
    {"WavPack", "WavPack (WV, WVC)", DecoderUse::Stream, false, &WavPackSource::LibraryVersion,
     [](DecoderInput& in) { return in.probe.container == Container::WavPack; },
     [](DecoderInput& in, int& error) -> std::unique_ptr<Source> {
         std::unique_ptr<ByteSource> correction;
         if (!in.path.empty() && CorrectionPath(in.path) != in.path)
             correction = FileByteSource::Open(CorrectionPath(in.path), 0, 0);
         return WavPackSource::Open(std::move(in.bytes), std::move(correction), error);
     }},
    {"libFLAC", "FLAC mit 32 Bit", DecoderUse::Stream, false, &FlacSource::LibraryVersion, &DeepFlac,
     [](DecoderInput& in, int& error) -> std::unique_ptr<Source> {
         return FlacSource::Open(std::move(in.bytes), error);
     }},
};

}  // namespace

const std::vector<Decoder>& Decoders() {
    return kDecoders;
}

std::vector<DecoderListing> DecoderListings() {
    std::vector<DecoderListing> list;
    for (const Decoder& d : kDecoders) list.push_back({d.name, d.formats, d.version()});
    return list;
}

const Decoder* StreamDecoderFor(DecoderInput& input) {
    if (input.probe.container == Container::Unknown) return nullptr;
    for (const Decoder& d : kDecoders)
        if (d.use == DecoderUse::Stream && d.takes(input)) return &d;
    return nullptr;
}

const Decoder& MusicDecoder() {
    for (const Decoder& d : kDecoders)
        if (d.use == DecoderUse::Music) return d;
    return kDecoders.front();  // not reached: the table has one
}

bool ReadsWithoutSeeking(Container container) {
    switch (container) {
        case Container::Mpeg:
        case Container::Adts:
        case Container::Ogg:
        case Container::Flac:
        case Container::Wav:
        case Container::Aiff:
            return true;
        default:
            return false;  // MP4 and ASF keep their index where only seeking finds it
    }
}

}  // namespace sonvaro::audio
