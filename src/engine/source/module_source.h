// Tracker modules (MOD, S3M, XM, IT, MTM, UMX, MO3) rendered by libopenmpt.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/source/byte_source.h"
#include "engine/source/source.h"

struct openmpt_module;

namespace sonvaro::audio {

class ModuleSource final : public Source {
  public:
    // The version of the library linked in: major * 100 + minor.
    static std::uint32_t LibraryVersion();
    // Reads the whole file; nullptr with a BASS error code when it is not a module we accept.
    static std::unique_ptr<ModuleSource> Open(ByteSource& bytes, unsigned rate, int& error);
    ~ModuleSource() override;

    SourceFormat Format() const override { return format_; }
    std::int64_t LengthFrames() const override { return length_; }
    bool Prepare(bool) override { return true; }
    std::size_t Read(float* out, std::size_t frames) override;
    bool Seek(std::int64_t frame) override;
    const char* Tags(std::uint32_t type) override;

  private:
    ModuleSource() = default;
    openmpt_module* module_ = nullptr;
    SourceFormat format_;
    std::int64_t length_ = 0;
    std::int64_t position_ = 0;
    std::string name_;
};

}  // namespace sonvaro::audio
