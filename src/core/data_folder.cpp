#include "core/data_folder.h"

#include <filesystem>
#include <system_error>

#include "core/messages.h"
#include "platform/file_info.h"

namespace sonvaro {

std::string DataFolderPath(const std::string& appDataFolder) {
    return appDataFolder + "Sonvaro/";
}

bool EnsureDataFolder(const std::string& appDataFolder, Messages& messages) {
    const std::string folder = DataFolderPath(appDataFolder);
    if (IsDirectory(folder)) return true;
    // The configuration folder itself may be missing on a fresh account.
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (IsDirectory(folder)) return true;
    messages.ErrorBox("Verzeichnis konnte nicht erstellt werden\n'" + folder + "'");
    return false;
}

}  // namespace sonvaro
