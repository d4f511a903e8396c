#include "platform/instance_socket.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

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

}  // namespace
}  // namespace sonvaro
