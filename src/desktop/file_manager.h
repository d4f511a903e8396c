#pragma once
#include "core/ports/file_browser.h"

namespace sonvaro {

// The file manager over the desktop's FileManager1 service on the session bus;
// without one, the folder opens in whatever the desktop opens folders with.
class DesktopFileBrowser : public FileBrowser {
  public:
    void ShowItem(const std::string& path) override;
    void OpenFolder(const std::string& folder) override;
};

}  // namespace sonvaro
