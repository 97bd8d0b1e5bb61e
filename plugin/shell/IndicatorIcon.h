#pragma once

#include <functional>

#include <wx/icon.h>
#include <wx/string.h>

class wxMenu;
struct _AppIndicator;

// The tray icon as a StatusNotifierItem (KDE Plasma, waybar, xfce4-panel's status tray, GNOME's
// AppIndicator extension), through libayatana-appindicator: the icon, a title the hosts show
// as its tooltip, and a menu the host shows on a click. Used on the UI thread only.
class IndicatorIcon {
public:
    // 'menu' stays the caller's and must outlive this; 'connected' is told whether a host
    // shows the item (the watcher took it, or went away).
    IndicatorIcon(const wxIcon& icon, const wxString& title, wxMenu* menu, int secondaryId,
                  std::function<void(bool)> connected);
    ~IndicatorIcon();
    IndicatorIcon(const IndicatorIcon&) = delete;
    IndicatorIcon& operator=(const IndicatorIcon&) = delete;

    void SetTitle(const wxString& title);
    bool IsConnected() const { return m_connected; }

    // The name a tray host is found under on the session bus.
    static const char* WatcherName() { return "org.kde.StatusNotifierWatcher"; }

private:
    static void OnConnectionChanged(_AppIndicator* indicator, int connected, void* self);
    _AppIndicator* m_indicator = nullptr;
    wxString m_iconFolder;
    std::function<void(bool)> m_onConnection;
    bool m_connected = false;
};
