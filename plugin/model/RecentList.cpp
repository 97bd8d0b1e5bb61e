#include "model/RecentList.h"

#include <wx/arrstr.h>
#include <wx/tokenzr.h>

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

wxString RecentList::Serialize() const
{
    wxString text;
    for (auto entry = m_entries.rbegin(); entry != m_entries.rend(); ++entry)
        text << static_cast<long long>(entry->when) << '\t' << entry->kind << '\t' << static_cast<int>(entry->note)
             << '\t' << entry->name << '\n';
    return text;
}

std::deque<RecentList::Entry> RecentList::Parse(const wxString& text)
{
    std::deque<Entry> entries;
    wxStringTokenizer lines(text, "\n", wxTOKEN_STRTOK);
    while (lines.HasMoreTokens()) {
        const wxArrayString fields = wxSplit(lines.GetNextToken(), '\t', '\0');
        long long when = 0;
        long kind = 0, note = 0;
        if (fields.size() != 4 || !fields[0].ToLongLong(&when) || when <= 0 || !fields[1].ToLong(&kind) ||
            (kind != 1 && kind != 2) || !fields[2].ToLong(&note) || note < RECENT_SHOWN || note > RECENT_REPEAT ||
            fields[3].empty() || fields[3].length() > 64)
            continue;
        Entry entry;
        entry.when = static_cast<std::time_t>(when);
        entry.kind = static_cast<int>(kind);
        entry.note = static_cast<RecentNote>(note);
        entry.name = fields[3];
        entries.push_back(entry);
        if (entries.size() > kCapacity)
            entries.pop_front();
    }
    return entries;
}
