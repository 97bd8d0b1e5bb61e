#pragma once

#include <string>

#include <wx/string.h>

// An absolute "http://host[:port]/path?query" address, split into what a request needs.
class Url {
public:
    // False for anything but plain http with a host.
    static bool Parse(const wxString& text, Url& out);

    const std::string& Host() const { return m_host; }
    int Port() const { return m_port; }
    // Path and query, "/" at least.
    const std::string& Target() const { return m_target; }
    // "host" on the default port, else "host:port": what a Host header carries.
    std::string HostHeader() const;
    // The whole address with the port kept, as a proxy expects it in the request line.
    std::string Absolute() const;
    // A value for a query, with everything but unreserved characters percent-encoded (UTF-8).
    static wxString EncodeQueryValue(const wxString& value);

private:
    std::string m_host;
    int m_port = 80;
    std::string m_target = "/";
};
