#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>

// Shared between a detached plug-in thread and its owner: the owner asks the thread to stop
// and learns that its work has ended, although the thread object deletes itself. Every
// lifeline made by Create() is counted until it ends, so that the plug-in can wait for all of
// its threads before its code is unloaded.
class ThreadLifeline {
public:
    static std::shared_ptr<ThreadLifeline> Create();

    void RequestStop();
    bool IsStopRequested() const;
    // Called by the thread as its last step; wakes the waiters.
    void MarkEnded();
    // True once ended; false when the time ran out first.
    bool WaitEnded(int timeoutMs) const;

    // The lifeline of the calling thread (set by the thread as it starts), for the cancel
    // checks deep in the network code.
    static void SetCurrent(ThreadLifeline* lifeline);
    // Whether the calling thread has been asked to stop.
    static bool CurrentStopRequested();

    // Asks every thread that has not ended to stop and waits for all of them; false when some
    // still run after the time.
    static bool StopAll(int timeoutMs);
    static int RunningCount();

private:
    ThreadLifeline() = default;

    mutable std::mutex m_lock;
    mutable std::condition_variable m_ended;
    bool m_hasEnded = false;
    bool m_stopRequested = false;
};
