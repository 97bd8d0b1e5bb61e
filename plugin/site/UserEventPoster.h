#pragma once

#include <functional>
#include <mutex>
#include <vector>

#include "model/UserList.h"

class wxEvent;
class wxEvtHandler;

// Queues the user events of one refresh on the registered handlers, checking before every single
// post whether to stop.
class UserEventPoster {
public:
    using ExitCheck = std::function<bool()>;

    explicit UserEventPoster(ExitCheck shouldExit);

    // Handlers are never removed; a null one is skipped.
    void AddEventHandler(wxEvtHandler* handler);

    // Queues a copy of 'event' on each handler, in registration order; false when told to stop.
    bool Post(const wxEvent& event);

    // Added, then deleted, then changed events (these with the old status from 'previous').
    // False when told to stop on the way; the rest is dropped.
    bool PostDifference(const UserList& previous, const UserList& current);

private:
    std::vector<wxEvtHandler*> Handlers() const;

    ExitCheck m_shouldExit;
    mutable std::mutex m_lock;
    std::vector<wxEvtHandler*> m_handlers;
};
