#pragma once
#include <cstdint>

#include "settings/settings_form.h"

namespace sonvaro {

class Application;

// What applying the settings dialog does to the windows.
class SettingsApplyPort {
  public:
    virtual ~SettingsApplyPort() = default;
    virtual void SetMainWindowOnTop(bool onTop) = 0;
    // Every open window, the main window and the tool windows.
    virtual void ApplyOpacityToAll(bool enabled, int32_t value) = 0;
    virtual void FitPlaylistColumns() = 0;
    virtual void FitLibraryColumns() = 0;
    // The information fields and the marked playlist row.
    virtual void ApplyColours(const Settings& settings) = 0;
    virtual void ShowRecording(bool on) = 0;
};

// The dialog's form as the running program's settings stand now.
SettingsForm CurrentSettingsForm(const Application& app);

// "Übernehmen": nothing when no control differs from its setting; otherwise
// the engine is set up again when the device or rate changed (a track that
// was playing goes on where it was), then every setting takes its control's
// value and the windows follow. True when anything was applied.
bool ApplySettings(Application& app, const SettingsForm& form, SettingsApplyPort& port);

}  // namespace sonvaro
