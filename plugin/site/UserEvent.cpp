#include "site/UserEvent.h"

#include "site/UserListEvent.h"

// All four types are allocated here, so their order is fixed.
wxDEFINE_EVENT(wxEVT_USER_LIST_INITIALIZED, UserListEvent);
wxDEFINE_EVENT(wxEVT_USER_ADDED, UserEvent);
wxDEFINE_EVENT(wxEVT_USER_DELETED, UserEvent);
wxDEFINE_EVENT(wxEVT_USER_CHANGED, UserEvent);

UserEvent::UserEvent(const User& user, wxEventType type, unsigned long oldStatus)
    : wxEvent(-1, type), m_user(user), m_oldStatus(oldStatus & 0xFFFFFFFFUL)
{
}

wxEvent* UserEvent::Clone() const
{
    return new UserEvent(*this);
}
