#pragma once
#include <string>
#include <string_view>

namespace sonvaro {

// Who may read a file we write: the user's own data (settings with a proxy
// password, play history) is private; a playlist exported for others is not.
enum class FileVisibility { Private, Shared };

// Replaces a file only when its new content is safely on disk: the bytes go to
// a temporary file in the same folder, are flushed with fsync, and the
// temporary file is renamed over the old one. A crash, a kill or a full disk
// at any moment leaves either the old or the new file, never a half one.
// A file the user made read-only (no write bit for its owner) is left alone:
// the rename would replace it all the same.
class AtomicFile {
  public:
    // tempPath empty: finalPath + ".tmp".
    explicit AtomicFile(std::string finalPath, FileVisibility visibility = FileVisibility::Private,
                        std::string tempPath = {});
    ~AtomicFile();  // discards an uncommitted temporary file
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file; false when it cannot be created or the file is read-only.
    bool Open();
    // Buffers and writes; errors are remembered and reported by Commit.
    void Write(std::string_view bytes);
    // Flushes, syncs and renames; false (old file intact) on any failure.
    bool Commit();

    const std::string& FinalPath() const { return finalPath_; }
    // After a failed Open or Commit: why, in the player's words.
    const std::string& ErrorText() const { return error_; }
    // True when the failure was a read-only file left as it is.
    bool LeftReadOnly() const { return readOnly_; }

  private:
    void Discard();
    void Fail(int error);
    std::string finalPath_;
    std::string tempPath_;
    FileVisibility visibility_;
    int fd_ = -1;
    bool failed_ = false, readOnly_ = false;
    std::string error_;
};

// Removes the temporary file a killed save of `path` may have left.
void RemoveStaleTemporary(const std::string& path);

// Convenience: the whole content in one call.
bool WriteFileAtomically(const std::string& path, std::string_view content,
                         FileVisibility visibility = FileVisibility::Private);

// Creates `folder` (and missing parents) so that only the user may enter it;
// an existing folder of the user's is tightened to that. False when it is no folder of the user's.
bool EnsurePrivateFolder(const std::string& folder);

}  // namespace sonvaro
