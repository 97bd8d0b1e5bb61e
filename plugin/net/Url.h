#pragma once

#include <string>

#include <wx/string.h>

// An absolute "http[s]://host[:port]/path?query" address, split into what a request needs. The
// host may be a name, an IPv4 address or a bracketed IPv6 one ("[::1]").
class Url {
public:
    // False for anything but http or https with a host.
    static bool Parse(const wxString& text, Url& out);

    bool IsSecure() const { return m_secure; }
    // "localhost", 127.x.x.x or [::1]: reachable without any network.
    bool IsLoopback() const;
    const std::string& Host() const { return m_host; }
    int Port() const { return m_port; }
    // Path and query, "/" at least.
    const std::string& Target() const { return m_target; }
    // "host" on the scheme's default port, else "host:port": what a Host header carries.
    std::string HostHeader() const;
    // The whole address, the port kept when it is not the scheme's default.
    std::string Absolute() const;
    // A value for a query, with everything but unreserved characters percent-encoded (UTF-8).
    static wxString EncodeQueryValue(const wxString& value);

private:
    bool m_secure = false;
    std::string m_host; // brackets kept round an IPv6 address
    int m_port = 80;
    std::string m_target = "/";
};
