#pragma once
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "library/library.h"

namespace sonvaro {

class StatusLog;

// Reads the library's data file on a thread of its own, so that the first
// sound, the window and remote control do not wait for 100,000 entries.
// Until the read is done the library is marked `loading` (see Library).
class LibraryLoad {
  public:
    LibraryLoad() = default;
    LibraryLoad(const LibraryLoad&) = delete;
    LibraryLoad& operator=(const LibraryLoad&) = delete;
    ~LibraryLoad() { Wait(); }

    // Marks `library` as loading and starts reading `filePath` into it. Where
    // no thread can be had the file is read before this returns.
    void Start(Library& library, std::string filePath, StatusLog* log);
    // True once the file's entries are in the library (and before any Start).
    bool Done() const { return done_.load(std::memory_order_acquire); }
    // Returns once Done.
    void Wait();

  private:
    std::thread thread_;
    std::atomic<bool> done_{true};
};

// Puts the entries read from the file into `library` and ends its `loading`:
// entries a writer added meanwhile stay when the file lacks their path, the
// changes kept for after the read are made, and waiting writers go on.
void HandOverLoadedEntries(Library& library, std::vector<LibraryEntry> loaded);

}  // namespace sonvaro
