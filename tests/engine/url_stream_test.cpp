// Internet streams against servers the tests start on 127.0.0.1: ICY headers
// and metadata, the download callback, META syncs, buffer positions, stalling,
// the end of the stream, playlists and the proxy.
#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "support.h"
#include "support/fixtures.h"
#include "support/loopback_server.h"

namespace {

using support::LoopbackServer;

constexpr DWORD kRadioFlags = BASS_STREAM_STATUS | BASS_STREAM_BLOCK | BASS_STREAM_AUTOFREE;

struct Download {
    std::mutex mutex;
    std::vector<std::string> headers;  // pieces with length 0
    std::string audio;
    int ends = 0;
    bool afterEnd = false;

    static void Proc(const void* buffer, DWORD length, void* user) {
        auto* d = static_cast<Download*>(user);
        std::lock_guard lock(d->mutex);
        if (d->ends) d->afterEnd = true;
        if (!buffer) {
            ++d->ends;
        } else if (length == 0) {
            std::string list;
            for (const char* p = static_cast<const char*>(buffer); *p; p += std::strlen(p) + 1)
                list += std::string(p) + "|";
            d->headers.push_back(list);
        } else {
            d->audio.append(static_cast<const char*>(buffer), length);
        }
    }
    std::string Audio() {
        std::lock_guard lock(mutex);
        return audio;
    }
    int Ends() {
        std::lock_guard lock(mutex);
        return ends;
    }
};

struct SyncCount {
    std::atomic<int> count{0};
    static void Proc(HSYNC, DWORD, DWORD, void* user) { ++static_cast<SyncCount*>(user)->count; }
};

std::string TagList(DWORD handle, DWORD type) {
    std::string out;
    const char* p = BASS_ChannelGetTags(handle, type);
    for (; p && *p; p += std::strlen(p) + 1) out += std::string(p) + "|";
    return out;
}

std::string Meta(DWORD handle) {
    const char* p = BASS_ChannelGetTags(handle, BASS_TAG_META);
    return p ? p : "";
}

class UrlStreamTest : public support::OfflineEngine {
  protected:
    void SetUp() override {
        OfflineEngine::SetUp();
        BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, 3000);
        BASS_SetConfig(BASS_CONFIG_NET_PLAYLIST, 1);
        BASS_SetConfigPtr(BASS_CONFIG_NET_PROXY, "");
        mp3 = support::ReadWholeFile(fixtures::Path("sine.mp3"));
        ASSERT_GT(mp3.size(), 40000u);
    }

    // Mixes until `done` or the wall-clock limit; keeps everything mixed.
    bool PullUntil(const std::function<bool()>& done, std::vector<float>* heard = nullptr) {
        return support::WaitFor([&] {
            auto block = Pull(0.05);
            if (heard) heard->insert(heard->end(), block.begin(), block.end());
            return done();
        });
    }

    // Like PullUntil, but keeps only what the stream played: the offline device
    // mixes far faster than real time, so on a slow machine it overtakes the
    // decoding thread and the channel stalls; the silence a stalled block ends
    // with says nothing about the stream and would break the tone's phase.
    bool PullPlayed(DWORD h, const std::function<bool()>& done, std::vector<float>& played) {
        std::vector<float> block(256 * 2);
        return support::WaitFor(
            [&] {
                for (int i = 0; i < 8; ++i) {
                    // Within one of the engine's mixing blocks, so the state read after it is this block's.
                    sonvaro::audio::PullOffline(block.data(), block.size() / 2);
                    std::size_t keep = block.size();
                    if (BASS_ChannelIsActive(h) == BASS_ACTIVE_STALLED)
                        while (keep >= 2 && block[keep - 1] == 0.0f && block[keep - 2] == 0.0f) keep -= 2;
                    played.insert(played.end(), block.begin(),
                                  block.begin() + static_cast<std::ptrdiff_t>(keep));
                }
                return done();
            },
            std::chrono::seconds(60));
    }

    std::string mp3;
};

TEST_F(UrlStreamTest, ShoutcastStreamGivesHeadersTitlesAndOnlyAudioToTheCallback) {
    const std::string second = "StreamTitle='Other - Title';";
    const std::string framed = support::WithIcyMeta(mp3, 4096, [&](std::size_t block) -> std::string {
        if (block == 0) return "StreamTitle='Band - Song';StreamUrl='';";
        if (block == 8) return second;
        return "";
    });
    const std::size_t cut = framed.find(second) - 1;  // at the block's length byte
    LoopbackServer server([&](LoopbackServer::Connection& c) {
        c.Send(
            "ICY 200 OK\r\nicy-name: Test FM\r\nicy-genre: Jazz\r\nicy-metaint: 4096\r\n"
            "content-type: audio/mpeg\r\n\r\n");
        c.Send(framed.substr(0, cut));
        c.WaitRelease();
        c.Send(framed.substr(cut));
    });
    Download download;
    DWORD h = BASS_StreamCreateURL(server.Url("/live").c_str(), 0, kRadioFlags, &Download::Proc, &download);
    ASSERT_NE(h, 0u) << BASS_ErrorGetCode();
    EXPECT_NE(server.Requests().at(0).find("Icy-MetaData: 1"), std::string::npos);

    const std::string icy = TagList(h, BASS_TAG_ICY);
    EXPECT_NE(icy.find("ICY 200 OK|"), std::string::npos) << icy;
    EXPECT_NE(icy.find("icy-name: Test FM|"), std::string::npos) << icy;
    EXPECT_NE(icy.find("icy-genre: Jazz|"), std::string::npos) << icy;
    EXPECT_EQ(Meta(h), "StreamTitle='Band - Song';StreamUrl='';");
    BASS_CHANNELINFO info{};
    ASSERT_TRUE(BASS_ChannelGetInfo(h, &info));
    EXPECT_EQ(info.ctype, BASS_CTYPE_STREAM_MP3);
    EXPECT_EQ(info.freq, 44100u);

    SyncCount meta, freed;
    ASSERT_NE(BASS_ChannelSetSync(h, BASS_SYNC_META, 0, &SyncCount::Proc, &meta), 0u);
    ASSERT_NE(BASS_ChannelSetSync(h, BASS_SYNC_FREE, 0, &SyncCount::Proc, &freed), 0u);
    ASSERT_TRUE(BASS_ChannelPlay(h, TRUE));
    server.Release();

    std::vector<float> heard;
    ASSERT_TRUE(PullUntil([&] { return freed.count > 0; }, &heard))
        << "the server's end must end the channel";
    EXPECT_EQ(meta.count, 1) << "one new title after the sync was set";
    EXPECT_GT(support::ToneAmplitude(heard, 1000, 0), 0.2);
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);

    ASSERT_TRUE(support::WaitFor([&] { return download.Ends() == 1; }));
    std::lock_guard lock(download.mutex);
    ASSERT_EQ(download.headers.size(), 1u);
    EXPECT_EQ(download.headers[0].rfind("ICY 200 OK|", 0), 0u) << download.headers[0];
    EXPECT_TRUE(download.audio == mp3) << "got " << download.audio.size() << " bytes of " << mp3.size();
    EXPECT_FALSE(download.afterEnd);
}

TEST_F(UrlStreamTest, TitleHiddenInAnotherFieldNeitherHidesNorFakesAChange) {
    // Both texts carry the same fake title inside StreamUrl; only the real one changes.
    const std::string ad = "StreamUrl='http://ad/;StreamTitle=Ad';";
    const std::string second = ad + "StreamTitle='Band - Two';";
    const std::string framed = support::WithIcyMeta(mp3, 4096, [&](std::size_t block) -> std::string {
        if (block == 0) return ad + "StreamTitle='Band - One';";
        if (block == 4) return ad + "StreamTitle='Band - One';StreamUrl='x';";
        return block == 8 ? second : "";
    });
    const std::size_t cut = framed.find(ad + "StreamTitle='Band - One';StreamUrl='x';") - 1;
    LoopbackServer server([&](LoopbackServer::Connection& c) {
        c.Send("ICY 200 OK\r\nicy-metaint: 4096\r\ncontent-type: audio/mpeg\r\n\r\n" + framed.substr(0, cut));
        c.WaitRelease();
        c.Send(framed.substr(cut));
    });
    DWORD h = BASS_StreamCreateURL(server.Url().c_str(), 0, kRadioFlags, nullptr, nullptr);
    ASSERT_NE(h, 0u) << BASS_ErrorGetCode();
    SyncCount meta, freed;
    ASSERT_NE(BASS_ChannelSetSync(h, BASS_SYNC_META, 0, &SyncCount::Proc, &meta), 0u);
    ASSERT_NE(BASS_ChannelSetSync(h, BASS_SYNC_FREE, 0, &SyncCount::Proc, &freed), 0u);
    ASSERT_TRUE(BASS_ChannelPlay(h, TRUE));
    server.Release();
    ASSERT_TRUE(PullUntil([&] { return freed.count > 0; }));
    EXPECT_EQ(meta.count, 1) << "block 4 repeats the title, block 8 changes it";
}

TEST_F(UrlStreamTest, StallsWhenDataStopsAndResumesByItself) {
    LoopbackServer server([&](LoopbackServer::Connection& c) {
        c.Send("HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\n\r\n");
        c.Send(mp3.substr(0, mp3.size() / 3));
        c.WaitRelease();
        c.Send(mp3.substr(mp3.size() / 3));
    });
    DWORD h = BASS_StreamCreateURL(server.Url().c_str(), 0, kRadioFlags, nullptr, nullptr);
    ASSERT_NE(h, 0u) << BASS_ErrorGetCode();
    const QWORD end = BASS_StreamGetFilePosition(h, BASS_FILEPOS_END);
    EXPECT_GE(end, 64u * 1024) << "the buffer's size for a stream in blocks";
    EXPECT_LE(BASS_StreamGetFilePosition(h, BASS_FILEPOS_BUFFER), end);
    EXPECT_TRUE(support::WaitFor(
        [&] { return BASS_StreamGetFilePosition(h, BASS_FILEPOS_DOWNLOAD) == mp3.size() / 3; }));
    EXPECT_EQ(BASS_ChannelGetLength(h, BASS_POS_BYTE), static_cast<QWORD>(-1));
    ASSERT_TRUE(BASS_ChannelPlay(h, TRUE));

    std::vector<float> first;
    ASSERT_TRUE(PullUntil([&] { return support::Peak(first, 0) > 0.3; }, &first));
    // Stalled with the download buffer empty: the data has really stopped.
    ASSERT_TRUE(PullUntil(
        [&] {
            return BASS_ChannelIsActive(h) == BASS_ACTIVE_STALLED &&
                   BASS_StreamGetFilePosition(h, BASS_FILEPOS_BUFFER) == 0;
        },
        &first));
    EXPECT_GT(first.size() / 2, support::kRate * 9 / 10) << "played what came before stalling";
    Pull(0.5);
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STALLED) << "no data, no end";
    server.Release();
    ASSERT_TRUE(PullUntil([&] { return BASS_ChannelIsActive(h) == BASS_ACTIVE_PLAYING; }));
    std::vector<float> later;
    ASSERT_TRUE(PullUntil([&] { return BASS_ChannelIsActive(h) == BASS_ACTIVE_STOPPED; }, &later));
    EXPECT_GT(support::ToneAmplitude(later, 1000, 0), 0.1);
}

TEST_F(UrlStreamTest, AacOggVorbisAndOpusStreamsPlay) {
    const std::pair<const char*, DWORD> formats[] = {{"sine.aac", BASS_CTYPE_STREAM_AAC},
                                                     {"sine.ogg", BASS_CTYPE_STREAM_OGG},
                                                     {"sine.opus", BASS_CTYPE_STREAM_OPUS}};
    for (const auto& [name, ctype] : formats) {
        const std::string bytes = support::ReadWholeFile(fixtures::Path(name));
        LoopbackServer server([&](LoopbackServer::Connection& c) {
            c.Send("HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n\r\n" + bytes);
        });
        DWORD h = BASS_StreamCreateURL(server.Url().c_str(), 0, kRadioFlags, nullptr, nullptr);
        ASSERT_NE(h, 0u) << name << " " << BASS_ErrorGetCode();
        BASS_CHANNELINFO info{};
        BASS_ChannelGetInfo(h, &info);
        EXPECT_EQ(info.ctype, ctype) << name;
        ASSERT_TRUE(BASS_ChannelPlay(h, TRUE));
        std::vector<float> heard;
        EXPECT_TRUE(PullUntil([&] { return BASS_ChannelIsActive(h) == BASS_ACTIVE_STOPPED; }, &heard))
            << name;
        EXPECT_GT(support::ToneAmplitude(heard, 1000, 0), 0.2) << name;
    }
}

// What BASS_TAG_META says each time the META sync fires, with the bytes the
// download callback had been given by then.
struct MetaLog {
    Download* download;
    std::mutex mutex;
    std::vector<std::pair<std::string, std::size_t>> seen;
    static void Proc(HSYNC, DWORD channel, DWORD, void* user) {
        auto* log = static_cast<MetaLog*>(user);
        const std::size_t bytes = log->download->Audio().size();
        std::lock_guard lock(log->mutex);
        log->seen.emplace_back(Meta(channel), bytes);
    }
};

TEST_F(UrlStreamTest, ChainedOggStationReportsEachSongsTitleWhereItStarts) {
    const std::string one = support::ReadWholeFile(fixtures::Path("song_one.ogg"));
    const std::string two = support::ReadWholeFile(fixtures::Path("song_two.ogg"));
    const std::string chain = one + two + one;
    LoopbackServer server([&](LoopbackServer::Connection& c) {
        // Icecast's Ogg mounts: no icy-metaint, the titles are in the stream.
        c.Send("HTTP/1.0 200 OK\r\nContent-Type: application/ogg\r\nicy-name: Ogg FM\r\n\r\n" + one);
        c.WaitRelease();
        c.Send(two + one);
    });
    Download download;
    DWORD h = BASS_StreamCreateURL(server.Url("/ogg").c_str(), 0, kRadioFlags, &Download::Proc, &download);
    ASSERT_NE(h, 0u) << BASS_ErrorGetCode();
    BASS_CHANNELINFO info{};
    ASSERT_TRUE(BASS_ChannelGetInfo(h, &info));
    EXPECT_EQ(info.ctype, BASS_CTYPE_STREAM_OGG);
    EXPECT_EQ(Meta(h), "StreamTitle='Band A - Song One';") << "the first song's title is there at once";

    MetaLog log{&download};
    SyncCount freed;
    ASSERT_NE(BASS_ChannelSetSync(h, BASS_SYNC_META, 0, &MetaLog::Proc, &log), 0u);
    ASSERT_NE(BASS_ChannelSetSync(h, BASS_SYNC_FREE, 0, &SyncCount::Proc, &freed), 0u);
    ASSERT_TRUE(BASS_ChannelPlay(h, TRUE));
    std::vector<float> played;
    // The first song plays out before the rest arrives: the channel waits right at the join.
    auto stalled = [&] {
        return played.size() / 2 > support::kRate * 29 / 10 && BASS_ChannelIsActive(h) == BASS_ACTIVE_STALLED;
    };
    ASSERT_TRUE(PullPlayed(h, stalled, played));
    server.Release();
    auto ended = [&] { return freed.count > 0; };
    ASSERT_TRUE(PullPlayed(h, ended, played));
    EXPECT_GT(played.size() / 2, support::kRate * 8) << "all three songs played";
    // One unbroken tone: a song's audio lost or doubled would turn its phase.
    EXPECT_GT(support::ToneAmplitude(played, 1000, 0), 0.4);

    std::lock_guard lock(log.mutex);
    ASSERT_EQ(log.seen.size(), 2u);
    EXPECT_EQ(log.seen[0].first, "StreamTitle='Band B - Song Two';");
    EXPECT_EQ(log.seen[0].second, one.size())
        << "the sync fires before the new song's first byte is given out";
    EXPECT_EQ(log.seen[1].first, "StreamTitle='Band A - Song One';");
    EXPECT_EQ(log.seen[1].second, one.size() + two.size());
    EXPECT_TRUE(download.Audio() == chain) << "every byte once, unchanged";
}

TEST_F(UrlStreamTest, PlaylistAddressLeadsToItsFirstStream) {
    LoopbackServer server([&](LoopbackServer::Connection& c) {
        const std::string self = "http://127.0.0.1:" + std::to_string(c.server.Port());
        if (c.request.rfind("GET /list.pls", 0) == 0) {
            c.Send(
                "HTTP/1.1 200 OK\r\nContent-Type: audio/x-scpls\r\nConnection: close\r\n\r\n"
                "[playlist]\r\nNumberOfEntries=2\r\nFile1=" +
                self + "/m3u\r\nFile2=" + self + "/wrong\r\n");
        } else if (c.request.rfind("GET /m3u", 0) == 0) {
            // Known by its content, whatever the type says.
            c.Send(
                "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: "
                "close\r\n\r\n#EXTM3U\n#EXTINF:-1,x\n" +
                self + "/stream\n");
        } else if (c.request.rfind("GET /stream", 0) == 0) {
            c.Send("ICY 200 OK\r\nicy-name: Final\r\n\r\n" + mp3);
        }
    });
    DWORD h = BASS_StreamCreateURL(server.Url("/list.pls").c_str(), 0, kRadioFlags, nullptr, nullptr);
    ASSERT_NE(h, 0u) << BASS_ErrorGetCode();
    EXPECT_NE(TagList(h, BASS_TAG_ICY).find("icy-name: Final"), std::string::npos);
    EXPECT_EQ(server.Requests().size(), 3u);
    BASS_StreamFree(h);
}

TEST_F(UrlStreamTest, PlaylistsAreTakenLiterallyWhenSwitchedOff) {
    BASS_SetConfig(BASS_CONFIG_NET_PLAYLIST, 0);
    LoopbackServer server([&](LoopbackServer::Connection& c) {
        c.Send("HTTP/1.1 200 OK\r\nContent-Type: audio/x-mpegurl\r\n\r\nhttp://127.0.0.1:1/x\n");
    });
    EXPECT_EQ(BASS_StreamCreateURL(server.Url("/list.m3u").c_str(), 0, kRadioFlags, nullptr, nullptr), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM);
    EXPECT_EQ(server.Requests().size(), 1u);
}

TEST_F(UrlStreamTest, ProxySettingReachesTheTransfer) {
    LoopbackServer proxy([&](LoopbackServer::Connection& c) {
        c.Send("HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\n\r\n" + mp3);
    });
    const std::string setting = "user:secret@127.0.0.1:" + std::to_string(proxy.Port());
    ASSERT_TRUE(BASS_SetConfigPtr(BASS_CONFIG_NET_PROXY, setting.c_str()));
    // Port 1 on loopback has no server: only the proxy can answer.
    DWORD h = BASS_StreamCreateURL("http://127.0.0.1:1/radio.mp3", 0, kRadioFlags, nullptr, nullptr);
    ASSERT_NE(h, 0u) << BASS_ErrorGetCode();
    ASSERT_EQ(proxy.Requests().size(), 1u);
    const std::string request = proxy.Requests()[0];
    EXPECT_EQ(request.rfind("GET http://127.0.0.1:1/radio.mp3 HTTP/1.1\r\n", 0), 0u) << request;
    EXPECT_NE(request.find("Proxy-Authorization: Basic dXNlcjpzZWNyZXQ="), std::string::npos) << request;
    BASS_StreamFree(h);
}

TEST_F(UrlStreamTest, FreeingAPlayingStreamEndsItsThreadsAtOnce) {
    LoopbackServer server([&](LoopbackServer::Connection& c) {
        c.Send("HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\n\r\n");
        c.SendPaced(mp3 + mp3 + mp3, 24000);  // a live station: far longer than this test
    });
    DWORD h = BASS_StreamCreateURL(server.Url().c_str(), 0, kRadioFlags, nullptr, nullptr);
    ASSERT_NE(h, 0u) << BASS_ErrorGetCode();
    ASSERT_TRUE(BASS_ChannelPlay(h, TRUE));
    Pull(0.2);
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(BASS_StreamFree(h));
    Pull(0.05);  // drops the mixer's last reference
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);
}

}  // namespace
