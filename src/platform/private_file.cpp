#include "platform/private_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace sonvaro {

PrivateNewFile::PrivateNewFile(const std::string& path)
    : fd_(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600)) {}

PrivateNewFile::~PrivateNewFile() {
    Close();
}

bool PrivateNewFile::Write(const char* data, size_t size) {
    if (fd_ < 0) return false;
    for (size_t done = 0; done < size;) {
        const ssize_t w = ::write(fd_, data + done, size - done);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        done += static_cast<size_t>(w);
    }
    return true;
}

bool PrivateNewFile::Close() {
    if (fd_ < 0) return false;
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    return closed;
}

bool RemoveFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

unsigned ProcessNumber() {
    return static_cast<unsigned>(::getpid());
}

}  // namespace sonvaro
