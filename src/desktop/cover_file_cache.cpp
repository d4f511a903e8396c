#include "desktop/cover_file_cache.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/app_folders.h"
#include "platform/atomic_file.h"
#include "tags/cover_art.h"

namespace sonvaro {

namespace fs = std::filesystem;

std::string ContentHash(std::string_view bytes) {
    return QCryptographicHash::hash(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())),
                                    QCryptographicHash::Sha256)
        .toHex()
        .toStdString();
}

CoverFileCache::CoverFileCache(std::string folder, uint64_t limitBytes)
    : folder_(folder.empty() ? GetCacheFolder() + "sonvaro/covers/" : std::move(folder)), limit_(limitBytes) {
    if (!folder_.empty() && folder_.back() != '/') folder_ += '/';
}

std::string CoverFileCache::Store(std::string_view picture) {
    const std::string_view extension = CoverExtension(picture);
    if (extension.empty() || picture.size() > kMaxCoverBytes || !EnsurePrivateFolder(folder_)) return {};
    const std::string path = folder_ + ContentHash(picture) + "." + std::string(extension);
    std::error_code error;
    if (fs::file_size(path, error) == picture.size() && !error) {
        fs::last_write_time(path, fs::file_time_type::clock::now(), error);  // recently used again
    } else if (!WriteFileAtomically(path, picture, FileVisibility::Private)) {
        return {};
    }
    Trim(path);
    return path;
}

// Oldest first, by modification time; only our own names (hash + extension) are touched.
void CoverFileCache::Trim(const std::string& keep) {
    struct Entry {
        fs::file_time_type time;
        uint64_t size;
        fs::path path;
    };
    std::vector<Entry> entries;
    uint64_t total = 0;
    std::error_code error;
    for (fs::directory_iterator it(folder_, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.size() < 65 || name[64] != '.' || !it->is_regular_file(error)) continue;
        const uint64_t size = it->file_size(error);
        if (error) continue;
        entries.push_back({it->last_write_time(error), size, it->path()});
        total += size;
        if (entries.size() > 100000) break;  // a folder filled by someone else
    }
    if (total <= limit_) return;
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.time < b.time; });
    for (const Entry& e : entries) {
        if (total <= limit_) break;
        if (e.path == keep) continue;
        if (fs::remove(e.path, error)) total -= e.size;
    }
}

}  // namespace sonvaro
