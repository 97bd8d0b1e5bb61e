#pragma once

#include <set>
#include <utility>
#include <vector>

#include "model/User.h"
#include "views/UserListTreeCtrl.h"

class wxIdleEvent;

// What a performer tree shows while the user filters it: the same groups, icons and order,
// with only the performers whose names contain the text (in any case), and each group saying
// how many of its performers match. It is built anew from the tree it stands in for, which
// goes on following the site unchanged.
//
// Laying out a tree item costs far more than finding it, so a long result is added a slice at
// a time while the application is idle: a keystroke never holds the window up for long, and
// the counts are right at once.
class FilteredTreeView : public UserListTreeCtrl {
public:
    static constexpr size_t kSlice = 1000;

    explicit FilteredTreeView(wxWindow* parent, wxWindowID id = wxID_ANY);

    void Rebuild(const UserListTreeCtrl& source, const wxString& text);
    // A longer text while the source has not changed: true when every performer shown still
    // matches, so only the labels change; false when a Rebuild is needed.
    bool Narrow(const wxString& text);
    void Clear();

    // Whether every match is in the tree; ContinueBuild adds the next slice.
    bool IsComplete() const { return m_next == m_pending.size(); }
    void ContinueBuild();

    // Whether 'name' contains 'lowerText' (already lower case), ignoring case.
    static bool Matches(const wxString& name, const wxString& lowerText);

private:
    struct Pending {
        wxTreeItemId group;
        size_t groupIndex;
        User user;
        int icon;
    };

    void Label(const wxTreeItemId& group, size_t index, int matches);
    // Removes what is shown, keeping which groups the user closed.
    void ClearItems();
    void OnIdle(wxIdleEvent& event);
    // The user opens and closes groups; the view is built anew at every site event and keeps that.
    void OnGroupToggled(wxTreeEvent& event);

    // Per group, in order: its name and how many performers the source has in it.
    std::vector<std::pair<wxString, int>> m_groups;
    std::vector<Pending> m_pending;
    size_t m_next = 0;
    wxString m_reselect;
    // The names of the groups the user closed while filtering.
    std::set<wxString> m_closed;
    bool m_building = false;
};
