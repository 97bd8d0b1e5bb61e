#pragma once

#include <memory>
#include <set>

#include <wx/event.h>

#include "model/User.h"

class wxNotificationMessage;

// One performer announced through the desktop's own notification service (libnotify under
// GTK): the name, what happened, the thumbnail once fetched (else the application's icon), and
// a "Profile" action. It owns itself and goes when the service closes it. When no service
// answers, the popup is shown instead and every later event goes to the popups too.
class DesktopNotification : public wxEvtHandler {
public:
    DesktopNotification(const User& user, int kind);
    ~DesktopNotification() override;

    // True once a notification could not be shown: the desktop has no service.
    static bool IsServiceMissing() { return ms_serviceMissing; }
    static int GetAliveCount() { return static_cast<int>(ms_alive.size()); }
    // Forgets every notification (those on screen stay with the service). Before the plug-in goes.
    static void ForgetAll();

    // Beyond this many at once, no thumbnail is fetched: a flood is announced at once.
    static constexpr int kMaxFetching = 10;

private:
    void OnDownloadFinished(wxCommandEvent& event);
    void OnAction(wxCommandEvent& event);
    void OnDismissed(wxCommandEvent& event);
    void ShowWith(const wxImage& thumbnail);
    void Finish();

    User m_user;
    int m_kind;
    bool m_fetching = false;
    std::unique_ptr<wxNotificationMessage> m_message;

    static bool ms_serviceMissing;
    static int ms_fetching;
    static std::set<DesktopNotification*> ms_alive;
};
