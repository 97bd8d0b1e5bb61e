#include "site/UserEventPoster.h"

#include <utility>

#include <wx/event.h>
#include <wx/thread.h>

#include "app/UiDispatcher.h"
#include "model/UserStatus.h"
#include "site/UserEvent.h"

UserEventPoster::UserEventPoster(ExitCheck shouldExit) : m_shouldExit(std::move(shouldExit)) {}

void UserEventPoster::AddEventHandler(wxEvtHandler* handler)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_handlers.push_back(handler);
}

std::vector<wxEvtHandler*> UserEventPoster::Handlers() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_handlers;
}

bool UserEventPoster::Post(const wxEvent& event)
{
    // A copy, so that a handler registered meanwhile gets the later events only.
    for (wxEvtHandler* handler : Handlers()) {
        if (m_shouldExit && m_shouldExit())
            return false;
        if (handler)
            handler->AddPendingEvent(event);
    }
    return true;
}

bool UserEventPoster::PostDifference(const UserList& previous, const UserList& current)
{
    UserList added, deleted, changed;
    previous.GetDifference(current, added, deleted, changed);
    size_t posted = 0;
    for (const User& user : added)
        if (!Post(UserEvent(user, wxEVT_USER_ADDED, STATUS_NOT_MEANINGFUL)) || !EndOfSlice(posted))
            return false;
    for (const User& user : deleted)
        if (!Post(UserEvent(user, wxEVT_USER_DELETED, STATUS_NOT_MEANINGFUL)) || !EndOfSlice(posted))
            return false;
    for (const User& user : changed) {
        UserEvent event(user, wxEVT_USER_CHANGED, STATUS_NOT_MEANINGFUL);
        event.SetOldStatus(previous.GetUser(user.GetName()).GetStatus());
        if (!Post(event) || !EndOfSlice(posted))
            return false;
    }
    return true;
}

bool UserEventPoster::EndOfSlice(size_t& posted)
{
    if (++posted % kSlice != 0 || wxIsMainThread())
        return true;
    // Queued behind the slice, so it runs once the slice has been handled. A window that does
    // not take it (a blocked loop, the plug-in going) only costs the pacing, never an event.
    UiDispatcher::RunAndWait([] {}, m_shouldExit);
    return !(m_shouldExit && m_shouldExit());
}
