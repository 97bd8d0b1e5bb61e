#include "shell/NotifyIcon.h"

#include <wx/artprov.h>
#include <wx/menu.h>
#include <wx/settings.h>
#include <wx/time.h>
#include <wx/window.h>

#include "app/CommandIds.h"
#include "app/MainFrameLink.h"

wxBEGIN_EVENT_TABLE(NotifyIcon, wxTaskBarIcon)
    EVT_MENU(wxID_ANY, NotifyIcon::OnMenu)
    EVT_TASKBAR_LEFT_DCLICK(NotifyIcon::OnLButtonDClick)
    // The platform's menu gesture: a right-button release on some, GTK's "popup-menu" here.
    EVT_TASKBAR_CLICK(NotifyIcon::OnRButtonUp)
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
    : m_handler(handler), m_icon(UsableIcon(icon)), m_tooltip(tooltip)
{
    SetIcon(m_icon, m_tooltip);
    m_menu = new wxMenu(wxString(), 0);
    m_menu->Append(wxMenuItem::New(m_menu, ID_PAUSE_POPUPS, _("Pause Popups"), wxString(), wxITEM_CHECK));
    m_menu->Append(wxMenuItem::New(m_menu, wxID_EXIT, _("E&xit"), _("Exit the application.")));
}

void NotifyIcon::SetPaused(bool paused)
{
    m_menu->Check(ID_PAUSE_POPUPS, paused);
    m_paused = paused;
    ShowTooltip();
}

void NotifyIcon::SetStatus(const wxString& status)
{
    m_status = status;
    ShowTooltip();
}

void NotifyIcon::ShowTooltip()
{
    wxString tooltip = m_paused ? wxString::Format(_("%s (popups paused)"), m_tooltip) : m_tooltip;
    if (!m_status.empty())
        tooltip += "\n" + m_status;
    m_shownTooltip = tooltip;
    SetIcon(m_icon, tooltip);
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
    // GTK's tray icon reports every click of a double-click: the second would undo the first.
    const wxLongLong now = wxGetLocalTimeMillis();
    int interval = wxSystemSettings::GetMetric(wxSYS_DCLICK_MSEC);
    if (interval <= 0)
        interval = kDoubleClickMs;
    if (m_lastToggle != 0 && now - m_lastToggle < interval)
        return;
    m_lastToggle = now;
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
