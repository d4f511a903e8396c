#include "session/data_folder.h"

#include "core/ports/messages.h"
#include "platform/atomic_file.h"

namespace sonvaro {

std::string DataFolderPath(const std::string& appDataFolder) {
    return appDataFolder + "Sonvaro/";
}

bool EnsureDataFolder(const std::string& appDataFolder, Messages& messages) {
    const std::string folder = DataFolderPath(appDataFolder);
    // Sonvaro.ini may hold a proxy password: only the user may look inside.
    if (EnsurePrivateFolder(folder)) return true;
    messages.ErrorBox("Verzeichnis konnte nicht erstellt werden\n'" + folder + "'");
    return false;
}

}  // namespace sonvaro
