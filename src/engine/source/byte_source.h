// Byte sources over a window of a file and over memory (the interface is in
// engine/content_probe.h, where the tag reader sees it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "engine/content_probe.h"

namespace sonvaro::audio {

// A window [offset, offset+length) of a file on disk; length 0 means to the end.
class FileByteSource final : public ByteSource {
  public:
    static std::unique_ptr<FileByteSource> Open(const std::string& path, std::int64_t offset,
                                                std::int64_t length);
    ~FileByteSource() override;

    std::int64_t Read(void* buffer, std::size_t size) override;
    bool Seek(std::int64_t offset) override;
    std::int64_t Position() const override { return pos_; }
    std::int64_t Size() const override { return size_; }
    bool Seekable() const override { return true; }

  private:
    FileByteSource(std::FILE* file, std::int64_t base, std::int64_t size)
        : file_(file), base_(base), size_(size) {}
    std::FILE* file_;
    std::int64_t base_;
    std::int64_t size_;
    std::int64_t pos_ = 0;
};

// BASS_StreamGetFilePosition's answer for a source read from `bytes`.
std::int64_t FilePositionOf(const ByteSource& bytes, std::uint32_t mode);

// A copy of caller memory (BASS_StreamCreateFile with mem = TRUE).
class MemoryByteSource final : public ByteSource {
  public:
    MemoryByteSource(const void* data, std::size_t size);
    std::int64_t Read(void* buffer, std::size_t size) override;
    bool Seek(std::int64_t offset) override;
    std::int64_t Position() const override { return pos_; }
    std::int64_t Size() const override { return static_cast<std::int64_t>(data_.size()); }
    bool Seekable() const override { return true; }

  private:
    std::string data_;
    std::int64_t pos_ = 0;
};

}  // namespace sonvaro::audio
