#pragma once
#include <cstddef>
#include <string>

namespace sonvaro {

// A new file only this user can read, made where others may write too (a
// temporary folder): created exclusively, never through a link someone
// planted under the name. Closed by Close or the destructor.
class PrivateNewFile {
  public:
    explicit PrivateNewFile(const std::string& path);
    ~PrivateNewFile();
    PrivateNewFile(const PrivateNewFile&) = delete;
    PrivateNewFile& operator=(const PrivateNewFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    // Writes all `size` bytes; false on any failure.
    bool Write(const char* data, size_t size);
    // True when everything written reached the file.
    bool Close();

  private:
    int fd_ = -1;
};

// Removes a file (not a folder); false when it could not be removed.
bool RemoveFile(const std::string& path);

// This process's id, for names that two players must not share.
unsigned ProcessNumber();

}  // namespace sonvaro
