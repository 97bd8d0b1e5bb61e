#include "model/RecentList.h"

const RecentList::Entry& RecentList::Add(std::time_t when, const wxString& name, int kind,
                                         RecentNote note)
{
    Entry entry;
    entry.when = when;
    entry.name = name;
    entry.kind = kind;
    entry.note = note;
    entry.serial = m_nextSerial++;
    m_entries.push_front(entry);
    if (m_entries.size() > kCapacity)
        m_entries.pop_back();
    return m_entries.front();
}

size_t RecentList::FindNewest(const wxString& name) const
{
    for (size_t i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].name == name)
            return i;
    return m_entries.size();
}
