// MIDI files rendered by FluidSynth on our own clock (sample-timed player),
// with the length taken from the file's tempo map rather than from the synth,
// which keeps sounding release tails after the last event.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/source/byte_source.h"
#include "engine/source/midi_file.h"
#include "engine/source/source.h"

struct _fluid_hashtable_t;
struct _fluid_synth_t;
struct _fluid_player_t;

namespace sonvaro::audio {

class MidiSource final : public Source {
  public:
    // The version of the library linked in: major * 100 + minor.
    static std::uint32_t LibraryVersion();
    static std::unique_ptr<MidiSource> Open(ByteSource& bytes, unsigned rate, int& error);
    ~MidiSource() override;

    SourceFormat Format() const override { return format_; }
    std::int64_t LengthFrames() const override { return length_; }
    bool Prepare(bool prescan) override;
    std::size_t Read(float* out, std::size_t frames) override;
    bool Seek(std::int64_t frame) override;

    // Sound fonts to use instead of the automatic one; takes effect at once when playing.
    void SetFonts(std::vector<std::string> paths);
    bool LoadSamples();

    // The automatic font: `configured` when set, else the system's GM font.
    static std::string DefaultFont(const std::string& configured);
    static void SetDefaultFont(const std::string& path);

  private:
    MidiSource() = default;
    bool LoadFonts();
    void StartPlayer(std::int64_t tick);

    MidiFile file_;
    SourceFormat format_;
    std::int64_t length_ = 0;
    std::int64_t position_ = 0;
    std::vector<std::string> fonts_;
    std::vector<int> loadedFonts_;
    bool prepared_ = false;
    bool failed_ = false;
    _fluid_hashtable_t* settings_ = nullptr;
    _fluid_synth_t* synth_ = nullptr;
    _fluid_player_t* player_ = nullptr;
};

}  // namespace sonvaro::audio
