#include "site/UserEventPoster.h"

#include <utility>

#include <wx/event.h>

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
    for (const auto& entry : added)
        if (!Post(UserEvent(entry.second, wxEVT_USER_ADDED, STATUS_NOT_MEANINGFUL)))
            return false;
    for (const auto& entry : deleted)
        if (!Post(UserEvent(entry.second, wxEVT_USER_DELETED, STATUS_NOT_MEANINGFUL)))
            return false;
    for (const auto& entry : changed) {
        UserEvent event(entry.second, wxEVT_USER_CHANGED, STATUS_NOT_MEANINGFUL);
        event.SetOldStatus(previous.GetUser(entry.first).GetStatus());
        if (!Post(event))
            return false;
    }
    return true;
}
