#include "engine/source/module_source.h"

#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "engine/bass.h"
#include "engine/source/library_version.h"

namespace sonvaro::audio {

std::uint32_t ModuleSource::LibraryVersion() {
    const std::uint32_t v = openmpt_get_library_version();
    return PackedVersion(v >> 24, (v >> 16) & 0xFF);
}
namespace {

constexpr std::int64_t kMaxModuleBytes = 256 * 1024 * 1024;

std::string Meta(openmpt_module* mod, const char* key) {
    const char* v = openmpt_module_get_metadata(mod, key);
    std::string s = v ? v : "";
    openmpt_free_string(v);
    return s;
}

std::uint32_t TypeCode(const std::string& type) {
    if (type == "mod") return BASS_CTYPE_MUSIC_MOD;
    if (type == "mtm") return BASS_CTYPE_MUSIC_MTM;
    if (type == "s3m") return BASS_CTYPE_MUSIC_S3M;
    if (type == "xm") return BASS_CTYPE_MUSIC_XM;
    if (type == "it") return BASS_CTYPE_MUSIC_IT;
    return 0;
}

void Quiet(const char*, void*) {}

}  // namespace

std::unique_ptr<ModuleSource> ModuleSource::Open(ByteSource& bytes, unsigned rate, int& error) {
    error = BASS_ERROR_FILEFORM;
    std::int64_t size = bytes.Size();
    if (size <= 0 || size > kMaxModuleBytes || !bytes.Seek(0)) return nullptr;
    std::vector<char> data(static_cast<std::size_t>(size));
    std::int64_t got = 0;
    while (got < size) {
        std::int64_t n = bytes.Read(data.data() + got, data.size() - static_cast<std::size_t>(got));
        if (n <= 0) break;
        got += n;
    }
    if (got != size) {
        error = BASS_ERROR_FILEOPEN;
        return nullptr;
    }
    int probe = openmpt_probe_file_header(OPENMPT_PROBE_FILE_HEADER_FLAGS_DEFAULT, data.data(), data.size(),
                                          static_cast<std::uint64_t>(size), Quiet, nullptr, nullptr, nullptr,
                                          nullptr, nullptr);
    if (probe == OPENMPT_PROBE_FILE_HEADER_RESULT_FAILURE) return nullptr;
    int err = 0;
    openmpt_module* mod = openmpt_module_create_from_memory2(data.data(), data.size(), Quiet, nullptr,
                                                             nullptr, nullptr, &err, nullptr, nullptr);
    if (!mod) return nullptr;
    auto src = std::unique_ptr<ModuleSource>(new ModuleSource());
    src->module_ = mod;
    std::string type = Meta(mod, "type");
    std::string container = Meta(mod, "container");
    std::uint32_t code = TypeCode(type);
    if (code == 0 && type == "mo3") code = TypeCode(Meta(mod, "originaltype"));
    if (code == 0) return nullptr;  // a format the player does not expect from the module loader
    if (container == "mo3" || type == "mo3")
        code |= BASS_CTYPE_MUSIC_MO3;
    else if (!container.empty() && container != "umx")
        return nullptr;
    src->format_ = {rate, 2, code};
    double seconds = openmpt_module_get_duration_seconds(mod);
    src->length_ = std::isfinite(seconds) && seconds > 0 ? static_cast<std::int64_t>(seconds * rate) : 0;
    src->name_ = Meta(mod, "title");
    openmpt_module_set_repeat_count(mod, 0);
    return src;
}

ModuleSource::~ModuleSource() {
    openmpt_module_destroy(module_);
}

std::size_t ModuleSource::Read(float* out, std::size_t frames) {
    std::int64_t left = length_ - position_;
    if (left <= 0) return 0;
    frames = static_cast<std::size_t>(std::min<std::int64_t>(left, static_cast<std::int64_t>(frames)));
    std::size_t done = 0;
    while (done < frames) {
        std::size_t n = openmpt_module_read_interleaved_float_stereo(
            module_, static_cast<std::int32_t>(format_.rate), frames - done, out + done * 2);
        if (n == 0) break;
        done += n;
    }
    position_ += static_cast<std::int64_t>(done);
    return done;
}

bool ModuleSource::Seek(std::int64_t frame) {
    frame = std::clamp<std::int64_t>(frame, 0, length_);
    // libopenmpt lands on a row start; render up to the exact frame.
    double landed = openmpt_module_set_position_seconds(module_, static_cast<double>(frame) / format_.rate);
    std::int64_t skip = frame - static_cast<std::int64_t>(std::llround(landed * format_.rate));
    std::vector<float> scratch(4096 * 2);
    while (skip > 0) {
        std::size_t n = openmpt_module_read_interleaved_float_stereo(
            module_, static_cast<std::int32_t>(format_.rate),
            static_cast<std::size_t>(std::min<std::int64_t>(skip, 4096)), scratch.data());
        if (n == 0) break;
        skip -= static_cast<std::int64_t>(n);
    }
    position_ = frame;
    return true;
}

const char* ModuleSource::Tags(std::uint32_t type) {
    return type == BASS_TAG_MUSIC_NAME ? name_.c_str() : nullptr;
}

}  // namespace sonvaro::audio
