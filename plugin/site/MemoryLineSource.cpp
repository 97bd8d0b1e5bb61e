#include "site/MemoryLineSource.h"

#include <cstring>

MemoryLineSource::MemoryLineSource(const std::string& text) : m_text(text) {}

bool MemoryLineSource::ReadLine(wxString& line)
{
    const size_t size = m_text.size();
    const char* data = m_text.data();
    size_t end = m_pos;
    while (end < size && data[end] != '\n' && data[end] != '\r')
        ++end;

    const char* start = data + m_pos;
    const size_t length = end - m_pos;
    line = wxString::FromUTF8(start, length);
    if (line.empty() && length > 0)
        line = wxString(start, wxConvISO8859_1, length);

    if (end >= size) {
        m_pos = size;
        return false;
    }
    m_pos = end + 1;
    if (data[end] == '\r' && m_pos < size && data[m_pos] == '\n')
        ++m_pos;
    return true;
}
