#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>

#include <wx/event.h>

#include "model/User.h"

class wxImage;

// One performer announced through the desktop's own notification service: the name, what
// happened, the thumbnail once fetched, a click ("Open profile") that opens the profile. It
// owns itself and goes when the service closes it. At most as many are on screen as the popup
// column holds; later events are counted in one summary notification, updated in place at most
// once a second (a click on it shows the main window). When no service answers, the fall-back
// (the popups) is given the event instead.
class DesktopNotification : public wxEvtHandler {
public:
    using Fallback = std::function<void(const User& user, int kind)>;

    DesktopNotification(const User& user, int kind);
    ~DesktopNotification() override;

    // True once the desktop was found to have no service.
    static bool IsServiceMissing();
    // Notifications made and not yet closed (on screen, or on their way there).
    static int GetAliveCount() { return static_cast<int>(ms_alive.size()); }
    // Counts an event that found the screen full in the one summary notification.
    static void AddToSummary(int kind);
    // Where events go when there is no service (the popups, under their own bound).
    static void SetFallback(Fallback fallback) { ms_fallback = std::move(fallback); }
    // Forgets every notification (those on screen stay with the service). Before the plug-in goes.
    static void ForgetAll();

    // Beyond this many at once, no thumbnail is fetched: a flood is announced at once.
    static constexpr int kMaxFetching = 10;

private:
    void OnDownloadFinished(wxCommandEvent& event);
    void ShowWith(const wxImage& thumbnail);
    void Finish();
    static void Listen();
    static void SendSummary();

    User m_user;
    int m_kind;
    bool m_fetching = false;
    uint32_t m_id = 0;
    unsigned long m_serial;

    static int ms_fetching;
    static unsigned long ms_nextSerial;
    static std::set<DesktopNotification*> ms_alive;
    static std::map<unsigned long, DesktopNotification*> ms_bySerial;
    static Fallback ms_fallback;
};
