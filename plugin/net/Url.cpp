#include "net/Url.h"

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

} // namespace

bool Url::Parse(const wxString& text, Url& out)
{
    const std::string s(text.utf8_str());
    static const std::string scheme = "http://";
    if (s.size() <= scheme.size())
        return false;
    for (size_t i = 0; i < scheme.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[i])) != scheme[i])
            return false;

    const size_t authStart = scheme.size();
    size_t authEnd = s.find_first_of("/?#", authStart);
    if (authEnd == std::string::npos)
        authEnd = s.size();
    const std::string authority = s.substr(authStart, authEnd - authStart);

    Url url;
    const size_t colon = authority.rfind(':');
    url.m_host = authority.substr(0, colon);
    if (colon != std::string::npos && !ParsePort(authority.substr(colon + 1), url.m_port))
        return false;
    if (url.m_host.empty())
        return false;
    for (char c : url.m_host)
        if (!IsHostChar(c))
            return false;

    std::string rest = s.substr(authEnd);
    const size_t hash = rest.find('#');
    if (hash != std::string::npos)
        rest.erase(hash);
    // Spaces and control bytes would break the request line; send them escaped.
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
    url.m_target = target;
    out = url;
    return true;
}

std::string Url::HostHeader() const
{
    return m_port == 80 ? m_host : m_host + ":" + std::to_string(m_port);
}

std::string Url::Absolute() const
{
    return "http://" + HostHeader() + m_target;
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
