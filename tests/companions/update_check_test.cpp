// The update check against a version file served on 127.0.0.1.
#include "companions/update_check.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <locale>
#include <thread>

#include "core/numbers.h"
#include "core/ports/desktop_ports.h"
#include "support/loopback_server.h"
#include "support/test_support.h"
#include "support/wait.h"

namespace sonvaro::test {
namespace {

class RecordingBrowser : public WebBrowser {
  public:
    void OpenAddress(const std::string& address) override { opened.push_back(address); }
    std::vector<std::string> opened;
};

std::string HttpOk(const std::string& body) {
    return "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// One check against a server answering every request with `response`.
class UpdateCheckTest : public ::testing::Test {
  protected:
    UpdateOutcome Check(const std::string& response) {
        support::LoopbackServer server([&](support::LoopbackServer::Connection& c) { c.Send(response); });
        return CheckAt(VersionFileAddress(server.Url("/")));
    }
    UpdateOutcome CheckAt(const std::string& address, long timeoutMs = 5000) {
        UpdateCheckConfig config;
        config.address = address;
        config.tempFolder = temp.path();
        config.localSeconds = 1700000000;
        config.timeoutMs = timeoutMs;
        return RunUpdateCheck(config);
    }
    // What the user sees: interactive (menu) or not (start-up).
    void Present(const UpdateOutcome& outcome, bool interactive) {
        PresentUpdateOutcome(outcome, interactive, messages, browser, "https://example.org/sonvaro/");
    }
    bool TempFolderEmpty() const { return std::filesystem::is_empty(temp.path()); }

    TempDir temp;
    RecordingMessages messages;
    RecordingBrowser browser;
};

TEST_F(UpdateCheckTest, CurrentVersionIsToldOnlyFromTheMenu) {
    const UpdateOutcome outcome = Check(HttpOk("[version]\r\nversion=109\r\n"));
    EXPECT_EQ(outcome.result, UpdateResult::Current);
    Present(outcome, false);
    EXPECT_TRUE(messages.boxes.empty());
    Present(outcome, true);
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].text, "Programmversion ist aktuell");
    EXPECT_EQ(messages.boxes[0].title, "Update");
    EXPECT_EQ(messages.boxes[0].icon, MessageIcon::Information);
    EXPECT_TRUE(TempFolderEmpty());
}

TEST_F(UpdateCheckTest, NewVersionAsksEvenAtStartUpAndOpensOnlyWebAddresses) {
    const UpdateOutcome outcome =
        Check(HttpOk("; comment\n[version]\nversion = 110\ninfo=Neu: A|Neu: B|Neu: C\ndownload=  "
                     "https://example.org/get  \n"));
    ASSERT_EQ(outcome.result, UpdateResult::NewVersion);
    messages.answer = true;
    Present(outcome, false);
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_TRUE(messages.boxes[0].question);
    EXPECT_EQ(messages.boxes[0].title, "Update");
    EXPECT_EQ(
        messages.boxes[0].text,
        "Aktuellste Version: 1.10\nInstallierte Version: 1.09\n\nInformation:\nNeu: A\nNeu: B\nNeu: C\n\n"
        "Eine neue Version ist verfügbar, Updateseite öffnen?");
    EXPECT_EQ(browser.opened,
              (std::vector<std::string>{"https://example.org/sonvaro/", "https://example.org/get"}));

    // "Nein" opens nothing.
    browser.opened.clear();
    messages.answer = false;
    Present(outcome, true);
    EXPECT_TRUE(browser.opened.empty());

    // A download address that is no web address is not handed to the desktop.
    UpdateOutcome local = outcome;
    messages.answer = true;
    for (const char* address : {"file:///etc/passwd", "/usr/bin/xterm", "javascript:alert(1)", "  "}) {
        browser.opened.clear();
        local.info.download = address;
        Present(local, true);
        EXPECT_EQ(browser.opened, std::vector<std::string>{"https://example.org/sonvaro/"}) << address;
    }
}

TEST_F(UpdateCheckTest, NoVersionKeyOrZeroSaysNothing) {
    for (const std::string& body :
         {std::string("[version]\ninfo=x|y\ndownload=http://a/\n"), std::string("[other]\nversion=200\n"),
          std::string("[version]\nversion=0\n"), std::string()}) {
        const UpdateOutcome outcome = Check(HttpOk(body));
        EXPECT_EQ(outcome.result, UpdateResult::NoVersion) << body;
        Present(outcome, true);
        Present(outcome, false);
    }
    EXPECT_TRUE(messages.boxes.empty());
    EXPECT_TRUE(TempFolderEmpty());
}

TEST_F(UpdateCheckTest, ServerDownIsToldOnlyFromTheMenu) {
    // A port that was just free: nothing listens there.
    std::string address;
    {
        support::LoopbackServer server([](support::LoopbackServer::Connection&) {});
        address = VersionFileAddress(server.Url("/"));
    }
    const UpdateOutcome outcome = CheckAt(address);
    EXPECT_EQ(outcome.result, UpdateResult::DownloadFailed);
    Present(outcome, false);
    EXPECT_TRUE(messages.boxes.empty());
    Present(outcome, true);
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].text,
              "Versionsinformationen konnten nicht heruntergeladen werden\n'" + address + "'");
    EXPECT_EQ(messages.boxes[0].title, "Fehler");
    EXPECT_EQ(messages.boxes[0].icon, MessageIcon::Error);
    EXPECT_TRUE(TempFolderEmpty());
}

// No update address set up: no download is tried (no temporary file either),
// the start-up says nothing and the menu says why nothing happens.
TEST_F(UpdateCheckTest, WithoutAnAddressNothingIsFetchedAndTheMenuSaysSo) {
    const UpdateOutcome outcome = CheckAt(VersionFileAddress(""));
    EXPECT_TRUE(TempFolderEmpty());
    Present(outcome, false);
    EXPECT_TRUE(messages.boxes.empty());
    Present(outcome, true);
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].text, "Keine Adresse eingerichtet.");
    EXPECT_EQ(messages.boxes[0].title, "Neue Version");
    EXPECT_EQ(messages.boxes[0].icon, MessageIcon::Information);
    EXPECT_TRUE(browser.opened.empty());
}

TEST_F(UpdateCheckTest, HttpErrorHugeValuesAndGarbage) {
    EXPECT_EQ(Check("HTTP/1.0 404 Not Found\r\nContent-Length: 3\r\n\r\nnix").result,
              UpdateResult::DownloadFailed);

    UpdateOutcome huge =
        Check(HttpOk("[version]\nversion=99999999999999999999\ninfo=" + std::string(20000, '|') +
                     "\ndownload=" + std::string(30000, 'x') + "\n"));
    EXPECT_EQ(huge.result, UpdateResult::NewVersion);
    EXPECT_GT(huge.info.version, 109);
    messages.answer = true;
    Present(huge, true);
    EXPECT_EQ(browser.opened, std::vector<std::string>{"https://example.org/sonvaro/"});

    const UpdateOutcome negative = Check(HttpOk("[version]\nversion=-5\n"));
    EXPECT_EQ(negative.result, UpdateResult::Current);

    std::string garbage;
    for (int i = 0; i < 40000; ++i) garbage += static_cast<char>((i * 7919) % 256);
    const UpdateOutcome binary = Check(HttpOk(garbage));
    EXPECT_EQ(binary.result, UpdateResult::NoVersion);
    const UpdateOutcome nulls = Check(HttpOk(std::string("[version]\0version=200\n", 22)));
    EXPECT_NE(nulls.result, UpdateResult::DownloadFailed);
    EXPECT_TRUE(TempFolderEmpty());
}

TEST_F(UpdateCheckTest, FiftyMegabyteBodyIsCutOffAsAFailedDownload) {
    std::atomic<size_t> sent{0};
    support::LoopbackServer server([&](support::LoopbackServer::Connection& c) {
        const size_t total = 50u << 20;
        c.Send("HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(total) +
               "\r\n\r\n[version]\nversion=110\n");
        const std::string piece(64 * 1024, ';');
        while (sent < total && c.Send(piece)) sent += piece.size();
    });
    const UpdateOutcome outcome = CheckAt(VersionFileAddress(server.Url("/")));
    EXPECT_EQ(outcome.result, UpdateResult::DownloadFailed);
    server.Stop();
    EXPECT_LT(sent.load(), 50u << 20);  // the client stopped reading long before the end
    EXPECT_TRUE(TempFolderEmpty());
}

TEST_F(UpdateCheckTest, StallingServerEndsWithinTheTimeOutAndCancelEndsAtOnce) {
    support::LoopbackServer server([](support::LoopbackServer::Connection& c) {
        c.Send("HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n[version]\n");
        c.Hold();
    });
    const auto start = std::chrono::steady_clock::now();
    const UpdateOutcome outcome = CheckAt(VersionFileAddress(server.Url("/")), 300);
    EXPECT_EQ(outcome.result, UpdateResult::DownloadFailed);
    // Ends near its 300 ms, far below the server's 20 s hold.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));

    std::atomic<bool> cancel{false};
    std::atomic<bool> done{false};
    std::thread check([&] {
        UpdateCheckConfig config;
        config.address = VersionFileAddress(server.Url("/"));
        config.tempFolder = temp.path();
        config.timeoutMs = 60000;
        config.cancel = &cancel;
        EXPECT_EQ(RunUpdateCheck(config).result, UpdateResult::DownloadFailed);
        done = true;
    });
    ASSERT_TRUE(WaitUntil([&] { return server.Requests().size() == 2; }));
    EXPECT_FALSE(done);
    cancel = true;
    EXPECT_TRUE(WaitUntil([&] { return done.load(); }, std::chrono::seconds(5)));
    check.join();
    server.Stop();
    EXPECT_TRUE(TempFolderEmpty());
}

TEST_F(UpdateCheckTest, RequestsTheVersionFilePath) {
    support::LoopbackServer server(
        [](support::LoopbackServer::Connection& c) { c.Send(HttpOk("[version]\nversion=109\n")); });
    CheckAt(VersionFileAddress(server.Url("/")));
    CheckAt(VersionFileAddress("http://127.0.0.1:" + std::to_string(server.Port())));
    const std::vector<std::string> requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    for (const std::string& r : requests)
        EXPECT_EQ(r.rfind("GET /data/version/sonvaro.inf HTTP/1.1\r\n", 0), 0u) << r;
}

// Someone else's file under a name the check may choose (another user
// planting one in the shared temporary folder, or another run's) is not
// touched: with every name taken the check fails and removes nothing.
TEST_F(UpdateCheckTest, PlantedFilesAtTheTemporaryNamesSurviveTheCheck) {
    for (int random = 0; random <= 1000; ++random)
        WriteFile(UpdateTempFileName(temp.path(), 1700000000, random), "planted " + std::to_string(random));
    const UpdateOutcome outcome = Check(HttpOk("[version]\nversion=110\n"));
    EXPECT_EQ(outcome.result, UpdateResult::DownloadFailed);
    for (int random = 0; random <= 1000; ++random) {
        const std::string path = UpdateTempFileName(temp.path(), 1700000000, random);
        ASSERT_TRUE(std::filesystem::exists(path)) << path;
        EXPECT_EQ(ReadFile(path), "planted " + std::to_string(random));
    }

    // With a few names taken the check uses a free one and leaves the others.
    std::filesystem::remove_all(temp.path());
    std::filesystem::create_directories(temp.path());
    for (int random = 0; random <= 1000; random += 2)
        WriteFile(UpdateTempFileName(temp.path(), 1700000000, random), "planted");
    EXPECT_EQ(Check(HttpOk("[version]\nversion=110\n")).result, UpdateResult::NewVersion);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.path()),
                            std::filesystem::directory_iterator()),
              501);
}

// A comma as the decimal mark, as a German desktop has it: the C library's
// number formatting (LC_NUMERIC) and C++ streams (the global locale).
class CommaDecimals : public std::numpunct<char> {
  protected:
    char do_decimal_point() const override { return ','; }
};

class GermanNumbers {
  public:
    GermanNumbers() : cLocale_(std::setlocale(LC_NUMERIC, nullptr)), cppLocale_(std::locale()) {
        german_ = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
        std::locale::global(std::locale(std::locale::classic(), new CommaDecimals));
    }
    ~GermanNumbers() {
        std::setlocale(LC_NUMERIC, cLocale_.c_str());
        std::locale::global(cppLocale_);
    }
    bool German() const { return german_; }

  private:
    std::string cLocale_;
    std::locale cppLocale_;
    bool german_ = false;
};

TEST(UpdateCheckText, VersionsKeepTheirPointUnderAGermanLocale) {
    const GermanNumbers german;
    ASSERT_TRUE(german.German()) << "de_DE.UTF-8 is missing: scripts/install-deps generates it";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.2f", 1.5);
    ASSERT_STREQ(probe, "1,50");  // the locale is really in force
    EXPECT_EQ(NewVersionQuestion({110, "", ""}),
              "Aktuellste Version: 1.10\nInstallierte Version: 1.09\n\nEine neue Version ist verfügbar, "
              "Updateseite öffnen?");
    EXPECT_EQ(VersionText(110), "1.10");
    EXPECT_EQ(VersionText(5), "0.05");
    EXPECT_EQ(VersionText(-5), "-0.05");
    EXPECT_EQ(VersionText(INT32_MAX), "21474836.47");
    EXPECT_EQ(VersionText(INT64_MIN), "-92233720368547758.08");
}

TEST(UpdateCheckText, TempFileNameAndWebAddresses) {
    EXPECT_EQ(UpdateTempFileName("/tmp/", 1700000000, 42), "/tmp/~1700000000sonvaro-update42.tmp");
    EXPECT_TRUE(IsWebAddress("HTTP://a"));
    EXPECT_TRUE(IsWebAddress("https://a/b"));
    EXPECT_FALSE(IsWebAddress("ftp://a"));
    EXPECT_FALSE(IsWebAddress(" http://a"));
    EXPECT_FALSE(IsWebAddress("http:/a"));
    EXPECT_EQ(NewVersionQuestion({250, "", ""}),
              "Aktuellste Version: 2.50\nInstallierte Version: 1.09\n\nEine neue Version ist verfügbar, "
              "Updateseite "
              "öffnen?");
}

}  // namespace
}  // namespace sonvaro::test
