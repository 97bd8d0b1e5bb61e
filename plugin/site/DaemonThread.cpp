#include "site/DaemonThread.h"

#include <chrono>

#include <wx/event.h>
#include <wx/log.h>

#include "site/Site.h"
#include "site/ThreadLifeline.h"
#include "site/UserListEvent.h"

namespace {

long long NowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

DaemonThread::DaemonThread(Site* site, wxThreadKind kind, unsigned int priority,
                           unsigned int stackSize)
    : wxThread(kind), m_site(site), m_poster([this] { return ShouldExit(); }),
      m_lifeline(std::make_shared<ThreadLifeline>())
{
    m_created = Create(stackSize) == wxTHREAD_NO_ERROR;
    SetPriority(priority);
}

DaemonThread::~DaemonThread()
{
    // Also covers a thread deleted without its Entry ever running.
    m_lifeline->MarkEnded();
}

void DaemonThread::AddEventHandler(wxEvtHandler* handler)
{
    m_poster.AddEventHandler(handler);
}

bool DaemonThread::ShouldExit()
{
    if (TestDestroy())
        return true;
    wxThread::Yield();
    return false;
}

bool DaemonThread::StopAndWait(DaemonThread* thread, int timeoutMs)
{
    if (!thread)
        return true;
    // Taken before Delete: a detached thread deletes itself once it sees the request.
    std::shared_ptr<ThreadLifeline> lifeline = thread->m_lifeline;
    const bool detached = thread->IsDetached();
    if (!thread->m_created) {
        // No system thread exists, so nothing else would ever delete the object.
        if (detached)
            delete thread;
        return true;
    }
    thread->Delete();
    if (!detached)
        return true; // a joinable thread's Delete waits for it
    if (lifeline->WaitEnded(timeoutMs))
        return true;
    wxLogDebug("synchronisation thread did not end within %d ms", timeoutMs);
    return false;
}

wxThread::ExitCode DaemonThread::Entry()
{
    ExitCode code = Synchronise();
    m_lifeline->MarkEnded();
    return code;
}

wxThread::ExitCode DaemonThread::Synchronise()
{
    if (!m_site)
        return reinterpret_cast<ExitCode>(1); // nothing to watch
    long r = 0;
    for (;;) {
        r = m_site->UpdateUserList();
        if (r != 0)
            break;
        if (ShouldExit())
            return reinterpret_cast<ExitCode>(1);
        wxThread::Yield();
    }

    UserList previous = m_site->GetUserList();
    {
        UserListEvent event(wxEVT_USER_LIST_INITIALIZED, -1);
        event.SetUserList(previous);
        if (!m_poster.Post(event))
            return nullptr;
    }

    long interval = r;
    // Start to start: the time spent refreshing and posting counts towards the next wait.
    long long started = NowMs();
    for (;;) {
        if (ShouldExit())
            return nullptr;
        if (NowMs() - started < interval) {
            wxThread::Sleep(static_cast<unsigned long>(interval / 10));
            continue;
        }
        started = NowMs();
        r = m_site->UpdateUserList();
        if (r != 0) {
            UserList current = m_site->GetUserList();
            if (!m_poster.PostDifference(previous, current))
                return nullptr;
            previous.swap(current);
        }
        interval = r;
    }
}
