#pragma once

#include <wx/event.h>

#include "model/UserList.h"

// A whole list handed over: the first good refresh, or the favourites.
class UserListEvent : public wxEvent {
public:
    UserListEvent(wxEventType type, int id);
    UserListEvent(const UserListEvent& other) = default;

    void SetUserList(const UserList& list) { m_users = list; }
    const UserList& GetUserList() const { return m_users; }

    // A deep copy: the copy shares no list with this event.
    wxEvent* Clone() const override;

private:
    UserList m_users;
};

wxDECLARE_EVENT(wxEVT_USER_LIST_INITIALIZED, UserListEvent);

typedef void (wxEvtHandler::*UserListEventFunction)(UserListEvent&);
#define UserListEventHandler(func) wxEVENT_HANDLER_CAST(UserListEventFunction, func)
#define EVT_USER_LIST_INITIALIZED(id, fn) \
    wx__DECLARE_EVT1(wxEVT_USER_LIST_INITIALIZED, id, UserListEventHandler(fn))
