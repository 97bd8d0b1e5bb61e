#include "site/UiDispatcher.h"

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
        if (cancelled && cancelled()) {
            // Work already running (a modal box) finishes on its own; nobody waits for it.
            call->abandoned = true;
            return false;
        }
    }
    return true;
}

void UiDispatcher::Shutdown()
{
    wxEvtHandler* handler = nullptr;
    {
        std::lock_guard<std::mutex> guard(g_handlerLock);
        std::swap(handler, g_handler);
    }
    delete handler;
}
