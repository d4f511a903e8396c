#pragma once
#include <QIcon>

namespace sonvaro {

// The desktop theme's icon for one of our names, else our bundled drawing.
QIcon Icon(const QString& name);
QIcon AppIcon();
void EnsureResources();

}  // namespace sonvaro
