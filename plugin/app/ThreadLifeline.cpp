#include "app/ThreadLifeline.h"

#include <pthread.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include <wx/thread.h>

#include "app/LoadedLibrary.h"
#include "app/Shutdown.h"

namespace {

struct Entry {
    ThreadLifeline* lifeline;
    // Weak, so a lifeline nobody holds does not linger.
    std::weak_ptr<ThreadLifeline> held;
    wxThread* joinable = nullptr;
    bool ended = false;
};

std::mutex g_registryLock;
// Lifelines that have not ended, and ended ones whose thread is still to be joined.
std::vector<Entry>& Registry()
{
    static std::vector<Entry> registry;
    return registry;
}

thread_local ThreadLifeline* t_current = nullptr;

// Keeps the library mapped after the host unloads it, for the threads that would not stop.
void KeepLoaded()
{
    LoadedLibrary::KeepForever(reinterpret_cast<const void*>(&KeepLoaded), false);
}

void StopEveryThread()
{
    if (ThreadLifeline::StopAll(ThreadLifeline::kStopTimeoutMs))
        return;
    std::fprintf(stderr, "sorvik: %d plug-in threads still running at exit\n", ThreadLifeline::RunningCount());
    KeepLoaded();
}

} // namespace

std::shared_ptr<ThreadLifeline> ThreadLifeline::Create()
{
    std::shared_ptr<ThreadLifeline> lifeline(new ThreadLifeline);
    {
        std::lock_guard<std::mutex> guard(g_registryLock);
        Registry().push_back({lifeline.get(), lifeline});
    }
    // Whoever starts a thread, the teardown stops it.
    Shutdown::Register(Shutdown::Stage::Threads, "plug-in threads", &StopEveryThread);
    return lifeline;
}

void ThreadLifeline::RequestStop()
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_stopRequested = true;
    }
    m_stopped.notify_all();
}

bool ThreadLifeline::WaitForStopRequest(long timeoutMs) const
{
    std::unique_lock<std::mutex> guard(m_lock);
    return m_stopped.wait_for(guard, std::chrono::milliseconds(std::max(0L, timeoutMs)),
                              [this] { return m_stopRequested; });
}

void ThreadLifeline::Wake()
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_woken = true;
    }
    m_stopped.notify_all();
}

bool ThreadLifeline::WaitForStopOrWake(long timeoutMs)
{
    std::unique_lock<std::mutex> guard(m_lock);
    m_stopped.wait_for(guard, std::chrono::milliseconds(std::max(0L, timeoutMs)),
                       [this] { return m_stopRequested || m_woken; });
    m_woken = false;
    return m_stopRequested;
}

bool ThreadLifeline::IsStopRequested() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_stopRequested;
}

void ThreadLifeline::AttachThread(wxThread* thread)
{
    if (!thread || thread->IsDetached())
        return; // a detached thread deletes itself
    std::lock_guard<std::mutex> guard(g_registryLock);
    for (Entry& entry : Registry())
        if (entry.lifeline == this)
            entry.joinable = thread;
}

void ThreadLifeline::MarkEnded()
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_hasEnded)
            return;
    }
    {
        // The registry first: whoever is woken below reaps at once and must find it ended.
        std::lock_guard<std::mutex> guard(g_registryLock);
        auto& registry = Registry();
        for (Entry& entry : registry)
            if (entry.lifeline == this)
                entry.ended = true;
        // Kept only while a thread is left to join.
        registry.erase(std::remove_if(registry.begin(), registry.end(),
                                      [](const Entry& entry) {
                                          return !entry.joinable && (entry.ended || entry.held.expired());
                                      }),
                       registry.end());
    }
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_hasEnded = true;
    }
    m_ended.notify_all();
}

bool ThreadLifeline::WaitEnded(int timeoutMs) const
{
    std::unique_lock<std::mutex> guard(m_lock);
    return m_ended.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                            [this] { return m_hasEnded; });
}

void ThreadLifeline::SetCurrent(ThreadLifeline* lifeline)
{
    t_current = lifeline;
}

bool ThreadLifeline::CurrentStopRequested()
{
    if (t_current)
        return t_current->IsStopRequested();
    wxThread* thread = wxThread::This();
    return thread && thread->TestDestroy();
}

int ThreadLifeline::RunningCount()
{
    std::lock_guard<std::mutex> guard(g_registryLock);
    return static_cast<int>(std::count_if(Registry().begin(), Registry().end(), [](const Entry& entry) {
        return !entry.ended && !entry.held.expired();
    }));
}

void ThreadLifeline::Reap()
{
    std::vector<wxThread*> ended;
    {
        std::lock_guard<std::mutex> guard(g_registryLock);
        auto& registry = Registry();
        for (auto it = registry.begin(); it != registry.end();) {
            if (it->ended && it->joinable) {
                ended.push_back(it->joinable);
                it = registry.erase(it);
            } else {
                ++it;
            }
        }
    }
    // Outside the lock: the thread's last steps may still take it.
    for (wxThread* thread : ended) {
        thread->Wait();
        delete thread;
    }
}

bool ThreadLifeline::StopAll(int timeoutMs)
{
    std::vector<std::shared_ptr<ThreadLifeline>> running;
    {
        std::lock_guard<std::mutex> guard(g_registryLock);
        for (const Entry& entry : Registry())
            if (auto lifeline = entry.held.lock(); lifeline && !entry.ended)
                running.push_back(lifeline);
    }
    for (const auto& lifeline : running)
        lifeline->RequestStop();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    bool allEnded = true;
    for (const auto& lifeline : running) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (!lifeline->WaitEnded(static_cast<int>(std::max<long long>(0, left.count()))))
            allEnded = false;
    }
    Reap();
    return allEnded;
}

void ThreadLifeline::NameCurrentThread(const char* name)
{
    ::pthread_setname_np(::pthread_self(), name);
}
