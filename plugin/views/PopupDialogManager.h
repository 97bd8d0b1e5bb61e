#pragma once

#include <deque>
#include <functional>
#include <utility>

#include <wx/event.h>
#include <wx/timer.h>

#include "model/RecentList.h"
#include "model/User.h"

class UserEvent;

// Decides which status changes deserve a popup and opens them. Every change that deserves one
// is also recorded, with what kept its popup away (the pause, "Popup Only Favorite").
class PopupDialogManager : public wxEvtHandler {
public:
    PopupDialogManager();
    ~PopupDialogManager() override;

    // Popup windows are made at most one per this many milliseconds.
    static constexpr int kPaceMs = 15;

    using Recorder = std::function<void(const User& user, int kind, RecentNote note)>;
    void SetRecorder(Recorder recorder) { m_recorder = std::move(recorder); }
    // Asked at each event: true sends it to the desktop's notification service, not a popup.
    void SetDesktopNotificationsChoice(std::function<bool()> choice) { m_desktopNotifications = std::move(choice); }

    void OnUserAdded(UserEvent& event);
    void OnUserChanged(UserEvent& event);
    // At exit: the rest of a burst is dropped and nothing more opens, so that no popup made
    // after the others were closed keeps the process alive.
    void Stop();

    // The popup kind a change from 'oldStatus' to 'newStatus' deserves, 0 for none.
    static int KindFor(unsigned long oldStatus, unsigned long newStatus);
    // Whether "/favorites" ("a,b,") names 'name' exactly.
    static bool IsFavorite(const wxString& favorites, const wxString& name);

private:
    void Record(const User& user, int kind, RecentNote note);
    // A popup for the event, or a count in the summary when the column is full.
    void ShowPopup(const User& user, int kind);
    void Open(const User& user, int kind);
    void OnPace(wxTimerEvent& event);

    Recorder m_recorder;
    std::function<bool()> m_desktopNotifications;
    wxTimer m_pace;
    std::deque<std::pair<User, int>> m_waiting; // popups of a burst still to be made
    int m_summaryOnline = 0; // events of a burst for the summary, added after its popups
    int m_summaryFree = 0;
    bool m_stopped = false;

    wxDECLARE_EVENT_TABLE();
};
