#include "site/UserListEvent.h"

UserListEvent::UserListEvent(wxEventType type, int id) : wxEvent(id, type) {}

wxEvent* UserListEvent::Clone() const
{
    return new UserListEvent(*this);
}
