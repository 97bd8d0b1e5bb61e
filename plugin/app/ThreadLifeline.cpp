#include "app/ThreadLifeline.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include <wx/thread.h>

namespace {

std::mutex g_registryLock;
// Lifelines of threads that have not ended; weak, so a lifeline nobody holds does not linger.
std::vector<std::weak_ptr<ThreadLifeline>>& Registry()
{
    static std::vector<std::weak_ptr<ThreadLifeline>> registry;
    return registry;
}

thread_local ThreadLifeline* t_current = nullptr;

} // namespace

std::shared_ptr<ThreadLifeline> ThreadLifeline::Create()
{
    std::shared_ptr<ThreadLifeline> lifeline(new ThreadLifeline);
    std::lock_guard<std::mutex> guard(g_registryLock);
    Registry().push_back(lifeline);
    return lifeline;
}

void ThreadLifeline::RequestStop()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_stopRequested = true;
}

bool ThreadLifeline::IsStopRequested() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_stopRequested;
}

void ThreadLifeline::MarkEnded()
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_hasEnded)
            return;
        m_hasEnded = true;
    }
    m_ended.notify_all();
    {
        std::lock_guard<std::mutex> guard(g_registryLock);
        auto& registry = Registry();
        registry.erase(std::remove_if(registry.begin(), registry.end(),
                                      [this](const std::weak_ptr<ThreadLifeline>& held) {
                                          auto lifeline = held.lock();
                                          return !lifeline || lifeline.get() == this;
                                      }),
                       registry.end());
    }
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
    return static_cast<int>(std::count_if(Registry().begin(), Registry().end(),
                                          [](const auto& held) { return !held.expired(); }));
}

bool ThreadLifeline::StopAll(int timeoutMs)
{
    std::vector<std::shared_ptr<ThreadLifeline>> running;
    {
        std::lock_guard<std::mutex> guard(g_registryLock);
        for (const auto& held : Registry())
            if (auto lifeline = held.lock())
                running.push_back(lifeline);
    }
    if (running.empty())
        return true;
    for (const auto& lifeline : running)
        lifeline->RequestStop();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (const auto& lifeline : running) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (!lifeline->WaitEnded(static_cast<int>(std::max<long long>(0, left.count()))))
            return false;
    }
    // A thread marks its end a few instructions before it leaves the plug-in's code.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return true;
}
