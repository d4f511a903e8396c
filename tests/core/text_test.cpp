#include "core/text.h"

#include <gtest/gtest.h>

#include "core/encoding.h"
#include "core/line_reader.h"

namespace sonvaro {
namespace {

TEST(CaseFold, FoldsAsciiAndLatinCapitalsOnly) {
    EXPECT_EQ(FoldCase("ÄÖÜ ABC xyz"), "äöü abc xyz");
    // U+00DE Þ is the last folded letter, U+00DF ß stays, and so do letters past Latin-1.
    EXPECT_EQ(FoldCase("ÞßŸ"), "þßŸ");
    EXPECT_EQ(FoldCase("×"), "÷");  // 0xD7 lies inside the folded range
    EXPECT_TRUE(EqualsNoCase("HTTP://Radio.Example/ÄÖ", "http://radio.example/äö"));
    EXPECT_FALSE(EqualsNoCase("straße", "STRASSE"));
    EXPECT_TRUE(StartsWithNoCase("Ety:rest", "ETY:"));
    EXPECT_FALSE(StartsWithNoCase("ET", "ETY:"));
}

TEST(CleanFieldForFile, RemovesSeparatorsAndLineBreaks) {
    EXPECT_EQ(CleanFieldForFile("A|B"), "A B");
    EXPECT_EQ(CleanFieldForFile("  Song  "), "Song");
    EXPECT_EQ(CleanFieldForFile("one\r\ntwo\n\rthree\rfour\nfive"), "one two three four five");
    // CR LF pairs are replaced before LF CR pairs: LF CR LF CR is LF, space, CR.
    EXPECT_EQ(CleanFieldForFile("a\n\r\n\rb"), "a   b");
    // Spaces that the replacements put at the edges are trimmed too.
    EXPECT_EQ(CleanFieldForFile("|x|"), "x");
    EXPECT_EQ(CleanFieldForFile("\r\n"), "");
}

TEST(TagFieldText, CutsAtAUtf8BoundaryAfterCleaning) {
    EXPECT_EQ(CutUtf8("ab\xC3\xA4", 3), "ab");  // never half an ä
    EXPECT_EQ(CutUtf8("ab\xE2\x80\x93x", 4), "ab");
    EXPECT_EQ(CutUtf8("abc", 3), "abc");
    std::string longText = " " + std::string(kMaxTagText - 2, 'a') + "\xF0\x9F\x8E\xB5|";
    EXPECT_EQ(TagFieldText(longText), std::string(kMaxTagText - 2, 'a'));
    EXPECT_EQ(TagFieldText(" a|b\r\nc "), "a b c");
}

TEST(TerminalText, ControlCharactersBecomeReplacementMarks) {
    const std::string r = "\xEF\xBF\xBD";  // U+FFFD
    EXPECT_EQ(TerminalText("Titel\x1B]0;evil\x07\rX"), "Titel" + r + "]0;evil" + r + r + "X");
    EXPECT_EQ(TerminalText(std::string("a\0b\tc\x7F", 6)), "a" + r + "b" + r + "c" + r);
    // C1 controls as UTF-8 (CSI is U+009B) and bytes that are no UTF-8 at all.
    EXPECT_EQ(TerminalText("\xC2\x9B"
                           "2J\xC2\x85\x9B\xFF\xC3"),
              r + "2J" + r + r + r + r);
    EXPECT_EQ(TerminalText("Gr\xC3\xBC\xC3\x9F \xE2\x80\x93 \xC2\xA0\xF0\x9F\x8E\xB5"),
              "Gr\xC3\xBC\xC3\x9F \xE2\x80\x93 \xC2\xA0\xF0\x9F\x8E\xB5");
}

TEST(PathParts, AcceptBothSeparators) {
    EXPECT_EQ(FileNameOf("C:\\Musik\\a.mp3"), "a.mp3");
    EXPECT_EQ(FileNameOf("/home/u/b.ogg"), "b.ogg");
    EXPECT_EQ(FolderOf("/home/u/b.ogg"), "/home/u/");
    EXPECT_EQ(FolderOf("b.ogg"), "");
}

TEST(Encoding, KeepsUtf8AndConvertsWindows1252) {
    std::string scratch;
    EXPECT_EQ(DecodeLine("Grün", scratch), "Grün");
    EXPECT_EQ(DecodeLine("Gr\xFCn \x80 \x93x\x94", scratch), "Grün € “x”");
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate
    EXPECT_FALSE(IsValidUtf8("abc\xE2\x82"));       // truncated at the end
    EXPECT_TRUE(IsValidUtf8("0123456789abcdef€"));  // past the eight-byte fast path
}

TEST(LineReader, EndsLinesAtCrLfLoneCrAndLoneLf) {
    LineReader reader("a\r\nb\rc\nd\n\ne");
    std::vector<std::string> lines;
    for (std::string_view line; reader.Next(line);) lines.emplace_back(line);
    EXPECT_EQ(lines, (std::vector<std::string>{"a", "b", "c", "d", "", "e"}));

    LineReader withZero(std::string_view("x\0y", 3), true);
    lines.clear();
    for (std::string_view line; withZero.Next(line);) lines.emplace_back(line);
    EXPECT_EQ(lines, (std::vector<std::string>{"x", "y"}));

    LineReader empty("");
    std::string_view line;
    EXPECT_FALSE(empty.Next(line));
}

}  // namespace
}  // namespace sonvaro
