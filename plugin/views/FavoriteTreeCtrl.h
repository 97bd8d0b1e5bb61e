#pragma once

#include <ctime>
#include <map>

#include "model/UserList.h"
#include "views/UserListTreeCtrl.h"

// The user's favourites, in an "Online" and an "Offline" group, moving as they come and go.
class FavoriteTreeCtrl : public UserListTreeCtrl {
public:
    FavoriteTreeCtrl(wxWindow* parent, wxWindowID id = wxID_ANY,
                     const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize,
                     long style = wxTR_DEFAULT_STYLE,
                     const wxValidator& validator = wxDefaultValidator,
                     const wxString& name = wxTreeCtrlNameStr);

    // Once, when the first favourites have arrived.
    void CreateGroups();

    void OnUserListInitialized(UserListEvent& event);
    void OnUserAdded(UserEvent& event);
    void OnUserDeleted(UserEvent& event);
    void OnUserStatusChanged(UserEvent& event);
    void UpdateGroupLabels();
    // Off-line favourites: when they were last seen.
    void OnToolTip(wxTreeEvent& event);
    // While "/History/sortOfflineByLastSeen" is on, the "Offline" group in the order its
    // performers were last seen, latest first, never seen last; 'lastSeen' gives the times
    // (read from the history when empty).
    void SortOffline(std::map<wxString, std::time_t> lastSeen = {});

    const UserList& GetFavorites() const { return m_favorites; }
    wxTreeItemId GetOnlineGroup() const { return m_onlineGroup; }
    wxTreeItemId GetOfflineGroup() const { return m_offlineGroup; }
    int GetOfflineIcon() const { return m_offlineIcon; }
    int GetFreeIcon() const { return m_freeIcon; }
    int GetBusyIcon() const { return m_busyIcon; }

    // Identifier of the list event that installs favourites; the site's whole list comes as -1.
    static constexpr int kFavoritesListId = 0;
    // Until the site's first list is known the favourites are loading, not off line: they are
    // placed when it comes (as a list event of the site, or told here).
    void SetSiteListKnown(bool known) { m_siteListKnown = known; }
    bool IsSiteListKnown() const { return m_siteListKnown; }

protected:
    int OnCompareItems(const wxTreeItemId& first, const wxTreeItemId& second) override;

private:
    void ApplySiteList(const UserList& site);

    void PlaceFavorites(const UserList* site);

    UserList m_favorites;
    bool m_siteListKnown = false;
    std::map<wxString, std::time_t> m_lastSeen;
    wxString m_onlineLabel;
    wxTreeItemId m_onlineGroup;
    wxString m_offlineLabel;
    wxTreeItemId m_offlineGroup;
    int m_offlineIcon = -1;
    int m_freeIcon = -1;
    int m_busyIcon = -1;

    wxDECLARE_EVENT_TABLE();
};
