#pragma once

#include <memory>

#include <wx/thread.h>

#include "site/UserEventPoster.h"

class Site;
class ThreadLifeline;
class wxEvtHandler;

// Refreshes the site's list at the configured interval and queues one event per performer who
// appeared, left or changed state on every registered handler.
class DaemonThread : public wxThread {
public:
    DaemonThread(Site* site, wxThreadKind kind = wxTHREAD_DETACHED, unsigned int priority = 0,
                 unsigned int stackSize = 0);
    ~DaemonThread() override;

    // Handlers are never removed; they must outlive the thread (see StopAndWait).
    void AddEventHandler(wxEvtHandler* handler);
    bool ShouldExit();

    // Asks the thread to stop and returns once its work has ended, so that the handlers can be
    // destroyed. The thread object may be gone when it returns: drop the pointer. False if the
    // thread did not end within the time (it then still may post).
    static bool StopAndWait(DaemonThread* thread, int timeoutMs = 15000);

protected:
    ExitCode Entry() override;

private:
    ExitCode Synchronise();

    Site* m_site;
    UserEventPoster m_poster;
    std::shared_ptr<ThreadLifeline> m_lifeline;
    bool m_created = false;
};
