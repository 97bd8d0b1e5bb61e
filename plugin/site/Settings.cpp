#include "site/Settings.h"

#include <mutex>

#include <wx/config.h>

namespace {

std::mutex& Lock()
{
    static std::mutex lock;
    return lock;
}

// Values leave the lock as deep copies so no wxString buffer is shared across threads.
wxString Copy(const wxString& s)
{
    return wxString(s.wc_str());
}

} // namespace

long Settings::ReadLong(const wxString& key, long defaultValue)
{
    std::lock_guard<std::mutex> guard(Lock());
    wxConfigBase* config = wxConfigBase::Get();
    return config ? config->ReadLong(key, defaultValue) : defaultValue;
}

bool Settings::ReadBool(const wxString& key, bool defaultValue)
{
    std::lock_guard<std::mutex> guard(Lock());
    wxConfigBase* config = wxConfigBase::Get();
    return config ? config->ReadBool(key, defaultValue) : defaultValue;
}

wxString Settings::ReadString(const wxString& key, const wxString& defaultValue)
{
    std::lock_guard<std::mutex> guard(Lock());
    wxConfigBase* config = wxConfigBase::Get();
    return Copy(config ? config->Read(key, defaultValue) : defaultValue);
}

void Settings::WriteLong(const wxString& key, long value)
{
    std::lock_guard<std::mutex> guard(Lock());
    if (wxConfigBase* config = wxConfigBase::Get())
        config->Write(key, value);
}

void Settings::WriteBool(const wxString& key, bool value)
{
    std::lock_guard<std::mutex> guard(Lock());
    if (wxConfigBase* config = wxConfigBase::Get())
        config->Write(key, value);
}

void Settings::WriteString(const wxString& key, const wxString& value)
{
    std::lock_guard<std::mutex> guard(Lock());
    if (wxConfigBase* config = wxConfigBase::Get())
        config->Write(key, value);
}

void Settings::DeleteEntry(const wxString& key)
{
    std::lock_guard<std::mutex> guard(Lock());
    if (wxConfigBase* config = wxConfigBase::Get())
        config->DeleteEntry(key);
}

void Settings::Flush()
{
    std::lock_guard<std::mutex> guard(Lock());
    if (wxConfigBase* config = wxConfigBase::Get())
        config->Flush();
}

wxString Settings::HostKey(Host host)
{
    switch (host) {
    case Host::Main: return "/Hosts/main";
    case Host::Image: return "/Hosts/image";
    case Host::Mail: return "/Hosts/mail";
    case Host::FanClub: return "/Hosts/fanclub";
    case Host::Product: return "/Hosts/product";
    }
    return "/Hosts/main";
}

wxString Settings::DefaultHost(Host host)
{
    switch (host) {
    case Host::Main: return "www.tabuno.com";
    case Host::Image: return "img.tabuno.com";
    case Host::Mail: return "mail.tabuno.com";
    case Host::FanClub: return "fanclub.tabuno.com";
    case Host::Product: return "www.sorvik.com";
    }
    return wxString();
}

wxString Settings::GetHost(Host host)
{
    wxString value = ReadString(HostKey(host), DefaultHost(host));
    value.Trim(true).Trim(false);
    return value.empty() ? DefaultHost(host) : value;
}

wxString Settings::HostUrl(Host host, const wxString& path)
{
    return "http://" + GetHost(host) + path;
}
