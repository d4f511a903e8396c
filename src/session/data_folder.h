#pragma once
#include <string>

namespace sonvaro {

class Messages;

// The folder of the three data files: the application-data folder + "Sonvaro/".
std::string DataFolderPath(const std::string& appDataFolder);

// Creates the data folder when it is missing; on failure shows the error box
// and returns false (start-up goes on, the files are then not written).
bool EnsureDataFolder(const std::string& appDataFolder, Messages& messages);

}  // namespace sonvaro
