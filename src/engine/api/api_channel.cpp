// Channel calls: control, information, attributes, positions, syncs, data.
// Byte positions count 16-bit samples of the file's own channel count and
// rate (32-bit with BASS_SAMPLE_FLOAT), the same in every call.
#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/bass.h"
#include "engine/engine.h"
#include "engine/error.h"

using namespace sonvaro::audio;

namespace {

std::shared_ptr<Channel> Lookup(DWORD handle) {
    auto ch = Engine::Get().Find(handle);
    if (!ch) SetError(BASS_ERROR_HANDLE);
    return ch;
}

QWORD BytesPerFrame(const Channel& ch) {
    return std::max<QWORD>(1, ch.format.channels) * ((ch.flags & BASS_SAMPLE_FLOAT) ? 4 : 2);
}

BOOL Ok() {
    SetError(BASS_OK);
    return TRUE;
}

}  // namespace

BOOL BASS_ChannelPlay(DWORD handle, BOOL restart) {
    auto ch = Lookup(handle);
    if (!ch) return FALSE;
    if (ch->IsDecodeOnly()) return Fail(BASS_ERROR_DECODE, FALSE);
    ch->Play(restart != 0, Engine::Get().MixClock());
    Engine::Get().WakeDecoder();
    Engine::Get().HearChangeNow();
    return Ok();
}

BOOL BASS_ChannelPause(DWORD handle) {
    auto ch = Lookup(handle);
    if (!ch) return FALSE;
    if (ch->IsDecodeOnly()) return Fail(BASS_ERROR_DECODE, FALSE);
    if (!ch->Pause()) return Fail(BASS_ERROR_NOPLAY, FALSE);
    Engine::Get().HearChangeNowAndSettle();
    return Ok();
}

BOOL BASS_ChannelStop(DWORD handle) {
    auto ch = Lookup(handle);
    if (!ch) return FALSE;
    // A channel stopped once faded to silence lets the device play the fade's tail.
    const bool sounding = ch->Stop(Engine::Get().MixClock());
    // Stopping an auto-free channel ends its life, as reaching its end does.
    if (ch->flags & BASS_STREAM_AUTOFREE) Engine::Get().FreeChannel(handle);
    if (sounding) Engine::Get().HearChangeNow();
    return Ok();
}

BOOL BASS_ChannelPlayNext(DWORD handle, DWORD next) {
    auto ch = Lookup(handle);
    if (!ch) return FALSE;
    if (ch->IsDecodeOnly()) return Fail(BASS_ERROR_DECODE, FALSE);
    if (next == 0) {
        ch->Link(0, false);
        return Ok();
    }
    auto follower = Lookup(next);
    if (!follower) return FALSE;
    if (follower == ch || follower->IsDecodeOnly()) return Fail(BASS_ERROR_ILLPARAM, FALSE);
    if (!follower->Queue()) return Fail(BASS_ERROR_ALREADY, FALSE);
    if (!ch->Link(next, ch->format.rate == follower->format.rate)) {
        follower->Stop(Engine::Get().MixClock());
        return Fail(BASS_ERROR_NOPLAY, FALSE);
    }
    Engine::Get().WakeDecoder();
    return Ok();
}

DWORD BASS_ChannelIsActive(DWORD handle) {
    auto ch = Lookup(handle);
    if (!ch) return BASS_ACTIVE_STOPPED;
    SetError(BASS_OK);
    return ch->Active();
}

BOOL BASS_ChannelGetInfo(DWORD handle, BASS_CHANNELINFO* info) {
    auto ch = Lookup(handle);
    if (!ch) return FALSE;
    if (!info) return Fail(BASS_ERROR_ILLPARAM, FALSE);
    *info = {};
    info->freq = ch->format.rate;
    info->chans = ch->format.channels;
    info->flags = ch->flags;
    info->ctype = ch->format.ctype;
    info->origres = (ch->format.ctype == BASS_CTYPE_STREAM_WAV_FLOAT) ? 32 : 0;
    return Ok();
}

const char* BASS_ChannelGetTags(DWORD handle, DWORD tags) {
    auto ch = Lookup(handle);
    if (!ch) return nullptr;
    const char* t = ch->Tags(tags);
    if (!t) return Fail(BASS_ERROR_NOTAVAIL, static_cast<const char*>(nullptr));
    SetError(BASS_OK);
    return t;
}

BOOL BASS_ChannelSetAttribute(DWORD handle, DWORD attrib, float value) {
    auto ch = Lookup(handle);
    if (!ch) return FALSE;
    if (!ch->SetAttribute(attrib, value, Engine::Get().MixClock())) return Fail(BASS_ERROR_ILLTYPE, FALSE);
    Engine::Get().HearChangeNow();
    return Ok();
}

BOOL BASS_ChannelGetAttribute(DWORD handle, DWORD attrib, float* value) {
    auto ch = Lookup(handle);
    if (!ch) return FALSE;
    float v = 0;
    if (!value || !ch->GetAttribute(attrib, v, Engine::Get().MixClock()))
        return Fail(BASS_ERROR_ILLTYPE, FALSE);
    *value = v;
    return Ok();
}

BOOL BASS_ChannelSlideAttribute(DWORD handle, DWORD attrib, float value, DWORD time) {
    auto ch = Lookup(handle);
    if (!ch) return FALSE;
    if (!ch->SlideAttribute(attrib, value, time, Engine::Get().MixClock()))
        return Fail(BASS_ERROR_ILLTYPE, FALSE);
    // A slide starts where the mix is, and a fade is timed from there: only a jump is heard at once.
    if (time == 0) Engine::Get().HearChangeNow();
    return Ok();
}

BOOL BASS_ChannelIsSliding(DWORD handle, DWORD attrib) {
    auto ch = Lookup(handle);
    if (!ch) return FALSE;
    SetError(BASS_OK);
    return ch->IsSliding(attrib, Engine::Get().MixClock());
}

QWORD BASS_ChannelGetLength(DWORD handle, DWORD mode) {
    auto ch = Lookup(handle);
    if (!ch) return static_cast<QWORD>(-1);
    if (mode != BASS_POS_BYTE) return Fail(BASS_ERROR_NOTAVAIL, static_cast<QWORD>(-1));
    // A pre-scan channel counts its frames before it answers.
    if (ch->flags & BASS_STREAM_PRESCAN) ch->Prepare();
    std::int64_t frames = ch->Length();
    if (frames < 0) return Fail(BASS_ERROR_NOTAVAIL, static_cast<QWORD>(-1));
    SetError(BASS_OK);
    return static_cast<QWORD>(frames) * BytesPerFrame(*ch);
}

QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode) {
    auto ch = Lookup(handle);
    if (!ch) return static_cast<QWORD>(-1);
    if ((mode & ~BASS_POS_DECODE) != BASS_POS_BYTE) return Fail(BASS_ERROR_NOTAVAIL, static_cast<QWORD>(-1));
    Engine& engine = Engine::Get();
    std::int64_t frames = ch->Position((mode & BASS_POS_DECODE) ? engine.MixClock() : engine.HeardClock());
    std::int64_t length = ch->Length();
    if (length >= 0) frames = std::min(frames, length);
    SetError(BASS_OK);
    return static_cast<QWORD>(std::max<std::int64_t>(frames, 0)) * BytesPerFrame(*ch);
}

BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos, DWORD mode) {
    auto ch = Lookup(handle);
    if (!ch) return FALSE;
    if (mode != BASS_POS_BYTE) return Fail(BASS_ERROR_NOTAVAIL, FALSE);
    auto frame = static_cast<std::int64_t>(pos / BytesPerFrame(*ch));
    if (!ch->SetPosition(frame, Engine::Get().MixClock())) return Fail(BASS_ERROR_POSITION, FALSE);
    // Refill at once so that the mixer does not run dry right after the jump.
    if (!ch->IsDecodeOnly() && ch->Active() != BASS_ACTIVE_STOPPED) ch->DecodeAhead();
    Engine::Get().WakeDecoder();
    Engine::Get().HearChangeNow();
    return Ok();
}

double BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos) {
    auto ch = Lookup(handle);
    if (!ch) return -1;
    if (static_cast<std::int64_t>(pos) < 0) return Fail(BASS_ERROR_ILLPARAM, -1.0);
    SetError(BASS_OK);
    return static_cast<double>(pos / BytesPerFrame(*ch)) / ch->format.rate;
}

QWORD BASS_ChannelSeconds2Bytes(DWORD handle, double pos) {
    auto ch = Lookup(handle);
    if (!ch) return static_cast<QWORD>(-1);
    if (!(pos >= 0)) return Fail(BASS_ERROR_ILLPARAM, static_cast<QWORD>(-1));
    SetError(BASS_OK);
    return static_cast<QWORD>(std::llround(pos * ch->format.rate)) * BytesPerFrame(*ch);
}

HSYNC BASS_ChannelSetSync(DWORD handle, DWORD type, QWORD param, SYNCPROC* proc, void* user) {
    auto ch = Lookup(handle);
    if (!ch) return 0;
    if (!proc) return Fail(BASS_ERROR_ILLPARAM, HSYNC{0});
    HSYNC sync = Engine::Get().NewSyncHandle();
    ch->AddSync({sync, type, param, proc, user});
    SetError(BASS_OK);
    return sync;
}

BOOL BASS_ChannelRemoveSync(DWORD handle, HSYNC sync) {
    auto ch = Lookup(handle);
    if (!ch) return FALSE;
    if (!ch->RemoveSync(sync)) return Fail(BASS_ERROR_HANDLE, FALSE);
    return Ok();
}

DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length) {
    constexpr DWORD kError = static_cast<DWORD>(-1);
    auto ch = Lookup(handle);
    if (!ch) return kError;
    if (length == BASS_DATA_FFT256) {
        if (!buffer || !ch->Spectrum(static_cast<float*>(buffer), Engine::Get().HeardClock()))
            return Fail(BASS_ERROR_NOTAVAIL, kError);
        SetError(BASS_OK);
        return 512;
    }
    if (length & BASS_DATA_FFT256) return Fail(BASS_ERROR_ILLPARAM, kError);  // other FFT sizes
    if (!ch->IsDecodeOnly()) return Fail(BASS_ERROR_NOTAVAIL, kError);
    bool asFloat = (length & BASS_DATA_FLOAT) || (ch->flags & BASS_SAMPLE_FLOAT);
    DWORD bytes = length & 0x0FFFFFFF;
    if (bytes == 0 || !buffer) {
        SetError(BASS_OK);
        return 0;
    }
    std::size_t frames = bytes / (asFloat ? 8 : 4);
    std::vector<float> tmp(frames * 2);
    std::size_t got = ch->ReadDecoded(tmp.data(), frames);
    if (got == 0) return Fail(BASS_ERROR_ENDED, kError);
    if (asFloat) {
        std::copy(tmp.begin(), tmp.begin() + static_cast<std::ptrdiff_t>(got * 2),
                  static_cast<float*>(buffer));
    } else {
        auto* out = static_cast<std::int16_t*>(buffer);
        for (std::size_t i = 0; i < got * 2; ++i)
            out[i] = static_cast<std::int16_t>(std::lround(std::clamp(tmp[i], -1.0f, 1.0f) * 32767.0f));
    }
    SetError(BASS_OK);
    return static_cast<DWORD>(got * (asFloat ? 8 : 4));
}

DWORD BASS_ChannelGetLevel(DWORD handle) {
    auto ch = Lookup(handle);
    if (!ch) return static_cast<DWORD>(-1);
    if (ch->IsDecodeOnly() || ch->Active() == BASS_ACTIVE_STOPPED)
        return Fail(BASS_ERROR_NOPLAY, static_cast<DWORD>(-1));
    SetError(BASS_OK);
    return ch->Level(Engine::Get().HeardClock());
}
