// Public interface of Sonvaro's audio engine. The calls, constants, flags and
// error codes follow the BASS 2.4 API so the player code reads like code written
// against it; everything behind it is our own engine (see engine.h).
#pragma once

#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using QWORD = std::uint64_t;
// TagLib's C header defines BOOL as a macro for int; both spellings agree.
#ifndef BOOL
using BOOL = int;
#endif
using HWND = void*;

using HMUSIC = DWORD;
using HSAMPLE = DWORD;
using HCHANNEL = DWORD;
using HSTREAM = DWORD;
using HSYNC = DWORD;
using HDSP = DWORD;
using HFX = DWORD;
using HPLUGIN = DWORD;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

constexpr DWORD BASSVERSION = 0x204;

// Error codes
constexpr int BASS_OK = 0;
constexpr int BASS_ERROR_MEM = 1;
constexpr int BASS_ERROR_FILEOPEN = 2;
constexpr int BASS_ERROR_DRIVER = 3;
constexpr int BASS_ERROR_BUFLOST = 4;
constexpr int BASS_ERROR_HANDLE = 5;
constexpr int BASS_ERROR_FORMAT = 6;
constexpr int BASS_ERROR_POSITION = 7;
constexpr int BASS_ERROR_INIT = 8;
constexpr int BASS_ERROR_START = 9;
constexpr int BASS_ERROR_SSL = 10;
constexpr int BASS_ERROR_ALREADY = 14;
constexpr int BASS_ERROR_NOTAUDIO = 17;
constexpr int BASS_ERROR_NOCHAN = 18;
constexpr int BASS_ERROR_ILLTYPE = 19;
constexpr int BASS_ERROR_ILLPARAM = 20;
constexpr int BASS_ERROR_NO3D = 21;
constexpr int BASS_ERROR_NOEAX = 22;
constexpr int BASS_ERROR_DEVICE = 23;
constexpr int BASS_ERROR_NOPLAY = 24;
constexpr int BASS_ERROR_FREQ = 25;
constexpr int BASS_ERROR_NOTFILE = 27;
constexpr int BASS_ERROR_NOHW = 29;
constexpr int BASS_ERROR_EMPTY = 31;
constexpr int BASS_ERROR_NONET = 32;
constexpr int BASS_ERROR_CREATE = 33;
constexpr int BASS_ERROR_NOFX = 34;
constexpr int BASS_ERROR_NOTAVAIL = 37;
constexpr int BASS_ERROR_DECODE = 38;
constexpr int BASS_ERROR_DX = 39;
constexpr int BASS_ERROR_TIMEOUT = 40;
constexpr int BASS_ERROR_FILEFORM = 41;
constexpr int BASS_ERROR_SPEAKER = 42;
constexpr int BASS_ERROR_VERSION = 43;
constexpr int BASS_ERROR_CODEC = 44;
constexpr int BASS_ERROR_ENDED = 45;
constexpr int BASS_ERROR_BUSY = 46;
constexpr int BASS_ERROR_UNKNOWN = -1;

// Config options
constexpr DWORD BASS_CONFIG_BUFFER = 0;
constexpr DWORD BASS_CONFIG_UPDATEPERIOD = 1;
constexpr DWORD BASS_CONFIG_GVOL_SAMPLE = 4;
constexpr DWORD BASS_CONFIG_GVOL_STREAM = 5;
constexpr DWORD BASS_CONFIG_GVOL_MUSIC = 6;
constexpr DWORD BASS_CONFIG_CURVE_VOL = 7;
constexpr DWORD BASS_CONFIG_CURVE_PAN = 8;
constexpr DWORD BASS_CONFIG_FLOATDSP = 9;
constexpr DWORD BASS_CONFIG_3DALGORITHM = 10;
constexpr DWORD BASS_CONFIG_NET_TIMEOUT = 11;
constexpr DWORD BASS_CONFIG_NET_BUFFER = 12;
constexpr DWORD BASS_CONFIG_PAUSE_NOPLAY = 13;
constexpr DWORD BASS_CONFIG_NET_PREBUF = 15;
constexpr DWORD BASS_CONFIG_NET_AGENT = 16;
constexpr DWORD BASS_CONFIG_NET_PROXY = 17;
constexpr DWORD BASS_CONFIG_NET_PASSIVE = 18;
constexpr DWORD BASS_CONFIG_NET_PLAYLIST = 21;
constexpr DWORD BASS_CONFIG_MUSIC_VIRTUAL = 22;
constexpr DWORD BASS_CONFIG_VERIFY = 23;
constexpr DWORD BASS_CONFIG_UPDATETHREADS = 24;
constexpr DWORD BASS_CONFIG_DEV_BUFFER = 27;
constexpr DWORD BASS_CONFIG_MIDI_AUTOFONT = 0x10402;
constexpr DWORD BASS_CONFIG_MIDI_DEFFONT = 0x10403;
constexpr DWORD BASS_CONFIG_MP4_VIDEO = 0x10700;

// BASS_Init flags
constexpr DWORD BASS_DEVICE_8BITS = 1;
constexpr DWORD BASS_DEVICE_MONO = 2;
constexpr DWORD BASS_DEVICE_3D = 4;
constexpr DWORD BASS_DEVICE_16BITS = 8;
constexpr DWORD BASS_DEVICE_LATENCY = 0x100;
constexpr DWORD BASS_DEVICE_CPSPEAKERS = 0x400;
constexpr DWORD BASS_DEVICE_SPEAKERS = 0x800;
constexpr DWORD BASS_DEVICE_NOSPEAKER = 0x1000;
constexpr DWORD BASS_DEVICE_FREQ = 0x4000;
constexpr DWORD BASS_DEVICE_STEREO = 0x8000;

// BASS_DEVICEINFO flags
constexpr DWORD BASS_DEVICE_ENABLED = 1;
constexpr DWORD BASS_DEVICE_DEFAULT = 2;
constexpr DWORD BASS_DEVICE_INIT = 4;

struct BASS_DEVICEINFO {
    const char* name;
    const char* driver;
    DWORD flags;
};

// Sample, stream and music flags
constexpr DWORD BASS_SAMPLE_8BITS = 1;
constexpr DWORD BASS_SAMPLE_MONO = 2;
constexpr DWORD BASS_SAMPLE_LOOP = 4;
constexpr DWORD BASS_SAMPLE_3D = 8;
constexpr DWORD BASS_SAMPLE_SOFTWARE = 0x10;
constexpr DWORD BASS_SAMPLE_FX = 0x80;
constexpr DWORD BASS_SAMPLE_FLOAT = 0x100;
constexpr DWORD BASS_STREAM_PRESCAN = 0x20000;
constexpr DWORD BASS_STREAM_AUTOFREE = 0x40000;
constexpr DWORD BASS_STREAM_RESTRATE = 0x80000;
constexpr DWORD BASS_STREAM_BLOCK = 0x100000;
constexpr DWORD BASS_STREAM_DECODE = 0x200000;
constexpr DWORD BASS_STREAM_STATUS = 0x800000;
constexpr DWORD BASS_MUSIC_FLOAT = BASS_SAMPLE_FLOAT;
constexpr DWORD BASS_MUSIC_MONO = BASS_SAMPLE_MONO;
constexpr DWORD BASS_MUSIC_LOOP = BASS_SAMPLE_LOOP;
constexpr DWORD BASS_MUSIC_RAMP = 0x200;
constexpr DWORD BASS_MUSIC_RAMPS = 0x400;
constexpr DWORD BASS_MUSIC_SURROUND = 0x800;
constexpr DWORD BASS_MUSIC_FT2MOD = 0x2000;
constexpr DWORD BASS_MUSIC_PT1MOD = 0x4000;
constexpr DWORD BASS_MUSIC_NONINTER = 0x10000;
constexpr DWORD BASS_MUSIC_PRESCAN = BASS_STREAM_PRESCAN;
constexpr DWORD BASS_MUSIC_AUTOFREE = BASS_STREAM_AUTOFREE;
constexpr DWORD BASS_MUSIC_DECODE = BASS_STREAM_DECODE;
constexpr DWORD BASS_MUSIC_NOSAMPLE = 0x100000;
constexpr DWORD BASS_UNICODE = 0x80000000;

struct BASS_CHANNELINFO {
    DWORD freq;
    DWORD chans;
    DWORD flags;
    DWORD ctype;
    DWORD origres;
    HPLUGIN plugin;
    HSAMPLE sample;
    const char* filename;
};

// Channel types
constexpr DWORD BASS_CTYPE_SAMPLE = 1;
constexpr DWORD BASS_CTYPE_RECORD = 2;
constexpr DWORD BASS_CTYPE_STREAM = 0x10000;
constexpr DWORD BASS_CTYPE_STREAM_OGG = 0x10002;
constexpr DWORD BASS_CTYPE_STREAM_MP1 = 0x10003;
constexpr DWORD BASS_CTYPE_STREAM_MP2 = 0x10004;
constexpr DWORD BASS_CTYPE_STREAM_MP3 = 0x10005;
constexpr DWORD BASS_CTYPE_STREAM_AIFF = 0x10006;
constexpr DWORD BASS_CTYPE_STREAM_WAV = 0x40000;
constexpr DWORD BASS_CTYPE_STREAM_WAV_PCM = 0x50001;
constexpr DWORD BASS_CTYPE_STREAM_WAV_FLOAT = 0x50003;
constexpr DWORD BASS_CTYPE_STREAM_WMA = 0x10300;
constexpr DWORD BASS_CTYPE_STREAM_WMA_MP3 = 0x10301;
constexpr DWORD BASS_CTYPE_STREAM_WV = 0x10500;
constexpr DWORD BASS_CTYPE_STREAM_FLAC = 0x10900;
constexpr DWORD BASS_CTYPE_STREAM_FLAC_OGG = 0x10901;
constexpr DWORD BASS_CTYPE_STREAM_AAC = 0x10B00;
constexpr DWORD BASS_CTYPE_STREAM_MP4 = 0x10B01;
constexpr DWORD BASS_CTYPE_STREAM_MIDI = 0x10D00;
constexpr DWORD BASS_CTYPE_STREAM_OPUS = 0x11200;
constexpr DWORD BASS_CTYPE_MUSIC_MOD = 0x20000;
constexpr DWORD BASS_CTYPE_MUSIC_MTM = 0x20001;
constexpr DWORD BASS_CTYPE_MUSIC_S3M = 0x20002;
constexpr DWORD BASS_CTYPE_MUSIC_XM = 0x20003;
constexpr DWORD BASS_CTYPE_MUSIC_IT = 0x20004;
constexpr DWORD BASS_CTYPE_MUSIC_MO3 = 0x00100;

// BASS_ChannelIsActive
constexpr DWORD BASS_ACTIVE_STOPPED = 0;
constexpr DWORD BASS_ACTIVE_PLAYING = 1;
constexpr DWORD BASS_ACTIVE_STALLED = 2;
constexpr DWORD BASS_ACTIVE_PAUSED = 3;

// Attributes
constexpr DWORD BASS_ATTRIB_FREQ = 1;
constexpr DWORD BASS_ATTRIB_VOL = 2;
constexpr DWORD BASS_ATTRIB_PAN = 3;
constexpr DWORD BASS_SLIDE_LOG = 0x1000000;

// Syncs
constexpr DWORD BASS_SYNC_POS = 0;
constexpr DWORD BASS_SYNC_END = 2;
constexpr DWORD BASS_SYNC_META = 4;
constexpr DWORD BASS_SYNC_SLIDE = 5;
constexpr DWORD BASS_SYNC_STALL = 6;
constexpr DWORD BASS_SYNC_FREE = 8;
constexpr DWORD BASS_SYNC_SETPOS = 11;
constexpr DWORD BASS_SYNC_MIXTIME = 0x40000000;
constexpr DWORD BASS_SYNC_ONETIME = 0x80000000;

using SYNCPROC = void(HSYNC handle, DWORD channel, DWORD data, void* user);
// Receives a URL stream's data as it is downloaded: audio bytes only (ICY
// metadata taken out); with BASS_STREAM_STATUS first the response headers
// ("line\0...\0\0") with length 0; buffer nullptr at the end of the download.
using DOWNLOADPROC = void(const void* buffer, DWORD length, void* user);

// Positions
constexpr DWORD BASS_POS_BYTE = 0;
constexpr DWORD BASS_POS_MUSIC_ORDER = 1;
// With BASS_ChannelGetPosition: the position being mixed now, ahead of what is
// heard by the mix buffer and the device; a slide or attribute set now starts there.
constexpr DWORD BASS_POS_DECODE = 0x10000000;

// BASS_ChannelGetData
constexpr DWORD BASS_DATA_AVAILABLE = 0;
constexpr DWORD BASS_DATA_FLOAT = 0x40000000;
constexpr DWORD BASS_DATA_FFT256 = 0x80000000;

// BASS_StreamGetFilePosition
constexpr DWORD BASS_FILEPOS_CURRENT = 0;
constexpr DWORD BASS_FILEPOS_DOWNLOAD = 1;
constexpr DWORD BASS_FILEPOS_END = 2;
constexpr DWORD BASS_FILEPOS_START = 3;
constexpr DWORD BASS_FILEPOS_CONNECTED = 4;
constexpr DWORD BASS_FILEPOS_BUFFER = 5;

// Tags
constexpr DWORD BASS_TAG_ID3 = 0;
constexpr DWORD BASS_TAG_ID3V2 = 1;
constexpr DWORD BASS_TAG_OGG = 2;
constexpr DWORD BASS_TAG_HTTP = 3;
constexpr DWORD BASS_TAG_ICY = 4;
constexpr DWORD BASS_TAG_META = 5;
constexpr DWORD BASS_TAG_APE = 6;
constexpr DWORD BASS_TAG_MP4 = 7;
constexpr DWORD BASS_TAG_WMA = 8;
constexpr DWORD BASS_TAG_MUSIC_NAME = 0x10000;

// Set-up
BOOL BASS_Init(int device, DWORD freq, DWORD flags, HWND win, const void* dsguid);
BOOL BASS_Free();
DWORD BASS_GetDevice();
BOOL BASS_SetDevice(DWORD device);
BOOL BASS_GetDeviceInfo(DWORD device, BASS_DEVICEINFO* info);
DWORD BASS_GetVersion();
int BASS_ErrorGetCode();
BOOL BASS_SetConfig(DWORD option, DWORD value);
DWORD BASS_GetConfig(DWORD option);
BOOL BASS_SetConfigPtr(DWORD option, const void* value);
const void* BASS_GetConfigPtr(DWORD option);
BOOL BASS_SetVolume(float volume);
float BASS_GetVolume();
HPLUGIN BASS_PluginLoad(const char* file, DWORD flags);
BOOL BASS_PluginFree(HPLUGIN handle);

// Opening
HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags);
// The part [start, end) of a file's sound, in seconds, as a stream of its own:
// positions and length count from `start`. end <= 0: to the file's end.
HSTREAM BASS_StreamCreateFileRange(const char* file, double start, double end, DWORD flags);
// "http://", "https://" and "ftp://" addresses. Returns once the stream's format
// is known; the download goes on in the background.
HSTREAM BASS_StreamCreateURL(const char* url, DWORD offset, DWORD flags, DOWNLOADPROC* proc, void* user);
BOOL BASS_StreamFree(HSTREAM handle);
QWORD BASS_StreamGetFilePosition(HSTREAM handle, DWORD mode);
HMUSIC BASS_MusicLoad(BOOL mem, const void* file, QWORD offset, DWORD length, DWORD flags, DWORD freq);
BOOL BASS_MusicFree(HMUSIC handle);

// Channels
BOOL BASS_ChannelPlay(DWORD handle, BOOL restart);
BOOL BASS_ChannelPause(DWORD handle);
BOOL BASS_ChannelStop(DWORD handle);
// Queues `next` (a stopped stream that has not played) to start at the output
// frame after `handle`'s last one: no gap, and where both have the same rate
// one rate converter goes on across the join. `next` stays stopped until then;
// stopping or freeing it, or next 0, undoes the link. FALSE when `handle` has
// mixed its end already (BASS_ERROR_NOPLAY).
BOOL BASS_ChannelPlayNext(DWORD handle, DWORD next);
DWORD BASS_ChannelIsActive(DWORD handle);
BOOL BASS_ChannelFree(DWORD handle);
BOOL BASS_ChannelGetInfo(DWORD handle, BASS_CHANNELINFO* info);
const char* BASS_ChannelGetTags(DWORD handle, DWORD tags);
BOOL BASS_ChannelSetAttribute(DWORD handle, DWORD attrib, float value);
BOOL BASS_ChannelGetAttribute(DWORD handle, DWORD attrib, float* value);
BOOL BASS_ChannelSlideAttribute(DWORD handle, DWORD attrib, float value, DWORD time);
BOOL BASS_ChannelIsSliding(DWORD handle, DWORD attrib);
QWORD BASS_ChannelGetLength(DWORD handle, DWORD mode);
QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode);
BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos, DWORD mode);
double BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos);
QWORD BASS_ChannelSeconds2Bytes(DWORD handle, double pos);
HSYNC BASS_ChannelSetSync(DWORD handle, DWORD type, QWORD param, SYNCPROC* proc, void* user);
BOOL BASS_ChannelRemoveSync(DWORD handle, HSYNC sync);
DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length);
DWORD BASS_ChannelGetLevel(DWORD handle);

#include "engine/bass_fx.h"
#include "engine/bass_midi.h"
