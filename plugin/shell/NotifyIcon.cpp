#include "shell/NotifyIcon.h"

#include <chrono>

#include <wx/artprov.h>
#include <wx/menu.h>
#include <wx/settings.h>
#include <wx/time.h>
#include <wx/window.h>

#include <gio/gio.h>

#include "app/CommandIds.h"
#include "app/MainFrameLink.h"
#include "shell/IndicatorIcon.h"
#include "views/DesktopWindowHints.h"


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
    : m_handler(handler), m_icon(UsableIcon(icon)), m_tooltip(tooltip), m_shownTooltip(tooltip)
{
    m_menu = new wxMenu(wxString(), 0);
    // Many tray hosts show only the menu: its first item brings the window back.
    m_menu->Append(ID_TOGGLE_WINDOW, _("Hide Window"));
    m_menu->AppendSeparator();
    m_menu->Append(wxMenuItem::New(m_menu, ID_PAUSE_POPUPS, _("Pause Popups"), wxString(), wxITEM_CHECK));
    m_menu->Append(wxMenuItem::New(m_menu, ID_MUTE_HOUR, _("Mute for 1 hour"), wxString(), wxITEM_CHECK));
    m_menu->Append(wxMenuItem::New(m_menu, wxID_EXIT, _("E&xit"), _("Exit the application.")));
    // A StatusNotifierItem host sends the clicks to the menu itself, with no window behind it.
    m_menu->Bind(wxEVT_MENU, &NotifyIcon::OnMenu, this);
    if (auto* window = dynamic_cast<wxWindow*>(m_handler)) {
        window->Bind(wxEVT_SHOW, &NotifyIcon::OnFrameShown, this);
        ShowToggleLabel(window->IsShown());
    }
    // Until a watcher is seen (asked asynchronously), the XEmbed icon as before.
    UseIndicator(false);
    m_watch = g_bus_watch_name(G_BUS_TYPE_SESSION, IndicatorIcon::WatcherName(), G_BUS_NAME_WATCHER_FLAGS_NONE,
                               reinterpret_cast<GBusNameAppearedCallback>(&NotifyIcon::OnWatcherAppeared),
                               reinterpret_cast<GBusNameVanishedCallback>(&NotifyIcon::OnWatcherVanished),
                               this, nullptr);
}

void NotifyIcon::OnWatcherAppeared(GDBusConnection*, const char*, const char*, void* self)
{
    static_cast<NotifyIcon*>(self)->UseIndicator(true);
}

void NotifyIcon::OnWatcherVanished(GDBusConnection*, const char*, void* self)
{
    static_cast<NotifyIcon*>(self)->UseIndicator(false);
}

void NotifyIcon::UseIndicator(bool use)
{
    if (use && !m_indicator) {
        if (m_xembed)
            RemoveIcon();
        m_xembed = false;
        m_indicator = std::make_unique<IndicatorIcon>(m_icon, m_shownTooltip, m_menu, ID_TOGGLE_WINDOW, nullptr);
        return;
    }
    if (use)
        return;
    m_indicator.reset();
    // GTK's XEmbed icon exists only on an X server: on native Wayland it prints criticals.
    if (!m_xembed && DesktopWindowHints::OnX11Display()) {
        m_xembed = true;
        SetIcon(m_icon, m_shownTooltip);
    }
}

bool NotifyIcon::IsInTray() const
{
    if (m_indicator)
        return m_indicator->IsConnected();
    return m_xembed && IsAvailable();
}

void NotifyIcon::OnFrameShown(wxShowEvent& event)
{
    event.Skip();
    ShowToggleLabel(event.IsShown());
}

void NotifyIcon::ShowToggleLabel(bool frameShown)
{
    m_menu->SetLabel(ID_TOGGLE_WINDOW, frameShown ? _("Hide Window") : _("Show Window"));
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

void NotifyIcon::SetMuted(bool muted)
{
    m_menu->Check(ID_MUTE_HOUR, muted);
}

void NotifyIcon::SetMissed(int missed)
{
    m_missed = missed;
    ShowTooltip();
}

void NotifyIcon::ShowTooltip()
{
    wxString tooltip = m_paused ? wxString::Format(_("%s (popups paused)"), m_tooltip) : m_tooltip;
    if (!m_status.empty())
        tooltip += "\n" + m_status;
    if (m_missed > 0)
        tooltip += "\n" + wxString::Format(_("%d missed"), m_missed);
    m_shownTooltip = tooltip;
    if (m_indicator)
        m_indicator->SetTitle(tooltip);
    else if (m_xembed)
        SetIcon(m_icon, tooltip);
}

NotifyIcon::~NotifyIcon()
{
    if (m_watch)
        g_bus_unwatch_name(m_watch);
    if (auto* window = dynamic_cast<wxWindow*>(m_handler))
        window->Unbind(wxEVT_SHOW, &NotifyIcon::OnFrameShown, this);
    m_indicator.reset();
    if (m_xembed)
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
    // The monotonic clock: a wall clock set back would swallow every later double-click.
    const auto now = std::chrono::steady_clock::now();
    int interval = wxSystemSettings::GetMetric(wxSYS_DCLICK_MSEC);
    if (interval <= 0)
        interval = kDoubleClickMs;
    if (m_toggled && now - m_lastToggle < std::chrono::milliseconds(interval))
        return;
    m_lastToggle = now;
    m_toggled = true;
    ToggleFrame();
}

void NotifyIcon::ToggleFrame()
{
    auto* window = dynamic_cast<wxWindow*>(m_handler);
    wxCommandEvent command(wxEVT_MENU, (window && window->IsShown()) ? wxID_CLOSE : wxID_OPEN);
    if (m_handler)
        m_handler->AddPendingEvent(command);
}

void NotifyIcon::OnMenu(wxCommandEvent& event)
{
    if (event.GetId() == ID_TOGGLE_WINDOW) {
        ToggleFrame();
        return;
    }
    if (m_handler)
        m_handler->AddPendingEvent(event);
}
