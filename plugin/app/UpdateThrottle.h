#pragma once

#include <chrono>
#include <functional>

#include <wx/timer.h>

// Runs a piece of work on the UI thread at most once an interval, however often it is asked
// for: a request within the interval runs once at its end, so the latest state is always shown.
// While held (an answer to the last run still on its way) nothing runs; the release runs what
// was asked meanwhile. UI thread only; destroy it before the toolkit goes.
class UpdateThrottle : private wxTimer {
public:
    explicit UpdateThrottle(std::function<void()> work, int intervalMs = 1000);
    ~UpdateThrottle() override;
    UpdateThrottle(const UpdateThrottle&) = delete;
    UpdateThrottle& operator=(const UpdateThrottle&) = delete;

    void Request();
    void Hold() { m_held = true; }
    void Release();
    // Forgets what was asked and lets the next request run at once.
    void Reset();

private:
    void Schedule();
    void Notify() override;

    std::function<void()> m_work;
    std::chrono::milliseconds m_interval;
    std::chrono::steady_clock::time_point m_lastRun;
    bool m_requested = false;
    bool m_held = false;
    bool m_ran = false;
};
