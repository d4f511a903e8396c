// Effect calls: attaching, removing and parameterising effects on channels.
#include "engine/bass.h"
#include "engine/engine.h"
#include "engine/error.h"

using namespace sonvaro::audio;

namespace {

std::shared_ptr<Channel> OwnerOf(HFX fx) {
    DWORD channel = Engine::Get().ChannelOfFx(fx);
    auto ch = channel ? Engine::Get().Find(channel) : nullptr;
    if (!ch) SetError(BASS_ERROR_HANDLE);
    return ch;
}

}  // namespace

HFX BASS_ChannelSetFX(DWORD handle, DWORD type, int priority) {
    auto& engine = Engine::Get();
    auto ch = engine.Find(handle);
    if (!ch) return Fail(BASS_ERROR_HANDLE, HFX{0});
    HFX fx = engine.RegisterFx(handle);
    if (!ch->AddEffect(fx, type, priority)) {
        engine.ForgetFx(fx);
        return Fail(BASS_ERROR_ILLTYPE, HFX{0});
    }
    engine.HearChangeNow();
    SetError(BASS_OK);
    return fx;
}

BOOL BASS_ChannelRemoveFX(DWORD handle, HFX fx) {
    auto& engine = Engine::Get();
    auto ch = engine.Find(handle);
    if (!ch) return Fail(BASS_ERROR_HANDLE, FALSE);
    if (engine.ChannelOfFx(fx) != handle || !ch->RemoveEffect(fx)) return Fail(BASS_ERROR_HANDLE, FALSE);
    engine.ForgetFx(fx);
    engine.HearChangeNow();
    SetError(BASS_OK);
    return TRUE;
}

BOOL BASS_FXSetParameters(HFX fx, const void* params) {
    auto ch = OwnerOf(fx);
    if (!ch) return FALSE;
    if (!params || !ch->EffectParameters(fx, params, nullptr)) return Fail(BASS_ERROR_ILLPARAM, FALSE);
    Engine::Get().HearChangeNow();
    SetError(BASS_OK);
    return TRUE;
}

BOOL BASS_FXGetParameters(HFX fx, void* params) {
    auto ch = OwnerOf(fx);
    if (!ch) return FALSE;
    if (!params || !ch->EffectParameters(fx, nullptr, params)) return Fail(BASS_ERROR_ILLPARAM, FALSE);
    SetError(BASS_OK);
    return TRUE;
}

BOOL BASS_FXReset(HFX fx) {
    auto ch = OwnerOf(fx);
    if (!ch) return FALSE;
    if (!ch->ResetEffect(fx)) return Fail(BASS_ERROR_HANDLE, FALSE);
    SetError(BASS_OK);
    return TRUE;
}
