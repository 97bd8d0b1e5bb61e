#pragma once

#include <condition_variable>
#include <mutex>

// Shared between a detached thread and its owner, so the owner can learn that the thread's
// work has ended although the thread object deletes itself.
class ThreadLifeline {
public:
    void MarkEnded();
    // True once ended; false when the time ran out first.
    bool WaitEnded(int timeoutMs) const;

private:
    mutable std::mutex m_lock;
    mutable std::condition_variable m_ended;
    bool m_hasEnded = false;
};
