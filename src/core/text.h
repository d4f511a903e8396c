#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace sonvaro {

// The one case rule of the program: ASCII A-Z and the letters U+00C0..U+00DE
// (UTF-8 C3 80..C3 9E) are lowered by 0x20; every other byte stays.
std::string FoldCase(std::string_view text);
// The same into `out` (its buffer reused: no allocation once it is large enough).
void FoldCaseInto(std::string_view text, std::string& out);
// Appends the folded text to `out`.
void AppendFoldCase(std::string& out, std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);

// ASCII-only folding, for INI group and key names.
bool EqualsAsciiNoCase(std::string_view a, std::string_view b);
std::string FoldAscii(std::string_view text);

// Leading and trailing ' ' only.
std::string_view TrimSpaces(std::string_view text);
// Leading and trailing ' ' and '\t'.
std::string_view TrimBlanks(std::string_view text);

// What every text field goes through before it is written to a data file: no
// "|" and no line break survive, nor leading or trailing spaces.
std::string CleanFieldForFile(std::string_view text);

// The longest text a tag field keeps (bytes of UTF-8): enough for any title or
// comment a list can show, small enough that a hostile tag cannot fill the library.
constexpr std::size_t kMaxTagText = 4096;
// At most `maxBytes` of `text`, cut before a UTF-8 sequence that would not fit whole.
std::string_view CutUtf8(std::string_view text, std::size_t maxBytes);
// A tag's text as it becomes a track's field: cleaned for the data files, cut to kMaxTagText.
std::string TagFieldText(std::string_view text);

// Text from files and servers made safe to print on a terminal: control
// characters (C0, DEL, C1) and bytes that are no UTF-8 are each shown as
// U+FFFD, so that no tag can move the cursor, retitle the window or ring.
std::string TerminalText(std::string_view text);

// Decimal text of a signed number, no grouping.
std::string DecimalText(long long value);

// An internet address the radio road opens: "http://", "https://" or "ftp://" in any case.
bool IsStreamAddress(std::string_view path);

// The file name part of a path; "/" and "\" both separate.
std::string_view FileNameOf(std::string_view path);
// The folder part including its last separator; empty when there is none.
std::string_view FolderOf(std::string_view path);

}  // namespace sonvaro
