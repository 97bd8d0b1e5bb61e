#include "model/FavoriteList.h"

#include <algorithm>

#include <glib.h>

namespace {
constexpr size_t kMaxNameLength = 64;
}

bool FavoriteList::IsValidName(const wxString& name)
{
    if (name.empty() || name.length() > kMaxNameLength)
        return false;
    return std::all_of(name.begin(), name.end(), [](wxUniChar c) {
        return c == '_' || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
               (c.GetValue() > 127 && g_unichar_isalnum(static_cast<gunichar>(c.GetValue())));
    });
}

bool FavoriteList::Add(const wxString& name)
{
    if (!IsValidName(name) || !m_set.insert(name).second)
        return false;
    m_names.push_back(name);
    return true;
}

bool FavoriteList::Remove(const wxString& name)
{
    if (!m_set.erase(name))
        return false;
    m_names.erase(std::find(m_names.begin(), m_names.end(), name));
    return true;
}

wxString FavoriteList::Serialize() const
{
    wxString text;
    for (const wxString& name : m_names)
        text << name << '\n';
    return text;
}

FavoriteList::Imported FavoriteList::Import(const wxString& text)
{
    Imported counts;
    wxString line;
    const auto take = [&] {
        line.Trim(true).Trim(false);
        if (line.empty())
            return;
        if (!IsValidName(line))
            ++counts.skipped;
        else if (Add(line))
            ++counts.added;
        else
            ++counts.known;
        line.clear();
    };
    for (wxUniChar c : text) {
        if (c == '\n' || c == '\r')
            take();
        else
            line += c;
    }
    take();
    return counts;
}
