#pragma once

namespace sonvaro {

// Hands freed heap pages back to the system, after a large transient buffer
// (a whole data file) was released.
void ReleaseFreeMemory();

}  // namespace sonvaro
