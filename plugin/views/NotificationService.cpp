#include "views/NotificationService.h"

#include <chrono>
#include <cstdio>
#include <deque>
#include <memory>
#include <set>
#include <thread>
#include <utility>

#include <gio/gio.h>

#include <wx/intl.h>

namespace {

constexpr const char* kName = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";
constexpr const char* kDesktopEntry = "com.sorvik.Statuscope";
constexpr int kCallTimeoutMs = 5000;

enum class State { Idle, Connecting, Ready, Missing };

struct Service {
    State state = State::Idle;
    GDBusConnection* bus = nullptr;
    GCancellable* cancel = nullptr;
    guint signals[2] = {0, 0};
    std::set<std::string> capabilities;
    std::deque<std::pair<NotificationService::Message, NotificationService::Sent>> waiting;
    NotificationService::Listener listener;
    int callsUnderWay = 0;
    int taken = 0;
    bool stopping = false; // what comes while the calls under way drain is dropped
};

Service& The()
{
    static Service service;
    return service;
}

void Fail(GError* error)
{
    if (error && g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED))
        return;
    Service& s = The();
    s.state = State::Missing;
    auto waiting = std::move(s.waiting);
    s.waiting.clear();
    for (auto& [message, sent] : waiting)
        if (sent)
            sent(0);
}

GVariant* ImageData(const wxImage& image)
{
    // (iiibiiay): width, height, row stride, alpha, bits per sample, channels, the pixels.
    const int width = image.GetWidth(), height = image.GetHeight();
    GVariant* pixels = g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, image.GetData(),
                                                 static_cast<gsize>(width) * height * 3, 1);
    return g_variant_new("(iiibii@ay)", width, height, width * 3, FALSE, 8, 3, pixels);
}

GVariant* NotifyParameters(const NotificationService::Message& m)
{
    const Service& s = The();
    GVariantBuilder actions;
    g_variant_builder_init(&actions, G_VARIANT_TYPE("as"));
    // The default action only: a service that draws it as a button labels it with the text.
    if (!m.action.empty() && s.capabilities.count("actions")) {
        g_variant_builder_add(&actions, "s", "default");
        g_variant_builder_add(&actions, "s", static_cast<const char*>(m.action.utf8_str()));
    }
    GVariantBuilder hints;
    g_variant_builder_init(&hints, G_VARIANT_TYPE("a{sv}"));
    // Desktops keep in their history the notifications that name the program's entry.
    g_variant_builder_add(&hints, "{sv}", "desktop-entry", g_variant_new_string(kDesktopEntry));
    if (!m.category.empty())
        g_variant_builder_add(&hints, "{sv}", "category", g_variant_new_string(m.category.utf8_str()));
    if (m.image.IsOk())
        g_variant_builder_add(&hints, "{sv}", "image-data", ImageData(m.image));
    if (!m.stackTag.empty()) {
        g_variant_builder_add(&hints, "{sv}", "x-dunst-stack-tag", g_variant_new_string(m.stackTag.utf8_str()));
        g_variant_builder_add(&hints, "{sv}", "x-canonical-private-synchronous",
                              g_variant_new_string(m.stackTag.utf8_str()));
    }
    return g_variant_new("(susssasa{sv}i)", "Sorvik Statuscope", m.replaces, kDesktopEntry,
                         static_cast<const char*>(m.summary.utf8_str()),
                         static_cast<const char*>(m.body.utf8_str()), &actions, &hints, -1);
}

void OnNotified(GObject* source, GAsyncResult* result, gpointer data)
{
    std::unique_ptr<NotificationService::Sent> sent(static_cast<NotificationService::Sent*>(data));
    Service& s = The();
    --s.callsUnderWay;
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
    if (!reply) {
        const bool cancelled = g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
        // No service to start: every later event goes to the popups.
        if (g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_SERVICE_UNKNOWN) ||
            g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_NAME_HAS_NO_OWNER))
            s.state = State::Missing;
        g_error_free(error);
        if (!cancelled && *sent)
            (*sent)(0);
        return;
    }
    guint32 id = 0;
    g_variant_get(reply, "(u)", &id);
    g_variant_unref(reply);
    ++s.taken;
    if (*sent)
        (*sent)(id);
}

void Call(const NotificationService::Message& message, NotificationService::Sent sent)
{
    Service& s = The();
    ++s.callsUnderWay;
    g_dbus_connection_call(s.bus, kName, kPath, kName, "Notify", NotifyParameters(message),
                           G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, s.cancel,
                           &OnNotified, new NotificationService::Sent(std::move(sent)));
}

void OnSignal(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* member,
              GVariant* parameters, gpointer)
{
    Service& s = The();
    guint32 id = 0;
    if (g_strcmp0(member, "ActionInvoked") == 0 && g_variant_is_of_type(parameters, G_VARIANT_TYPE("(us)"))) {
        const gchar* action = nullptr;
        g_variant_get(parameters, "(u&s)", &id, &action);
        if (s.listener.invoked)
            s.listener.invoked(id, action ? action : "");
    } else if (g_strcmp0(member, "NotificationClosed") == 0 &&
               g_variant_is_of_type(parameters, G_VARIANT_TYPE("(uu)"))) {
        guint32 reason = 0;
        g_variant_get(parameters, "(uu)", &id, &reason);
        if (s.listener.closed)
            s.listener.closed(id);
    }
}

void OnCapabilities(GObject* source, GAsyncResult* result, gpointer)
{
    Service& s = The();
    --s.callsUnderWay;
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
    if (!reply) {
        std::fputs("sorvik: no desktop notification service answers; showing popups instead\n", stderr);
        Fail(error);
        g_error_free(error);
        return;
    }
    GVariantIter* list = nullptr;
    g_variant_get(reply, "(as)", &list);
    const gchar* capability = nullptr;
    while (g_variant_iter_loop(list, "&s", &capability))
        s.capabilities.insert(capability);
    g_variant_iter_free(list);
    g_variant_unref(reply);
    s.state = State::Ready;
    auto waiting = std::move(s.waiting);
    s.waiting.clear();
    for (auto& [message, sent] : waiting)
        Call(message, std::move(sent));
}

void OnBus(GObject*, GAsyncResult* result, gpointer)
{
    Service& s = The();
    --s.callsUnderWay;
    GError* error = nullptr;
    s.bus = g_bus_get_finish(result, &error);
    if (!s.bus) {
        if (!g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED))
            std::fputs("sorvik: no desktop notification service answers; showing popups instead\n", stderr);
        Fail(error);
        g_error_free(error);
        return;
    }
    // From any sender: the service's unique name changes when it is restarted.
    const char* members[] = {"ActionInvoked", "NotificationClosed"};
    for (int i = 0; i < 2; ++i)
        s.signals[i] = g_dbus_connection_signal_subscribe(s.bus, nullptr, kName, members[i], kPath, nullptr,
                                                          G_DBUS_SIGNAL_FLAGS_NONE, &OnSignal, nullptr, nullptr);
    ++s.callsUnderWay;
    g_dbus_connection_call(s.bus, kName, kPath, kName, "GetCapabilities", nullptr, G_VARIANT_TYPE("(as)"),
                           G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, s.cancel, &OnCapabilities, nullptr);
}

} // namespace

void NotificationService::Send(const Message& message, Sent sent)
{
    Service& s = The();
    if (s.stopping)
        return;
    switch (s.state) {
    case State::Missing:
        if (sent)
            sent(0);
        return;
    case State::Ready:
        Call(message, std::move(sent));
        return;
    case State::Idle:
        s.state = State::Connecting;
        s.cancel = g_cancellable_new();
        ++s.callsUnderWay;
        g_bus_get(G_BUS_TYPE_SESSION, s.cancel, &OnBus, nullptr);
        [[fallthrough]];
    case State::Connecting:
        s.waiting.emplace_back(message, std::move(sent));
        return;
    }
}

void NotificationService::SetListener(Listener listener)
{
    The().listener = std::move(listener);
}

bool NotificationService::IsAvailable()
{
    return The().state != State::Missing;
}

int NotificationService::TakenCount()
{
    return The().taken;
}

int NotificationService::CallsUnderWay()
{
    return The().callsUnderWay;
}

void NotificationService::Stop()
{
    Service& s = The();
    s.listener = Listener();
    s.waiting.clear();
    s.stopping = true;
    if (s.cancel)
        g_cancellable_cancel(s.cancel);
    // The cancelled calls answer from the main loop: they are let run before the code goes.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (s.callsUnderWay > 0 && std::chrono::steady_clock::now() < until)
        if (!g_main_context_iteration(nullptr, FALSE))
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    if (s.bus) {
        for (guint& id : s.signals)
            if (id)
                g_dbus_connection_signal_unsubscribe(s.bus, id), id = 0;
        g_object_unref(s.bus);
        s.bus = nullptr;
    }
    if (s.cancel)
        g_object_unref(s.cancel);
    s.cancel = nullptr;
    s.capabilities.clear();
    s.state = State::Idle;
    s.stopping = false;
}
