#include "site/ThreadLifeline.h"

#include <chrono>

void ThreadLifeline::MarkEnded()
{
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
