#pragma once

#include <wx/event.h>

class UserEvent;

// Decides which status changes deserve a popup and opens them.
class PopupDialogManager : public wxEvtHandler {
public:
    PopupDialogManager() = default;

    void OnUserAdded(UserEvent& event);
    void OnUserChanged(UserEvent& event);

    // The popup kind a change from 'oldStatus' to 'newStatus' deserves, 0 for none.
    static int KindFor(unsigned long oldStatus, unsigned long newStatus);
    // Whether "/favorites" ("a,b,") names 'name' exactly.
    static bool IsFavorite(const wxString& favorites, const wxString& name);

private:
    wxDECLARE_EVENT_TABLE();
};
