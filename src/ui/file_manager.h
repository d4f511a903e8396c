#pragma once
#include <QString>

namespace sonvaro {

// Shows a file selected in the desktop's file manager; without one, opens its folder.
void ShowInFileManager(const QString& path);

}  // namespace sonvaro
