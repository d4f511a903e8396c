// Effect part of the engine interface: DX8-style effects, and the volume and
// peaking equalizer band of the BASS_FX add-on, with their parameter records.
#pragma once

#include "engine/bass.h"

constexpr DWORD BASS_FX_DX8_CHORUS = 0;
constexpr DWORD BASS_FX_DX8_ECHO = 3;
constexpr DWORD BASS_FX_DX8_FLANGER = 4;
constexpr DWORD BASS_FX_DX8_REVERB = 8;
constexpr DWORD BASS_FX_BFX_VOLUME = 0x10003;
constexpr DWORD BASS_FX_BFX_PEAKEQ = 0x10004;

constexpr int BASS_BFX_CHANALL = -1;
constexpr int BASS_BFX_CHANNONE = 0;
constexpr int BASS_BFX_CHAN1 = 1;
constexpr int BASS_BFX_CHAN2 = 2;

constexpr DWORD BASS_DX8_PHASE_NEG_180 = 0;
constexpr DWORD BASS_DX8_PHASE_NEG_90 = 1;
constexpr DWORD BASS_DX8_PHASE_ZERO = 2;
constexpr DWORD BASS_DX8_PHASE_90 = 3;
constexpr DWORD BASS_DX8_PHASE_180 = 4;

struct BASS_DX8_REVERB {
    float fInGain;           // dB, -96..0
    float fReverbMix;        // dB, -96..0
    float fReverbTime;       // ms, 0.001..3000
    float fHighFreqRTRatio;  // 0.001..0.999
};

struct BASS_DX8_ECHO {
    float fWetDryMix;  // percent wet
    float fFeedback;   // percent
    float fLeftDelay;  // ms, 1..2000
    float fRightDelay;
    BOOL lPanDelay;  // swap left and right delays on each echo
};

struct BASS_DX8_FLANGER {
    float fWetDryMix;  // percent wet
    float fDepth;      // percent of the delay swept
    float fFeedback;   // percent, -99..99
    float fFrequency;  // Hz, 0..10
    DWORD lWaveform;   // 0 triangle, 1 sine
    float fDelay;      // ms, 0..4
    DWORD lPhase;      // BASS_DX8_PHASE_*
};

struct BASS_BFX_VOLUME {
    int lChannel;   // BASS_BFX_CHAN* bit mask; 0 and -1 = all
    float fVolume;  // linear factor, 0..1000
};

struct BASS_BFX_PEAKEQ {
    int lBand;
    float fBandwidth;  // octaves; used when fQ is 0
    float fQ;
    float fCenter;  // Hz
    float fGain;    // dB
    int lChannel;   // BASS_BFX_CHAN* bit mask, -1 = all
};

HFX BASS_ChannelSetFX(DWORD handle, DWORD type, int priority);
BOOL BASS_ChannelRemoveFX(DWORD handle, HFX fx);
BOOL BASS_FXSetParameters(HFX handle, const void* params);
BOOL BASS_FXGetParameters(HFX handle, void* params);
BOOL BASS_FXReset(HFX handle);
DWORD BASS_FX_GetVersion();
