#include "net/NetworkWatch.h"

#include <atomic>
#include <chrono>

#include <gio/gio.h>

namespace {

std::atomic<bool> g_available{true};
std::atomic<long long> g_resumedAtMs{-1};
GNetworkMonitor* g_monitor = nullptr;
gulong g_changed = 0;
GDBusConnection* g_system = nullptr;
guint g_sleep = 0;

long long NowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void OnNetworkChanged(GNetworkMonitor* monitor, gboolean available, gpointer)
{
    g_available = available && g_network_monitor_get_network_available(monitor);
}

void OnPrepareForSleep(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                       GVariant* parameters, gpointer)
{
    gboolean sleeping = FALSE;
    g_variant_get(parameters, "(b)", &sleeping);
    // Asleep: "from now on" is no use; awake again: the grace starts.
    g_resumedAtMs = sleeping ? -1 : NowMs();
    if (sleeping)
        g_available = false;
    else if (g_monitor)
        g_available = g_network_monitor_get_network_available(g_monitor);
}

} // namespace

void NetworkWatch::Start()
{
    if (g_monitor)
        return;
    g_monitor = G_NETWORK_MONITOR(g_object_ref(g_network_monitor_get_default()));
    g_available = g_network_monitor_get_network_available(g_monitor);
    g_changed = g_signal_connect(g_monitor, "network-changed", G_CALLBACK(OnNetworkChanged), nullptr);
    // No system bus (a container, a test session): no word of sleep, and nothing is lost.
    g_system = g_bus_get_sync(G_BUS_TYPE_SYSTEM, nullptr, nullptr);
    if (g_system)
        g_sleep = g_dbus_connection_signal_subscribe(g_system, "org.freedesktop.login1",
                                                     "org.freedesktop.login1.Manager", "PrepareForSleep",
                                                     "/org/freedesktop/login1", nullptr,
                                                     G_DBUS_SIGNAL_FLAGS_NONE, &OnPrepareForSleep,
                                                     nullptr, nullptr);
}

void NetworkWatch::Stop()
{
    if (g_system) {
        if (g_sleep)
            g_dbus_connection_signal_unsubscribe(g_system, g_sleep);
        g_object_unref(g_system);
    }
    g_system = nullptr;
    g_sleep = 0;
    if (g_monitor) {
        g_signal_handler_disconnect(g_monitor, g_changed);
        g_object_unref(g_monitor);
    }
    g_monitor = nullptr;
    g_available = true;
}

bool NetworkWatch::IsNetworkAvailable()
{
    return g_available.load();
}

bool NetworkWatch::RecentlyResumed()
{
    const long long at = g_resumedAtMs.load();
    return at >= 0 && NowMs() - at < kResumeGraceSeconds * 1000LL;
}
