#pragma once
#include <QIcon>

namespace sonvaro {

// The desktop theme's icon for one of our names, else our bundled drawing.
QIcon Icon(const QString& name);
QIcon AppIcon();
// The play triangle of the playing list row, drawn in the row's text colour so
// that it shows on the row's own colours and on the selection alike.
QIcon PlayingRowSymbol(const QColor& colour);
void EnsureResources();

}  // namespace sonvaro
