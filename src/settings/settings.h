#pragma once
#include <array>
#include <cstdint>
#include <string>

namespace sonvaro {

constexpr int kWindowSlotCount = 14;
constexpr int kHotkeyCount = 17;
constexpr int kHotkeyKeyCount = 84;  // entries of the hotkeys' key table
constexpr int kPlaylistColumnCount = 8;
constexpr int kLibraryColumnCount = 10;

// The numbered windows whose places are stored (the numbers are the file's).
enum class WindowId : int {
    Main = 1,
    Settings = 2,
    Effects = 3,
    Search = 4,
    About = 5,
    Log = 6,
    FileInfo = 7,
    Generator = 8,
    AddFolder = 9,
    TaskChange = 10,
    TaskRun = 11,
    Autotagger = 12,
    RadioLog = 13,
};

// Position and size of one numbered window; -1/-1 means never placed.
struct WindowSlot {
    int32_t x = -1;
    int32_t y = -1;
    int32_t w = 0;
    int32_t h = 0;
};

// The five stored fields of a hotkey record.
struct HotkeyFields {
    int8_t enabled = 0;
    int8_t ctrl = 0;
    int8_t alt = 0;
    int8_t shift = 0;
    int8_t key = -1;
    bool operator==(const HotkeyFields&) const = default;
};

// Widths, order array and alignments (0 left, 1 right, 2 centred) of a list view.
template <int N>
struct ColumnLayout {
    std::array<int32_t, N> width{};
    std::array<int32_t, N> order{};
    std::array<int32_t, N> align{};
};

// The running counters of the "Statistics" group. PlayEnd is counted on an
// engine thread: touch it through std::atomic_ref only.
struct Statistics {
    int32_t PlayStart = 0;
    int32_t PlayEnd = 0;
    int32_t PlayDays = 0;
    int64_t PlayTime = 0;
    int32_t AppStart = 0;
};

// ReplayGain_Mode's values and ReplayGain_Preamp's range (tenths of a dB).
enum ReplayGainMode : int32_t { kReplayGainOff = 0, kReplayGainTrack = 1, kReplayGainAlbum = 2 };
constexpr int32_t kReplayGainPreampMin = -150;
constexpr int32_t kReplayGainPreampMax = 150;

// Every key of Sonvaro.ini, named as the key is spelled in the file.
struct Settings {
    Settings();

    std::array<WindowSlot, kWindowSlotCount> windows{};
    WindowSlot& Window(WindowId id) { return windows[static_cast<size_t>(id)]; }
    const WindowSlot& Window(WindowId id) const { return windows[static_cast<size_t>(id)]; }

    int32_t WinSizeMain_SizeType = 0;
    int32_t WinSizeMain_WinW_Normal = 0;
    int32_t WinSizeMain_WinW_Second = 0;
    int32_t WinSizeMain_WinH_Second = 0;
    int32_t WinSizeMain_MediaLibSP1 = 85;
    int32_t WinSizeMain_MediaLibSP2 = 250;

    // Bass
    int32_t BASS_QutputDevice = -1;
    int32_t BASS_OutputRate = 1;
    int32_t BASS_FadeIn = 2;
    int32_t BASS_FadeOut = 5;
    std::string BASS_MidiSF2File;
    // Internet Streaming
    int8_t NETStream_SaveFile = 0;
    std::string NETStream_SavePath;
    int8_t NETStream_SaveName = 0;
    int8_t NETStream_TimeOut = 5;
    std::string NETStream_Proxy;
    // Equalizer
    int32_t Equilizer_Active = 0;
    int32_t Equilizer_Preset = 0;
    int32_t Equalizer_PreAmp = 120;
    std::array<int32_t, 10> Equilizer_Pan{120, 120, 120, 120, 120, 120, 120, 120, 120, 120};
    int32_t Equalizer_Speed = 100;
    int32_t Equalizer_Panel = 100;
    // Effects
    int8_t Reverb = 0;
    int32_t ReverbMix = 0;      // stored as a fraction, kept rounded
    int32_t ReverbTime = 1000;  // stored as a fraction, kept rounded
    int8_t Echo = 0;
    int8_t EchoBack = 50;
    int16_t EchoDelay = 500;
    int8_t Flanger = 0;
    // ReplayGain
    int32_t ReplayGain_Mode = 0;    // 0 off, 1 track, 2 album (else track)
    int32_t ReplayGain_Preamp = 0;  // tenths of a dB, -150..150
    int32_t ReplayGain_NoClip = 1;  // lower the gain so that the tagged peak stays at full scale
    // GUI
    int32_t GUI_OnTop = 0;
    int32_t GUI_Opacity = 0;
    int32_t GUI_OpacityValue = 220;
    int32_t GUI_Magnetic = 1;
    int32_t GUI_MagneticValue = 10;
    int32_t GUI_AutoColumnWidthPL = 0;
    int32_t GUI_AutoColumnWidthML = 0;
    std::string GUI_LengthFormat = "%ptime";
    int32_t GUI_ColorB = 0;
    int32_t GUI_ColorF = 16777215;
    int32_t GUI_ColorSB = 0xD77800;  // replaced by the desktop's highlight colour when one is known
    int32_t GUI_ColorST = 0xFFFFFF;
    int8_t GUI_AutoComplete = 1;
    // HotKeys
    int8_t HK_Global = 0;
    int32_t HK_MediaKeys = 1;
    std::array<HotkeyFields, kHotkeyCount> hotkeys{};
    // Tracker
    int32_t Tracker_Enable = 1;
    int32_t Tracker_Corner = 3;
    int32_t Tracker_Align = 0;
    int32_t Tracker_Gap = 8;
    int32_t Tracker_Spacing = 20;
    int32_t Tracker_MinWidth = 200;
    int32_t Tracker_MinHeight = 50;
    int32_t Tracker_Time = 5000;
    std::string Tracker_Text = "%ARTI|%TITL";
    int32_t Tracker_BColor = 0;
    int32_t Tracker_FColor = 16777215;
    int32_t Tracker_Cover = 0;  // non-zero: the popup shows the track's cover beside the text
    // MediaLib
    std::string MediaLib_Path;
    int8_t MediaLib_CPU = 1;
    int8_t MediaLib_AddPlay = 0;
    int8_t MediaLib_SearchIn = 63;
    int8_t MediaLib_BackgroundScan = 1;
    int8_t MediaLib_StartCheck = 1;
    int32_t MediaLib_BGIndex = 0;
    // Order
    int32_t Order_TimeOut = 2500;
    // Misc
    int32_t Misc_LastStart = 0;
    int32_t Misc_Clipboard = 0;
    int32_t Misc_AutoPlayList = 1;
    int32_t Misc_AutoSave_PF = 1;
    int32_t Misc_AutoSave_PL = 1;
    int32_t Misc_AutoSave_ML = 1;
    int32_t Misc_AutoSave_IV = 300000;
    int32_t Misc_EndQuestion = 0;
    int32_t Misc_RecursiveFolder = 1;
    int32_t Misc_TaskBar = 1;
    int8_t Misc_StartUpdateCheck = 1;
    int32_t Misc_SpectrumType = 0;
    int32_t Misc_Volume = 100;
    int32_t Misc_Repeat = 0;
    int32_t Misc_Random = 0;
    // ColumnOrdner
    ColumnLayout<kPlaylistColumnCount> playlistColumns;
    ColumnLayout<kLibraryColumnCount> libraryColumns;

    Statistics statistics;
};

}  // namespace sonvaro
