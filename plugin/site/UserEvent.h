#pragma once

#include <wx/event.h>

#include "model/User.h"

// One performer who appeared, left or changed state, with the status seen before.
class UserEvent : public wxEvent {
public:
    UserEvent(const User& user, wxEventType type, unsigned long oldStatus);
    UserEvent(const UserEvent& other) = default;

    const User& GetUser() const { return m_user; }
    // STATUS_NOT_MEANINGFUL for added and deleted performers.
    unsigned long GetOldStatus() const { return m_oldStatus; }
    void SetOldStatus(unsigned long status) { m_oldStatus = status & 0xFFFFFFFFUL; }

    wxEvent* Clone() const override;

private:
    User m_user;
    unsigned long m_oldStatus;
};

wxDECLARE_EVENT(wxEVT_USER_ADDED, UserEvent);
wxDECLARE_EVENT(wxEVT_USER_DELETED, UserEvent);
wxDECLARE_EVENT(wxEVT_USER_CHANGED, UserEvent);

typedef void (wxEvtHandler::*UserEventFunction)(UserEvent&);
#define UserEventHandler(func) wxEVENT_HANDLER_CAST(UserEventFunction, func)
#define EVT_USER_ADDED(id, fn) wx__DECLARE_EVT1(wxEVT_USER_ADDED, id, UserEventHandler(fn))
#define EVT_USER_DELETED(id, fn) wx__DECLARE_EVT1(wxEVT_USER_DELETED, id, UserEventHandler(fn))
#define EVT_USER_CHANGED(id, fn) wx__DECLARE_EVT1(wxEVT_USER_CHANGED, id, UserEventHandler(fn))
