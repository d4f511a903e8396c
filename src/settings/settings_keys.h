#pragma once
#include <string>

#include "settings/settings.h"

namespace sonvaro {

// The "Preferences" group in file order. One visitor serves the reader and the
// writer, so the two can never disagree about a key's name, kind or place.
// A visitor provides Comment(text) and, for each kind, a call taking the key
// and a reference to the variable: Long, Int8, Int16, Float, Text; plus
// ColumnWidth0 (written, never read) and Alignment (values other than 0..2 not read).
template <class Settings_, class Visitor>
void VisitPreferences(Settings_& s, Visitor& v) {
    v.Comment("Bass");
    v.Long("BASS_QutputDevice", s.BASS_QutputDevice);
    v.Long("BASS_OutputRate", s.BASS_OutputRate);
    v.Long("BASS_FadeIn", s.BASS_FadeIn);
    v.Long("BASS_FadeOut", s.BASS_FadeOut);
    v.Text("BASS_MidiSF2File", s.BASS_MidiSF2File);

    v.Comment("Internet Streaming");
    v.Int8("NETStream_SaveFile", s.NETStream_SaveFile);
    v.Text("NETStream_SavePath", s.NETStream_SavePath);
    v.Int8("NETStream_SaveName", s.NETStream_SaveName);
    v.Int8("NETStream_TimeOut", s.NETStream_TimeOut);
    v.Text("NETStream_Proxy", s.NETStream_Proxy);

    v.Comment("Equalizer");
    v.Long("Equilizer_Active", s.Equilizer_Active);
    v.Long("Equilizer_Preset", s.Equilizer_Preset);
    v.Long("Equalizer_PreAmp", s.Equalizer_PreAmp);
    for (int i = 0; i < 10; ++i) v.Long("Equilizer_Pan" + std::to_string(i), s.Equilizer_Pan[i]);
    v.Long("Equalizer_Speed", s.Equalizer_Speed);
    v.Long("Equalizer_Panel", s.Equalizer_Panel);

    v.Comment("Effects");
    v.Int8("Reverb", s.Reverb);
    v.Float("ReverbMix", s.ReverbMix);
    v.Float("ReverbTime", s.ReverbTime);
    v.Int8("Echo", s.Echo);
    v.Int8("EchoBack", s.EchoBack);
    v.Int16("EchoDelay", s.EchoDelay);
    v.Int8("Flanger", s.Flanger);

    v.Comment("ReplayGain");
    v.Long("ReplayGain_Mode", s.ReplayGain_Mode);
    v.Long("ReplayGain_Preamp", s.ReplayGain_Preamp);
    v.Long("ReplayGain_NoClip", s.ReplayGain_NoClip);

    v.Comment("GUI");
    v.Long("GUI_OnTop", s.GUI_OnTop);
    v.Long("GUI_Opacity", s.GUI_Opacity);
    v.Long("GUI_OpacityValue", s.GUI_OpacityValue);
    v.Long("GUI_Magnetic", s.GUI_Magnetic);
    v.Long("GUI_MagneticValue", s.GUI_MagneticValue);
    v.Long("GUI_AutoColumnWidthPL", s.GUI_AutoColumnWidthPL);
    v.Long("GUI_AutoColumnWidthML", s.GUI_AutoColumnWidthML);
    v.Text("GUI_LengthFormat", s.GUI_LengthFormat);
    v.Long("GUI_ColorB", s.GUI_ColorB);
    v.Long("GUI_ColorF", s.GUI_ColorF);
    v.Long("GUI_ColorSB", s.GUI_ColorSB);
    v.Long("GUI_ColorST", s.GUI_ColorST);
    v.Int8("GUI_AutoComplete", s.GUI_AutoComplete);

    v.Comment("HotKeys");
    v.Int8("HK_Global", s.HK_Global);
    v.Long("HK_MediaKeys", s.HK_MediaKeys);
    for (int i = 0; i < kHotkeyCount; ++i) {
        const std::string prefix = "HK_" + std::to_string(i);
        v.Int8(prefix + "_AV", s.hotkeys[i].enabled);
        v.Int8(prefix + "_CL", s.hotkeys[i].ctrl);
        v.Int8(prefix + "_MU", s.hotkeys[i].alt);
        v.Int8(prefix + "_ST", s.hotkeys[i].shift);
        v.Int8(prefix + "_MC", s.hotkeys[i].key);
    }

    v.Comment("Tracker");
    v.Long("Tracker_Enable", s.Tracker_Enable);
    v.Long("Tracker_Corner", s.Tracker_Corner);
    v.Long("Tracker_Align", s.Tracker_Align);
    v.Long("Tracker_Gap", s.Tracker_Gap);
    v.Long("Tracker_Spacing", s.Tracker_Spacing);
    v.Long("Tracker_MinWidth", s.Tracker_MinWidth);
    v.Long("Tracker_MinHeight", s.Tracker_MinHeight);
    v.Long("Tracker_Time", s.Tracker_Time);
    v.Text("Tracker_Text", s.Tracker_Text);
    v.Long("Tracker_BColor", s.Tracker_BColor);
    v.Long("Tracker_FColor", s.Tracker_FColor);
    v.Long("Tracker_Cover", s.Tracker_Cover);

    v.Comment("MediaLib");
    v.Text("MediaLib_Path", s.MediaLib_Path);
    v.Int8("MediaLib_CPU", s.MediaLib_CPU);
    v.Int8("MediaLib_AddPlay", s.MediaLib_AddPlay);
    v.Int8("MediaLib_SearchIn", s.MediaLib_SearchIn);
    v.Int8("MediaLib_BackgroundScan", s.MediaLib_BackgroundScan);
    v.Int8("MediaLib_StartCheck", s.MediaLib_StartCheck);
    v.Long("MediaLib_BGIndex", s.MediaLib_BGIndex);

    v.Comment("Order");
    v.Long("Order_TimeOut", s.Order_TimeOut);

    v.Comment("Misc");
    v.Long("Misc_LastStart", s.Misc_LastStart);
    v.Long("Misc_Clipboard", s.Misc_Clipboard);
    v.Long("Misc_AutoPlayList", s.Misc_AutoPlayList);
    v.Long("Misc_AutoSave_PF", s.Misc_AutoSave_PF);
    v.Long("Misc_AutoSave_PL", s.Misc_AutoSave_PL);
    v.Long("Misc_AutoSave_ML", s.Misc_AutoSave_ML);
    v.Long("Misc_AutoSave_IV", s.Misc_AutoSave_IV);
    v.Long("Misc_EndQuestion", s.Misc_EndQuestion);
    v.Long("Misc_RecursiveFolder", s.Misc_RecursiveFolder);
    v.Long("Misc_TaskBar", s.Misc_TaskBar);
    v.Int8("Misc_StartUpdateCheck", s.Misc_StartUpdateCheck);
    v.Long("Misc_SpectrumType", s.Misc_SpectrumType);
    v.Long("Misc_Volume", s.Misc_Volume);
    v.Long("Misc_Repeat", s.Misc_Repeat);
    v.Long("Misc_Random", s.Misc_Random);

    v.Comment("ColumnOrdner");
    auto columns = [&v](const char* list, auto& layout) {
        for (size_t i = 0; i < layout.width.size(); ++i) {
            const std::string n = std::string(list) + "_" + std::to_string(i);
            if (i == 0)
                v.ColumnWidth0("CMNW_" + n, layout.width[i]);
            else
                v.Long("CMNW_" + n, layout.width[i]);
            v.Long("CMNI_" + n, layout.order[i]);
            v.Alignment("CMNA_" + n, layout.align[i]);
        }
    };
    columns("PL", s.playlistColumns);
    columns("ML", s.libraryColumns);
}

}  // namespace sonvaro
