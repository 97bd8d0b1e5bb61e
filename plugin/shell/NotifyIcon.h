#pragma once

#include <wx/longlong.h>
#include <wx/icon.h>
#include <wx/taskbar.h>

class wxMenu;

// The tray icon: its menu offers Exit, a double-click shows or hides the main frame. Every
// command goes to the frame.
class NotifyIcon : public wxTaskBarIcon {
public:
    NotifyIcon(wxEvtHandler* handler, const wxIcon& icon, const wxString& tooltip);
    ~NotifyIcon() override;

    void OnMenu(wxCommandEvent& event);
    void OnLButtonDClick(wxTaskBarIconEvent& event);
    void OnRButtonUp(wxTaskBarIconEvent& event);

    // Checks the menu's "Pause Popups" and says so in the tooltip.
    void SetPaused(bool paused);
    // A line under the tooltip's name ("Offline since 14:05"); empty for none.
    void SetStatus(const wxString& status);
    wxMenu* GetMenu() const { return m_menu; }
    const wxString& GetTooltip() const { return m_shownTooltip; }

    // A tray cannot show an invalid icon (the toolkit asserts): a built-in one stands in.
    static wxIcon UsableIcon(const wxIcon& icon);

private:
    static constexpr int kDoubleClickMs = 400; // when the desktop does not say
    wxEvtHandler* m_handler;
    wxIcon m_icon;
    wxString m_tooltip;
    wxString m_status;
    wxString m_shownTooltip;
    bool m_paused = false;
    void ShowTooltip();
    wxLongLong m_lastToggle = 0;
    wxMenu* m_menu;

    wxDECLARE_EVENT_TABLE();
};
