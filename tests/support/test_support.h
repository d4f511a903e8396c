#pragma once
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/ports/messages.h"

namespace sonvaro::test {

// A fresh folder under the system temp folder, removed afterwards; ends in "/".
class TempDir {
  public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "sonvaro-test-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
        path_ += '/';
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + name; }

  private:
    std::string path_;
};

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline std::vector<std::string> SplitCrLf(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t pos; (pos = text.find("\r\n", start)) != std::string::npos; start = pos + 2)
        lines.push_back(text.substr(start, pos - start));
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

// Records every box and answers questions with a preset answer.
class RecordingMessages : public Messages {
  public:
    struct Box {
        std::string text, title;
        MessageIcon icon;
        bool question;
    };
    void Show(const std::string& text, const std::string& title, MessageIcon icon) override {
        boxes.push_back({text, title, icon, false});
    }
    bool Ask(const std::string& text, const std::string& title, MessageIcon icon) override {
        boxes.push_back({text, title, icon, true});
        return answer;
    }
    bool answer = true;
    std::vector<Box> boxes;
};

}  // namespace sonvaro::test
