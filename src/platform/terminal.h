#pragma once
#include <cstdio>

namespace sonvaro {

// True when the stream writes to a terminal (a line can then be rewritten in place).
bool IsTerminal(std::FILE* stream);

}  // namespace sonvaro
