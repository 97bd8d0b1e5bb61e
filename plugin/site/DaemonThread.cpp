#include "site/DaemonThread.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <utility>

#include <malloc.h>

#include <wx/event.h>
#include <wx/log.h>

#include "app/ThreadLifeline.h"
#include "app/UiDispatcher.h"
#include "site/Site.h"
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
    : wxThread(kind), m_site(site), m_poster(std::make_shared<UserEventPoster>([this] { return ShouldExit(); })),
      m_lifeline(ThreadLifeline::Create())
{
    Create(stackSize);
    SetPriority(priority);
}

DaemonThread::~DaemonThread()
{
    // Also covers a thread deleted without its Entry ever running.
    m_lifeline->MarkEnded();
}

void DaemonThread::AddEventHandler(wxEvtHandler* handler)
{
    m_poster->AddEventHandler(handler);
}

bool DaemonThread::ShouldExit()
{
    if (m_lifeline->IsStopRequested() || TestDestroy())
        return true;
    wxThread::Yield();
    return false;
}

bool DaemonThread::StopAndWait(const std::shared_ptr<ThreadLifeline>& lifeline, int timeoutMs)
{
    if (!lifeline)
        return true;
    // The thread object is never touched here: the registry joins and deletes it.
    lifeline->RequestStop();
    if (lifeline->WaitEnded(timeoutMs)) {
        ThreadLifeline::Reap();
        return true;
    }
    wxLogDebug("synchronisation thread did not end within %d ms", timeoutMs);
    return false;
}

bool DaemonThread::WaitFor(long ms)
{
    // One wake-up for the whole wait: a stop request ends it at once.
    return !m_lifeline->WaitForStopRequest(ms) && !ShouldExit();
}

wxThread::ExitCode DaemonThread::Entry()
{
    ThreadLifeline::NameCurrentThread("sorvik-refresh");
    m_lifeline->AttachThread(this);
    ThreadLifeline::SetCurrent(m_lifeline.get());
    ExitCode code = Synchronise();
    ThreadLifeline::SetCurrent(nullptr);
    m_lifeline->MarkEnded();
    return code;
}

void DaemonThread::GiveBackPeak(size_t performers, bool waitForWindow)
{
    if (performers < kTrimFrom)
        return;
    // The list's copies on their way to the window are freed once it has taken them.
    if (waitForWindow)
        UiDispatcher::RunAndWait([] {}, [this] { return ShouldExit(); });
    // A refresh's parse and copies leave megabytes free in this thread's heap that the C
    // library keeps; they go back to the system rather than stay the program's for good.
    malloc_trim(0);
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
        if (!WaitFor(m_site->RetryDelayMs()))
            return reinterpret_cast<ExitCode>(1);
        wxThread::Yield();
    }

    std::shared_ptr<const UserList> previous = m_site->GetSharedUserList();
    {
        UserListEvent event(wxEVT_USER_LIST_INITIALIZED, -1);
        event.SetUserList(*previous);
        if (!m_poster->Post(event))
            return nullptr;
    }
    GiveBackPeak(previous->size(), true);

    long interval = r;
    // Start to start: the time spent refreshing and posting counts towards the next wait.
    long long started = NowMs();
    for (;;) {
        if (ShouldExit())
            return nullptr;
        const long long left = interval - (NowMs() - started);
        if (left > 0) {
            WaitFor(static_cast<long>(left));
            continue;
        }
        started = NowMs();
        r = m_site->UpdateUserList();
        if (r != 0 && !m_site->WasUnchanged()) {
            std::shared_ptr<const UserList> current = m_site->GetSharedUserList();
            if (!m_poster->PostDifference(*previous, *current))
                return nullptr;
            previous = std::move(current);
            GiveBackPeak(previous->size(), false);
        }
        // A failed refresh is tried again after the site's own delay (spaced, so that a short
        // outage does not use up the failures allowed).
        interval = r != 0 ? r : m_site->RetryDelayMs();
    }
}
