#pragma once

namespace sonvaro {

// The player without a window: loads the data files, runs until SIGINT or
// SIGTERM, then saves all three and returns the exit code.
int RunHeadless();

}  // namespace sonvaro
