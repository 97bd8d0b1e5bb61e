#include "site/Settings.h"

#include <mutex>
#include <utility>
#include <vector>

#include <wx/config.h>
#include <wx/fileconf.h>

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

// Every entry under 'group' as (full key, raw value), groups included.
void CollectEntries(wxConfigBase& config, const wxString& group,
                    std::vector<std::pair<wxString, wxString>>& out)
{
    config.SetPath(group);
    wxString name;
    long cookie = 0;
    for (bool more = config.GetFirstEntry(name, cookie); more; more = config.GetNextEntry(name, cookie))
        out.emplace_back(group + (group.EndsWith("/") ? "" : "/") + name, config.Read(name, wxString()));
    std::vector<wxString> groups;
    for (bool more = config.GetFirstGroup(name, cookie); more; more = config.GetNextGroup(name, cookie))
        groups.push_back(group + (group.EndsWith("/") ? "" : "/") + name);
    for (const wxString& sub : groups)
        CollectEntries(config, sub, out);
    config.SetPath(group);
}

// The toolkit's file store keeps a dangling line pointer when an entry at the top level that
// is not the last one there is deleted, and a later write crashes. Such an entry is deleted by
// rewriting the store without it.
void DeleteTopLevelEntry(wxFileConfig& config, const wxString& key)
{
    if (!config.HasEntry(key))
        return;
    // Values are copied raw: Config() has turned environment expansion off.
    const wxString path = config.GetPath();
    std::vector<std::pair<wxString, wxString>> entries;
    CollectEntries(config, "/", entries);
    config.DeleteAll();
    for (const auto& [name, value] : entries)
        if (name != key)
            config.Write(name, value);
    config.Flush();
    config.SetPath(path);
}

// The store's object with environment expansion off: a password or a host name holding "$"
// must come back as written.
wxConfigBase* Config()
{
    wxConfigBase* config = wxConfigBase::Get();
    if (config && config->IsExpandingEnvVars())
        config->SetExpandEnvVars(false);
    return config;
}

} // namespace

long Settings::ReadLong(const wxString& key, long defaultValue)
{
    std::lock_guard<std::mutex> guard(Lock());
    wxConfigBase* config = Config();
    return config ? config->ReadLong(key, defaultValue) : defaultValue;
}

bool Settings::ReadBool(const wxString& key, bool defaultValue)
{
    std::lock_guard<std::mutex> guard(Lock());
    wxConfigBase* config = Config();
    return config ? config->ReadBool(key, defaultValue) : defaultValue;
}

wxString Settings::ReadString(const wxString& key, const wxString& defaultValue)
{
    std::lock_guard<std::mutex> guard(Lock());
    wxConfigBase* config = Config();
    return Copy(config ? config->Read(key, defaultValue) : defaultValue);
}

void Settings::WriteLong(const wxString& key, long value)
{
    std::lock_guard<std::mutex> guard(Lock());
    if (wxConfigBase* config = Config())
        config->Write(key, value);
}

void Settings::WriteBool(const wxString& key, bool value)
{
    std::lock_guard<std::mutex> guard(Lock());
    if (wxConfigBase* config = Config())
        config->Write(key, value);
}

void Settings::WriteString(const wxString& key, const wxString& value)
{
    std::lock_guard<std::mutex> guard(Lock());
    if (wxConfigBase* config = Config())
        config->Write(key, value);
}

void Settings::DeleteEntry(const wxString& key)
{
    std::lock_guard<std::mutex> guard(Lock());
    wxConfigBase* config = Config();
    if (!config)
        return;
    const wxString absolute = key.StartsWith("/") ? key : config->GetPath() + "/" + key;
    auto* file = dynamic_cast<wxFileConfig*>(config);
    if (file && absolute.find('/', 1) == wxString::npos)
        DeleteTopLevelEntry(*file, absolute);
    else
        config->DeleteEntry(key);
}

void Settings::Flush()
{
    std::lock_guard<std::mutex> guard(Lock());
    if (wxConfigBase* config = Config())
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
