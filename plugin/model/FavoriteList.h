#pragma once

#include <unordered_set>
#include <vector>

#include <wx/string.h>

#include "model/UserList.h"

// The performers the user follows on this computer, whatever the site's account says:
// distinct names in the order they were added, kept as a plain text of one name per line
// (the way the site serves its favourites). Nothing here knows of files or windows.
class FavoriteList {
public:
    // A name as the site's list spells performers: letters, digits and "_", at most 64.
    static bool IsValidName(const wxString& name);

    bool Contains(const wxString& name) const { return m_set.count(name) != 0; }
    // False when the name is already there or is not a performer's name.
    bool Add(const wxString& name);
    bool Remove(const wxString& name);
    bool empty() const { return m_names.empty(); }
    size_t size() const { return m_names.size(); }
    const std::vector<wxString>& Names() const { return m_names; }

    wxString Serialize() const;
    struct Imported {
        int added = 0;   // new names
        int known = 0;   // names already followed
        int skipped = 0; // lines that are not a performer's name
    };
    // Adds the names of a text of one name per line (blanks round a name and empty lines are
    // ignored; CR LF and CR end lines too).
    Imported Import(const wxString& text);

private:
    std::vector<wxString> m_names;
    std::unordered_set<wxString, WxStringHasher> m_set;
};
