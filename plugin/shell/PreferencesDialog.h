#pragma once

#include <wx/dialog.h>

class wxCheckBox;
class wxChoice;
class wxListBox;
class wxSpinCtrl;
class wxStaticBoxSizer;

// Tool > Preferences: the settings a user changes most, in one place. It shows what is stored;
// Apply writes it to the same keys the menus and the rest of the plug-in use (new settings in
// the "/Preferences" group). Cancel changes nothing.
class PreferencesDialog : public wxDialog {
public:
    // 'favoritesLoaded': "Popup Only Favorite" counts only then, as in the menu.
    PreferencesDialog(wxWindow* parent, bool favoritesLoaded);

    void Apply() const;

    wxSpinCtrl* GetDuration() const { return m_duration; }
    wxSpinCtrl* GetInterval() const { return m_interval; }
    wxCheckBox* GetOnlyFavorite() const { return m_onlyFavorite; }
    wxCheckBox* GetPaused() const { return m_paused; }
    wxCheckBox* GetSignIn() const { return m_signIn; }
    wxChoice* GetStyle() const { return m_style; }
    wxCheckBox* GetStartAtLogin() const { return m_startAtLogin; }
    wxListBox* GetRules() const { return m_rules; }

    // The XDG autostart entry that starts this program at login.
    static wxString AutostartPath();
    // Writes the entry (naming 'executable' and, when not empty, the settings file it runs
    // with) or removes it; false when that failed.
    static bool SetStartAtLogin(bool start, const wxString& executable, const wxString& settingsFile = wxString());
    // The settings file named on the host's command line ("--config FILE", "--config=FILE",
    // "-c FILE"), made absolute; empty when the default one is used.
    static wxString SettingsFileIn(const wxArrayString& arguments);

    static constexpr const char* kStylePopups = "popups";
    static constexpr const char* kStyleDesktop = "desktop";
    // Whether the stored style asks for the desktop's notifications.
    static bool UsesDesktopNotifications();
    // Whether this desktop lets popups stand in the corner of the screen.
    static bool PopupsCanBePlaced();

private:
    // A "label [spin] seconds" row in 'group', from 1 to 'maxSeconds', showing 'stored'.
    wxSpinCtrl* AddSecondsRow(wxStaticBoxSizer& group, const wxString& label, long stored, int maxSeconds);

    wxSpinCtrl* m_duration;
    wxSpinCtrl* m_interval;
    wxCheckBox* m_onlyFavorite;
    wxCheckBox* m_paused;
    wxCheckBox* m_quiet;
    wxSpinCtrl* m_quietFrom;
    wxSpinCtrl* m_quietTo;
    wxSpinCtrl* m_coolDown;
    wxSpinCtrl* m_historyDays;
    wxCheckBox* m_sortByLastSeen;
    wxCheckBox* m_signIn;
    wxChoice* m_style;
    wxCheckBox* m_startAtLogin;
    wxListBox* m_rules;
    wxArrayString m_ruleNames;    // the performer of each line of m_rules
    wxArrayString m_removedRules; // given back to the default rule on Apply
};
