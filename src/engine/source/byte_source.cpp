#include "engine/source/byte_source.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "engine/bass.h"

namespace sonvaro::audio {

std::unique_ptr<FileByteSource> FileByteSource::Open(const std::string& path, std::int64_t offset,
                                                     std::int64_t length) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return nullptr;
    std::int64_t total = st.st_size;
    offset = std::clamp<std::int64_t>(offset, 0, total);
    std::int64_t size = total - offset;
    if (length > 0) size = std::min(size, length);
    auto src = std::unique_ptr<FileByteSource>(new FileByteSource(f, offset, size));
    if (!src->Seek(0)) return nullptr;
    return src;
}

FileByteSource::~FileByteSource() {
    std::fclose(file_);
}

std::int64_t FileByteSource::Read(void* buffer, std::size_t size) {
    std::int64_t left = size_ - pos_;
    if (left <= 0) return 0;
    std::size_t want =
        static_cast<std::size_t>(std::min<std::int64_t>(left, static_cast<std::int64_t>(size)));
    std::size_t got = std::fread(buffer, 1, want, file_);
    if (got == 0 && std::ferror(file_)) return -1;
    pos_ += static_cast<std::int64_t>(got);
    return static_cast<std::int64_t>(got);
}

bool FileByteSource::Seek(std::int64_t offset) {
    if (offset < 0 || offset > size_) return false;
    if (fseeko(file_, static_cast<off_t>(base_ + offset), SEEK_SET) != 0) return false;
    pos_ = offset;
    return true;
}

MemoryByteSource::MemoryByteSource(const void* data, std::size_t size)
    : data_(static_cast<const char*>(data), size) {}

std::int64_t MemoryByteSource::Read(void* buffer, std::size_t size) {
    std::int64_t left = Size() - pos_;
    if (left <= 0) return 0;
    std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(left, static_cast<std::int64_t>(size)));
    std::memcpy(buffer, data_.data() + pos_, n);
    pos_ += static_cast<std::int64_t>(n);
    return static_cast<std::int64_t>(n);
}

bool MemoryByteSource::Seek(std::int64_t offset) {
    if (offset < 0 || offset > Size()) return false;
    pos_ = offset;
    return true;
}

std::int64_t FilePositionOf(const ByteSource& bytes, std::uint32_t mode) {
    switch (mode) {
        case BASS_FILEPOS_CURRENT:
            return bytes.Position();
        case BASS_FILEPOS_END:
        case BASS_FILEPOS_DOWNLOAD:
            return bytes.Size();
        case BASS_FILEPOS_START:
            return 0;
        case BASS_FILEPOS_BUFFER:
            return bytes.Buffered();
        default:
            return -1;
    }
}

}  // namespace sonvaro::audio
