#pragma once
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>

#include "platform/file_info.h"

namespace sonvaro {

// Who may have a file's tags open: any number of readers at once, or one
// writer. A writer waits for the readers already in the file and keeps new
// ones out meanwhile, so a save is never seen half-written and is not held up
// by a scan that reads on. Reads and writes of other files go on unhindered.
// A file is known by its device and inode, so a link or another spelling of
// its path is the same file.
class TagFileLocks {
  public:
    class Guard {
      public:
        Guard() = default;
        Guard(Guard&& other) noexcept;
        Guard& operator=(Guard&&) = delete;
        Guard(const Guard&) = delete;
        ~Guard();

      private:
        friend class TagFileLocks;
        Guard(TagFileLocks* owner, FileIdentity file, bool writer)
            : owner_(owner), file_(file), writer_(writer) {}
        TagFileLocks* owner_ = nullptr;
        FileIdentity file_;
        bool writer_ = false;
    };

    // Wait as said above; a path that names nothing needs no guard (an empty one).
    Guard Read(const std::string& path);
    Guard Read(const FileIdentity& file);
    Guard Write(const std::string& path);

    // The files held now: none once every guard has gone.
    size_t FilesInUse();
    // The readers and writers waiting for another now (for the status of a
    // stuck save, and for tests that need a read held up).
    size_t Waiting();

  private:
    struct Use {
        int readers = 0;
        bool writer = false;
    };
    void Release(const FileIdentity& file, bool writer);
    template <class Ready>
    void WaitFor(std::unique_lock<std::mutex>& lock, Ready ready);

    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<FileIdentity, Use> files_;  // only files in use
    size_t waiting_ = 0;
};

}  // namespace sonvaro
