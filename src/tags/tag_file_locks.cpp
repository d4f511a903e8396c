#include "tags/tag_file_locks.h"

namespace sonvaro {

TagFileLocks::Guard::Guard(Guard&& other) noexcept
    : owner_(other.owner_), file_(other.file_), writer_(other.writer_) {
    other.owner_ = nullptr;
}

TagFileLocks::Guard::~Guard() {
    if (owner_) owner_->Release(file_, writer_);
}

template <class Ready>
void TagFileLocks::WaitFor(std::unique_lock<std::mutex>& lock, Ready ready) {
    if (ready()) return;
    ++waiting_;
    changed_.wait(lock, ready);
    --waiting_;
}

TagFileLocks::Guard TagFileLocks::Read(const std::string& path) {
    const auto file = FileIdentityOf(path);
    return file ? Read(*file) : Guard();
}

TagFileLocks::Guard TagFileLocks::Read(const FileIdentity& file) {
    std::unique_lock lock(mutex_);
    WaitFor(lock, [&] { return !files_[file].writer; });
    ++files_[file].readers;
    return Guard(this, file, false);
}

TagFileLocks::Guard TagFileLocks::Write(const std::string& path) {
    const auto file = FileIdentityOf(path);
    if (!file) return {};
    std::unique_lock lock(mutex_);
    WaitFor(lock, [&] { return !files_[*file].writer; });
    files_[*file].writer = true;  // from here on no new reader comes in
    WaitFor(lock, [&] { return files_[*file].readers == 0; });
    return Guard(this, *file, true);
}

size_t TagFileLocks::FilesInUse() {
    std::lock_guard lock(mutex_);
    return files_.size();
}

size_t TagFileLocks::Waiting() {
    std::lock_guard lock(mutex_);
    return waiting_;
}

void TagFileLocks::Release(const FileIdentity& file, bool writer) {
    {
        std::lock_guard lock(mutex_);
        const auto it = files_.find(file);
        if (it == files_.end()) return;
        if (writer)
            it->second.writer = false;
        else
            --it->second.readers;
        if (!it->second.writer && it->second.readers == 0) files_.erase(it);
    }
    changed_.notify_all();
}

}  // namespace sonvaro
