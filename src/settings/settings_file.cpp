#include "settings/settings_file.h"

#include <algorithm>
#include <atomic>

#include "core/ports/messages.h"
#include "core/status_log.h"
#include "core/text.h"
#include "platform/atomic_file.h"
#include "platform/file_info.h"
#include "settings/ini_document.h"
#include "settings/settings_keys.h"

namespace sonvaro {
namespace {

constexpr const char* kPreferences = "Preferences";

class PreferenceReader {
  public:
    explicit PreferenceReader(const IniDocument& doc) : doc_(doc) {}
    void Comment(const char*) {}
    void Long(const std::string& key, int32_t& value) { value = doc_.ReadLong(kPreferences, key, value); }
    // Narrow settings keep the low bits of the 32-bit value read.
    void Int8(const std::string& key, int8_t& value) {
        value = static_cast<int8_t>(static_cast<uint8_t>(doc_.ReadLong(kPreferences, key, value)));
    }
    void Int16(const std::string& key, int16_t& value) {
        value = static_cast<int16_t>(static_cast<uint16_t>(doc_.ReadLong(kPreferences, key, value)));
    }
    void Float(const std::string& key, int32_t& value) {
        value = doc_.ReadRoundedFloat(kPreferences, key, value);
    }
    void Text(const std::string& key, std::string& value) { value = doc_.ReadText(kPreferences, key, value); }
    void ColumnWidth0(const std::string&, int32_t&) {}
    void Alignment(const std::string& key, int32_t& value) {
        const int32_t read = doc_.ReadLong(kPreferences, key, value);
        if (read >= 0 && read <= 2) value = read;
    }

  private:
    const IniDocument& doc_;
};

class PreferenceWriter {
  public:
    explicit PreferenceWriter(std::string& out) : out_(out) {}
    void Comment(const char* text) { Line(std::string("; ") + text); }
    void Long(const std::string& key, int32_t value) { Key(key, DecimalText(value)); }
    void Int8(const std::string& key, int8_t value) { Key(key, DecimalText(value)); }
    void Int16(const std::string& key, int16_t value) { Key(key, DecimalText(value)); }
    void Float(const std::string& key, int32_t value) { Key(key, DecimalText(value) + ".000000"); }
    void Text(const std::string& key, const std::string& value) { Key(key, value); }
    void ColumnWidth0(const std::string& key, int32_t value) { Long(key, value); }
    void Alignment(const std::string& key, int32_t value) { Long(key, value); }

    void Line(const std::string& text) {
        out_ += text;
        out_ += "\r\n";
    }
    void Key(const std::string& key, const std::string& value) { Line(key + " = " + value); }

  private:
    std::string& out_;
};

// A stored order array that is no permutation would scramble the columns.
template <size_t N>
void KeepValidOrder(std::array<int32_t, N>& order) {
    std::array<bool, N> seen{};
    for (int32_t column : order) {
        if (column < 0 || column >= static_cast<int32_t>(N) || seen[column]) {
            for (size_t i = 0; i < N; ++i) order[i] = static_cast<int32_t>(i);
            return;
        }
        seen[column] = true;
    }
}

// A text setting is one line in the file; a line break would split it.
std::string OneLine(const std::string& text) {
    std::string out = text;
    std::replace(out.begin(), out.end(), '\r', ' ');
    std::replace(out.begin(), out.end(), '\n', ' ');
    return out;
}

}  // namespace

Settings SettingsFromText(std::string_view text) {
    const IniDocument doc = IniDocument::Parse(text);
    Settings s;

    for (int n = 0; n < kWindowSlotCount; ++n) {
        const std::string i = std::to_string(n);
        WindowSlot& slot = s.windows[n];
        slot.x = doc.ReadLong("WinSize", "WinSize_X" + i, slot.x);
        slot.y = doc.ReadLong("WinSize", "WinSize_Y" + i, slot.y);
        slot.w = doc.ReadLong("WinSize", "WinSize_W" + i, slot.w);
        slot.h = doc.ReadLong("WinSize", "WinSize_H" + i, slot.h);
    }

    s.WinSizeMain_SizeType = doc.ReadLong("WinSizeMain", "WinSizeMain_SizeType", s.WinSizeMain_SizeType);
    s.WinSizeMain_WinW_Normal =
        doc.ReadLong("WinSizeMain", "WinSizeMain_WinW_Normal", s.WinSizeMain_WinW_Normal);
    s.WinSizeMain_WinW_Second =
        doc.ReadLong("WinSizeMain", "WinSizeMain_WinW_Second", s.WinSizeMain_WinW_Second);
    s.WinSizeMain_WinH_Second =
        doc.ReadLong("WinSizeMain", "WinSizeMain_WinH_Second", s.WinSizeMain_WinH_Second);
    s.WinSizeMain_MediaLibSP1 =
        doc.ReadLong("WinSizeMain", "WinSizeMain_MediaLibSP1", s.WinSizeMain_MediaLibSP1);
    s.WinSizeMain_MediaLibSP2 =
        doc.ReadLong("WinSizeMain", "WinSizeMain_MediaLibSP2", s.WinSizeMain_MediaLibSP2);

    PreferenceReader reader(doc);
    VisitPreferences(s, reader);

    if (!IsNonEmptyFile(s.BASS_MidiSF2File)) s.BASS_MidiSF2File.clear();
    if (s.GUI_OpacityValue < 0 || s.GUI_OpacityValue > 255) s.GUI_OpacityValue = 180;
    // A hand-edited 1000 would play at ten times full scale.
    s.Misc_Volume = std::clamp(s.Misc_Volume, 0, 100);
    // A mode this player does not know plays unchanged; the pre-amp is held to its range.
    if (s.ReplayGain_Mode < kReplayGainOff || s.ReplayGain_Mode > kReplayGainAlbum)
        s.ReplayGain_Mode = kReplayGainOff;
    s.ReplayGain_Preamp = std::clamp(s.ReplayGain_Preamp, kReplayGainPreampMin, kReplayGainPreampMax);
    s.ReplayGain_NoClip = s.ReplayGain_NoClip != 0 ? 1 : 0;
    s.GUI_LengthFormat = std::string(TrimSpaces(s.GUI_LengthFormat));
    if (s.GUI_LengthFormat.empty()) s.GUI_LengthFormat = "%ptime";
    // Kept even when the folder is not there now (a drive not mounted yet):
    // the library decides what an absent folder means, and the next save
    // must not forget it.
    s.MediaLib_Path = std::string(TrimSpaces(s.MediaLib_Path));
    KeepValidOrder(s.playlistColumns.order);
    KeepValidOrder(s.libraryColumns.order);
    // A key index outside the key table is no key; cut to 8 bits first, a
    // stored 300 would turn into a real key (44, "F9").
    for (int i = 0; i < kHotkeyCount; ++i) {
        const int32_t key = doc.ReadLong(kPreferences, "HK_" + std::to_string(i) + "_MC", -1);
        s.hotkeys[i].key = key < -1 || key >= kHotkeyKeyCount ? int8_t{-1} : static_cast<int8_t>(key);
    }

    Statistics& st = s.statistics;
    st.PlayStart = doc.ReadLong("Statistics", "Statistics_PlayStart", 0);
    st.PlayEnd = doc.ReadLong("Statistics", "Statistics_PlayEnd", 0);
    st.PlayDays = doc.ReadLong("Statistics", "Statistics_PlayDays", 0);
    st.PlayTime = doc.ReadInteger("Statistics", "Statistics_PlayTime", 0);
    st.AppStart = doc.ReadLong("Statistics", "Statistics_AppStart", 0);
    return s;
}

void LoadSettings(Settings& settings, const std::string& iniPath,
                  std::optional<std::pair<int32_t, int32_t>> highlight) {
    const auto text = ReadWholeFile(iniPath);
    settings = SettingsFromText(text ? std::string_view(*text) : std::string_view{});
    if (!highlight) return;
    const IniDocument doc = IniDocument::Parse(text ? std::string_view(*text) : std::string_view{});
    if (!doc.Find(kPreferences, "GUI_ColorSB")) settings.GUI_ColorSB = highlight->first;
    if (!doc.Find(kPreferences, "GUI_ColorST")) settings.GUI_ColorST = highlight->second;
}

std::string SettingsFileText(const Settings& settings) {
    std::string out;
    out.reserve(8192);
    PreferenceWriter w(out);

    w.Line("[WinSize]");
    for (int n = 0; n < kWindowSlotCount; ++n) {
        const std::string i = std::to_string(n);
        const WindowSlot& slot = settings.windows[n];
        w.Long("WinSize_X" + i, slot.x);
        w.Long("WinSize_Y" + i, slot.y);
        w.Long("WinSize_W" + i, slot.w);
        w.Long("Winsize_H" + i, slot.h);  // spelled so in every file ever written
    }

    w.Line("[WinSizeMain]");
    w.Long("WinSizeMain_SizeType", settings.WinSizeMain_SizeType);
    w.Long("WinSizeMain_WinW_Second", settings.WinSizeMain_WinW_Second);
    w.Long("WinSizeMain_WinH_Second", settings.WinSizeMain_WinH_Second);
    w.Long("WinSizeMain_WinW_Normal", settings.WinSizeMain_WinW_Normal);
    w.Long("WinSizeMain_MediaLibSP1", settings.WinSizeMain_MediaLibSP1);
    w.Long("WinSizeMain_MediaLibSP2", settings.WinSizeMain_MediaLibSP2);

    w.Line("[" + std::string(kPreferences) + "]");
    Settings copy = settings;
    copy.BASS_MidiSF2File = OneLine(copy.BASS_MidiSF2File);
    copy.NETStream_SavePath = OneLine(copy.NETStream_SavePath);
    copy.NETStream_Proxy = OneLine(copy.NETStream_Proxy);
    copy.GUI_LengthFormat = OneLine(copy.GUI_LengthFormat);
    copy.Tracker_Text = OneLine(copy.Tracker_Text);
    copy.MediaLib_Path = OneLine(copy.MediaLib_Path);
    VisitPreferences(copy, w);

    const Statistics& st = settings.statistics;
    w.Line("[Statistics]");
    w.Long("Statistics_PlayStart", st.PlayStart);
    w.Long("Statistics_PlayEnd", std::atomic_ref<int32_t>(const_cast<int32_t&>(st.PlayEnd)).load());
    w.Long("Statistics_PlayDays", st.PlayDays);
    w.Key("Statistics_PlayTime", DecimalText(st.PlayTime));
    w.Long("Statistics_AppStart", st.AppStart);
    return out;
}

bool SaveSettings(const Settings& settings, const std::string& iniPath, bool showError, Messages& messages,
                  StatusLog& log, std::string* failure) {
    AtomicFile file(iniPath);
    bool ok = file.Open();
    if (ok) {
        log.LogStatus("Schreibe Datei '" + iniPath + "'");
        file.Write(SettingsFileText(settings));
        ok = file.Commit();
    }
    if (!ok && failure) *failure = file.ErrorText();
    if (!ok && showError && !file.LeftReadOnly())
        messages.ErrorBox("Einstellungen konnten nicht gespeichert werden\n'" + iniPath + "'");
    return ok;
}

}  // namespace sonvaro
