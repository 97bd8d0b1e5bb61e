#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include <wx/image.h>
#include <wx/string.h>

// The desktop's notification service (org.freedesktop.Notifications) on the session bus,
// through GIO and never blocking: the bus and the service's capabilities are asked for once,
// at the first notification; every notification is sent asynchronously, and what the service
// answers (its id, an action, a closing) comes back on the UI thread. UI thread only.
class NotificationService {
public:
    struct Message {
        wxString summary;
        wxString body;
        wxImage image;         // sent as image data when it is valid
        wxString category;     // "presence.online"
        uint32_t replaces = 0; // the id of a notification this one updates in place
        wxString stackTag;     // services that stack notifications keep one of each tag
        wxString action;       // what a click does ("Open profile"); empty: nothing
    };
    // The service's id for the notification; 0 when it was not shown (no service).
    using Sent = std::function<void(uint32_t id)>;
    struct Listener {
        std::function<void(uint32_t id, const std::string& action)> invoked;
        std::function<void(uint32_t id)> closed;
    };

    static void Send(const Message& message, Sent sent);
    static void SetListener(Listener listener);
    // False once the bus or the service was found missing.
    static bool IsAvailable();
    // Notifications the service has taken so far, and calls still waiting for its answer.
    static int TakenCount();
    static int CallsUnderWay();
    // Stops listening, cancels the calls under way and waits for them to end (before the
    // plug-in is unloaded: their answers run code of the plug-in).
    static void Stop();
};
