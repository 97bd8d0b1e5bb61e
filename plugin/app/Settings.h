#pragma once

#include <wx/string.h>

// Thread-safe access to the toolkit's configuration object: the refreshing thread reads it
// while the user-interface thread may write it.
class Settings {
public:
    enum class Host { Main, Image, Mail, FanClub, Product };

    static long ReadLong(const wxString& key, long defaultValue);
    static bool ReadBool(const wxString& key, bool defaultValue);
    static wxString ReadString(const wxString& key, const wxString& defaultValue = wxString());
    static void WriteLong(const wxString& key, long value);
    static void WriteBool(const wxString& key, bool value);
    static void WriteString(const wxString& key, const wxString& value);
    static void DeleteEntry(const wxString& key);
    static void Flush();

    // "name", "name:port", or either after "https://" (plain HTTP without a scheme), of one of
    // the five hosts, from "/Hosts/<kind>".
    static wxString GetHost(Host host);
    // The host without its scheme: "name" or "name:port".
    static wxString HostName(Host host);
    static wxString HostKey(Host host);
    static wxString DefaultHost(Host host);
    // The host's scheme ("http://" when it names none) + host + path.
    static wxString HostUrl(Host host, const wxString& path);
};
