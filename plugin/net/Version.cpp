#include "net/Version.h"

#include <cstdio>

Version::Version(const wxString& text) : m_text(text)
{
    const int read = std::sscanf(text.utf8_str(), "%d.%d.%d", &m_major, &m_minor, &m_patch);
    m_parsed = read > 0 ? read : 0;
}
