// Cover pictures as files for other programs (MPRIS mpris:artUrl), kept in
// $XDG_CACHE_HOME/sonvaro/covers/ under the hash of their content.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace sonvaro {

class CoverFileCache {
  public:
    static constexpr uint64_t kDefaultLimit = uint64_t{50} << 20;

    // `folder` ending in "/"; empty: $XDG_CACHE_HOME/sonvaro/covers/.
    explicit CoverFileCache(std::string folder = {}, uint64_t limitBytes = kDefaultLimit);

    // The file holding `picture` (written when new, its time renewed when
    // not); empty when it cannot be written or is no known picture format.
    // The least recently stored files go while the folder holds more than
    // the limit; the one just stored always stays.
    std::string Store(std::string_view picture);

    const std::string& Folder() const { return folder_; }

  private:
    void Trim(const std::string& keep);

    std::string folder_;
    uint64_t limit_;
};

// The SHA-256 of `bytes` in lower-case hexadecimal.
std::string ContentHash(std::string_view bytes);

}  // namespace sonvaro
