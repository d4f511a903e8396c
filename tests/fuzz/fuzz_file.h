#pragma once
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

// The fuzzed bytes as a file, for readers that take a path.
inline const std::string& FuzzFile(const uint8_t* data, size_t size, const char* suffix) {
    static const std::string path = std::string("/tmp/sonvaro-fuzz-") + std::to_string(getpid()) + suffix;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    return path;
}
