#include "app/UiDispatcher.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

#include <wx/app.h>
#include <wx/event.h>
#include <wx/thread.h>

namespace {

std::mutex g_handlerLock;
wxEvtHandler* g_handler = nullptr;
// Bumped by Shutdown(): work queued before it will never run.
std::atomic<unsigned> g_generation{0};

constexpr std::chrono::seconds kStartTimeout(30);

struct PendingCall {
    std::mutex lock;
    std::condition_variable done;
    bool started = false;
    bool finished = false;
    bool abandoned = false;
};

} // namespace

wxEvtHandler* UiDispatcher::Handler()
{
    std::lock_guard<std::mutex> guard(g_handlerLock);
    if (!g_handler)
        g_handler = new wxEvtHandler;
    return g_handler;
}

bool UiDispatcher::RunAndWait(std::function<void()> work, const CancelCheck& cancelled)
{
    if (wxIsMainThread()) {
        work();
        return true;
    }
    if (!wxAppConsole::GetInstance())
        return false;

    auto call = std::make_shared<PendingCall>();
    const unsigned generation = g_generation.load();
    const auto queued = std::chrono::steady_clock::now();
    Handler()->CallAfter([call, work = std::move(work)]() {
        {
            std::lock_guard<std::mutex> guard(call->lock);
            if (call->abandoned)
                return;
            call->started = true;
        }
        work();
        {
            std::lock_guard<std::mutex> guard(call->lock);
            call->finished = true;
        }
        call->done.notify_all();
    });

    std::unique_lock<std::mutex> guard(call->lock);
    while (!call->finished) {
        if (call->done.wait_for(guard, std::chrono::milliseconds(100),
                                [&] { return call->finished; }))
            break;
        // A user-interface thread that never picks the work up (blocked, or the plug-in going)
        // must not hold this thread for ever; work that has started (a box waiting for its
        // answer) is waited for.
        const bool stale = !call->started &&
                           (g_generation.load() != generation ||
                            std::chrono::steady_clock::now() - queued > kStartTimeout);
        if (stale || (cancelled && cancelled())) {
            // Work already running (a modal box) finishes on its own; nobody waits for it.
            call->abandoned = true;
            return false;
        }
    }
    return true;
}

void UiDispatcher::Post(std::function<void()> work)
{
    if (!wxAppConsole::GetInstance())
        return;
    Handler()->CallAfter(std::move(work));
}

void UiDispatcher::Shutdown()
{
    wxEvtHandler* handler = nullptr;
    {
        std::lock_guard<std::mutex> guard(g_handlerLock);
        std::swap(handler, g_handler);
    }
    ++g_generation;
    delete handler;
}
