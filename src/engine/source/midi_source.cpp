#include "engine/source/midi_source.h"

#include <fluidsynth.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <mutex>

#include "engine/bass.h"
#include "engine/source/library_version.h"

namespace sonvaro::audio {

std::uint32_t MidiSource::LibraryVersion() {
    int major = 0, minor = 0, micro = 0;
    fluid_version(&major, &minor, &micro);
    return PackedVersion(static_cast<std::uint32_t>(major), static_cast<std::uint32_t>(minor));
}
namespace {

constexpr std::int64_t kMaxMidiBytes = 16 * 1024 * 1024;

std::mutex defaultFontMutex;
std::string defaultFontPath;

bool FileUsable(const std::string& path) {
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
}

void SilenceFluidLog() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
            fluid_set_log_function(level, nullptr, nullptr);
    });
}

}  // namespace

void MidiSource::SetDefaultFont(const std::string& path) {
    std::lock_guard lock(defaultFontMutex);
    defaultFontPath = path;
}

std::string MidiSource::DefaultFont(const std::string& configured) {
    if (FileUsable(configured)) return configured;
    {
        std::lock_guard lock(defaultFontMutex);
        if (FileUsable(defaultFontPath)) return defaultFontPath;
    }
    for (const char* p : {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2",
                          "/usr/share/sounds/sf2/FluidR3_GM.sf2"}) {
        if (FileUsable(p)) return p;
    }
    return {};
}

std::unique_ptr<MidiSource> MidiSource::Open(ByteSource& bytes, unsigned rate, int& error) {
    error = BASS_ERROR_FILEFORM;
    std::int64_t size = bytes.Size();
    if (size <= 0 || size > kMaxMidiBytes || !bytes.Seek(0)) return nullptr;
    std::string data(static_cast<std::size_t>(size), '\0');
    if (bytes.Read(data.data(), data.size()) != size) {
        error = BASS_ERROR_FILEOPEN;
        return nullptr;
    }
    auto src = std::unique_ptr<MidiSource>(new MidiSource());
    if (!src->file_.Parse(data)) return nullptr;
    src->format_ = {rate, 2, BASS_CTYPE_STREAM_MIDI};
    double seconds = src->file_.Seconds(src->file_.LastTick());
    src->length_ = std::isfinite(seconds) ? static_cast<std::int64_t>(std::llround(seconds * rate)) : 0;
    return src;
}

MidiSource::~MidiSource() {
    if (player_) {
        fluid_player_stop(player_);
        delete_fluid_player(player_);
    }
    if (synth_) delete_fluid_synth(synth_);
    if (settings_) delete_fluid_settings(settings_);
}

bool MidiSource::Prepare(bool) {
    if (prepared_) return !failed_;
    prepared_ = true;
    failed_ = true;
    if (length_ <= 0) return false;
    SilenceFluidLog();
    settings_ = new_fluid_settings();
    if (!settings_) return false;
    fluid_settings_setnum(settings_, "synth.sample-rate", format_.rate);
    fluid_settings_setint(settings_, "synth.cpu-cores", 1);
    fluid_settings_setint(settings_, "synth.threadsafe-api", 0);
    fluid_settings_setstr(settings_, "player.timing-source", "sample");
    // FluidSynth's default gain (0.2) leaves General MIDI fonts far quieter than other files.
    fluid_settings_setnum(settings_, "synth.gain", 0.5);
    synth_ = new_fluid_synth(settings_);
    if (!synth_ || !LoadFonts()) return false;
    failed_ = false;
    StartPlayer(0);
    return player_ != nullptr;
}

bool MidiSource::LoadFonts() {
    std::vector<std::string> wanted = fonts_;
    if (wanted.empty()) {
        std::string def = DefaultFont({});
        if (def.empty()) return false;
        wanted.push_back(def);
    }
    std::vector<int> ids;
    // Later fonts in the list have lower priority, so load them first.
    for (auto it = wanted.rbegin(); it != wanted.rend(); ++it) {
        int id = fluid_synth_sfload(synth_, it->c_str(), 1);
        if (id != FLUID_FAILED) ids.push_back(id);
    }
    if (ids.empty()) return false;
    for (int old : loadedFonts_) fluid_synth_sfunload(synth_, old, 1);
    loadedFonts_ = ids;
    return true;
}

void MidiSource::StartPlayer(std::int64_t tick) {
    if (player_) {
        fluid_player_stop(player_);
        delete_fluid_player(player_);
    }
    fluid_synth_all_sounds_off(synth_, -1);
    fluid_synth_system_reset(synth_);
    player_ = new_fluid_player(synth_);
    if (!player_) return;
    fluid_player_add_mem(player_, file_.Smf().data(), file_.Smf().size());
    fluid_player_play(player_);
    if (tick > 0) fluid_player_seek(player_, static_cast<int>(std::min<std::int64_t>(tick, 0x7FFFFFFF)));
}

void MidiSource::SetFonts(std::vector<std::string> paths) {
    fonts_ = std::move(paths);
    if (prepared_ && !failed_) LoadFonts();
}

bool MidiSource::LoadSamples() {
    return true;
}  // FluidSynth loads a font's samples with the font

std::size_t MidiSource::Read(float* out, std::size_t frames) {
    if (!prepared_ && !Prepare(false)) return 0;
    if (failed_) return 0;
    std::int64_t left = length_ - position_;
    if (left <= 0) return 0;
    auto n = static_cast<int>(std::min<std::int64_t>(left, static_cast<std::int64_t>(frames)));
    fluid_synth_write_float(synth_, n, out, 0, 2, out, 1, 2);
    position_ += n;
    return static_cast<std::size_t>(n);
}

bool MidiSource::Seek(std::int64_t frame) {
    if (!prepared_ && !Prepare(false)) return false;
    if (failed_) return false;
    frame = std::clamp<std::int64_t>(frame, 0, length_);
    std::int64_t tick = file_.Ticks(static_cast<double>(frame) / format_.rate);
    // A fresh player drops notes still held from before the seek.
    StartPlayer(tick);
    position_ = frame;
    return true;
}

}  // namespace sonvaro::audio
