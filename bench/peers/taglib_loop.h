#pragma once
// The peer of every tag-reading benchmark: a plain TagLib C loop that opens
// each file, reads its tag and audio properties and closes it.
#include <taglib/tag_c.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace sonvaro::bench {

// Seconds for the whole list.
inline double TagLibLoopSeconds(const std::vector<std::string>& paths) {
    const auto start = std::chrono::steady_clock::now();
    long sum = 0;
    for (const std::string& path : paths) {
        TagLib_File* file = taglib_file_new(path.c_str());
        if (!file) continue;
        if (TagLib_Tag* tag = taglib_file_tag(file)) sum += std::string(taglib_tag_title(tag)).size();
        if (const TagLib_AudioProperties* p = taglib_file_audioproperties(file))
            sum += taglib_audioproperties_length(p);
        taglib_tag_free_strings();
        taglib_file_free(file);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (sum == 0) std::fprintf(stderr, "no tags read\n");
    return seconds;
}

}  // namespace sonvaro::bench
