#include "core/text.h"

#include <charconv>

namespace sonvaro {
namespace {

inline char FoldAsciiChar(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 0x20) : c;
}

}  // namespace

std::string FoldCase(std::string_view text) {
    std::string s;
    AppendFoldCase(s, text);
    return s;
}

void FoldCaseInto(std::string_view text, std::string& out) {
    out.clear();
    AppendFoldCase(out, text);
}

// A C3 lead byte is never a continuation byte, so a plain scan is safe.
void AppendFoldCase(std::string& out, std::string_view text) {
    const size_t from = out.size();
    out += text;
    for (size_t i = from; i < out.size(); ++i) {
        const auto c = static_cast<unsigned char>(out[i]);
        if (c >= 'A' && c <= 'Z') {
            out[i] = static_cast<char>(c + 0x20);
        } else if (c == 0xC3 && i + 1 < out.size()) {
            const auto n = static_cast<unsigned char>(out[i + 1]);
            if (n >= 0x80 && n <= 0x9E) out[i + 1] = static_cast<char>(n + 0x20);
            ++i;
        }
    }
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    // Fast path for the usual ASCII-only comparison.
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] == b[i]) continue;
        if (FoldAsciiChar(a[i]) == FoldAsciiChar(b[i])) continue;
        // An ASCII byte folds alone (it is never the tail of a folded letter):
        // two different ones mean different texts, without folding them whole.
        if (static_cast<unsigned char>(a[i]) < 0x80 && static_cast<unsigned char>(b[i]) < 0x80) return false;
        return FoldCase(a) == FoldCase(b);
    }
    return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

bool EqualsAsciiNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldAsciiChar(a[i]) != FoldAsciiChar(b[i])) return false;
    return true;
}

std::string FoldAscii(std::string_view text) {
    std::string s(text);
    for (char& c : s) c = FoldAsciiChar(c);
    return s;
}

std::string_view TrimSpaces(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

std::string_view TrimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

namespace {
// Linear, so that a field full of line breaks cannot make saving quadratic.
void ReplaceAll(std::string& s, std::string_view from, std::string_view to) {
    if (s.find(from) == std::string::npos) return;
    std::string out;
    out.reserve(s.size());
    size_t start = 0;
    for (size_t pos = s.find(from); pos != std::string::npos; pos = s.find(from, start)) {
        out.append(s, start, pos - start);
        out.append(to);
        start = pos + from.size();
    }
    out.append(s, start, std::string::npos);
    s.swap(out);
}
}  // namespace

std::string CleanFieldForFile(std::string_view text) {
    std::string out(TrimSpaces(text));
    for (char& c : out)
        if (c == '|') c = ' ';
    if (out.find_first_of("\r\n") != std::string::npos) {
        // The order of these passes decides how mixed line breaks collapse.
        ReplaceAll(out, "\r\n", " ");
        ReplaceAll(out, "\n\r", " ");
        ReplaceAll(out, "\r", " ");
        ReplaceAll(out, "\n", " ");
    }
    return std::string(TrimSpaces(out));
}

std::string_view CutUtf8(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return text;
    std::size_t end = maxBytes;
    // Back to the lead byte of the sequence the cut would split.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end);
}

std::string TagFieldText(std::string_view text) {
    std::string cleaned = CleanFieldForFile(text);
    const std::size_t keep = CutUtf8(cleaned, kMaxTagText).size();
    if (keep < cleaned.size()) {
        cleaned.resize(keep);
        cleaned = std::string(TrimSpaces(cleaned));
    }
    return cleaned;
}

namespace {
// Length of the well-formed UTF-8 sequence at `i`, 0 when there is none.
std::size_t Utf8SequenceAt(std::string_view s, std::size_t i) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = b(i);
    std::size_t n = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF)
        n = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) {
        n = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        n = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else
        return 0;
    if (i + n > s.size() || b(i + 1) < low || b(i + 1) > high) return 0;
    for (std::size_t k = 2; k < n; ++k)
        if ((b(i + k) & 0xC0) != 0x80) return 0;
    return n;
}
}  // namespace

std::string TerminalText(std::string_view text) {
    static constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            if (c < 0x20 || c == 0x7F)
                out += kReplacement;
            else
                out += static_cast<char>(c);
            ++i;
            continue;
        }
        const std::size_t n = Utf8SequenceAt(text, i);
        // U+0080..U+009F (C2 80..C2 9F) are the C1 controls, CSI among them.
        if (n == 0 || (c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0)) {
            out += kReplacement;
            i += n == 0 ? 1 : n;
        } else {
            out.append(text.substr(i, n));
            i += n;
        }
    }
    return out;
}

std::string DecimalText(long long value) {
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, res.ptr);
}

bool IsStreamAddress(std::string_view path) {
    return StartsWithNoCase(path, "http://") || StartsWithNoCase(path, "https://") ||
           StartsWithNoCase(path, "ftp://");
}

std::string_view FileNameOf(std::string_view path) {
    const auto sep = path.find_last_of("/\\");
    return sep == std::string_view::npos ? path : path.substr(sep + 1);
}

std::string_view FolderOf(std::string_view path) {
    const auto sep = path.find_last_of("/\\");
    return sep == std::string_view::npos ? std::string_view{} : path.substr(0, sep + 1);
}

}  // namespace sonvaro
