#pragma once

#include <string>

#include <wx/string.h>

// Which proxy a request takes: by default the desktop's own choice for each address (libproxy:
// GNOME's and KDE's settings, a PAC file, or http_proxy/https_proxy/no_proxy in the
// environment); a proxy set here replaces it for every request.
class ProxySetting {
public:
    // "http://host:port/", "host:port" or "host" -> "host:port" (port 80 when none); empty if unusable.
    static wxString Normalise(const wxString& value);

    // Every request through "host:port"; an empty value: every request direct.
    static void Set(const wxString& hostPort);
    // Back to the desktop's choice for each address.
    static void UseDesktop();

    // The proxy for 'address' as curl takes it ("http://[user:pass@]host:port", "socks5://...",
    // "https://..."), empty for a direct connection.
    static std::string For(const std::string& address);
};
