#include "app/UpdateThrottle.h"

#include <algorithm>

UpdateThrottle::UpdateThrottle(std::function<void()> work, int intervalMs)
    : m_work(std::move(work)), m_interval(intervalMs)
{
}

UpdateThrottle::~UpdateThrottle()
{
    Stop();
}

void UpdateThrottle::Request()
{
    m_requested = true;
    Schedule();
}

void UpdateThrottle::Release()
{
    m_held = false;
    Schedule();
}

void UpdateThrottle::Reset()
{
    Stop();
    m_requested = false;
    m_held = false;
    m_ran = false;
}

void UpdateThrottle::Schedule()
{
    if (!m_requested || m_held || IsRunning())
        return;
    // Even the first run waits for the loop: the requests of one slice of events make one run.
    long wait = 1;
    if (m_ran) {
        const auto since = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - m_lastRun);
        wait = std::max<long>(wait, static_cast<long>((m_interval - since).count()));
    }
    StartOnce(static_cast<int>(wait));
}

void UpdateThrottle::Notify()
{
    if (m_held || !m_requested)
        return;
    m_requested = false;
    m_ran = true;
    m_lastRun = std::chrono::steady_clock::now();
    m_work();
    Schedule();
}
