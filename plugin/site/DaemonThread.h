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
    DaemonThread(Site* site, wxThreadKind kind = wxTHREAD_JOINABLE, unsigned int priority = 0,
                 unsigned int stackSize = 0);
    ~DaemonThread() override;

    // Handlers are never removed; they must outlive the thread (see StopAndWait).
    void AddEventHandler(wxEvtHandler* handler);
    bool ShouldExit();

    // Take these before Run(): the thread object belongs to its lifeline's registry once it
    // runs, and goes once it has ended. Handlers can be added to the poster while it runs.
    std::shared_ptr<ThreadLifeline> GetLifeline() const { return m_lifeline; }
    std::shared_ptr<UserEventPoster> GetPoster() const { return m_poster; }

    // Asks the thread to stop and returns once it has ended and been joined, so that the
    // handlers can be destroyed. False if it did not end within the time (it then still may post).
    static bool StopAndWait(const std::shared_ptr<ThreadLifeline>& lifeline, int timeoutMs = 5000);


protected:
    ExitCode Entry() override;

private:
    ExitCode Synchronise();
    // Sleeps 'ms', woken at once by a stop request; false when asked to stop.
    bool WaitFor(long ms);
    // Returns the memory a refresh of a large list leaves free to the system.
    void GiveBackPeak(size_t performers, bool waitForWindow);
    static constexpr size_t kTrimFrom = 1000;

    Site* m_site;
    std::shared_ptr<UserEventPoster> m_poster;
    std::shared_ptr<ThreadLifeline> m_lifeline;
};
