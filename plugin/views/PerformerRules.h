#pragma once

#include <wx/string.h>

#include "model/NotifyRules.h"

class wxMenu;

// The user's notification rules: the rules per performer in the data folder
// ("$XDG_DATA_HOME/sorvik-statuscope/rules", readable by the user only), the quiet hours,
// cool-down and mute from the settings; the "Notify" menu that sets a performer's rule from the
// trees and Recent; the desktop's sound for a performer whose rule asks for one. UI thread only.
class PerformerRules {
public:
    // Loaded at the first use.
    static NotifyRules& Get();
    // The quiet hours, cool-down and mute as the settings say now.
    static void ApplySettings();
    // Writes the rules per performer; false when they could not be written.
    static bool Save();
    // The "Notify" submenu for the performer 'name'.
    static void AppendMenu(wxMenu& menu, const wxString& name);
    // Acts on a command of that submenu; false when 'id' is not one.
    static bool HandleMenu(int id, const wxString& name);
    // The desktop's sound for a new message (its sound theme), if there is a sound service.
    static void PlaySound();
};
