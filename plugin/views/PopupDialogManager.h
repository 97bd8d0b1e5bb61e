#pragma once

#include <functional>

#include <wx/event.h>

#include "model/RecentList.h"
#include "model/User.h"

class UserEvent;

// Decides which status changes deserve a popup and opens them. Every change that deserves one
// is also recorded, with what kept its popup away (the pause, "Popup Only Favorite").
class PopupDialogManager : public wxEvtHandler {
public:
    PopupDialogManager() = default;

    using Recorder = std::function<void(const User& user, int kind, RecentNote note)>;
    void SetRecorder(Recorder recorder) { m_recorder = std::move(recorder); }
    // Asked at each event: true sends it to the desktop's notification service, not a popup.
    void SetDesktopNotificationsChoice(std::function<bool()> choice) { m_desktopNotifications = std::move(choice); }

    void OnUserAdded(UserEvent& event);
    void OnUserChanged(UserEvent& event);

    // The popup kind a change from 'oldStatus' to 'newStatus' deserves, 0 for none.
    static int KindFor(unsigned long oldStatus, unsigned long newStatus);
    // Whether "/favorites" ("a,b,") names 'name' exactly.
    static bool IsFavorite(const wxString& favorites, const wxString& name);

private:
    void Record(const User& user, int kind, RecentNote note);

    Recorder m_recorder;
    std::function<bool()> m_desktopNotifications;

    wxDECLARE_EVENT_TABLE();
};
