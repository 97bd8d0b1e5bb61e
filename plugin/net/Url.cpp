#include "net/Url.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace {

bool ParsePort(const std::string& text, int& port)
{
    if (text.empty() || text.size() > 5)
        return false;
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    port = std::atoi(text.c_str());
    return port > 0 && port <= 65535;
}

bool IsHostChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_';
}

bool StartsWithNoCase(const std::string& s, const std::string& prefix)
{
    if (s.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i])
            return false;
    return true;
}

// The host of an authority, "[v6]" or a name, and where its ":port" starts (npos: none).
bool ParseHost(const std::string& authority, std::string& host, size_t& portAt)
{
    portAt = std::string::npos;
    if (authority[0] != '[') {
        portAt = authority.rfind(':');
        host = authority.substr(0, portAt);
        return !host.empty() && std::all_of(host.begin(), host.end(), IsHostChar);
    }
    const size_t close = authority.find(']');
    if (close == std::string::npos || close < 3)
        return false;
    host = authority.substr(0, close + 1);
    for (char c : host.substr(1, close - 1))
        if (!std::isxdigit(static_cast<unsigned char>(c)) && c != ':' && c != '.')
            return false;
    if (close + 1 < authority.size()) {
        if (authority[close + 1] != ':')
            return false;
        portAt = close + 1;
    }
    return true;
}

// The path and query to request: no fragment, and spaces and control bytes, which would break
// the request line, sent escaped.
std::string RequestTarget(std::string rest)
{
    const size_t hash = rest.find('#');
    if (hash != std::string::npos)
        rest.erase(hash);
    std::string target;
    for (unsigned char c : rest) {
        if (c <= 0x20 || c == 0x7F) {
            static const char hex[] = "0123456789ABCDEF";
            target += '%';
            target += hex[c >> 4];
            target += hex[c & 0x0F];
        } else {
            target += static_cast<char>(c);
        }
    }
    if (target.empty() || target[0] != '/')
        target.insert(0, "/");
    return target;
}

} // namespace

bool Url::Parse(const wxString& text, Url& out)
{
    const std::string s(text.utf8_str());
    Url url;
    size_t authStart = 0;
    if (StartsWithNoCase(s, "https://")) {
        url.m_secure = true;
        url.m_port = 443;
        authStart = 8;
    } else if (StartsWithNoCase(s, "http://")) {
        authStart = 7;
    } else {
        return false;
    }
    size_t authEnd = s.find_first_of("/?#", authStart);
    if (authEnd == std::string::npos)
        authEnd = s.size();
    const std::string authority = s.substr(authStart, authEnd - authStart);
    size_t portAt = std::string::npos;
    if (authority.empty() || !ParseHost(authority, url.m_host, portAt))
        return false;
    if (portAt != std::string::npos && !ParsePort(authority.substr(portAt + 1), url.m_port))
        return false;
    url.m_target = RequestTarget(s.substr(authEnd));
    out = url;
    return true;
}

bool Url::IsLoopback() const
{
    return m_host == "localhost" || m_host == "[::1]" || m_host.rfind("127.", 0) == 0;
}

std::string Url::HostHeader() const
{
    return m_port == (m_secure ? 443 : 80) ? m_host : m_host + ":" + std::to_string(m_port);
}

std::string Url::Absolute() const
{
    return (m_secure ? "https://" : "http://") + HostHeader() + m_target;
}

wxString Url::EncodeQueryValue(const wxString& value)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : std::string(value.utf8_str())) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 0x0F];
        }
    }
    return wxString::FromAscii(out.c_str());
}
