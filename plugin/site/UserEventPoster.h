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
    // False when told to stop on the way; the rest is dropped. From a secondary thread, a
    // large difference goes out in slices of kSlice performers, each once the window has taken
    // the one before: the user-interface thread draws and answers between them rather than
    // taking a thousand changes in one stall.
    bool PostDifference(const UserList& previous, const UserList& current);
    static constexpr size_t kSlice = 64;

private:
    std::vector<wxEvtHandler*> Handlers() const;
    // After every slice: waits until what was posted has been handled; false when told to stop.
    bool EndOfSlice(size_t& posted);

    ExitCheck m_shouldExit;
    mutable std::mutex m_lock;
    std::vector<wxEvtHandler*> m_handlers;
};
