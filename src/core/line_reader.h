#pragma once
#include <string_view>

namespace sonvaro {

// Walks the lines of a text held in memory. A line ends at CR LF, a lone CR or
// a lone LF (and, for playlist imports, at a zero byte); the ends are not part
// of the line. A final line without an end counts; an empty text has no lines.
class LineReader {
  public:
    explicit LineReader(std::string_view text, bool zeroEndsLine = false)
        : text_(text), zeroEndsLine_(zeroEndsLine) {}

    bool Next(std::string_view& line) {
        if (pos_ >= text_.size()) return false;
        const size_t start = pos_;
        size_t end = start;
        const char* data = text_.data();
        const size_t size = text_.size();
        while (end < size) {
            const char c = data[end];
            if (c == '\n' || c == '\r' || (zeroEndsLine_ && c == '\0')) break;
            ++end;
        }
        line = text_.substr(start, end - start);
        pos_ = end;
        if (pos_ < size) {
            const char c = data[pos_++];
            if (c == '\r' && pos_ < size && data[pos_] == '\n') ++pos_;
        }
        return true;
    }

  private:
    std::string_view text_;
    bool zeroEndsLine_;
    size_t pos_ = 0;
};

}  // namespace sonvaro
