#pragma once
#include <string>
#include <string_view>

namespace sonvaro {

// Replaces a file only when its new content is safely on disk: the bytes go to
// a temporary file in the same folder, are flushed with fsync, and the
// temporary file is renamed over the old one. A crash, a kill or a full disk
// at any moment leaves either the old or the new file, never a half one.
class AtomicFile {
  public:
    // tempPath empty: finalPath + ".tmp".
    explicit AtomicFile(std::string finalPath, std::string tempPath = {});
    ~AtomicFile();  // discards an uncommitted temporary file
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file; false when it cannot be created.
    bool Open();
    // Buffers and writes; errors are remembered and reported by Commit.
    void Write(std::string_view bytes);
    // Flushes, syncs and renames; false (old file intact) on any failure.
    bool Commit();

    const std::string& FinalPath() const { return finalPath_; }

  private:
    void Discard();
    std::string finalPath_;
    std::string tempPath_;
    int fd_ = -1;
    bool failed_ = false;
};

// Removes the temporary file a killed save of `path` may have left.
void RemoveStaleTemporary(const std::string& path);

// Convenience: the whole content in one call.
bool WriteFileAtomically(const std::string& path, std::string_view content);

}  // namespace sonvaro
