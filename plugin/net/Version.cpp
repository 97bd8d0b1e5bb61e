#include "net/Version.h"

#include <cstdio>
#include <tuple>

Version::Version(const wxString& text) : m_text(text)
{
    const int read = std::sscanf(text.utf8_str(), "%d.%d.%d", &m_major, &m_minor, &m_patch);
    m_parsed = read > 0 ? read : 0;
}

bool Version::IsNewerThan(const Version& other) const
{
    return std::tie(m_major, m_minor, m_patch) > std::tie(other.m_major, other.m_minor, other.m_patch);
}
