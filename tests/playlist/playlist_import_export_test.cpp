#include <gtest/gtest.h>

#include "playlist/playlist_export.h"
#include "playlist/playlist_import.h"
#include "support/test_support.h"

namespace sonvaro {
namespace {

using test::WriteFile;

class ImportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directory(dir / "Musik");
        WriteFile(dir / "Musik/a.mp3", "x");
        WriteFile(dir / "b.mp3", "x");
        WriteFile(dir / "zero.mp3", "");
    }
    std::vector<std::string> ImportM3U(const std::string& text) {
        WriteFile(dir / "list.m3u", text);
        std::vector<std::string> added;
        ReadM3U(dir / "list.m3u", [&added](const std::string& p) { added.push_back(p); });
        return added;
    }
    std::vector<std::string> ImportPLS(const std::string& text) {
        WriteFile(dir / "list.pls", text);
        std::vector<std::string> added;
        ReadPLS(dir / "list.pls", [&added](const std::string& p) { added.push_back(p); });
        return added;
    }
    test::TempDir dir;
};

TEST_F(ImportTest, M3UNeedsItsExactHeader) {
    EXPECT_TRUE(ImportM3U("#extm3u\r\n" + dir.path() + "b.mp3\r\n").empty());
    EXPECT_TRUE(ImportM3U("\xEF\xBB\xBF#EXTM3U\r\n" + dir.path() + "b.mp3\r\n").empty());
    EXPECT_TRUE(ImportM3U(dir.path() + "b.mp3\r\n").empty());
    EXPECT_EQ(ImportM3U("  #EXTM3U  \n#EXTINF:5,B\n\n  " + dir.path() + "b.mp3  \n"),
              std::vector<std::string>{dir.path() + "b.mp3"});
}

TEST_F(ImportTest, M3UJoinsRelativePathsToItsFolder) {
    // Relative, missing (handed on: the adding road skips it), a zero-byte file
    // beside the list (not handed on) and a stream address (as it stands).
    EXPECT_EQ(
        ImportM3U("#EXTM3U\r\nMusik/a.mp3\r\nnone.mp3\r\nzero.mp3\r\n#EXTINF:1,x\r\nhttp://radio/x\r\n"),
        (std::vector<std::string>{dir.path() + "Musik/a.mp3", dir.path() + "none.mp3", "http://radio/x"}));
}

TEST_F(ImportTest, RelativeEntriesPreferThePlaylistsFolderOverTheCurrentOne) {
    std::filesystem::create_directories(dir / "cwd");
    WriteFile(dir / "cwd/b.mp3", "elsewhere");
    WriteFile(dir / "cwd/only-here.mp3", "x");
    const std::string before = std::filesystem::current_path();
    std::filesystem::current_path(dir / "cwd");
    // "b.mp3" exists in both folders: the one beside the list wins; a name only
    // the current folder has is found there, and stored absolute. Lists written
    // by Windows tools use "\".
    const auto m3u = ImportM3U("#EXTM3U\nb.mp3\n./b.mp3\nonly-here.mp3\nMusik\\a.mp3\n");
    const auto pls =
        ImportPLS("[playlist]\nFile2=Musik\\a.mp3\nFile1=b.mp3\nFile3=only-here.mp3\nNumberOfEntries=3\n");
    std::filesystem::current_path(before);
    EXPECT_EQ(m3u, (std::vector<std::string>{dir / "b.mp3", dir / "b.mp3", dir / "cwd/only-here.mp3",
                                             dir / "Musik/a.mp3"}));
    EXPECT_EQ(pls, (std::vector<std::string>{dir / "Musik/a.mp3", dir / "b.mp3", dir / "cwd/only-here.mp3"}));
}

TEST_F(ImportTest, EntryNamesAreBytes) {
    // A Latin-1 name written by a Linux tool is taken as it stands, not re-read as text.
    WriteFile(dir / "caf\xE9.mp3", "x");
    EXPECT_EQ(ImportM3U("#EXTM3U\ncaf\xE9.mp3\n"), std::vector<std::string>{dir / "caf\xE9.mp3"});
    // A Windows-1252 list naming a file stored here under its UTF-8 name.
    WriteFile(dir / "Gr\xC3\xBCn.mp3", "x");
    EXPECT_EQ(ImportM3U("#EXTM3U\nGr\xFCn.mp3\n"), std::vector<std::string>{dir / "Gr\xC3\xBCn.mp3"});
}

TEST_F(ImportTest, PLSTakesFileLinesInOrder) {
    EXPECT_EQ(
        ImportPLS("[playlist]\nfile2=" + dir.path() + "b.mp3\nTitle2=x\nFILE1=" + dir.path() +
                  "Musik/a.mp3=cut\nFile3=http://radio/x\nFile4=" + dir.path() + "zero.mp3\nVersion=2\n"),
        (std::vector<std::string>{dir.path() + "b.mp3", dir.path() + "Musik/a.mp3", "http://radio/x"}));
    // A zero byte ends a line: "File1" and "=<path>" are two lines, neither a "File" entry.
    EXPECT_TRUE(ImportPLS(std::string("File1") + '\0' + "=" + dir.path() + "b.mp3\n").empty());
}

TEST_F(ImportTest, APlaylistThatListsItselfEnds) {
    const std::string self = dir / "self.m3u";
    WriteFile(self, "#EXTM3U\n" + self + "\n" + dir.path() + "b.mp3\n");
    std::vector<std::string> added;
    std::function<void(const std::string&)> add = [&](const std::string& p) {
        added.push_back(p);
        if (p.size() > 4 && p.substr(p.size() - 4) == ".m3u") ReadM3U(p, add);  // as the adding road does
    };
    ReadM3U(self, add);
    EXPECT_EQ(added, (std::vector<std::string>{self, dir.path() + "b.mp3"}));
}

Playlist TwoEntries() {
    Playlist p(2);
    p[0].info = {.path = "/m/a.mp3", .title = "A", .length = 205};
    p[1].info = {.path = "http://radio/x", .title = "", .length = 3725};
    return p;
}

TEST(Export, WritesM3UAndPLSExactly) {
    EXPECT_EQ(M3UText(TwoEntries()),
              "#EXTM3U\r\n#EXTINF:205,A\r\n/m/a.mp3\r\n#EXTINF:3725,\r\nhttp://radio/x\r\n");
    EXPECT_EQ(PLSText(TwoEntries()),
              "[playlist]\r\nFile1=/m/a.mp3\r\nTitle1=A\r\nLength1=205\r\nFile2=http://radio/x\r\nTitle2=\r\n"
              "Length2=3725\r\nNumberOfEntries=2\r\nVersion=2\r\n");
}

class FixedDialog : public SavePlaylistDialog {
  public:
    std::optional<Choice> AskSavePath(const std::string& title, const std::string& folder,
                                      const std::string& filter) override {
        asked = title + "|" + folder + "|" + filter;
        return choice;
    }
    std::optional<Choice> choice;
    std::string asked;
};

TEST(Export, SaveAsFollowsTheDialogAndAsksBeforeOverwriting) {
    test::TempDir dir;
    test::RecordingMessages messages;
    FixedDialog dialog;

    EXPECT_FALSE(SavePlaylistAs({}, "", 0, dialog, messages, "/music/"));
    EXPECT_TRUE(dialog.asked.empty());  // an empty playlist shows no dialog

    EXPECT_FALSE(SavePlaylistAs(TwoEntries(), "", 0, dialog, messages, "/music/"));  // cancelled
    EXPECT_EQ(dialog.asked,
              "Speichern|/music/|Playlist (*.m3u)|*.m3u|Playlist (*.pls)|*.pls||Alle Dateien|*.*");

    dialog.choice = SavePlaylistDialog::Choice{dir / "name", PlaylistFormat::PLS};
    EXPECT_TRUE(SavePlaylistAs(TwoEntries(), "", 0, dialog, messages, "/music/"));
    EXPECT_EQ(test::ReadFile(dir / "name.pls"), PLSText(TwoEntries()));
    EXPECT_TRUE(messages.boxes.empty());

    messages.answer = false;
    EXPECT_FALSE(SavePlaylistAs(Playlist(1), "", 0, dialog, messages, "/music/"));
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].title, "Überschreiben");
    EXPECT_EQ(messages.boxes[0].text,
              "Datei '" + dir.path() + "name.pls' existiert bereits,\nsoll die Datei überschrieben werden?");
    EXPECT_EQ(test::ReadFile(dir / "name.pls"), PLSText(TwoEntries()));

    EXPECT_TRUE(SavePlaylistAs(TwoEntries(), dir / "given.M3U", -1, dialog, messages, ""));
    EXPECT_EQ(test::ReadFile(dir / "given.M3U"), M3UText(TwoEntries()));

    EXPECT_FALSE(SavePlaylistAs(TwoEntries(), dir / "missing/x.m3u", 0, dialog, messages, ""));
    EXPECT_EQ(messages.boxes.back().text, "PlayList konnte nicht gespeichert werden");
    EXPECT_EQ(messages.boxes.back().title, "Hinweis");
}

}  // namespace
}  // namespace sonvaro
