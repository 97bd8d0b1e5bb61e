#include "app/Settings.h"

#include <mutex>
#include <algorithm>
#include <utility>
#include <vector>

#include <wx/config.h>
#include <wx/fileconf.h>
#include <wx/sstream.h>
#include <wx/tokenzr.h>

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

// The names of the top-level entries in the order of their lines in the store.
std::vector<wxString> TopLevelNamesInLineOrder(wxFileConfig& config)
{
    wxStringOutputStream out;
    config.Save(out);
    std::vector<wxString> names;
    wxStringTokenizer lines(out.GetString(), "\r\n", wxTOKEN_STRTOK);
    while (lines.HasMoreTokens()) {
        wxString line = lines.GetNextToken();
        line.Trim(false);
        if (line.StartsWith("["))
            break;
        if (line.empty() || line.StartsWith(";") || line.StartsWith("#"))
            continue;
        names.push_back("/" + line.BeforeFirst('=').Trim());
    }
    return names;
}

// The toolkit's file store keeps a dangling line pointer when a top-level entry that other
// top-level entries follow is deleted, and a later write crashes. Deleting the last line is
// safe: the entries after 'key' are taken off from the end, then written back in their order.
// All of it happens in memory; the flush replaces the file through a temporary file beside it,
// renamed over, so at no moment are the settings missing from the disk.
void DeleteTopLevelEntry(wxFileConfig& config, const wxString& key)
{
    if (!config.HasEntry(key))
        return;
    const std::vector<wxString> names = TopLevelNamesInLineOrder(config);
    const auto at = std::find(names.begin(), names.end(), key);
    std::vector<std::pair<wxString, wxString>> after;
    if (at != names.end()) {
        // Values are copied raw: Config() has turned environment expansion off.
        for (auto it = at + 1; it != names.end(); ++it)
            if (config.HasEntry(*it))
                after.emplace_back(*it, config.Read(*it, wxString()));
        for (auto it = after.rbegin(); it != after.rend(); ++it)
            config.DeleteEntry(it->first, false);
    }
    config.DeleteEntry(key, false);
    for (const auto& [name, value] : after)
        config.Write(name, value);
    config.Flush();
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

wxString Settings::HostName(Host host)
{
    wxString name = GetHost(host);
    for (const char* scheme : {"https://", "http://"})
        if (name.Lower().StartsWith(scheme)) {
            name.Remove(0, std::char_traits<char>::length(scheme));
            break;
        }
    return name;
}

wxString Settings::HostUrl(Host host, const wxString& path)
{
    const wxString value = GetHost(host);
    const wxString lower = value.Lower();
    if (lower.StartsWith("https://") || lower.StartsWith("http://"))
        return value + path;
    return "http://" + value + path;
}
