#pragma once

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

    // A tray cannot show an invalid icon (the toolkit asserts): a built-in one stands in.
    static wxIcon UsableIcon(const wxIcon& icon);

private:
    wxEvtHandler* m_handler;
    wxMenu* m_menu;

    wxDECLARE_EVENT_TABLE();
};
