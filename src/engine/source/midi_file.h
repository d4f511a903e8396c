// Just enough of a Standard MIDI File to know its length and to turn times
// into ticks: the tempo map and the last event. FluidSynth plays the notes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sonvaro::audio {

class MidiFile {
  public:
    // `data` may be a plain SMF or a RIFF RMID wrapper; false when it is neither.
    bool Parse(const std::string& data);

    const std::string& Smf() const { return smf_; }  // the bare SMF bytes
    double Seconds(std::int64_t tick) const;
    std::int64_t Ticks(double seconds) const;
    std::int64_t LastTick() const { return lastTick_; }
    int NoteCount() const { return notes_; }

  private:
    struct Tempo {
        std::int64_t tick;
        double seconds;  // time at `tick`
        double secondsPerTick;
    };
    bool ParseTrack(const unsigned char* p, std::size_t size,
                    std::vector<std::pair<std::int64_t, std::uint32_t>>& tempos);

    std::string smf_;
    int division_ = 0;
    double smpteTickSeconds_ = 0;
    std::vector<Tempo> tempos_;
    std::int64_t lastTick_ = 0;
    int notes_ = 0;
};

}  // namespace sonvaro::audio
