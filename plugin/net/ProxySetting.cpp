#include "net/ProxySetting.h"

#include <mutex>

#include <wx/utils.h>

#include "net/Url.h"

namespace {
std::mutex g_lock;
wxString g_proxy;
} // namespace

wxString ProxySetting::FromEnvironment()
{
    wxString value;
    if (!wxGetEnv("http_proxy", &value) || value.empty())
        wxGetEnv("HTTP_PROXY", &value);
    return Normalise(value);
}

wxString ProxySetting::Normalise(const wxString& value)
{
    wxString text = value;
    text.Trim(true).Trim(false);
    if (text.empty())
        return wxString();
    if (!text.Lower().StartsWith("http://"))
        text = "http://" + text;
    Url url;
    if (!Url::Parse(text, url))
        return wxString();
    return wxString::FromUTF8(url.Host() + ":" + std::to_string(url.Port()));
}

void ProxySetting::Set(const wxString& hostPort)
{
    std::lock_guard<std::mutex> guard(g_lock);
    // Deep copy: wxString may share buffers between threads otherwise.
    g_proxy = wxString(hostPort.wc_str());
}

wxString ProxySetting::Get()
{
    std::lock_guard<std::mutex> guard(g_lock);
    return wxString(g_proxy.wc_str());
}
