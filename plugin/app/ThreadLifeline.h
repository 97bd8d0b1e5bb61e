#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>

class wxThread;

// Shared between a plug-in thread and its owner: the owner asks the thread to stop and learns
// that its work has ended. Every lifeline made by Create() is counted until it ends, so that
// the plug-in can stop all of its threads before its code is unloaded. A joinable thread
// attaches itself as it starts; once it has ended it is joined and deleted here (Reap,
// StopAll), so that "ended" means gone from the plug-in's code, not nearly gone.
class ThreadLifeline {
public:
    // Names the calling thread for the system's tools (top -H, /proc): at most 15 characters.
    static void NameCurrentThread(const char* name);
    static std::shared_ptr<ThreadLifeline> Create();

    void RequestStop();
    bool IsStopRequested() const;
    // Sleeps up to 'timeoutMs', woken at once by RequestStop; true when a stop was requested.
    bool WaitForStopRequest(long timeoutMs) const;
    // Ends the thread's next (or current) WaitForStopOrWake early: work has come.
    void Wake();
    // Sleeps up to 'timeoutMs', woken at once by RequestStop or Wake; true when a stop was
    // requested.
    bool WaitForStopOrWake(long timeoutMs);
    // The thread's first step: a joinable thread is joined and deleted here once ended.
    void AttachThread(wxThread* thread);
    // The thread's last step; wakes the waiters.
    void MarkEnded();
    // True once ended; false when the time ran out first.
    bool WaitEnded(int timeoutMs) const;

    // The lifeline of the calling thread (set by the thread as it starts), for the cancel
    // checks deep in the network code.
    static void SetCurrent(ThreadLifeline* lifeline);
    // Whether the calling thread has been asked to stop.
    static bool CurrentStopRequested();

    // Joins and deletes the attached threads that have ended. Never from a plug-in thread
    // on itself (its own has not ended).
    static void Reap();
    // Asks every thread that has not ended to stop, waits for all of them and joins them;
    // false when some still run after the time.
    static bool StopAll(int timeoutMs);
    // How long the teardown waits for the plug-in's threads.
    static constexpr int kStopTimeoutMs = 4000;
    static int RunningCount();

private:
    ThreadLifeline() = default;

    mutable std::mutex m_lock;
    mutable std::condition_variable m_ended;
    mutable std::condition_variable m_stopped;
    bool m_hasEnded = false;
    bool m_stopRequested = false;
    bool m_woken = false;
};
