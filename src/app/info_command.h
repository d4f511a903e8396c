#pragma once
#include <cstdio>
#include <string>
#include <vector>

#include "platform/file_info.h"  // UnplayableReason

namespace sonvaro {

// `sonvaro --info FILE...`: what the player reads from each file, one
// "key=value" line per field, a blank line between files, as the playlist
// reads it (tracker modules included). A file that gives nothing gets a
// one-line reason on `errors`. Returns 1 when any file gave nothing, else 0.
int RunInfo(const std::vector<std::string>& files, std::FILE* out, std::FILE* errors);

}  // namespace sonvaro
