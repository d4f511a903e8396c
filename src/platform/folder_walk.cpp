#include "platform/folder_walk.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

namespace sonvaro {
namespace {

using FolderId = std::pair<dev_t, ino_t>;

struct Walker {
    const FolderWalkOptions& options;
    const std::function<void(const std::string&)>& onFile;
    std::set<FolderId> entered;

    bool Stop() const { return options.shouldStop && options.shouldStop(); }

    std::vector<std::string> SortedNames(const std::string& folder) const {
        std::vector<std::string> names;
        DIR* dir = ::opendir(folder.c_str());
        if (!dir) return names;
        while (const dirent* e = ::readdir(dir)) {
            const std::string_view name = e->d_name;
            if (name != "." && name != "..") names.emplace_back(name);
        }
        ::closedir(dir);
        if (!options.sortKey) {
            std::sort(names.begin(), names.end());
            return names;
        }
        std::vector<std::pair<std::string, std::string>> keyed;
        keyed.reserve(names.size());
        for (std::string& name : names) keyed.emplace_back(options.sortKey(name), std::move(name));
        std::sort(keyed.begin(), keyed.end());
        names.clear();
        for (auto& [key, name] : keyed) names.push_back(std::move(name));
        return names;
    }

    // False when stopped.
    bool Walk(const std::string& folder, const struct stat& self) {
        if (!entered.insert({self.st_dev, self.st_ino}).second) return true;
        for (const std::string& name : SortedNames(folder)) {
            if (Stop()) return false;
            const std::string path = folder + name;
            struct stat st {};
            if (::stat(path.c_str(), &st) != 0) continue;  // vanished, or a dangling link
            if (S_ISDIR(st.st_mode)) {
                if (options.recursive && !Walk(path + "/", st)) return false;
            } else if (S_ISREG(st.st_mode)) {
                onFile(path);
            }
        }
        return true;
    }
};

}  // namespace

bool WalkFolder(std::string folder, const FolderWalkOptions& options,
                const std::function<void(const std::string& file)>& onFile) {
    if (folder.empty()) return true;
    if (folder.back() != '/') folder += '/';
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return true;
    Walker walker{options, onFile, {}};
    return walker.Walk(folder, st);
}

std::vector<std::string> FolderEntryNames(const std::string& folder, std::size_t limit) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return names;
    while (names.size() < limit) {
        const dirent* e = ::readdir(dir);
        if (!e) break;
        const std::string_view name = e->d_name;
        if (name != "." && name != "..") names.emplace_back(name);
    }
    ::closedir(dir);
    return names;
}

}  // namespace sonvaro
