// Broken and hostile servers: each opening fails with a clear error within
// the time-out, or the channel plays what is sound and ends by itself.
#include <atomic>
#include <chrono>
#include <cstring>
#include <random>
#include <string>

#include "support.h"
#include "support/fixtures.h"
#include "support/loopback_server.h"

namespace {

using support::LoopbackServer;
using Clock = std::chrono::steady_clock;

constexpr DWORD kRadioFlags = BASS_STREAM_STATUS | BASS_STREAM_BLOCK | BASS_STREAM_AUTOFREE;

struct Freed {
    std::atomic<int> count{0};
    static void Proc(HSYNC, DWORD, DWORD, void* user) { ++static_cast<Freed*>(user)->count; }
};

struct Bytes {
    std::mutex mutex;
    std::string audio;
    static void Proc(const void* buffer, DWORD length, void* user) {
        auto* b = static_cast<Bytes*>(user);
        std::lock_guard lock(b->mutex);
        if (buffer && length) b->audio.append(static_cast<const char*>(buffer), length);
    }
};

class UrlBadInputTest : public support::OfflineEngine {
  protected:
    void SetUp() override {
        OfflineEngine::SetUp();
        BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, 500);
        BASS_SetConfig(BASS_CONFIG_NET_PLAYLIST, 1);
        BASS_SetConfigPtr(BASS_CONFIG_NET_PROXY, "");
        mp3 = support::ReadWholeFile(fixtures::Path("sine.mp3"));
    }

    // Opening must fail with `error`, and well within a few time-outs.
    void ExpectRefused(const std::string& url, int error) {
        auto start = Clock::now();
        EXPECT_EQ(BASS_StreamCreateURL(url.c_str(), 0, kRadioFlags, nullptr, nullptr), 0u);
        EXPECT_EQ(BASS_ErrorGetCode(), error);
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(4));
    }

    // The channel must play, end and free itself.
    void PlayToTheEnd(DWORD h) {
        ASSERT_NE(h, 0u) << BASS_ErrorGetCode();
        Freed freed;
        BASS_ChannelSetSync(h, BASS_SYNC_FREE, 0, &Freed::Proc, &freed);
        ASSERT_TRUE(BASS_ChannelPlay(h, TRUE));
        EXPECT_TRUE(support::WaitFor([&] {
            Pull(0.05);
            return freed.count > 0;
        }));
    }

    std::string mp3;
};

TEST_F(UrlBadInputTest, ServerErrorsAndDeadAddressesFailToOpen) {
    LoopbackServer notFound([](LoopbackServer::Connection& c) {
        c.Send("HTTP/1.1 404 Not Found\r\nContent-Type: audio/mpeg\r\nContent-Length: 11\r\n\r\nnot found!!");
    });
    ExpectRefused(notFound.Url("/gone"), BASS_ERROR_FILEOPEN);

    // A port nobody listens on: the server is gone before we connect.
    std::string dead;
    {
        LoopbackServer gone([](LoopbackServer::Connection&) {});
        dead = gone.Url();
    }
    ExpectRefused(dead, BASS_ERROR_NONET);
}

TEST_F(UrlBadInputTest, SilentServersTimeOut) {
    LoopbackServer beforeHeaders([](LoopbackServer::Connection& c) { c.Hold(); });
    ExpectRefused(beforeHeaders.Url(), BASS_ERROR_TIMEOUT);

    LoopbackServer trickle([](LoopbackServer::Connection& c) {
        // One header byte at a time never completes the headers in time.
        c.SendPaced("HTTP/1.0 200 OK\r\nicy-name: " + std::string(200, 'x') + "\r\n\r\n", 20, 1);
    });
    ExpectRefused(trickle.Url(), BASS_ERROR_TIMEOUT);

    LoopbackServer afterHeaders([](LoopbackServer::Connection& c) {
        c.Send("HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\n\r\n");
        c.Hold();
    });
    auto start = Clock::now();
    EXPECT_EQ(BASS_StreamCreateURL(afterHeaders.Url().c_str(), 0, kRadioFlags, nullptr, nullptr), 0u);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(4));
}

TEST_F(UrlBadInputTest, SilenceDuringPlaybackEndsTheChannel) {
    LoopbackServer server([&](LoopbackServer::Connection& c) {
        c.Send("HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\n\r\n" + mp3.substr(0, mp3.size() / 2));
        c.Hold();
    });
    PlayToTheEnd(BASS_StreamCreateURL(server.Url().c_str(), 0, kRadioFlags, nullptr, nullptr));
}

TEST_F(UrlBadInputTest, ConnectionClosedMidStreamEndsTheChannel) {
    LoopbackServer server([&](LoopbackServer::Connection& c) {
        c.Send("HTTP/1.1 200 OK\r\nContent-Type: audio/mpeg\r\nContent-Length: " +
               std::to_string(mp3.size()) + "\r\n\r\n" + mp3.substr(0, mp3.size() / 2 + 77));
    });
    PlayToTheEnd(BASS_StreamCreateURL(server.Url().c_str(), 0, kRadioFlags, nullptr, nullptr));
}

TEST_F(UrlBadInputTest, GarbageIsNoAudio) {
    std::mt19937 rng(7);
    std::string noise(100000, '\0');
    for (char& c : noise) c = static_cast<char>(rng());
    LoopbackServer server([&](LoopbackServer::Connection& c) {
        c.Send("ICY 200 OK\r\ncontent-type: audio/mpeg\r\n\r\n" + noise);
    });
    ExpectRefused(server.Url(), BASS_ERROR_FILEFORM);
}

TEST_F(UrlBadInputTest, MetadataBlockCutShortLeavesTheAudioIntact) {
    const std::string audio = mp3.substr(0, 8 * 4096);
    std::string framed = support::WithIcyMeta(audio, 4096, [](std::size_t) { return std::string(); });
    framed.back() = static_cast<char>(255);  // the last block promises 4080 bytes of text...
    framed += "StreamTitle='cut";            // ...and the server goes away
    LoopbackServer server(
        [&](LoopbackServer::Connection& c) { c.Send("ICY 200 OK\r\nicy-metaint: 4096\r\n\r\n" + framed); });
    Bytes bytes;
    DWORD h = BASS_StreamCreateURL(server.Url().c_str(), 0, kRadioFlags, &Bytes::Proc, &bytes);
    ASSERT_NE(h, 0u) << BASS_ErrorGetCode();
    EXPECT_EQ(BASS_ChannelGetTags(h, BASS_TAG_META), nullptr);
    PlayToTheEnd(h);
    std::lock_guard lock(bytes.mutex);
    EXPECT_TRUE(bytes.audio == audio) << bytes.audio.size();
}

TEST_F(UrlBadInputTest, HugeHeaderLineIsDroppedAndTheStreamPlays) {
    LoopbackServer server([&](LoopbackServer::Connection& c) {
        c.Send("ICY 200 OK\r\nX-Junk: " + std::string(64 * 1024, 'j') + "\r\nicy-name: Still Here\r\n\r\n" +
               mp3);
    });
    DWORD h = BASS_StreamCreateURL(server.Url().c_str(), 0, kRadioFlags, nullptr, nullptr);
    ASSERT_NE(h, 0u) << BASS_ErrorGetCode();
    std::string tags;
    for (const char* p = BASS_ChannelGetTags(h, BASS_TAG_ICY); p && *p; p += std::strlen(p) + 1)
        tags += p, tags += '|';
    EXPECT_NE(tags.find("icy-name: Still Here|"), std::string::npos);
    EXPECT_EQ(tags.find("X-Junk"), std::string::npos);
    PlayToTheEnd(h);
}

TEST_F(UrlBadInputTest, RedirectLoopsAndSelfReferencingPlaylistsEnd) {
    LoopbackServer redirects([](LoopbackServer::Connection& c) {
        c.Send("HTTP/1.1 302 Found\r\nLocation: " + c.server.Url("/again") + "\r\nContent-Length: 0\r\n\r\n");
    });
    ExpectRefused(redirects.Url(), BASS_ERROR_FILEOPEN);
    EXPECT_LE(redirects.Requests().size(), 6u) << "the first request and at most 5 redirects";

    LoopbackServer playlist([](LoopbackServer::Connection& c) {
        c.Send("HTTP/1.0 200 OK\r\nContent-Type: audio/x-scpls\r\n\r\n[playlist]\nFile1=" +
               c.server.Url("/self.pls") + "\n");
    });
    ExpectRefused(playlist.Url("/self.pls"), BASS_ERROR_FILEFORM);
    EXPECT_LE(playlist.Requests().size(), 6u);
}

}  // namespace
