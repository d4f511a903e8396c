#pragma once
#include <cstdio>
#include <string>
#include <vector>

namespace sonvaro {

// `sonvaro --info FILE...`: what the player reads from each file, one
// "key=value" line per field, a blank line between files. Returns 1 when any
// file gave nothing, else 0.
int RunInfo(const std::vector<std::string>& files, std::FILE* out);

}  // namespace sonvaro
