#pragma once

#include <functional>

class wxEvtHandler;

// Runs work on the user-interface thread for a secondary thread that waits for it.
// The calls are queued on a handler the plug-in owns, so that Shutdown() drops any still
// pending before the library goes.
class UiDispatcher {
public:
    using CancelCheck = std::function<bool()>;

    // On the user-interface thread runs 'work' at once. Elsewhere queues it and waits until it
    // has run, or until 'cancelled' answers true: then false, and work that has not started
    // yet never runs.
    static bool RunAndWait(std::function<void()> work, const CancelCheck& cancelled);

    // Queues 'work' for the user-interface thread without waiting for it; dropped if the
    // plug-in goes first.
    static void Post(std::function<void()> work);

    // Drops pending work; call on the user-interface thread once no secondary thread runs.
    static void Shutdown();

private:
    static wxEvtHandler* Handler();
};
