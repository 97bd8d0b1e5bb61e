#pragma once

#include <chrono>
#include <memory>

#include <wx/icon.h>
#include <wx/taskbar.h>

class IndicatorIcon;
class wxMenu;
class wxShowEvent;

// The tray icon: its menu shows or hides the main frame and offers Pause Popups and Exit, a
// double-click shows or hides the frame. Every command goes to the frame. Where a tray host
// takes StatusNotifierItems (a watcher on the session bus) the icon is one of those, else
// the toolkit's XEmbed icon; the choice follows the watcher as it comes and goes.
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
    // Checks the menu's "Mute for 1 hour".
    void SetMuted(bool muted);
    // How many notifications were missed since the window was last seen (0: none).
    void SetMissed(int missed);
    wxMenu* GetMenu() const { return m_menu; }
    const wxString& GetTooltip() const { return m_shownTooltip; }
    // Whether a tray shows the icon now, so that a hidden frame can be brought back.
    bool IsInTray() const;

    // A tray cannot show an invalid icon (the toolkit asserts): a built-in one stands in.
    static wxIcon UsableIcon(const wxIcon& icon);

private:
    static constexpr int kDoubleClickMs = 400; // when the desktop does not say
    static void OnWatcherAppeared(struct _GDBusConnection*, const char*, const char*, void* self);
    static void OnWatcherVanished(struct _GDBusConnection*, const char*, void* self);
    void UseIndicator(bool use);
    void OnFrameShown(wxShowEvent& event);
    void ShowToggleLabel(bool frameShown);
    void ToggleFrame();
    std::unique_ptr<IndicatorIcon> m_indicator;
    unsigned m_watch = 0;
    bool m_xembed = false;
    wxEvtHandler* m_handler;
    wxIcon m_icon;
    wxString m_tooltip;
    wxString m_status;
    int m_missed = 0;
    wxString m_shownTooltip;
    bool m_paused = false;
    void ShowTooltip();
    std::chrono::steady_clock::time_point m_lastToggle;
    bool m_toggled = false;
    wxMenu* m_menu;

    wxDECLARE_EVENT_TABLE();
};
