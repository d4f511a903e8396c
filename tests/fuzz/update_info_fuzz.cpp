#include <cstdint>
#include <string_view>

#include "companions/update_check.h"

// A version file as a server may send it: whatever is read, the question text is built.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const sonvaro::UpdateInfo info = sonvaro::ParseUpdateInfo(text);
    const std::string question = sonvaro::NewVersionQuestion(info);
    if (question.find("Installierte Version: 1.09") == std::string::npos) __builtin_trap();
    return 0;
}
