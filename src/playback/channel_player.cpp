#include "playback/channel_player.h"

#include <cmath>

#include "core/duration.h"
#include "core/status_log.h"
#include "core/text.h"
#include "effects/effect_chain.h"
#include "engine/bass.h"
#include "library/library.h"
#include "library/statistics.h"
#include "platform/file_info.h"
#include "playback/engine_setup.h"
#include "playback/level_display.h"
#include "playback/position_text.h"
#include "playback/replay_gain.h"
#include "playlist/playlist_display.h"
#include "settings/settings.h"
#include "tags/module_info.h"
#include "tags/track_info_reader.h"

namespace sonvaro {
namespace {

constexpr const char* kFileLabels[5] = {"Titel:", "Artist:", "Album:", "Genre:", "Länge:"};

int32_t RoundedSeconds(DWORD channel, QWORD bytes) {
    const double seconds = BASS_ChannelBytes2Seconds(channel, bytes);
    return std::isfinite(seconds) && seconds > 0 ? static_cast<int32_t>(std::lround(seconds)) : 0;
}

void FreeChannel(DWORD channel) {
    if (!BASS_StreamFree(channel)) BASS_MusicFree(channel);
}

}  // namespace

ChannelPlayer::ChannelPlayer(ChannelPlayerParts parts)
    : parts_(std::move(parts)), preparedEffects_(parts_.settings) {}

uint32_t ChannelPlayer::OpenChannel(const std::string& path, const TrackRange& range) {
    const DWORD flags = BASS_STREAM_PRESCAN | BASS_STREAM_AUTOFREE;
    DWORD channel = 0;
    if (range.Whole()) {
        channel = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, flags);
    } else {
        const auto seconds = [](int64_t frames) { return static_cast<double>(frames) / 75.0; };
        channel = BASS_StreamCreateFileRange(path.c_str(), seconds(range.start),
                                             range.end < 0 ? 0.0 : seconds(range.end), flags);
    }
    const int streamError = channel ? 0 : BASS_ErrorGetCode();
    if (!channel && range.Whole()) channel = BASS_MusicLoad(FALSE, path.c_str(), 0, 0, flags, 0);
    if (!channel) {
        // No box (playback failures are quiet), but the log says why.
        parts_.log.LogStatus("Nicht abspielbar: '" + path + "' (" + EngineErrorText(streamError) + ")");
        return 0;
    }
    BASS_CHANNELINFO channelInfo{};
    const std::string& font = parts_.settings.BASS_MidiSF2File;
    if (BASS_ChannelGetInfo(channel, &channelInfo) && channelInfo.ctype == BASS_CTYPE_STREAM_MIDI &&
        !font.empty() && IsNonEmptyFile(font)) {
        // The stream keeps the font's path, so the handle is freed at once
        // instead of one handle piling up per MIDI file played.
        if (const HSOUNDFONT handle = BASS_MIDI_FontInit(font.c_str(), 0)) {
            BASS_MIDI_FontLoad(handle, -1, -1);
            const BASS_MIDI_FONT fonts{handle, -1, 0};
            BASS_MIDI_StreamSetFonts(channel, &fonts, 1);
            BASS_MIDI_FontFree(handle);
        }
        BASS_MIDI_StreamLoadSamples(channel);
    }
    return channel;
}

void ChannelPlayer::TakeSlot(uint32_t channel) {
    FadeOut(0);
    state_.currentSlot = 1 - state_.currentSlot;
    if (const DWORD old = state_.slotChannel[state_.currentSlot]) BASS_ChannelStop(old);
    state_.slotChannel[state_.currentSlot] = channel;
    state_.slotFade[state_.currentSlot] = SlotFade::None;
    state_.notice.clear();  // a new title has the field
}

void ChannelPlayer::ApplyEffects(uint32_t channel) {
    float rate = 0;
    BASS_ChannelGetAttribute(channel, BASS_ATTRIB_FREQ, &rate);
    state_.info.sampleRate = rate;
    parts_.effects.SetChannel(channel, rate);
    parts_.effects.ApplyAll();
}

void ChannelPlayer::AnnounceTrack(const TrackInfo& info) {
    ListenerList& l = parts_.listeners;
    l.NotifyAll(ListenerCode::Title, info.title);
    l.NotifyAll(ListenerCode::Artist, info.artist);
    l.NotifyAll(ListenerCode::Album, info.album);
    l.NotifyAll(ListenerCode::Year, std::to_string(info.year));
    l.NotifyAll(ListenerCode::Comment, info.comment);
    l.NotifyAll(ListenerCode::TrackNumber, std::to_string(info.trackNumber));
    l.NotifyAll(ListenerCode::Genre, info.genre);

    if (parts_.settings.Misc_Clipboard > 0 && parts_.clipboard) {
        const std::string fields[] = {state_.currentPath,
                                      info.title,
                                      info.artist,
                                      info.album,
                                      std::to_string(info.year),
                                      info.comment,
                                      std::to_string(info.trackNumber),
                                      info.genre,
                                      std::to_string(info.bitrate),
                                      std::to_string(std::lround(info.sampleRate)),
                                      std::to_string(info.channels),
                                      std::to_string(info.length)};
        std::string text = "BL_CT,";
        for (size_t i = 0; i < std::size(fields); ++i) text += (i ? "|" : "") + fields[i];
        parts_.clipboard->SetText(text);
    }
    if (parts_.settings.Tracker_Enable != 0 && parts_.tracker && !restarting_) parts_.tracker->Show();
}

int ChannelPlayer::RestartChannel(const std::string& path, int32_t source) {
    restarting_ = true;
    const int started =
        PlayChannel(path, source, state_.currentPath == path ? state_.currentRange : TrackRange{});
    restarting_ = false;
    return started;
}

int ChannelPlayer::PlayChannel(const std::string& path, int32_t source, const TrackRange& range,
                               const TrackInfo* shown) {
    CancelNext();
    if (IsStreamAddress(path)) {
        if (parts_.radio) parts_.radio->OpenStation(path);
        return 0;
    }
    // The same track restarted (after the engine was set up anew) keeps the
    // tags it has: reading them again could wait on a scan stuck in a read.
    const bool sameTrack = restarting_ && state_.currentPath == path && state_.currentRange == range;
    const DWORD channel = OpenChannel(path, range);
    if (!channel) return 0;
    const ReplayGainTags gainTags =
        sameTrack ? state_.replayGain : ReplayGainTagsOf(parts_.tags, path, channel, parts_.settings);
    ApplyReplayGain(channel, ReplayGainFactor(gainTags, parts_.settings));
    // The fade-in is set before the start: the start is heard at once (what
    // the device had not taken yet is mixed again), and so is the fade, from
    // silence. Without it a block could sound at full volume first.
    BASS_ChannelSetAttribute(channel, BASS_ATTRIB_VOL, 0);
    FadeIn(channel);
    if (!BASS_ChannelPlay(channel, TRUE)) {
        BASS_ChannelStop(state_.CurrentChannel());
        FreeChannel(channel);
        return 0;
    }
    if (state_.markedRow >= 0 && static_cast<size_t>(state_.markedRow) < parts_.playlist.size()) UnmarkRow();
    BASS_ChannelSetSync(channel, BASS_SYNC_FREE, 0, &ChannelPlayer::StopChannel, this);

    TakeSlot(channel);
    ApplyEffects(channel);
    std::optional<TrackInfo> fresh;
    if (!sameTrack) {
        fresh.emplace();
        fresh->path = path;
        ReadPlayableTrackInfo(parts_.tags, *fresh);
    }
    BeginTrack(channel, path, range, source, fresh ? &*fresh : nullptr, range.Whole() ? nullptr : shown);
    state_.replayGain = gainTags;
    return 1;
}

void ChannelPlayer::BeginTrack(uint32_t channel, const std::string& path, const TrackRange& range,
                               int32_t source, const TrackInfo* tags, const TrackInfo* shown) {
    if (!restarting_) parts_.statistics.CountPlayDay(parts_.clock.now());
    if (parts_.settings.MediaLib_AddPlay && addToLibrary_ && !restarting_) addToLibrary_(path);
    parts_.log.LogStatus("PlayChannel: " + std::to_string(channel));

    const int32_t length = RoundedSeconds(channel, BASS_ChannelGetLength(channel, BASS_POS_BYTE));
    if (!restarting_) parts_.statistics.CountPlayStart();
    state_.currentPath = path;
    state_.currentRange = range;
    state_.position = 0;
    state_.info.length = length;
    state_.playSource = source;
    for (int i = 0; i < 5; ++i) state_.labels[i] = kFileLabels[i];

    if (tags) {
        CopyTags(shown ? *shown : *tags, state_.info);
        if (!restarting_) UpdatePlayedEntries(parts_.library, path, *tags, parts_.clock.now());
    }
    SetSlider(0);
    EnableSlider(length > 0);
    AnnounceTrack(state_.info);
}

void ChannelPlayer::FadeIn(uint32_t channel) {
    BASS_ChannelSlideAttribute(channel ? channel : state_.CurrentChannel(), BASS_ATTRIB_VOL,
                               parts_.settings.Misc_Volume / 100.0f,
                               static_cast<DWORD>(std::max(0, parts_.settings.BASS_FadeIn)) * 1000);
}

void ChannelPlayer::FadeOut(int wait) {
    const DWORD channel = state_.CurrentChannel();
    const uint32_t fadeMs = static_cast<uint32_t>(std::max(0, parts_.settings.BASS_FadeOut)) * 1000;
    BASS_ChannelSlideAttribute(channel, BASS_ATTRIB_VOL, 0.0f, fadeMs);
    state_.slotFade[state_.currentSlot] = SlotFade::FadingOut;
    if (wait <= 0) return;
    // Ends when silent, when the channel is gone, or at the latest a second after the fade should have ended.
    const uint32_t start = parts_.clock.tick();
    for (;;) {
        float volume = 0;
        if (!BASS_ChannelGetAttribute(channel, BASS_ATTRIB_VOL, &volume) || volume <= 0) return;
        if (parts_.clock.tick() - start > fadeMs + 1000) return;
        parts_.clock.sleepMs(5);
    }
}

void ChannelPlayer::TogglePause() {
    SettleNext();
    const DWORD channel = state_.CurrentChannel();
    switch (BASS_ChannelIsActive(channel)) {
        case BASS_ACTIVE_PAUSED:
            BASS_ChannelPlay(channel, FALSE);
            parts_.display.SetPauseButton(false);
            break;
        case BASS_ACTIVE_PLAYING:
            BASS_ChannelPause(channel);
            parts_.display.SetPauseButton(true);
            break;
        default:
            break;
    }
}

void ChannelPlayer::SetChannelVolume(float level) {
    if (level < 0.0f) level = parts_.settings.Misc_Volume / 100.0f;
    if (const DWORD channel = state_.CurrentChannel()) {
        if (BASS_ChannelIsSliding(channel, BASS_ATTRIB_VOL))
            BASS_ChannelSlideAttribute(channel, BASS_ATTRIB_VOL, level, 0);
        else
            BASS_ChannelSetAttribute(channel, BASS_ATTRIB_VOL, level);
    }
    if (prepared_.channel) BASS_ChannelSetAttribute(prepared_.channel, BASS_ATTRIB_VOL, level);
    const int muted = parts_.settings.Misc_Volume == 0 ? 1 : 0;
    if (muted != muteShown_) {
        muteShown_ = muted;
        parts_.display.SetMuteButton(muted == 1);
    }
}

void ChannelPlayer::SeekFromSlider(int32_t value, bool buttonDown) {
    if (state_.info.length <= 0) return;
    state_.seeking = 1;
    if (buttonDown) return;
    // The next track is set up again if the new position is near the end.
    SettleNext();
    CancelNext();
    const DWORD channel = state_.CurrentChannel();
    const QWORD length = BASS_ChannelGetLength(channel, BASS_POS_BYTE);
    if (length != static_cast<QWORD>(-1) && value >= 0)
        BASS_ChannelSetPosition(channel, length * static_cast<QWORD>(value) / 1000, BASS_POS_BYTE);
    state_.seeking = 0;
    // A paused channel gets no ticks: the time shows the new position now.
    if (channel) UpdatePositionDisplay();
}

bool ChannelPlayer::SeekToSeconds(double seconds) {
    if (state_.info.length <= 0 || state_.currentPath.empty()) return false;
    SettleNext();
    CancelNext();
    const DWORD channel = state_.CurrentChannel();
    const QWORD length = BASS_ChannelGetLength(channel, BASS_POS_BYTE);
    if (!channel || length == static_cast<QWORD>(-1)) return false;
    QWORD bytes = std::isfinite(seconds) && seconds > 0 ? BASS_ChannelSeconds2Bytes(channel, seconds) : 0;
    if (bytes == static_cast<QWORD>(-1) || bytes > length) bytes = length;
    if (!BASS_ChannelSetPosition(channel, bytes, BASS_POS_BYTE)) return false;
    UpdatePositionDisplay();
    return true;
}

double ChannelPlayer::PositionSeconds() const {
    const DWORD channel = state_.CurrentChannel();
    if (!channel || state_.currentPath.empty()) return 0;
    const QWORD bytes = BASS_ChannelGetPosition(channel, BASS_POS_BYTE);
    if (bytes == static_cast<QWORD>(-1)) return 0;
    const double seconds = BASS_ChannelBytes2Seconds(channel, bytes);
    return std::isfinite(seconds) && seconds > 0 ? seconds : 0;
}

PlaybackStatus ChannelPlayer::Status() const {
    if (state_.currentPath.empty()) return PlaybackStatus::Stopped;
    switch (BASS_ChannelIsActive(state_.CurrentChannel())) {
        case BASS_ACTIVE_PLAYING:
        case BASS_ACTIVE_STALLED:
            return PlaybackStatus::Playing;
        case BASS_ACTIVE_PAUSED:
            return PlaybackStatus::Paused;
        default:
            return PlaybackStatus::Stopped;
    }
}

void ChannelPlayer::Stop() {
    CancelNext();
    state_.playSource = kSourceSingle;
    FadeOut(0);
}

void ChannelPlayer::MarkRow(int32_t row) {
    state_.markedRow = row;
    parts_.playlistView.SetRowMarked(row, true);
    rowMarked_ = true;
}

void ChannelPlayer::UnmarkRow() {
    if (!rowMarked_) return;
    parts_.playlistView.SetRowMarked(state_.markedRow, false);
    rowMarked_ = false;
}

void ChannelPlayer::ShowNotice(const std::string& text) {
    state_.notice = text;
    state_.noticeTick = parts_.clock.tick();
    ShowField(InfoField::Title, text);
}

void ChannelPlayer::ShowField(InfoField field, const std::string& text) {
    const int n = static_cast<int>(field);
    if (state_.shownFields[n] == text) return;
    state_.shownFields[n] = text;
    parts_.display.SetInfoField(n, text);
}

void ChannelPlayer::SetSlider(int32_t value) {
    if (state_.shownSlider == value) return;
    state_.shownSlider = value;
    parts_.display.SetPositionSlider(value);
}

void ChannelPlayer::EnableSlider(bool enabled) {
    if (state_.shownSliderEnabled == static_cast<int>(enabled)) return;
    state_.shownSliderEnabled = enabled;
    parts_.display.EnablePositionSlider(enabled);
}

bool ChannelPlayer::FollowSlots() {
    bool anyActive = false;
    for (int slot = 0; slot < 2; ++slot) {
        const DWORD channel = state_.slotChannel[slot];
        if (channel && BASS_ChannelIsActive(channel) != BASS_ACTIVE_STOPPED) {
            float volume = 0;
            BASS_ChannelGetAttribute(channel, BASS_ATTRIB_VOL, &volume);
            state_.slotVolume[slot] = volume;
            anyActive = true;
        } else {
            state_.slotChannel[slot] = 0;
            state_.slotFade[slot] = SlotFade::None;
            state_.slotVolume[slot] = 0;
        }
    }
    // A fade-out that reached silence ends its channel.
    for (int slot = 0; slot < 2; ++slot) {
        if (state_.slotFade[slot] == SlotFade::FadingOut && state_.slotVolume[slot] <= 0 &&
            state_.slotChannel[slot]) {
            BASS_ChannelStop(state_.slotChannel[slot]);
            state_.slotChannel[slot] = 0;
        }
    }
    return anyActive;
}

void ChannelPlayer::IdleTick() {
    for (auto& label : state_.labels) label.clear();
    if (state_.levelShown) {
        parts_.level.Blank(parts_.settings.GUI_ColorB);
        parts_.display.ShowLevelImage(parts_.level);
        state_.levelShown = false;
    }
    if (state_.shownSlider != 0) {
        SetSlider(0);
        EnableSlider(false);
    }
    for (InfoField field : {InfoField::TitleCaption, InfoField::ArtistCaption, InfoField::AlbumCaption,
                            InfoField::GenreCaption, InfoField::LengthCaption, InfoField::Title,
                            InfoField::Artist, InfoField::Album, InfoField::Genre, InfoField::Position})
        ShowField(field, field == InfoField::Title ? state_.notice : std::string());
    UnmarkRow();
    if (parts_.tracker) parts_.tracker->CloseUnlessPinned();
    // A station being connected to is one attempt: the list waits for it
    // rather than opening it again, or starting the next title, every tick.
    if (nextTitle_ && !(parts_.radio && parts_.radio->Connecting() > 0)) nextTitle_();
}

void ChannelPlayer::ShowTrackFields(uint32_t channel) {
    for (int i = 0; i < 5; ++i) ShowField(static_cast<InfoField>(1 + 2 * i), state_.labels[i]);
    int64_t fill = 100;
    if (state_.playSource == kSourceRadio) {
        const QWORD end = BASS_StreamGetFilePosition(channel, BASS_FILEPOS_END);
        const QWORD buffered = BASS_StreamGetFilePosition(channel, BASS_FILEPOS_BUFFER);
        fill = end > 0 && end != static_cast<QWORD>(-1) && buffered != static_cast<QWORD>(-1)
                   ? static_cast<int64_t>(buffered * 100 / end)
                   : 0;
    }
    constexpr uint32_t kNoticeMs = 5000;
    if (!state_.notice.empty() && parts_.clock.tick() - state_.noticeTick >= kNoticeMs) state_.notice.clear();
    if (fill < 50) {
        ShowField(InfoField::Title,
                  state_.notice.empty() ? "Bufferung.. [" + std::to_string(fill) + "%]" : state_.notice);
    } else {
        ShowField(InfoField::Title, state_.notice.empty() ? state_.info.title : state_.notice);
        ShowField(InfoField::Artist, state_.info.artist);
        ShowField(InfoField::Album, state_.info.album);
        ShowField(InfoField::Genre, state_.info.genre);
    }
}

void ChannelPlayer::PlayerTick() {
    // Before the slots are looked at: a next track that took over is current.
    PromoteNext(true);
    if (state_.info.length <= 0 && state_.info.length != -1) {
        state_.info.length = -1;
        SetSlider(0);
        EnableSlider(false);
    }
    if (!FollowSlots()) {
        IdleTick();
        return;
    }
    const DWORD channel = state_.CurrentChannel();
    switch (BASS_ChannelIsActive(channel)) {
        case BASS_ACTIVE_STOPPED:
            state_.currentPath.clear();
            return;
        case BASS_ACTIVE_PLAYING:
            break;
        default:
            return;  // stalled or paused
    }
    ShowTrackFields(channel);
    const Settings& s = parts_.settings;
    if (parts_.display.ShowsLevel() &&
        parts_.level.Draw(channel, s.Misc_SpectrumType, s.GUI_ColorB, s.GUI_ColorF, parts_.clock.tick())) {
        parts_.display.ShowLevelImage(parts_.level);
        state_.levelShown = true;
    }
    UpdatePositionDisplay();
    FadeOutTowardsTheEnd(channel);
    PrepareNext(channel);
    parts_.statistics.CountPlayTime(parts_.clock.tick());
}

bool ChannelPlayer::SteadyFor(double seconds) {
    if (state_.seeking || state_.playSource == kSourceRadio || state_.info.length <= 0) return false;
    if (state_.slotChannel[0] && state_.slotChannel[1]) return false;  // one fades into the other
    for (const SlotFade fade : state_.slotFade)
        if (fade != SlotFade::None) return false;
    const DWORD channel = state_.CurrentChannel();
    if (!channel || BASS_ChannelIsActive(channel) != BASS_ACTIVE_PLAYING) return false;
    // The next track is made ready 5 s before the end; a second more for the slack.
    const double due = std::max<double>(parts_.settings.BASS_FadeOut, 0) + 6.0;
    return SecondsLeftToMix(channel) > due + seconds;
}

double ChannelPlayer::SecondsLeftToMix(uint32_t channel) {
    const QWORD length = BASS_ChannelGetLength(channel, BASS_POS_BYTE);
    const QWORD position = BASS_ChannelGetPosition(channel, BASS_POS_BYTE | BASS_POS_DECODE);
    if (length == static_cast<QWORD>(-1) || position == static_cast<QWORD>(-1) || position >= length)
        return -1;
    // At a changed speed the rest of the file lasts longer or shorter than its own seconds.
    BASS_CHANNELINFO info{};
    float rate = 0;
    const double speed = BASS_ChannelGetInfo(channel, &info) && info.freq > 0 &&
                                 BASS_ChannelGetAttribute(channel, BASS_ATTRIB_FREQ, &rate) && rate > 0
                             ? rate / static_cast<double>(info.freq)
                             : 1.0;
    const double left = BASS_ChannelBytes2Seconds(channel, length - position) / speed;
    return std::isfinite(left) && left >= 0 ? left : -1;
}

void ChannelPlayer::FadeOutTowardsTheEnd(uint32_t channel) {
    // Started once, over exactly what is left, so the volume reaches 0 at the
    // last sample; 0 seconds means no fade, and the track plays to its end.
    // Measured where the mix is, not where the listener is: a slide starts
    // there, and what is heard lags behind it by the mix buffer and the device.
    if (parts_.settings.BASS_FadeOut <= 0 || state_.info.length <= 0) return;
    if (state_.slotFade[state_.currentSlot] == SlotFade::FadingOut) return;
    const double left = SecondsLeftToMix(channel);
    if (!(left >= 0) || left > parts_.settings.BASS_FadeOut) return;
    BASS_ChannelSlideAttribute(channel, BASS_ATTRIB_VOL, 0.0f, static_cast<DWORD>(std::lround(left * 1000)));
    state_.slotFade[state_.currentSlot] = SlotFade::FadingOut;
}

void ChannelPlayer::UpdatePositionDisplay() {
    const DWORD channel = state_.CurrentChannel();
    state_.position = RoundedSeconds(channel, BASS_ChannelGetPosition(channel, BASS_POS_BYTE));
    const int32_t length = state_.info.length;
    if (!state_.seeking) {
        if (length <= 0) {
            if (state_.shownSlider != 0) {
                ShowField(InfoField::Position, "");
                SetSlider(0);
            }
        } else {
            SetSlider(PositionSliderValue(state_.position, length));
        }
    }
    const std::string text = PositionText(parts_.settings.GUI_LengthFormat, state_.position, length);
    if (state_.shownFields[10] != text) {
        ShowField(InfoField::Position, text);
        parts_.display.SetTrayToolTip(TrayToolTip(state_.info.title, text));
    }
}

void ChannelPlayer::StopChannel(uint32_t, uint32_t channel, uint32_t, void* user) {
    auto* self = static_cast<ChannelPlayer*>(user);
    self->parts_.log.LogStatus("StopChannel: " + std::to_string(channel));
    self->parts_.statistics.CountPlayEnd();
    self->parts_.listeners.NotifyAll(ListenerCode::Stopped, "");
}

}  // namespace sonvaro
