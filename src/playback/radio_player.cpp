#include "playback/radio_player.h"

#include <cstring>

#include "core/encoding.h"
#include "core/numbers.h"
#include "core/status_log.h"
#include "core/text.h"
#include "effects/effect_chain.h"
#include "engine/bass.h"
#include "library/library.h"
#include "library/statistics.h"
#include "playback/channel_player.h"
#include "playback/stream_title.h"
#include "settings/settings.h"

namespace sonvaro {
namespace {

// Why a station could not be opened, from the engine's error code.
std::string StationFailure(int code) {
    switch (code) {
        case BASS_ERROR_TIMEOUT:
            return "Zeitüberschreitung";
        case BASS_ERROR_SSL:
            return "SSL-Fehler";
        case BASS_ERROR_FILEFORM:
        case BASS_ERROR_CODEC:
        case BASS_ERROR_NOTAUDIO:
            return "Format nicht erkannt";
        case BASS_ERROR_NONET:
        case BASS_ERROR_FILEOPEN:
            return "Verbindung fehlgeschlagen";
        default:
            return "Fehler " + std::to_string(code);
    }
}

constexpr const char* kRadioLabels[5] = {"Name:", "Artist:", "Album:", "Genre:", "Länge:"};
// Pieces kept while a stream opens: its first probe window and a little more.
constexpr size_t kMaxEarly = 256 * 1024;

std::string Decoded(std::string_view raw) {
    std::string scratch;
    return std::string(DecodeLine(raw, scratch));
}

// The ICY header lines joined with "|", then "|" and the metadata text: the
// items the station's name, genre and first title are read from.
std::vector<std::string> HeaderItems(DWORD channel) {
    std::string text;
    for (const char* p = BASS_ChannelGetTags(channel, BASS_TAG_ICY); p && *p; p += std::strlen(p) + 1) {
        if (!text.empty()) text += '|';
        text += p;
    }
    if (!text.empty()) text += '|';
    if (const char* meta = BASS_ChannelGetTags(channel, BASS_TAG_META)) text += meta;
    std::vector<std::string> items;
    size_t at = 0;
    for (;;) {
        const size_t bar = text.find('|', at);
        items.emplace_back(TrimSpaces(std::string_view(text).substr(at, bar - at)));
        if (bar == std::string::npos) break;
        at = bar + 1;
    }
    return items;
}

}  // namespace

RadioPlayer::RadioPlayer(RadioPlayerParts parts) : parts_(std::move(parts)) {
    RefreshRecordingSettings();
}

RadioPlayer::~RadioPlayer() {
    std::lock_guard lock(threadsMutex_);
    for (Connection& c : threads_) c.thread.join();
}

void RadioPlayer::OpenStation(const std::string& address) {
    RefreshRecordingSettings();
    std::lock_guard lock(threadsMutex_);
    // Threads that have finished are joined here, so a long session keeps none.
    std::erase_if(threads_, [](Connection& c) {
        if (!c.done->load()) return false;
        c.thread.join();
        return true;
    });
    auto done = std::make_shared<std::atomic<bool>>(false);
    ++connecting_;
    threads_.push_back({std::thread([this, address, done] {
                            OpenRadioStream(address);
                            --connecting_;
                            done->store(true);
                        }),
                        done});
}

void RadioPlayer::OpenRadioStream(std::string address) {
    Stream* stream;
    {
        std::lock_guard lock(recordMutex_);
        streams_.push_back(std::make_unique<Stream>());
        streams_.back()->radio = this;
        streams_.back()->id = nextId_++;
        stream = streams_.back().get();
    }
    const auto forget = [&] {
        std::lock_guard lock(recordMutex_);
        stream->early.clear();
        stream->early.shrink_to_fit();
    };
    const DWORD flags = BASS_STREAM_STATUS | BASS_STREAM_BLOCK | BASS_STREAM_AUTOFREE;  // 0x940000
    const DWORD channel =
        BASS_StreamCreateURL(address.c_str(), 0, flags, &RadioPlayer::RadioDownload, stream);
    if (!channel) {
        // The playing track goes on; the log and the window say why nothing changed.
        std::string text =
            "Sender nicht erreichbar: '" + address + "' (" + StationFailure(BASS_ErrorGetCode()) + ")";
        parts_.log.LogStatus(text);
        {
            std::lock_guard events(eventsMutex_);
            events_.push_back({false, 0, address, {}, {}, {}, {}, std::move(text)});
        }
        return forget();
    }
    // Silent before it starts, so no block sounds at full volume before the fade-in.
    BASS_ChannelSetAttribute(channel, BASS_ATTRIB_VOL, 0);
    if (!BASS_ChannelPlay(channel, TRUE)) {
        // Nobody would ever play or free it, and it would go on downloading.
        BASS_StreamFree(channel);
        return forget();
    }
    parts_.log.LogStatus("Internetstreaming succes..");
    BASS_ChannelSetSync(channel, BASS_SYNC_FREE, 0, &ChannelPlayer::StopChannel, &parts_.player);
    BASS_ChannelSetSync(channel, BASS_SYNC_META, 0, &RadioPlayer::RadioMetaChanged, stream);

    Event e{true, channel, address, {}, {}, {}, {}, {}};
    for (const std::string& raw : HeaderItems(channel)) {
        if (raw.empty()) continue;
        const std::string item = Decoded(raw);
        if (StartsWithNoCase(item, "icy-name:"))
            e.station = std::string(TrimSpaces(std::string_view(item).substr(9)));
        else if (StartsWithNoCase(item, "icy-genre:"))
            e.genre = std::string(TrimSpaces(std::string_view(item).substr(10)));
        else if (StartsWithNoCase(item, "streamtitle=")) {
            StreamTitle t = ParseStreamTitle(item);
            e.artist = std::move(t.artist);
            e.title = std::move(t.title);
        }
    }
    if (e.station.empty()) e.station = address;
    BASS_CHANNELINFO info{};
    const DWORD ctype = BASS_ChannelGetInfo(channel, &info) ? info.ctype : 0;

    {
        // From here this station is the one recorded and counted; what it sent
        // while opening goes into the file its names give.
        std::lock_guard lock(recordMutex_);
        currentId_ = stream->id;
        stream->takenOver = true;
        names_ = {e.artist, e.title, e.station, RecordingExtension(ctype)};
        trackLog_.Reset(stream->bytes);
        Record(stream->early.data(), stream->early.size());
        stream->early.clear();
        stream->early.shrink_to_fit();
        radioChannel_ = channel;
        // Queued under the same lock, so no title change of this station can overtake it.
        std::lock_guard events(eventsMutex_);
        events_.push_back(std::move(e));
    }
}

void RadioPlayer::RadioDownload(const void* buffer, uint32_t length, void* user) {
    // The header list (length 0) and the end mark (no buffer) are no data.
    if (!buffer || length == 0) return;
    auto* stream = static_cast<Stream*>(user);
    RadioPlayer& radio = *stream->radio;
    std::lock_guard lock(radio.recordMutex_);
    stream->bytes += length;
    if (!stream->takenOver) {
        if (stream->early.size() + length <= kMaxEarly)
            stream->early.append(static_cast<const char*>(buffer), length);
        return;
    }
    // A station still fading out after the next one took over records nothing.
    if (stream->id != radio.currentId_) return;
    radio.trackLog_.SetReceivedBytes(stream->bytes);
    radio.Record(buffer, length);
}

void RadioPlayer::Record(const void* data, size_t length) {
    if (AppendRecording(recording_, names_, parts_.clock.now(), data, length)) {
        failedFolder_.clear();
        return;
    }
    // The stream plays on; the user is told once why nothing is recorded.
    // An empty folder setting is told too: it gets a key of its own.
    const std::string key = recording_.savePath.empty() ? std::string(1, '\0') : recording_.savePath;
    if (recording_.saveFile == 1 && failedFolder_ != key) {
        failedFolder_ = key;
        failurePending_ = true;
    }
}

void RadioPlayer::RadioMetaChanged(uint32_t, uint32_t channel, uint32_t, void* user) {
    auto* stream = static_cast<Stream*>(user);
    RadioPlayer& radio = *stream->radio;
    const char* tags = BASS_ChannelGetTags(channel, BASS_TAG_META);
    if (!tags) return;
    const std::string meta = Decoded(TrimSpaces(tags));
    if (meta.empty() || !StartsWithNoCase(meta, "streamtitle=")) return;
    StreamTitle t = ParseStreamTitle(meta);
    {
        std::lock_guard lock(radio.recordMutex_);
        // The titles of a station that was replaced belong to nobody.
        if (stream->id != radio.currentId_) return;
        radio.names_.artist = t.artist;
        radio.names_.title = t.title;
    }
    radio.trackLog_.Append({t.title, t.artist});
    std::lock_guard lock(radio.eventsMutex_);
    radio.events_.push_back({false, channel, {}, {}, {}, std::move(t.artist), std::move(t.title), {}});
}

void RadioPlayer::RefreshRecordingSettings() {
    const Settings& s = parts_.settings;
    std::lock_guard lock(recordMutex_);
    if (recording_.saveFile != s.NETStream_SaveFile) recording_.saveFile = s.NETStream_SaveFile;
    if (recording_.savePath != s.NETStream_SavePath) recording_.savePath = s.NETStream_SavePath;
    if (recording_.saveName != s.NETStream_SaveName) recording_.saveName = s.NETStream_SaveName;
}

void RadioPlayer::Drain() {
    RefreshRecordingSettings();
    std::vector<Event> events;
    {
        std::lock_guard lock(eventsMutex_);
        events.swap(events_);
    }
    for (const Event& e : events) {
        if (!e.failure.empty()) {
            parts_.player.ShowNotice(e.failure);
        } else if (e.opened) {
            TakeOver(e);
        } else if (e.channel == parts_.player.State().CurrentChannel()) {
            parts_.player.State().info.artist = e.artist;
            parts_.player.State().info.album = e.title;
        }
    }
    std::string folder;
    {
        std::lock_guard lock(recordMutex_);
        if (!failurePending_) return;
        failurePending_ = false;
        folder = recording_.savePath;
    }
    const std::string text = "Aufnahme nicht möglich: In den Ordner '" + folder +
                             "' kann nicht geschrieben werden. Die Wiedergabe läuft weiter.";
    parts_.log.LogStatus(text);
    if (recordingFailed_) recordingFailed_(text);  // last: a message box lets events through
}

void RadioPlayer::TakeOver(const Event& e) {
    ChannelPlayer& player = parts_.player;
    PlayerState& state = player.State();
    // The channel may have ended already (the server closed at once): nothing to take over.
    if (BASS_ChannelIsActive(e.channel) == BASS_ACTIVE_STOPPED) return;
    player.UnmarkRow();
    state.notice.clear();  // the station that answered has the title field

    player.FadeOut(0);
    state.currentSlot = 1 - state.currentSlot;
    if (const DWORD old = state.slotChannel[state.currentSlot]) BASS_ChannelStop(old);
    state.slotChannel[state.currentSlot] = e.channel;

    float rate = 0;
    BASS_ChannelGetAttribute(e.channel, BASS_ATTRIB_FREQ, &rate);
    state.info.sampleRate = rate;
    parts_.effects.SetChannel(e.channel, rate);
    parts_.effects.ApplyAll();
    player.FadeIn();

    parts_.statistics.CountPlayStart();
    state.slotFade[state.currentSlot] = SlotFade::None;
    state.currentPath = e.address;
    state.position = 0;
    state.info.length = 0;
    state.playSource = kSourceRadio;
    for (int i = 0; i < 5; ++i) state.labels[i] = kRadioLabels[i];
    TrackInfo& info = state.info;
    info.comment.clear();
    info.year = info.trackNumber = info.bitrate = info.channels = 0;
    info.title = e.station;
    info.genre = e.genre;
    info.artist = e.artist;
    info.album = e.title;

    const int64_t now = parts_.clock.now();
    ChangeLibrary(parts_.library,
                  [address = e.address, title = info.title, genre = info.genre, now](Library& library) {
                      for (LibraryEntry& entry : library.entries) {
                          if (!EqualsNoCase(entry.info.path, address)) continue;
                          entry.lastPlayed = LowBits32(now);
                          if (entry.playCount < INT16_MAX) ++entry.playCount;
                          entry.info.title = title;
                          entry.info.genre = genre;
                      }
                  });
}

}  // namespace sonvaro
