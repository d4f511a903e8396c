#include "platform/instance_socket.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <vector>

#include "support/test_support.h"
#include "support/wait.h"

namespace sonvaro {
namespace {

TEST(InstanceClaim, TheFirstHoldsAPrivateSocketAndTheSecondFindsIt) {
    test::TempDir dir;
    const std::string path = dir / "sonvaro.sock";
    {
        InstanceClaim first(path);
        ASSERT_EQ(first.state(), InstanceClaim::State::First) << first.error();
        struct stat st {};
        ASSERT_EQ(stat(path.c_str(), &st), 0);
        EXPECT_TRUE(S_ISSOCK(st.st_mode));
        EXPECT_EQ(st.st_mode & 0777, 0600u);
        InstanceClaim second(path);
        EXPECT_EQ(second.state(), InstanceClaim::State::Running);
        EXPECT_EQ(stat(path.c_str(), &st), 0);  // the second took nothing away
        const int fd = ConnectToInstance(path);
        EXPECT_GE(fd, 0);
        CloseConnection(fd);
    }
    EXPECT_FALSE(std::filesystem::exists(path));  // the first cleans up
    InstanceClaim next(path);
    EXPECT_EQ(next.state(), InstanceClaim::State::First);
}

TEST(InstanceClaim, AStaleSocketOfACrashedRunIsReplaced) {
    test::TempDir dir;
    const std::string path = dir / "sonvaro.sock";
    const int dead = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, path.c_str());
    ASSERT_EQ(bind(dead, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    close(dead);  // the file stays, nobody listens
    EXPECT_LT(ConnectToInstance(path), 0);
    InstanceClaim claim(path);
    ASSERT_EQ(claim.state(), InstanceClaim::State::First) << claim.error();
    const int fd = ConnectToInstance(path);
    EXPECT_GE(fd, 0);
    CloseConnection(fd);
}

TEST(InstanceClaim, ARuntimeFolderWithoutRoomForTheNameIsUnavailable) {
    InstanceClaim claim("/tmp/" + std::string(200, 'x') + "/sonvaro.sock");
    EXPECT_EQ(claim.state(), InstanceClaim::State::Unavailable);
    EXPECT_FALSE(claim.error().empty());
}

struct ServerRun {
    std::mutex mutex;
    std::string received;
    std::atomic<int> closed{0};
    std::atomic<uint64_t> last{0};
};

TEST(LocalServer, MovesBytesBothWaysAndReportsTheEnd) {
    test::TempDir dir;
    InstanceClaim claim(dir / "s.sock");
    ASSERT_EQ(claim.state(), InstanceClaim::State::First);
    ServerRun run;
    LocalServer server(claim.ListenDescriptor(), {[&](uint64_t c, const uint8_t* d, size_t n) {
                                                      std::lock_guard lock(run.mutex);
                                                      run.received.append(reinterpret_cast<const char*>(d),
                                                                          n);
                                                      run.last = c;
                                                  },
                                                  [&](uint64_t) { ++run.closed; }});
    server.Start();
    const int fd = ConnectToInstance(claim.path());
    ASSERT_TRUE(SendWithin(fd, "hallo", 1000));
    ASSERT_TRUE(test::WaitUntil([&] {
        std::lock_guard lock(run.mutex);
        return run.received == "hallo";
    }));
    ASSERT_TRUE(server.Send(run.last, "welt"));
    char buffer[16];
    ASSERT_EQ(ReceiveWithin(fd, buffer, sizeof buffer, 5000), 4);
    EXPECT_EQ(std::string(buffer, 4), "welt");
    CloseConnection(fd);
    EXPECT_TRUE(test::WaitUntil([&] { return run.closed == 1; }));
    EXPECT_FALSE(server.IsOpen(run.last));
}

TEST(LocalServer, AReaderThatNeverReadsIsDroppedAndNobodyWaits) {
    test::TempDir dir;
    InstanceClaim claim(dir / "s.sock");
    ASSERT_EQ(claim.state(), InstanceClaim::State::First);
    ServerRun run;
    LocalServer server(
        claim.ListenDescriptor(),
        {[&](uint64_t c, const uint8_t*, size_t) { run.last = c; }, [&](uint64_t) { ++run.closed; }},
        64 * 1024);
    server.Start();
    const int silent = ConnectToInstance(claim.path());  // connects, never speaks
    const int sleeper = ConnectToInstance(claim.path());
    int small = 4096;
    setsockopt(sleeper, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    ASSERT_TRUE(SendWithin(sleeper, "x", 1000));
    ASSERT_TRUE(test::WaitUntil([&] { return run.last != 0; }));
    const std::string chunk(1024, 'n');
    int accepted = 0;
    for (int i = 0; i < 4096 && server.Send(run.last, chunk); ++i) ++accepted;  // 4 MB offered, never blocks
    EXPECT_LT(accepted, 4096);
    EXPECT_TRUE(test::WaitUntil([&] { return run.closed == 1; }));
    // The server still serves others.
    const int other = ConnectToInstance(claim.path());
    ASSERT_TRUE(SendWithin(other, "y", 1000));
    ASSERT_TRUE(test::WaitUntil([&] { return run.last != 0 && server.IsOpen(run.last); }));
    CloseConnection(other);
    CloseConnection(sleeper);
    CloseConnection(silent);
}

// Closed by the server: the end arrives within the bounded wait.
bool ClosedByServer(int fd) {
    return test::WaitUntil([&] {
        char c;
        return ReceiveWithin(fd, &c, 1, 0) == 0;
    });
}

bool StillOpen(int fd) {
    char c;
    return ReceiveWithin(fd, &c, 1, 0) < 0;  // nothing to read, no end
}

TEST(LocalServer, IdleConnectionsAreClosedListenersStay) {
    test::TempDir dir;
    InstanceClaim claim(dir / "s.sock");
    ASSERT_EQ(claim.state(), InstanceClaim::State::First);
    std::mutex mutex;
    std::vector<uint64_t> seen;
    LocalServer server(claim.ListenDescriptor(),
                       {[&](uint64_t c, const uint8_t*, size_t) {
                            std::lock_guard lock(mutex);
                            if (std::find(seen.begin(), seen.end(), c) == seen.end()) seen.push_back(c);
                        },
                        [](uint64_t) {}},
                       64 * 1024, 128, 200);
    server.Start();
    const int listener = ConnectToInstance(claim.path());
    ASSERT_TRUE(SendWithin(listener, "L", 1000));
    ASSERT_TRUE(test::WaitUntil([&] {
        std::lock_guard lock(mutex);
        return seen.size() == 1;
    }));
    server.KeepOpen(seen[0]);
    const int silent = ConnectToInstance(claim.path());
    const int partial = ConnectToInstance(claim.path());
    ASSERT_TRUE(SendWithin(partial, "half a rec", 1000));
    EXPECT_TRUE(ClosedByServer(silent));
    EXPECT_TRUE(ClosedByServer(partial));
    EXPECT_TRUE(StillOpen(listener));  // older than both, kept by design
    CloseConnection(partial);
    CloseConnection(silent);
    CloseConnection(listener);
}

TEST(LocalServer, AFullHouseMakesRoomForTheNewestAndKeepsListeners) {
    test::TempDir dir;
    InstanceClaim claim(dir / "s.sock");
    ASSERT_EQ(claim.state(), InstanceClaim::State::First);
    std::atomic<uint64_t> last{0};
    LocalServer server(claim.ListenDescriptor(),
                       {[&](uint64_t c, const uint8_t*, size_t) { last = c; }, [](uint64_t) {}}, 64 * 1024,
                       4);
    server.Start();
    const int listener = ConnectToInstance(claim.path());
    ASSERT_TRUE(SendWithin(listener, "L", 1000));
    ASSERT_TRUE(test::WaitUntil([&] { return last != 0; }));
    server.KeepOpen(last);
    std::vector<int> idle;
    for (int i = 0; i < 200; ++i) {
        int fd = -1;
        ASSERT_TRUE(test::WaitUntil([&] { return (fd = ConnectToInstance(claim.path())) >= 0; }));
        idle.push_back(fd);
    }
    // The newest is served at once; the ones idle longest made room for it.
    last = 0;
    ASSERT_TRUE(SendWithin(idle.back(), "x", 1000));
    ASSERT_TRUE(test::WaitUntil([&] { return last != 0; }));
    ASSERT_TRUE(server.Send(last, "y"));
    char c;
    EXPECT_EQ(ReceiveWithin(idle.back(), &c, 1, 5000), 1);
    EXPECT_TRUE(ClosedByServer(idle.front()));
    EXPECT_TRUE(StillOpen(listener));
    for (int fd : idle) CloseConnection(fd);
    CloseConnection(listener);
}

// Without a runtime folder, a name in the temporary folder that someone else
// holds does not switch the single instance off: the cache folder takes over.
class SocketFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"XDG_RUNTIME_DIR", "TMPDIR", "XDG_CACHE_HOME"})
            if (const char* v = getenv(name)) saved_.emplace_back(name, v);
        unsetenv("XDG_RUNTIME_DIR");
        setenv("TMPDIR", (dir / "tmp").c_str(), 1);
        setenv("XDG_CACHE_HOME", (dir / "cache").c_str(), 1);
        std::filesystem::create_directories(dir / "tmp");
    }
    void TearDown() override {
        for (const char* name : {"XDG_RUNTIME_DIR", "TMPDIR", "XDG_CACHE_HOME"}) unsetenv(name);
        for (const auto& [name, value] : saved_) setenv(name.c_str(), value.c_str(), 1);
    }
    std::string Taken() const { return dir.path() + "tmp/sonvaro-" + User(); }
    static std::string User() { return getpwuid(geteuid())->pw_name; }
    test::TempDir dir;
    std::vector<std::pair<std::string, std::string>> saved_;
};

TEST_F(SocketFolderTest, TheUsualFolderIsPrivateAndOurs) {
    std::string error, note;
    EXPECT_EQ(InstanceSocketPath(&error, &note), Taken() + "/sonvaro.sock") << error;
    EXPECT_EQ(note, "");
    struct stat st {};
    ASSERT_EQ(lstat(Taken().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(SocketFolderTest, AFolderOfAnotherUserOrALinkLeadsToTheCacheFolder) {
    const std::string fallback = dir / "cache/sonvaro/sonvaro.sock";
    std::filesystem::create_directory(Taken());
    chmod(Taken().c_str(), 0700);
    ASSERT_EQ(chown(Taken().c_str(), 65534, 65534), 0);  // nobody's
    std::string error, note;
    EXPECT_EQ(InstanceSocketPath(&error, &note), fallback) << error;
    EXPECT_NE(note.find(Taken()), std::string::npos) << note;
    EXPECT_NE(note.find(fallback), std::string::npos) << note;
    struct stat st {};
    ASSERT_EQ(lstat((dir / "cache/sonvaro").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    // A link to a folder that looks right is refused all the same.
    std::filesystem::remove(Taken());
    std::filesystem::create_directory(dir / "elsewhere");
    chmod((dir / "elsewhere").c_str(), 0700);
    std::filesystem::create_directory_symlink(dir / "elsewhere", Taken());
    note.clear();
    EXPECT_EQ(InstanceSocketPath(&error, &note), fallback) << error;
    EXPECT_FALSE(note.empty());
    // The player claims it there, and a second start finds it there.
    InstanceClaim first;
    ASSERT_EQ(first.state(), InstanceClaim::State::First) << first.error();
    EXPECT_EQ(first.path(), fallback);
    EXPECT_FALSE(first.note().empty());
    InstanceClaim second;
    EXPECT_EQ(second.state(), InstanceClaim::State::Running);
}

}  // namespace
}  // namespace sonvaro
