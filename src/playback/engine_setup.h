#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace sonvaro {

class Messages;
struct Settings;
struct WorkerState;

struct OutputDevice {
    std::string name;  // trimmed
    uint8_t flags;     // low byte of the engine's device flags
};

// The engine as the rest of the player sees it after set-up.
struct AudioEngineState {
    std::vector<OutputDevice> outputDevices;  // position N is device N
    uint32_t engineVersion = 0;
    bool running = false;
};

// The output rate of a BASS_OutputRate index; 0 outside the table.
uint32_t OutputRateOf(int32_t rateIndex);

// The English text of an engine error code; "" for codes without one.
std::string EngineErrorText(int32_t code);

void RefreshOutputDevices(AudioEngineState& engine);

// Brings the engine up on the device and rate (falling back to the default
// device at 44100 Hz with an error box), sets its options from the settings,
// writes the device actually used back. True when it sounds; the caller then
// sets the play source to 1, as the reset ended every channel. When no output
// opens at all, the engine still runs on "No sound" (engine.running) so files
// can be read and played silently. A running library scan is stopped first:
// it decodes through the engine being freed.
bool InitAudioEngine(int32_t device, int32_t rateIndex, Settings& settings, AudioEngineState& engine,
                     WorkerState& workers, Messages& messages);

}  // namespace sonvaro
