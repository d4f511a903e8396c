#pragma once
#include <string>

namespace sonvaro {

// The desktop's file manager: shows a file selected in its folder, or opens a
// folder. Paths are bytes, as the file system holds them.
class FileBrowser {
  public:
    virtual ~FileBrowser() = default;
    virtual void ShowItem(const std::string& path) = 0;
    virtual void OpenFolder(const std::string& folder) = 0;
};

}  // namespace sonvaro
