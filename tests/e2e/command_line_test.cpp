// The command line: the parser directly, and the real binary's answers.
#include "app/command_line.h"

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "support/fixtures.h"
#include "support/id3_builder.h"
#include "support/test_support.h"

namespace sonvaro {
namespace {

struct Output {
    std::string out, err;
    int status = -1;
};

// Runs `sonvaro ARGS` through the shell in `folder`, stdout and stderr apart.
// Runs the player with `args` in `folder`; with `usage`, the resources of this
// run alone (not of every program the test ran before).
Output RunPlayer(const std::string& args, const std::string& folder = "/", rusage* usage = nullptr) {
    test::TempDir errors;
    const std::string command = "cd '" + folder + "' && " + SONVARO_BINARY + " " + args + " >'" +
                                errors.path() + "out' 2>'" + errors.path() + "err'";
    const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
    pid_t pid = 0;
    Output result;
    if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) return result;
    int status = 0;
    rusage own{};
    wait4(pid, &status, 0, &own);
    if (usage) *usage = own;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = test::ReadFile(errors / "out");
    result.err = test::ReadFile(errors / "err");
    return result;
}

TEST(CommandLineParser, ModesFilesAndTheEndOfOptions) {
    CommandLine line = ParseCommandLine({"a.mp3", "--headless", "b.mp3", "--stay"});
    EXPECT_EQ(line.mode, RunMode::Headless);
    EXPECT_TRUE(line.stay);
    EXPECT_EQ(line.files, (std::vector<std::string>{"a.mp3", "b.mp3"}));

    line = ParseCommandLine({"--info", "--", "-x.mp3", "--headless", "-"});
    EXPECT_EQ(line.mode, RunMode::Info);
    EXPECT_EQ(line.files, (std::vector<std::string>{"-x.mp3", "--headless", "-"}));

    line = ParseCommandLine({});
    EXPECT_EQ(line.mode, RunMode::Window);
    EXPECT_FALSE(line.stay);

    EXPECT_EQ(ParseCommandLine({"--bogus", "--help"}).mode, RunMode::Refused);  // refused before help is seen
    EXPECT_EQ(ParseCommandLine({"x", "--version"}).mode, RunMode::Version);
    EXPECT_EQ(ParseCommandLine({"--headless", "--info", "x"}).mode, RunMode::Refused);
    EXPECT_EQ(ParseCommandLine({"--headless", "--headless"}).mode, RunMode::Headless);
    const CommandLine bare = ParseCommandLine({"--info"});
    EXPECT_EQ(bare.mode, RunMode::Refused);
    EXPECT_TRUE(bare.showUsage);
}

TEST(CommandLine, UnknownOptionsAreRefusedInOneLineWithStatus2) {
    for (const std::string option : {"-v", "--foo", "--headles"}) {
        const Output run = RunPlayer(option);
        EXPECT_EQ(run.status, 2) << option;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "sonvaro: unbekannte Option \xE2\x80\x9E" + option +
                               "\xE2\x80\x9C (\xE2\x80\x9Esonvaro --help\xE2\x80\x9C zeigt alle)\n");
    }
}

TEST(CommandLine, HelpHasOneLinePerModeAndNothingThatDoesNotExist) {
    const Output run = RunPlayer("--help");
    EXPECT_EQ(run.status, 0);
    for (const char* mode :
         {"sonvaro [--stay] [DATEI]", "sonvaro --headless", "sonvaro --info DATEI", "sonvaro --remote BEFEHL",
          "sonvaro --help", "sonvaro --version", "--stay ", "--  "}) {
        const size_t at = run.out.find(mode);
        EXPECT_NE(at, std::string::npos) << mode;
        EXPECT_EQ(run.out.find(mode, at + 1), std::string::npos) << mode << " twice";
    }
    EXPECT_EQ(run.out.find("--mpris"), std::string::npos);  // nothing that does not exist
}

TEST(CommandLine, DoubleDashLetsAFileStartWithADash) {
    test::TempDir dir;
    ASSERT_EQ(std::system(("sox -n -r 8000 -c 1 -b 16 '" + dir.path() + "-x.wav' synth 1 sine 440").c_str()),
              0);
    const Output run = RunPlayer("--info -- -x.wav", dir.path());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("path=-x.wav\ntitle=-x\n"), std::string::npos) << run.out;
    EXPECT_EQ(RunPlayer("--info -x.wav", dir.path()).status, 2);
}

TEST(InfoCommand, ReadsTrackerModulesAsThePlaylistDoes) {
    const Output run = RunPlayer("--info '" + fixtures::Path("tune.mod") + "'");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_NE(run.out.find("result=1\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\ntitle=sonvaro test\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\nlength=2\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\nchannelType=131072\ntype=MOD\n"), std::string::npos) << run.out;
}

TEST(InfoCommand, EachFileThatGivesNothingGetsItsReasonOnStderr) {
    test::TempDir dir;
    test::WriteFile(dir / "leer.mp3", "");
    test::WriteFile(dir / "text.mp3", "kein Ton, nur Text, lang genug zum Pruefen");
    const Output run = RunPlayer("--info fehlt.mp3 leer.mp3 text.mp3 .", dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "sonvaro: fehlt.mp3: Datei nicht gefunden\n"
              "sonvaro: leer.mp3: Datei ist leer\n"
              "sonvaro: text.mp3: Format nicht erkannt\n"
              "sonvaro: .: ist ein Ordner\n");
}

TEST(InfoCommand, ACueSheetListsItsTracks) {
    test::TempDir dir;
    std::filesystem::copy_file(fixtures::Path("sine.wav"), dir / "album.wav");  // 3 s
    // Windows-1252 text, as sheets written by CD rippers often are.
    test::WriteFile(dir / "album.cue",
                    "REM DATE 1999\r\nPERFORMER \"Die Band\"\r\nTITLE \"Das Album\"\r\n"
                    "FILE \"album.wav\" WAVE\r\n  TRACK 01 AUDIO\r\n    TITLE \"Eins\"\r\n"
                    "    INDEX 01 00:00:00\r\n  TRACK 02 AUDIO\r\n    TITLE \"Zw\xF6lf\"\r\n"
                    "    PERFORMER \"Gast\"\r\n    INDEX 01 00:01:50\r\n");
    test::WriteFile(dir / "fehlt.cue", "FILE \"weg.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n");
    const Output run = RunPlayer("--info album.cue", dir.path());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out,
              "path=album.cue\nalbum=Das Album\nperformer=Die Band\ntracks=2\n"
              "01\tDie Band\tEins\t00:00:00\t00:01:50\n"
              "02\tGast\tZw\xC3\xB6lf\t00:01:50\t00:01:25\n");

    const Output missing = RunPlayer("--info fehlt.cue nirgends.cue", dir.path());
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err,
              "sonvaro: fehlt.cue: CUE: Audiodatei fehlt: 'weg.wav'\n"
              "sonvaro: nirgends.cue: Datei nicht gefunden\n");
    EXPECT_NE(missing.out.find("tracks=0\n"), std::string::npos) << missing.out;
}

// An MP3 of one second behind the given ID3v2 tag.
std::string Mp3Behind(const std::string& tag, const test::TempDir& dir, const std::string& name) {
    const std::string plain = dir / "plain.mp3";
    if (std::system(("sox -n -r 44100 -c 1 -b 16 -t wav - synth 1 sine 440 2>/dev/null | lame --quiet - '" +
                     plain + "'")
                        .c_str()) != 0)
        ADD_FAILURE() << "no MP3";
    test::WriteFile(dir / name, tag + test::ReadFile(plain));
    return dir / name;
}

TEST(InfoCommand, TagTextCannotSteerTheTerminal) {
    using namespace std::string_literals;
    test::TempDir dir;
    const std::string tag =
        test::Id3Tag(3, test::Id3Frame(3, "TIT2", "\0Titel\x1B]0;evil\x07\rX"s) + test::Id3Frame(3, "TPE1",
                                                                                                 "\0\x9B"
                                                                                                 "2JBand"s));
    Mp3Behind(tag, dir, "steuer.mp3");
    const Output run = RunPlayer("--info steuer.mp3", dir.path());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.find_first_of("\x1B\x07\r"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\ntitle=Titel\xEF\xBF\xBD]0;evil\xEF\xBF\xBD X\n"), std::string::npos) << run.out;
    // Latin-1 0x9B is U+009B, the one-byte CSI.
    EXPECT_NE(run.out.find("\nartist=\xEF\xBF\xBD"
                           "2JBand\n"),
              std::string::npos)
        << run.out;
}

TEST(InfoCommand, CompressedFrameBombIsReadInBoundedMemory) {
    using namespace std::string_literals;
    test::TempDir dir;
    // 100 MiB of spaces as the title, in about 100 KB.
    const std::string bomb = test::DeflatedRun("\0"s, ' ', std::size_t{100} << 20);
    Mp3Behind(test::Id3Tag(3, test::Id3Frame(3, "TIT2", bomb, (100u << 20) + 1) +
                                  test::Id3Frame(3, "TPE1", "\0Band"s)),
              dir, "bombe.mp3");
    // The same reading of a file with a small tag is the base (a sanitizer build alone takes over 100 MiB).
    Mp3Behind(test::Id3Tag(3, test::Id3Frame(3, "TIT2", "\0klein"s)), dir, "klein.mp3");
    rusage base{}, usage{};
    ASSERT_EQ(RunPlayer("--info klein.mp3", dir.path(), &base).status, 0);
    const Output run = RunPlayer("--info bombe.mp3", dir.path(), &usage);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("\ntitle=bombe\nartist=Band\n"), std::string::npos) << run.out;
    EXPECT_EQ(run.err,
              "sonvaro: bombe.mp3: zu gro\xC3\x9F"
              "e Tag-Felder \xC3\xBC"
              "bersprungen\n");
    // Well below what the title alone would take.
    EXPECT_LT((usage.ru_maxrss - base.ru_maxrss) / 1024, 50) << "MiB more than for a small tag";
}

TEST(InfoCommand, WithoutAFileTheUsageGoesToStderr) {
    const Output run = RunPlayer("--info");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("sonvaro: --info braucht mindestens eine Datei\nAufruf: sonvaro", 0), 0u)
        << run.err;
}

}  // namespace
}  // namespace sonvaro
