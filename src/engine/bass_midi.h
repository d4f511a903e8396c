// MIDI part of the engine interface: sound fonts and their use by MIDI streams.
#pragma once

#include "engine/bass.h"

using HSOUNDFONT = DWORD;

struct BASS_MIDI_FONT {
    HSOUNDFONT font;
    int preset;
    int bank;
};

HSOUNDFONT BASS_MIDI_FontInit(const void* file, DWORD flags);
BOOL BASS_MIDI_FontFree(HSOUNDFONT handle);
BOOL BASS_MIDI_FontLoad(HSOUNDFONT handle, int preset, int bank);
BOOL BASS_MIDI_StreamSetFonts(HSTREAM handle, const void* fonts, DWORD count);
BOOL BASS_MIDI_StreamLoadSamples(HSTREAM handle);
HSTREAM BASS_MIDI_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags,
                                   DWORD freq);
