#include "net/ProxySetting.h"

#include <mutex>

#include <proxy.h>

#include "app/Shutdown.h"
#include "net/Url.h"

namespace {

std::mutex g_lock;
bool g_fixed = false;
std::string g_proxy; // when fixed
pxProxyFactory* g_factory = nullptr;

void ForgetDesktop()
{
    std::lock_guard<std::mutex> guard(g_lock);
    if (g_factory)
        px_proxy_factory_free(g_factory);
    g_factory = nullptr;
}

} // namespace

wxString ProxySetting::Normalise(const wxString& value)
{
    wxString text = value;
    text.Trim(true).Trim(false);
    if (text.empty())
        return wxString();
    if (!text.Lower().StartsWith("http://"))
        text = "http://" + text;
    Url url;
    if (!Url::Parse(text, url) || url.IsSecure())
        return wxString();
    return wxString::FromUTF8(url.Host() + ":" + std::to_string(url.Port()));
}

void ProxySetting::Set(const wxString& hostPort)
{
    std::lock_guard<std::mutex> guard(g_lock);
    g_fixed = true;
    const wxString normal = Normalise(hostPort);
    g_proxy = normal.empty() ? std::string() : "http://" + std::string(normal.utf8_str());
}

void ProxySetting::UseDesktop()
{
    std::lock_guard<std::mutex> guard(g_lock);
    g_fixed = false;
}

std::string ProxySetting::For(const std::string& address)
{
    std::lock_guard<std::mutex> guard(g_lock);
    if (g_fixed)
        return g_proxy;
    if (!g_factory) {
        g_factory = px_proxy_factory_new();
        // Its configuration readers (a helper process for GNOME's settings) go with the plug-in.
        Shutdown::Register(Shutdown::Stage::Services, "proxy settings", &ForgetDesktop);
    }
    if (!g_factory)
        return std::string();
    char** proxies = px_proxy_factory_get_proxies(g_factory, address.c_str());
    std::string chosen;
    // The first is the desktop's choice; "direct://" means none.
    if (proxies && proxies[0] && std::string(proxies[0]) != "direct://")
        chosen = proxies[0];
    if (proxies)
        px_proxy_factory_free_proxies(proxies);
    return chosen;
}
