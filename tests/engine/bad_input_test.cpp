// Broken input never crashes or hangs: opening fails with BASS's code, or
// the channel ends on its own and frees itself.
#include <unistd.h>

#include <fstream>
#include <random>
#include <string>

#include "support.h"
#include "support/fixtures.h"

namespace {

using support::OfflineEngine;

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (auto& c : s) c = static_cast<char>(rng());
    return s;
}

// Opens with both loaders; whatever opens must end and free itself within a bounded pull.
void OpenAndDrain(const std::string& path) {
    for (int loader = 0; loader < 2; ++loader) {
        DWORD h =
            loader == 0
                ? BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_STREAM_PRESCAN | BASS_STREAM_AUTOFREE)
                : BASS_MusicLoad(FALSE, path.c_str(), 0, 0, BASS_MUSIC_PRESCAN | BASS_MUSIC_AUTOFREE, 0);
        if (h == 0) {
            int code = BASS_ErrorGetCode();
            EXPECT_TRUE(code == BASS_ERROR_FILEFORM || code == BASS_ERROR_FILEOPEN ||
                        code == BASS_ERROR_CODEC)
                << path << " code " << code;
            continue;
        }
        BASS_ChannelPlay(h, TRUE);
        std::vector<float> buffer(4410 * 2);
        double length = BASS_ChannelBytes2Seconds(h, BASS_ChannelGetLength(h, BASS_POS_BYTE));
        for (int i = 0; i < 200 && BASS_ChannelIsActive(h) != BASS_ACTIVE_STOPPED; ++i)
            sonvaro::audio::PullOffline(buffer.data(), 4410);
        EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED) << path << " length " << length;
    }
}

using BadInput = OfflineEngine;

TEST_F(BadInput, EmptyAndMissingFiles) {
    std::string empty = fixtures::Write("empty.mp3", "");
    EXPECT_EQ(BASS_StreamCreateFile(FALSE, empty.c_str(), 0, 0, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM);
    EXPECT_EQ(BASS_MusicLoad(FALSE, empty.c_str(), 0, 0, 0, 0), 0u);
    EXPECT_EQ(BASS_StreamCreateFile(FALSE, "/nonexistent/file.mp3", 0, 0, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEOPEN);
    EXPECT_EQ(BASS_StreamCreateFile(FALSE, "/tmp", 0, 0, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEOPEN);
}

TEST_F(BadInput, RandomBytesUnderEveryName) {
    for (const char* ext : {"mp3", "flac", "mid", "mod", "ogg", "wma", "m4a"})
        for (unsigned seed = 1; seed <= 3; ++seed)
            OpenAndDrain(fixtures::Write(std::string("random") + std::to_string(seed) + "." + ext,
                                         RandomBytes(3000 * seed, seed)));
}

TEST_F(BadInput, TruncatedAndDamagedFiles) {
    for (const char* name :
         {"sine.mp3", "sine.flac", "sine.ogg", "sine.m4a", "sine.wma", "sine.wv", "sine.opus", "sine.aac",
          "tune.mid", "tune.mod", "tune.xm", "tune.s3m", "tune.it", "sine.wav"}) {
        SCOPED_TRACE(name);
        std::string data = Read(fixtures::Path(name));
        ASSERT_FALSE(data.empty());
        OpenAndDrain(fixtures::Write(std::string("cut_") + name, data.substr(0, data.size() / 3)));
        OpenAndDrain(fixtures::Write(std::string("head_") + name, data.substr(0, 64)));
        std::string damaged = data;
        std::mt19937 rng(7);
        for (std::size_t i = 16; i < damaged.size(); i += 97) damaged[i] = static_cast<char>(rng());
        OpenAndDrain(fixtures::Write(std::string("damaged_") + name, damaged));
    }
}

TEST_F(BadInput, ModuleWithoutPatternsAndMidiWithoutTracks) {
    std::string mod = fixtures::MakeMod(1.0);
    mod[950] = 0;  // song length 0
    OpenAndDrain(fixtures::Write("nopatterns.mod", mod));
    OpenAndDrain(fixtures::Write("notracks.mid", fixtures::MakeMidi(true).substr(0, 14)));
}

TEST_F(BadInput, ChannelCountChangingMidStream) {
    // One mono frame among stereo ones (found by the fuzzer: the converter
    // must follow every frame's layout).
    std::string mp1 = fixtures::MakeMp1(1.0);
    mp1[13 * 136 + 3] = '\xFF';
    std::string path = fixtures::Write("mono_frame.mp1", mp1);
    HSTREAM h = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_STREAM_AUTOFREE);
    ASSERT_NE(h, 0u);
    ASSERT_TRUE(BASS_ChannelPlay(h, TRUE));
    Pull(1.2);
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);
}

TEST_F(BadInput, FileDeletedWhilePlaying) {
    std::string path = fixtures::Write("deleted.flac", Read(fixtures::Path("sine.flac")));
    HSTREAM h = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_STREAM_AUTOFREE);
    ASSERT_NE(h, 0u);
    ASSERT_TRUE(BASS_ChannelPlay(h, TRUE));
    Pull(0.5);
    ASSERT_EQ(unlink(path.c_str()), 0);
    Pull(3.0);
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);
}

}  // namespace
