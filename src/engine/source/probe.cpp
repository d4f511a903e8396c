#include "engine/source/probe.h"

#include <cstring>
#include <vector>

#include "engine/bass.h"

namespace sonvaro::audio {
namespace {

constexpr std::size_t kScan = 64 * 1024;

std::uint32_t Le16(const unsigned char* p) {
    return p[0] | (p[1] << 8);
}
std::uint32_t Le32(const unsigned char* p) {
    return Le16(p) | (Le16(p + 2) << 16);
}

bool Starts(const std::vector<unsigned char>& b, std::size_t at, const char* magic) {
    std::size_t n = std::strlen(magic);
    return b.size() >= at + n && std::memcmp(b.data() + at, magic, n) == 0;
}

std::uint32_t WavType(const std::vector<unsigned char>& b) {
    // Walk the RIFF chunks to "fmt " for the codec tag.
    std::size_t at = 12;
    while (at + 8 <= b.size()) {
        std::uint32_t size = Le32(&b[at + 4]);
        if (std::memcmp(&b[at], "fmt ", 4) == 0 && at + 10 <= b.size()) {
            std::uint32_t tag = Le16(&b[at + 8]);
            if (tag == 0xFFFE && at + 8 + 26 <= b.size()) tag = Le16(&b[at + 8 + 24]);
            if (tag == 1 || tag == 3) return 0x50000 | tag;
            return BASS_CTYPE_STREAM_WAV | tag;
        }
        at += 8 + size + (size & 1);
    }
    return 0;
}

bool ParseAdts(const unsigned char* p, unsigned& rate, unsigned& channels, unsigned& len) {
    static const unsigned rates[] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                     22050, 16000, 12000, 11025, 8000,  7350};
    if (p[0] != 0xFF || (p[1] & 0xF6) != 0xF0) return false;
    unsigned idx = (p[2] >> 2) & 0xF;
    if (idx >= 13) return false;
    rate = rates[idx];
    channels = ((p[2] & 1) << 2) | (p[3] >> 6);
    len = ((p[3] & 3) << 11) | (p[4] << 3) | (p[5] >> 5);
    return len >= 7;
}

}  // namespace

bool ParseMpegHeader(const unsigned char* p, MpegHeader& h) {
    static const unsigned kbps[2][3][16] = {
        {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
         {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
         {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
        {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}}};
    static const unsigned rates[3] = {44100, 48000, 32000};
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return false;
    unsigned version = (p[1] >> 3) & 3;  // 3 = MPEG1, 2 = MPEG2, 0 = MPEG2.5
    unsigned layerBits = (p[1] >> 1) & 3;
    unsigned brIdx = p[2] >> 4;
    unsigned srIdx = (p[2] >> 2) & 3;
    if (version == 1 || layerBits == 0 || brIdx == 0 || brIdx == 15 || srIdx == 3) return false;
    h.layer = 4 - static_cast<int>(layerBits);
    bool lsf = version != 3;
    h.rate = rates[srIdx] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
    h.bitrate = kbps[lsf ? 1 : 0][h.layer - 1][brIdx] * 1000;
    h.channels = (p[3] >> 6) == 3 ? 1 : 2;
    unsigned pad = (p[2] >> 1) & 1;
    if (h.layer == 1) {
        h.frameBytes = (12 * h.bitrate / h.rate + pad) * 4;
        h.samples = 384;
    } else {
        unsigned mult = (h.layer == 3 && lsf) ? 72 : 144;
        h.frameBytes = mult * h.bitrate / h.rate + pad;
        h.samples = (h.layer == 3 && lsf) ? 576 : 1152;
    }
    return h.frameBytes >= 16;
}

namespace {

// Reads up to `size` bytes from `offset`; the vector holds what was there.
std::vector<unsigned char> ReadWindow(ByteSource& bytes, std::int64_t offset, std::size_t size) {
    std::vector<unsigned char> b(size);
    std::size_t got = 0;
    if (bytes.Seek(offset)) {
        while (got < size) {
            std::int64_t n = bytes.Read(b.data() + got, size - got);
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
    }
    b.resize(got);
    return b;
}

}  // namespace

ProbeResult ProbeContent(ByteSource& bytes) {
    ProbeResult r;
    // Container magic sits in the first bytes; only frame-synced data (MPEG,
    // ADTS) may need a longer look, so the common case reads just 4 KB.
    std::vector<unsigned char> b = ReadWindow(bytes, 0, 4096);
    bool whole = bytes.Size() >= 0 && static_cast<std::int64_t>(b.size()) >= bytes.Size();
    if (b.size() < 12) return r;

    // An ID3v2 tag may precede MPEG, ADTS and FLAC data.
    std::size_t start = 0;
    if (Starts(b, 0, "ID3") && b.size() >= 10) {
        start = 10 + ((b[6] & 0x7F) << 21 | (b[7] & 0x7F) << 14 | (b[8] & 0x7F) << 7 | (b[9] & 0x7F));
        if (b[5] & 0x10) start += 10;
        if (start + 16 > b.size() && !whole) {
            // A big tag (cover art): look at a fresh window after it.
            std::vector<unsigned char> w = ReadWindow(bytes, static_cast<std::int64_t>(start), kScan);
            if (w.size() < 16) return r;
            whole = static_cast<std::int64_t>(start + w.size()) >= bytes.Size();
            b.assign(start, 0);
            b.insert(b.end(), w.begin(), w.end());
        }
    }
    auto set = [&](Container c, std::uint32_t ctype, const char* demuxer) {
        r.container = c;
        r.ctype = ctype;
        r.demuxer = demuxer;
        r.dataOffset = static_cast<std::int64_t>(start);
        return r;
    };

    if (start == 0) {
        if (Starts(b, 0, "RIFF") && Starts(b, 8, "WAVE")) {
            std::uint32_t t = WavType(b);
            return t ? set(Container::Wav, t, "wav") : r;
        }
        if (Starts(b, 0, "RIFF") && Starts(b, 8, "RMID"))
            return set(Container::Midi, BASS_CTYPE_STREAM_MIDI, nullptr);
        if (Starts(b, 0, "FORM") && (Starts(b, 8, "AIFF") || Starts(b, 8, "AIFC")))
            return set(Container::Aiff, BASS_CTYPE_STREAM_AIFF, "aiff");
        if (Starts(b, 0, "MThd")) return set(Container::Midi, BASS_CTYPE_STREAM_MIDI, nullptr);
        if (Starts(b, 0, "wvpk")) return set(Container::WavPack, BASS_CTYPE_STREAM_WV, "wv");
        static const unsigned char asf[] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11};
        if (std::memcmp(b.data(), asf, 8) == 0) return set(Container::Asf, BASS_CTYPE_STREAM_WMA, "asf");
        if (Starts(b, 4, "ftyp") || Starts(b, 4, "moov") || Starts(b, 4, "mdat"))
            return set(Container::Mp4, BASS_CTYPE_STREAM_MP4, "mov");
        if (Starts(b, 0, "OggS") && b.size() >= 28 + 8) {
            std::size_t segs = b[26];
            std::size_t body = 27 + segs;
            if (body + 8 > b.size()) return r;
            if (std::memcmp(&b[body], "\x01vorbis", 7) == 0)
                return set(Container::Ogg, BASS_CTYPE_STREAM_OGG, "ogg");
            if (std::memcmp(&b[body], "OpusHead", 8) == 0)
                return set(Container::Ogg, BASS_CTYPE_STREAM_OPUS, "ogg");
            if (std::memcmp(&b[body],
                            "\x7F"
                            "FLAC",
                            5) == 0)
                return set(Container::Ogg, BASS_CTYPE_STREAM_FLAC_OGG, "ogg");
            return r;
        }
    }
    if (Starts(b, start, "fLaC")) return set(Container::Flac, BASS_CTYPE_STREAM_FLAC, "flac");

    // Frame-synced formats: demand consecutive consistent headers so that
    // random bytes are not taken for audio. `quick` looks only at the bytes at
    // hand and gives up (-1) where a longer look could decide otherwise, so
    // that the usual file needs no 64 KB read; 1 when found, 0 when not.
    auto frames = [&](bool quick) -> int {
        for (std::size_t at = start; at + 4 <= b.size(); ++at) {
            if (b[at] != 0xFF) continue;
            unsigned rate, ch, len;
            if (at + 7 <= b.size() && ParseAdts(&b[at], rate, ch, len)) {
                std::size_t next = at + len;
                unsigned r2, c2, l2;
                if (next + 7 > b.size()) {
                    if (quick) return -1;
                } else if (ParseAdts(&b[next], r2, c2, l2) && r2 == rate) {
                    set(Container::Adts, BASS_CTYPE_STREAM_AAC, "aac");
                    r.dataOffset = static_cast<std::int64_t>(at);
                    r.rate = rate;
                    r.channels = ch ? ch : 2;
                    r.bitrate = len * 8 * rate / 1024;
                    return 1;
                }
            }
            MpegHeader h;
            if (!ParseMpegHeader(&b[at], h)) continue;
            int good = 1;
            std::size_t next = at + h.frameBytes;
            MpegHeader n;
            while (good < 3 && next + 4 <= b.size() && ParseMpegHeader(&b[next], n) && n.layer == h.layer &&
                   n.rate == h.rate) {
                ++good;
                next += n.frameBytes;
            }
            if (quick && good < 3 && next + 4 > b.size()) return -1;
            // Short files may hold fewer frames than we want to see.
            bool enough = good >= 3 || (good >= 2 && next >= b.size()) ||
                          (whole && (next == b.size() || next + 128 == b.size()));
            if (!enough) continue;
            static const std::uint32_t types[4] = {0, BASS_CTYPE_STREAM_MP1, BASS_CTYPE_STREAM_MP2,
                                                   BASS_CTYPE_STREAM_MP3};
            set(Container::Mpeg, types[h.layer], "mp3");
            r.dataOffset = static_cast<std::int64_t>(at);
            r.rate = h.rate;
            r.channels = h.channels;
            r.bitrate = h.bitrate;
            return 1;
        }
        return 0;
    };
    if (!whole && b.size() < start + kScan) {
        if (frames(true) == 1) return r;
        std::vector<unsigned char> w = ReadWindow(bytes, 0, start + kScan);
        whole = static_cast<std::int64_t>(w.size()) >= bytes.Size();
        if (w.size() > b.size()) b = std::move(w);
    }
    frames(false);
    return r;
}

}  // namespace sonvaro::audio
