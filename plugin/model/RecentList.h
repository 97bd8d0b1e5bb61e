#pragma once

#include <cstddef>
#include <ctime>
#include <deque>

#include <wx/string.h>

// What became of a notification when it came.
enum RecentNote {
    RECENT_SHOWN = 0,        // shown as a popup, or counted in the summary popup
    RECENT_PAUSED = 1,       // the popups were paused
    RECENT_NOT_FAVORITE = 2, // "Popup Only Favorite" left it out
    RECENT_UNWANTED = 3,     // the performer's rule left it out
    RECENT_MUTED = 4,        // missed: muted
    RECENT_QUIET = 5,        // missed: quiet hours
    RECENT_REPEAT = 6,       // the performer's cool-down left it out
};
// Whether the user missed it (paused, muted, quiet hours): counted until the window is seen.
inline bool IsMissed(RecentNote note)
{
    return note == RECENT_PAUSED || note == RECENT_MUTED || note == RECENT_QUIET;
}

// The last notifications, newest first, at most a fixed number of them.
class RecentList {
public:
    struct Entry {
        std::time_t when = 0;
        wxString name;
        int kind = 0; // the popup kind
        RecentNote note = RECENT_SHOWN;
        unsigned long serial = 0; // distinct for every entry ever added
    };

    static constexpr size_t kCapacity = 200;

    // Adds an entry at the front, dropping the oldest beyond the capacity; returns it.
    const Entry& Add(std::time_t when, const wxString& name, int kind, RecentNote note);

    size_t size() const { return m_entries.size(); }
    bool empty() const { return m_entries.empty(); }
    const Entry& operator[](size_t index) const { return m_entries[index]; }
    // The index of the newest entry for 'name', or size() when there is none.
    size_t FindNewest(const wxString& name) const;

    // One entry a line, oldest first: "when<TAB>kind<TAB>note<TAB>name".
    wxString Serialize() const;
    // The entries of such a text, oldest first; unreadable lines are skipped, at most the
    // capacity kept (the newest).
    static std::deque<Entry> Parse(const wxString& text);

private:
    std::deque<Entry> m_entries;
    unsigned long m_nextSerial = 0;
};
