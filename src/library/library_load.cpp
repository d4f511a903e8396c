#include "library/library_load.h"

#include <string_view>
#include <system_error>
#include <unordered_set>

#include "library/library_file.h"

namespace sonvaro {

void HandOverLoadedEntries(Library& library, std::vector<LibraryEntry> loaded) {
    std::vector<std::function<void(Library&)>> changes;
    {
        std::lock_guard lock(library.libraryLock);
        std::vector<LibraryEntry> meanwhile = std::move(library.entries);
        library.entries = std::move(loaded);
        if (!meanwhile.empty()) {
            // Room first: the set looks at the entries' own paths.
            library.entries.reserve(library.entries.size() + meanwhile.size());
            std::unordered_set<std::string_view> stored;
            stored.reserve(library.entries.size());
            for (const LibraryEntry& entry : library.entries) stored.insert(entry.info.path);
            for (LibraryEntry& entry : meanwhile) {
                if (library.entries.size() >= kLibraryCapacity) break;
                if (!stored.contains(entry.info.path)) library.entries.push_back(std::move(entry));
            }
        }
        ++library.removals;  // positions known before are stale
        changes.swap(library.afterLoad);
        // In the order they were asked for, before any writer that waited.
        for (auto& change : changes) change(library);
        library.loading = false;
    }
    library.loadedSignal.notify_all();
    ++library.diskChanges;  // views search again
}

void LibraryLoad::Start(Library& library, std::string filePath, StatusLog* log) {
    Wait();
    {
        std::lock_guard lock(library.libraryLock);
        library.loading = true;
    }
    done_.store(false, std::memory_order_release);
    const auto read = [this, &library, filePath = std::move(filePath), log] {
        Library fresh;
        LoadLibraryFile(fresh, filePath, log);
        HandOverLoadedEntries(library, std::move(fresh.entries));
        done_.store(true, std::memory_order_release);
    };
    try {
        thread_ = std::thread(read);
    } catch (const std::system_error&) {
        read();
    }
}

void LibraryLoad::Wait() {
    if (thread_.joinable()) thread_.join();
}

}  // namespace sonvaro
