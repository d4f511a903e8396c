#include "platform/atomic_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/file_info.h"
#include "support/test_support.h"

namespace sonvaro {
namespace {

TEST(AtomicFile, ReplacesContentAndLeavesNoTemporaryFile) {
    test::TempDir dir;
    const std::string path = dir / "data.dat";
    test::WriteFile(path, "old");
    ASSERT_TRUE(WriteFileAtomically(path, "new content"));
    EXPECT_EQ(test::ReadFile(path), "new content");
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
}

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

TEST(AtomicFile, PrivateFilesAreTheUsersAloneSharedOnesFollowTheUmask) {
    test::TempDir dir;
    const std::string fresh = dir / "new.dat", wide = dir / "wide.dat", shared = dir / "list.m3u";
    test::WriteFile(wide, "old");
    chmod(wide.c_str(), 0644);  // as older runs left it
    ASSERT_TRUE(WriteFileAtomically(fresh, "a"));
    ASSERT_TRUE(WriteFileAtomically(wide, "b"));
    const mode_t mask = umask(022);
    ASSERT_TRUE(WriteFileAtomically(shared, "c", FileVisibility::Shared));
    umask(mask);
    EXPECT_EQ(ModeOf(fresh), 0600u);
    EXPECT_EQ(ModeOf(wide), 0600u);
    EXPECT_EQ(test::ReadFile(wide), "b");
    EXPECT_EQ(ModeOf(shared), 0644u);
}

TEST(AtomicFile, AFileTheUserMadeReadOnlyIsLeftAlone) {
    test::TempDir dir;
    const std::string path = dir / "Sonvaro.ini";
    test::WriteFile(path, "mine");
    chmod(path.c_str(), 0444);  // root may write anyway: the mode bits are the user's word
    AtomicFile file(path);
    EXPECT_FALSE(file.Open());
    EXPECT_TRUE(file.LeftReadOnly());
    EXPECT_EQ(file.ErrorText(), "schreibgeschützt, bleibt unverändert");
    EXPECT_FALSE(WriteFileAtomically(path, "replaced"));
    EXPECT_EQ(test::ReadFile(path), "mine");
    EXPECT_EQ(ModeOf(path), 0444u);
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
}

TEST(EnsurePrivateFolder, MakesTheLastFolderPrivateAndTightensAnOpenOne) {
    test::TempDir dir;
    ASSERT_TRUE(EnsurePrivateFolder(dir / "config/Sonvaro/"));
    EXPECT_EQ(ModeOf(dir / "config/Sonvaro") & 077, 0u);
    EXPECT_EQ(ModeOf(dir / "config/Sonvaro") & 0700, 0700u);
    std::filesystem::create_directories(dir / "old/Sonvaro");
    chmod((dir / "old/Sonvaro").c_str(), 0755);
    ASSERT_TRUE(EnsurePrivateFolder(dir / "old/Sonvaro/"));
    EXPECT_EQ(ModeOf(dir / "old/Sonvaro"), 0700u);
    test::WriteFile(dir / "file", "");
    EXPECT_FALSE(EnsurePrivateFolder(dir / "file/"));
}

TEST(AtomicFile, FailsWhenTheFolderIsMissing) {
    test::TempDir dir;
    EXPECT_FALSE(WriteFileAtomically(dir / "missing/data.dat", "x"));
}

TEST(AtomicFile, FullDiskKeepsTheOldFile) {
    test::TempDir dir;
    const std::string path = dir / "data.dat";
    test::WriteFile(path, "precious");
    const pid_t child = fork();
    if (child == 0) {
        // A file size limit makes writes fail part-way, as a full disk does.
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(WriteFileAtomically(path, std::string(1 << 20, 'x')) ? 1 : 0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the failed save must report failure";
    EXPECT_EQ(test::ReadFile(path), "precious");
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
}

TEST(AtomicFile, KillDuringSaveLeavesOldOrNewNeverHalf) {
    test::TempDir dir;
    const std::string path = dir / "data.dat";
    const std::string a(256 * 1024, 'a');
    const std::string b(256 * 1024, 'b');
    ASSERT_TRUE(WriteFileAtomically(path, a));
    for (int round = 0; round < 6; ++round) {
        int pipeFds[2];
        ASSERT_EQ(pipe(pipeFds), 0);
        const pid_t child = fork();
        if (child == 0) {
            close(pipeFds[0]);
            for (int i = 0;; ++i) {
                WriteFileAtomically(path, i % 2 ? a : b);
                const char tick = 1;
                if (write(pipeFds[1], &tick, 1) != 1) _exit(0);
            }
        }
        close(pipeFds[1]);
        // Let the child finish a few saves, then kill it wherever it is; the
        // round number varies the moment.
        char tick;
        for (int i = 0; i <= round; ++i) ASSERT_EQ(read(pipeFds[0], &tick, 1), 1);
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        close(pipeFds[0]);
        const std::string now = test::ReadFile(path);
        EXPECT_TRUE(now == a || now == b) << "round " << round << ": " << now.size() << " bytes";
    }
}

TEST(AtomicFile, ALinkedDataFileIsReplacedAtItsTarget) {
    test::TempDir dir;
    std::filesystem::create_directories(dir / "dotfiles/sub");
    test::WriteFile(dir / "dotfiles/sub/Sonvaro.ini", "old");
    // A relative link to a relative link, as dotfile managers lay them out.
    std::filesystem::create_symlink("dotfiles/sub/Sonvaro.ini", dir / "middle.ini");
    std::filesystem::create_directories(dir / "config");
    std::filesystem::create_symlink("../middle.ini", dir / "config/Sonvaro.ini");
    ASSERT_TRUE(WriteFileAtomically(dir / "config/Sonvaro.ini", "new"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "config/Sonvaro.ini"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "middle.ini"));
    EXPECT_EQ(test::ReadFile(dir / "dotfiles/sub/Sonvaro.ini"), "new");
    EXPECT_FALSE(std::filesystem::exists(dir / "dotfiles/sub/Sonvaro.ini.tmp"));
    // A dangling link gets its target created.
    std::filesystem::create_symlink(dir / "dotfiles/new.dat", dir / "config/PlayList.dat");
    ASSERT_TRUE(WriteFileAtomically(dir / "config/PlayList.dat", "list"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "config/PlayList.dat"));
    EXPECT_EQ(test::ReadFile(dir / "dotfiles/new.dat"), "list");
    // A link loop is an error, not a hang.
    std::filesystem::create_symlink("loop2", dir / "loop1");
    std::filesystem::create_symlink("loop1", dir / "loop2");
    EXPECT_FALSE(WriteFileAtomically(dir / "loop1", "x") && test::ReadFile(dir / "loop1") != "x");
}

TEST(AtomicFile, StaleTemporaryFilesAreRemoved) {
    test::TempDir dir;
    test::WriteFile(dir / "PlayList.dat", "keep");
    test::WriteFile(dir / "PlayList.dat.tmp", std::string(1 << 20, 'h'));
    RemoveStaleTemporary(dir / "PlayList.dat");
    RemoveStaleTemporary(dir / "MediaLibary.dat");  // nothing there: nothing happens
    EXPECT_FALSE(std::filesystem::exists(dir / "PlayList.dat.tmp"));
    EXPECT_EQ(test::ReadFile(dir / "PlayList.dat"), "keep");
}

TEST(FileInfo, TellsFilesFoldersAndEmptyFilesApart) {
    test::TempDir dir;
    test::WriteFile(dir / "full", "x");
    test::WriteFile(dir / "empty", "");
    EXPECT_TRUE(IsNonEmptyFile(dir / "full"));
    EXPECT_FALSE(IsNonEmptyFile(dir / "empty"));
    EXPECT_FALSE(IsNonEmptyFile(dir.path()));
    EXPECT_FALSE(IsNonEmptyFile(dir / "missing"));
    EXPECT_TRUE(IsDirectory(dir.path()));
    EXPECT_EQ(ReadWholeFile(dir / "full"), std::optional<std::string>("x"));
    EXPECT_EQ(ReadWholeFile(dir / "missing"), std::nullopt);
    EXPECT_EQ(ReadWholeFile(dir.path()), std::nullopt);
}

}  // namespace
}  // namespace sonvaro

#include "platform/fault_handler.h"

namespace sonvaro {
namespace {

// Runs `crash` in a child with the handler installed; returns its stderr and exit status.
std::pair<std::string, int> CrashReport(void (*crash)()) {
    int err[2];
    if (pipe(err) != 0) return {};
    const pid_t child = fork();
    if (child == 0) {
        dup2(err[1], 2);
        InstallFaultHandler();
        // noexcept: an exception must reach terminate, not the test framework.
        [crash]() noexcept { crash(); }();
        _exit(0);
    }
    close(err[1]);
    std::string text;
    char buf[256];
    for (ssize_t n; (n = read(err[0], buf, sizeof buf)) > 0;) text.append(buf, static_cast<size_t>(n));
    close(err[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return {text, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

TEST(FaultHandler, ReportsAddressAndPositionThenEnds) {
    const auto [text, code] = CrashReport([] {
        volatile uintptr_t address = 0x10;  // through a variable, so the compiler cannot see the fault
        *reinterpret_cast<volatile int*>(address) = 1;
    });
    EXPECT_EQ(code, 70);
    EXPECT_EQ(text.rfind("Fehler\nAdresse: 0x0000000000000010\nZeile: 0x", 0), 0u) << text;

    const auto [thrown, thrownCode] = CrashReport([] { throw std::runtime_error("kaputt"); });
    EXPECT_EQ(thrownCode, 70);
    EXPECT_NE(thrown.find("Zeile: kaputt"), std::string::npos) << thrown;
}

}  // namespace
}  // namespace sonvaro
