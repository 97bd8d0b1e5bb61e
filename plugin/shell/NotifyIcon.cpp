#include "shell/NotifyIcon.h"

#include <wx/artprov.h>
#include <wx/menu.h>
#include <wx/window.h>

wxBEGIN_EVENT_TABLE(NotifyIcon, wxTaskBarIcon)
    EVT_MENU(wxID_ANY, NotifyIcon::OnMenu)
    EVT_TASKBAR_LEFT_DCLICK(NotifyIcon::OnLButtonDClick)
    EVT_TASKBAR_RIGHT_UP(NotifyIcon::OnRButtonUp)
wxEND_EVENT_TABLE()

wxIcon NotifyIcon::UsableIcon(const wxIcon& icon)
{
    if (icon.IsOk())
        return icon;
    wxIcon fallback = wxArtProvider::GetIcon(wxART_INFORMATION, wxART_OTHER, wxSize(16, 16));
    if (fallback.IsOk())
        return fallback;
    wxBitmap plain(16, 16);
    fallback.CopyFromBitmap(plain);
    return fallback;
}

NotifyIcon::NotifyIcon(wxEvtHandler* handler, const wxIcon& icon, const wxString& tooltip)
    : m_handler(handler)
{
    SetIcon(UsableIcon(icon), tooltip);
    m_menu = new wxMenu(wxString(), 0);
    m_menu->Append(wxMenuItem::New(m_menu, wxID_EXIT, _("E&xit"), _("Exit the application.")));
}

NotifyIcon::~NotifyIcon()
{
    RemoveIcon();
    delete m_menu;
}

void NotifyIcon::OnRButtonUp(wxTaskBarIconEvent&)
{
    PopupMenu(m_menu);
}

void NotifyIcon::OnLButtonDClick(wxTaskBarIconEvent&)
{
    auto* window = dynamic_cast<wxWindow*>(m_handler);
    const int id = wxID_OPEN + ((window && window->IsShown()) ? 1 : 0);
    wxCommandEvent command(wxEVT_MENU, id);
    AddPendingEvent(command);
}

void NotifyIcon::OnMenu(wxCommandEvent& event)
{
    if (m_handler)
        m_handler->AddPendingEvent(event);
}
