#include "shell/PreferencesDialog.h"

#include <algorithm>

#include <wx/app.h>
#include <wx/checkbox.h>
#include <wx/file.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/utils.h>
#include <wx/button.h>
#include <wx/choice.h>
#include <wx/listbox.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/statbox.h>
#include <wx/stattext.h>

#include "app/Keys.h"
#include "views/DesktopWindowHints.h"
#include "views/PerformerRules.h"
#include "app/Settings.h"
#include "net/Util.h"

namespace {
constexpr int kMaxDurationSeconds = 3600;
constexpr int kMaxIntervalSeconds = 24 * 60 * 60;
constexpr int kMaxHistoryDays = 3650;

int Clamped(long value, int low, int high)
{
    return static_cast<int>(std::clamp(value, static_cast<long>(low), static_cast<long>(high)));
}
} // namespace

bool PreferencesDialog::PopupsCanBePlaced()
{
    return DesktopWindowHints::PopupPlacement() != DesktopWindowHints::Placement::Unplaceable;
}

bool PreferencesDialog::UsesDesktopNotifications()
{
    // Where popups cannot be put in their corner, notifications are the default.
    const wxString fallback = PopupsCanBePlaced() ? Keys::NotificationStyle.Default() : kStyleDesktop;
    return Keys::NotificationStyle.Read(fallback) == kStyleDesktop;
}

wxSpinCtrl* PreferencesDialog::AddSecondsRow(wxStaticBoxSizer& group, const wxString& label,
                                             long stored, int maxSeconds)
{
    wxWindow* box = group.GetStaticBox();
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->Add(new wxStaticText(box, wxID_ANY, label), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
    auto* spin = new wxSpinCtrl(box, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize,
                                wxSP_ARROW_KEYS, 1, maxSeconds, Clamped(stored, 1, maxSeconds));
    row->Add(spin, 0, wxRIGHT, 6);
    row->Add(new wxStaticText(box, wxID_ANY, _("seconds")), 0, wxALIGN_CENTER_VERTICAL);
    group.Add(row, 0, wxEXPAND | wxALL, 4);
    return spin;
}

PreferencesDialog::PreferencesDialog(wxWindow* parent, bool favoritesLoaded)
    : wxDialog(parent, wxID_ANY, _("Preferences"), wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE)
{
    auto* notifications = new wxStaticBoxSizer(wxVERTICAL, this, _("Notifications"));
    wxWindow* box = notifications->GetStaticBox();
    auto* styleRow = new wxBoxSizer(wxHORIZONTAL);
    styleRow->Add(new wxStaticText(box, wxID_ANY, _("Show as")), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
    m_style = new wxChoice(box, wxID_ANY);
    m_style->Append(_("Popups"));
    m_style->Append(_("Desktop notifications"));
    m_style->SetSelection(UsesDesktopNotifications() ? 1 : 0);
    styleRow->Add(m_style, 1);
    notifications->Add(styleRow, 0, wxEXPAND | wxALL, 4);
    if (!PopupsCanBePlaced()) {
        auto* why = new wxStaticText(box, wxID_ANY,
                                     _("This desktop does not let programs place popups in the corner of the screen: "
                                       "desktop notifications are shown unless Popups is chosen."));
        why->Wrap(FromDIP(320));
        notifications->Add(why, 0, wxLEFT | wxRIGHT | wxBOTTOM, 4);
    }

    m_duration = AddSecondsRow(*notifications, _("Popup duration"),
                               Keys::PopupDuration.Read(), kMaxDurationSeconds);
    // The desktop's service decides how long its notifications stay.
    m_duration->Enable(m_style->GetSelection() == 0);
    m_style->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) { m_duration->Enable(m_style->GetSelection() == 0); });

    m_onlyFavorite = new wxCheckBox(box, wxID_ANY, _("Popup Only Favorite"));
    m_onlyFavorite->SetValue(Keys::PopupOnlyFavorite.Read());
    m_onlyFavorite->Enable(favoritesLoaded);
    notifications->Add(m_onlyFavorite, 0, wxALL, 4);
    m_paused = new wxCheckBox(box, wxID_ANY, _("Pause Popups"));
    m_paused->SetValue(Keys::PopupsPaused.Read());
    notifications->Add(m_paused, 0, wxALL, 4);

    // Quiet every day between two whole hours (across midnight when "to" comes first).
    auto* quietRow = new wxBoxSizer(wxHORIZONTAL);
    m_quiet = new wxCheckBox(box, wxID_ANY, _("Quiet hours from"));
    m_quiet->SetValue(Keys::QuietHours.Read());
    const auto hourSpin = [box](long minutes) {
        return new wxSpinCtrl(box, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize, wxSP_ARROW_KEYS | wxSP_WRAP,
                              0, 23, Clamped(minutes / 60, 0, 23));
    };
    m_quietFrom = hourSpin(Keys::QuietFrom.Read());
    m_quietTo = hourSpin(Keys::QuietTo.Read());
    quietRow->Add(m_quiet, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
    quietRow->Add(m_quietFrom, 0, wxRIGHT, 6);
    quietRow->Add(new wxStaticText(box, wxID_ANY, _("to")), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
    quietRow->Add(m_quietTo, 0, wxRIGHT, 6);
    quietRow->Add(new wxStaticText(box, wxID_ANY, _("o'clock")), 0, wxALIGN_CENTER_VERTICAL);
    notifications->Add(quietRow, 0, wxALL, 4);
    auto* coolRow = new wxBoxSizer(wxHORIZONTAL);
    coolRow->Add(new wxStaticText(box, wxID_ANY, _("Not again for the same performer within")), 0,
                 wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
    m_coolDown = new wxSpinCtrl(box, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize, wxSP_ARROW_KEYS, 0,
                                24 * 60, Clamped(Keys::CoolDownMinutes.Read(), 0, 24 * 60));
    coolRow->Add(m_coolDown, 0, wxRIGHT, 6);
    coolRow->Add(new wxStaticText(box, wxID_ANY, _("minutes")), 0, wxALIGN_CENTER_VERTICAL);
    notifications->Add(coolRow, 0, wxALL, 4);

    auto* site = new wxStaticBoxSizer(wxVERTICAL, this, _("Site"));
    wxWindow* siteBox = site->GetStaticBox();
    m_signIn = new wxCheckBox(siteBox, wxID_ANY, _("Sign in at start"));
    m_signIn->SetValue(Keys::SignInAtStart.Read());
    site->Add(m_signIn, 0, wxALL, 4);
    m_startAtLogin = new wxCheckBox(siteBox, wxID_ANY, _("Start at login"));
    m_startAtLogin->SetValue(wxFileName::FileExists(AutostartPath()));
    site->Add(m_startAtLogin, 0, wxALL, 4);
    m_interval = AddSecondsRow(*site, _("Check the site every"),
                               Keys::SyncInterval.Read(), kMaxIntervalSeconds);
    auto* historyRow = new wxBoxSizer(wxHORIZONTAL);
    historyRow->Add(new wxStaticText(siteBox, wxID_ANY, _("Keep the history of performers for")), 0,
                    wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
    m_historyDays = new wxSpinCtrl(siteBox, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize, wxSP_ARROW_KEYS,
                                   1, kMaxHistoryDays, Clamped(Keys::HistoryDays.Read(), 1, kMaxHistoryDays));
    historyRow->Add(m_historyDays, 0, wxRIGHT, 6);
    historyRow->Add(new wxStaticText(siteBox, wxID_ANY, _("days")), 0, wxALIGN_CENTER_VERTICAL);
    site->Add(historyRow, 0, wxALL, 4);
    m_sortByLastSeen = new wxCheckBox(siteBox, wxID_ANY, _("Sort off-line favorites by when they were last seen"));
    m_sortByLastSeen->SetValue(Keys::SortOfflineByLastSeen.Read());
    site->Add(m_sortByLastSeen, 0, wxALL, 4);

    // The rules set on performers from their menus, each to be given back to the default.
    auto* rules = new wxStaticBoxSizer(wxVERTICAL, this, _("Rules for performers"));
    wxWindow* rulesBox = rules->GetStaticBox();
    m_rules = new wxListBox(rulesBox, wxID_ANY, wxDefaultPosition, FromDIP(wxSize(300, 80)));
    for (const auto& [name, rule] : PerformerRules::Get().All()) {
        wxString line = name + " - " +
                        (rule.when == NotifyRules::When::Never      ? _("Never")
                         : rule.when == NotifyRules::When::OnlyFree ? _("Only when free")
                                                                    : _("When on line or free"));
        if (rule.sound)
            line += ", " + _("Play a sound");
        m_rules->Append(line);
        m_ruleNames.Add(name);
    }
    if (m_ruleNames.empty())
        m_rules->Append(_("None: set one from a performer's right-click menu (Notify)"));
    m_rules->Enable(!m_ruleNames.empty());
    auto* remove = new wxButton(rulesBox, wxID_ANY, _("Remove"));
    remove->Enable(false);
    m_rules->Bind(wxEVT_LISTBOX, [this, remove](wxCommandEvent&) { remove->Enable(m_rules->GetSelection() != wxNOT_FOUND); });
    remove->Bind(wxEVT_BUTTON, [this, remove](wxCommandEvent&) {
        const int line = m_rules->GetSelection();
        if (line == wxNOT_FOUND || static_cast<size_t>(line) >= m_ruleNames.size())
            return;
        m_removedRules.Add(m_ruleNames[static_cast<size_t>(line)]);
        m_ruleNames.RemoveAt(static_cast<size_t>(line));
        m_rules->Delete(static_cast<unsigned>(line));
        remove->Enable(false);
    });
    rules->Add(m_rules, 1, wxEXPAND | wxALL, 4);
    rules->Add(remove, 0, wxALIGN_RIGHT | wxLEFT | wxRIGHT | wxBOTTOM, 4);

    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(notifications, 0, wxEXPAND | wxALL, 8);
    top->Add(rules, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 8);
    top->Add(site, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 8);
    top->Add(CreateStdDialogButtonSizer(wxOK | wxCANCEL), 0, wxEXPAND | wxALL, 8);
    SetSizerAndFit(top);
    CentreOnParent();
}

void PreferencesDialog::Apply() const
{
    Keys::NotificationStyle.Write(m_style->GetSelection() == 1 ? kStyleDesktop : kStylePopups);
    Keys::PopupDuration.Write(m_duration->GetValue());
    if (m_onlyFavorite->IsEnabled())
        Keys::PopupOnlyFavorite.Write(m_onlyFavorite->GetValue());
    Keys::PopupsPaused.Write(m_paused->GetValue());
    Keys::QuietHours.Write(m_quiet->GetValue());
    Keys::QuietFrom.Write(m_quietFrom->GetValue() * 60L);
    Keys::QuietTo.Write(m_quietTo->GetValue() * 60L);
    Keys::CoolDownMinutes.Write(m_coolDown->GetValue());
    Keys::SignInAtStart.Write(m_signIn->GetValue());
    Keys::SyncInterval.Write(m_interval->GetValue());
    Keys::HistoryDays.Write(m_historyDays->GetValue());
    Keys::SortOfflineByLastSeen.Write(m_sortByLastSeen->GetValue());
    Settings::Flush();
    PerformerRules::ApplySettings();
    for (const wxString& name : m_removedRules)
        PerformerRules::Get().Set(name, NotifyRules::Rule());
    if (!m_removedRules.empty())
        PerformerRules::Save();
    if (m_startAtLogin->GetValue() != wxFileName::FileExists(AutostartPath()))
        SetStartAtLogin(m_startAtLogin->GetValue(), Util::GetApplicationFileName().GetFullPath(),
                        wxTheApp ? SettingsFileIn(wxTheApp->argv.GetArguments()) : wxString());
}

wxString PreferencesDialog::AutostartPath()
{
    wxString config;
    if (!wxGetEnv("XDG_CONFIG_HOME", &config) || !wxIsAbsolutePath(config))
        config = wxFileName::GetHomeDir() + "/.config";
    return config + "/autostart/com.sorvik.Statuscope.desktop";
}

wxString PreferencesDialog::SettingsFileIn(const wxArrayString& arguments)
{
    wxString file;
    for (size_t i = 1; i < arguments.size(); ++i) {
        const wxString& argument = arguments[i];
        wxString value;
        if ((argument == "--config" || argument == "-c") && i + 1 < arguments.size())
            file = arguments[++i];
        else if (argument.StartsWith("--config=", &value))
            file = value;
    }
    if (file.empty())
        return file;
    wxFileName name(file);
    name.MakeAbsolute();
    return name.GetFullPath();
}

bool PreferencesDialog::SetStartAtLogin(bool start, const wxString& executable, const wxString& settingsFile)
{
    const wxString path = AutostartPath();
    wxLogNull quiet; // a failure is answered with false; the checkbox then reads the truth
    if (!start)
        return !wxFileName::FileExists(path) || wxRemoveFile(path);
    if (!wxFileName::Mkdir(wxFileName(path).GetPath(), 0700, wxPATH_MKDIR_FULL))
        return false;
    // Each argument of the Exec value is quoted with its reserved characters escaped and "%"
    // doubled (a field code otherwise), then escaped again as a string value (a backslash
    // doubled), as the desktop entry format reads it.
    const auto quote = [](wxString argument) {
        argument.Replace("%", "%%");
        for (const char* reserved : {"\\", "\"", "`", "$"})
            argument.Replace(reserved, wxString("\\") + reserved);
        argument.Replace("\\", "\\\\");
        return "\"" + argument + "\"";
    };
    wxString command = quote(executable);
    if (!settingsFile.empty())
        command += " --config " + quote(settingsFile);
    wxFile file;
    if (!file.Create(path, true, wxS_IRUSR | wxS_IWUSR))
        return false;
    return file.Write("[Desktop Entry]\nType=Application\nName=Sorvik Statuscope\n"
                      "Exec=" + command + "\nIcon=com.sorvik.Statuscope\nTerminal=false\n"
                      "X-GNOME-Autostart-enabled=true\n", wxConvUTF8);
}
