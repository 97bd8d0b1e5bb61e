#include "net/ProxySetting.h"

#include <chrono>
#include <map>
#include <mutex>

#include <proxy.h>

#include "app/Shutdown.h"
#include "net/NetworkWatch.h"
#include "net/Url.h"

namespace {

std::mutex g_lock;
bool g_fixed = false;
std::string g_proxy; // when fixed
pxProxyFactory* g_factory = nullptr;

// The desktop's answer for an origin, asked again after a while: libproxy reads its
// configuration (and the system's service names) on every question, the larger part of an
// idle refresh's cost.
struct Answer {
    std::string proxy;
    std::chrono::steady_clock::time_point at;
};
constexpr auto kAnswerKept = std::chrono::seconds(60);
constexpr size_t kAnswersKept = 64;
std::map<std::string, Answer> g_answers;

// The scheme, host and port of an address: what a proxy choice depends on.
std::string OriginOf(const std::string& address)
{
    Url url;
    if (!Url::Parse(wxString::FromUTF8(address), url))
        return address;
    return (url.IsSecure() ? "https://" : "http://") + url.Host() + ":" + std::to_string(url.Port());
}

void ForgetDesktop()
{
    std::lock_guard<std::mutex> guard(g_lock);
    if (g_factory)
        px_proxy_factory_free(g_factory);
    g_factory = nullptr;
    g_answers.clear();
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
    g_answers.clear();
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
    const std::string origin = OriginOf(address);
    const auto now = std::chrono::steady_clock::now();
    const auto known = g_answers.find(origin);
    // After a resume the computer may be on another network with another proxy.
    if (known != g_answers.end() && now - known->second.at < kAnswerKept && !NetworkWatch::RecentlyResumed())
        return known->second.proxy;
    char** proxies = px_proxy_factory_get_proxies(g_factory, address.c_str());
    std::string chosen;
    // The first is the desktop's choice; "direct://" means none.
    if (proxies && proxies[0] && std::string(proxies[0]) != "direct://")
        chosen = proxies[0];
    if (proxies)
        px_proxy_factory_free_proxies(proxies);
    if (g_answers.size() >= kAnswersKept)
        g_answers.clear();
    g_answers[origin] = Answer{chosen, now};
    return chosen;
}
