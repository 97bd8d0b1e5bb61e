#include "views/FavoriteTreeCtrl.h"

#include <ctime>

#include <wx/imaglist.h>

#include "app/Keys.h"
#include "model/UserStatus.h"
#include "site/HistoryDatabase.h"
#include "site/HistoryRecorder.h"
#include "site/UserEvent.h"
#include "site/UserListEvent.h"
#include "views/HistoryDialog.h"
#include "views/UserListTreeItemData.h"

wxBEGIN_EVENT_TABLE(FavoriteTreeCtrl, UserListTreeCtrl)
    EVT_USER_LIST_INITIALIZED(wxID_ANY, FavoriteTreeCtrl::OnUserListInitialized)
    EVT_USER_ADDED(wxID_ANY, FavoriteTreeCtrl::OnUserAdded)
    EVT_USER_DELETED(wxID_ANY, FavoriteTreeCtrl::OnUserDeleted)
    EVT_USER_CHANGED(wxID_ANY, FavoriteTreeCtrl::OnUserStatusChanged)
wxEND_EVENT_TABLE()

FavoriteTreeCtrl::FavoriteTreeCtrl(wxWindow* parent, wxWindowID id, const wxPoint& pos,
                                   const wxSize& size, long style, const wxValidator& validator,
                                   const wxString& name)
    : UserListTreeCtrl(parent, id, pos, size, style, validator, name)
{
    auto* images = new wxImageList(16, 16, true, 1);
    m_offlineIcon = AddImage(*images, "UserListTreeCtrl_offlineIcon");
    m_freeIcon = AddImage(*images, "UserListTreeCtrl_freeIcon");
    m_busyIcon = AddImage(*images, "UserListTreeCtrl_busyIcon");
    AssignImageList(images);
    Bind(wxEVT_TREE_ITEM_GETTOOLTIP, &FavoriteTreeCtrl::OnToolTip, this);
}

void FavoriteTreeCtrl::OnToolTip(wxTreeEvent& event)
{
    const auto* data = dynamic_cast<const UserListTreeItemData*>(GetItemData(event.GetItem()));
    if (!data)
        return;
    // An off-line favourite says when she was last seen (one short query of the history).
    if (data->GetStatus() != 0)
        return;
    const PerformerHistory::Summary summary =
        HistoryDialog::Read(HistoryRecorder::DefaultPath(), data->GetName(*this), std::time(nullptr));
    event.SetToolTip(HistoryDialog::SeenText(summary));
}

void FavoriteTreeCtrl::SortOffline(std::map<wxString, std::time_t> lastSeen)
{
    if (!Keys::SortOfflineByLastSeen.Read() || !m_offlineGroup.IsOk())
        return;
    if (lastSeen.empty()) {
        // One short query per off-line favourite, on one connection.
        HistoryDatabase history(HistoryRecorder::DefaultPath());
        wxTreeItemIdValue cookie;
        for (wxTreeItemId item = GetFirstChild(m_offlineGroup, cookie); item.IsOk();
             item = GetNextChild(m_offlineGroup, cookie))
            if (const auto* data = dynamic_cast<const UserListTreeItemData*>(GetItemData(item))) {
                const wxString name = data->GetName(*this);
                lastSeen[name] = history.LastSeen(name);
            }
    }
    m_lastSeen = std::move(lastSeen);
    SortChildren(m_offlineGroup);
}

int FavoriteTreeCtrl::OnCompareItems(const wxTreeItemId& first, const wxTreeItemId& second)
{
    const auto seen = [&](const wxTreeItemId& item, wxString& name) {
        const auto* data = dynamic_cast<const UserListTreeItemData*>(GetItemData(item));
        name = data ? data->GetName(*this) : GetItemText(item);
        const auto it = m_lastSeen.find(name);
        return it == m_lastSeen.end() ? std::time_t(0) : it->second;
    };
    wxString a, b;
    const std::time_t seenA = seen(first, a), seenB = seen(second, b);
    if (seenA != seenB)
        return seenA > seenB ? -1 : 1;
    return a.Cmp(b);
}

void FavoriteTreeCtrl::CreateGroups()
{
    wxImageList* images = GetImageList();
    const int onlineIcon = AddImage(*images, "UserListTreeCtrl_onlineGroupIcon");
    const int offlineIcon = AddImage(*images, "UserListTreeCtrl_offlineGroupIcon");
    m_onlineLabel = _("Online");
    m_onlineGroup = AppendItem(GetRootItem(),
                               wxString::Format("%s (%s)", m_onlineLabel, _("Loading")),
                               onlineIcon, onlineIcon, nullptr);
    m_offlineLabel = _("Offline");
    m_offlineGroup = AppendItem(GetRootItem(),
                                wxString::Format("%s (%s)", m_offlineLabel, _("Loading")),
                                offlineIcon, offlineIcon, nullptr);
}

void FavoriteTreeCtrl::UpdateGroupLabels()
{
    if (!m_onlineGroup.IsOk())
        return;
    SetItemText(m_onlineGroup, wxString::Format("%s (%d)", m_onlineLabel,
                                                static_cast<int>(GetChildrenCount(m_onlineGroup, false))));
    SetItemText(m_offlineGroup, wxString::Format("%s (%d)", m_offlineLabel,
                                                 static_cast<int>(GetChildrenCount(m_offlineGroup, false))));
}

void FavoriteTreeCtrl::OnUserListInitialized(UserListEvent& event)
{
    if (!m_onlineGroup.IsOk())
        return; // no favourites yet: nothing to show
    if (event.GetId() != kFavoritesListId) {
        // The site's whole list, reaching a tree registered before its first fetch: it tells
        // which favourites are on line, and replaces nothing.
        if (!m_siteListKnown) {
            m_siteListKnown = true;
            PlaceFavorites(&event.GetUserList());
            return;
        }
        ApplySiteList(event.GetUserList());
        return;
    }
    m_favorites = event.GetUserList();
    if (!m_siteListKnown) {
        // Nobody is shown off line before the site has said who is on line.
        DeleteUserChildren(m_onlineGroup);
        DeleteUserChildren(m_offlineGroup);
        return;
    }
    PlaceFavorites(nullptr);
}

void FavoriteTreeCtrl::PlaceFavorites(const UserList* site)
{
    PlacingList placing(*this);
    DeleteUserChildren(m_onlineGroup);
    DeleteUserChildren(m_offlineGroup);
    for (const User& favorite : m_favorites) {
        const User* online = site ? site->FindUser(favorite.GetName()) : nullptr;
        UserEvent changed(online ? *online : favorite, wxEVT_USER_CHANGED, 0);
        ProcessEvent(changed);
    }
    Expand(m_onlineGroup);
    Expand(m_offlineGroup);
    UpdateGroupLabels();
    SortOffline();
}

void FavoriteTreeCtrl::ApplySiteList(const UserList& site)
{
    const bool onlineWasEmpty = GetChildrenCount(m_onlineGroup, false) == 0;
    PlacingList placing(*this);
    for (const User& favorite : m_favorites) {
        const User* online = site.FindUser(favorite.GetName());
        const wxTreeItemId item = FindItem(favorite, GetRootItem(), true);
        const auto* data =
            item.IsOk() ? dynamic_cast<const UserListTreeItemData*>(GetItemData(item)) : nullptr;
        const unsigned long shown = data ? data->GetStatus() : 0;
        if (!online || online->GetStatus() == shown)
            continue;
        UserEvent changed(*online, wxEVT_USER_CHANGED, shown);
        ProcessEvent(changed);
    }
    if (onlineWasEmpty && GetChildrenCount(m_onlineGroup, false) > 0)
        Expand(m_onlineGroup);
    UpdateGroupLabels();
}

void FavoriteTreeCtrl::OnUserAdded(UserEvent& event)
{
    if (!m_favorites.FindUser(event.GetUser().GetName()))
        return;
    UserEvent changed(event.GetUser(), wxEVT_USER_CHANGED, 0);
    ProcessEvent(changed);
}

void FavoriteTreeCtrl::OnUserDeleted(UserEvent& event)
{
    if (!m_favorites.FindUser(event.GetUser().GetName()))
        return;
    User gone(event.GetUser());
    const unsigned long last = gone.GetStatus();
    gone.SetStatus(0);
    UserEvent changed(gone, wxEVT_USER_CHANGED, last);
    ProcessEvent(changed);
}

void FavoriteTreeCtrl::OnUserStatusChanged(UserEvent& event)
{
    const User& user = event.GetUser();
    if (!m_favorites.FindUser(user.GetName()) || !m_onlineGroup.IsOk())
        return;
    const unsigned long now = user.GetStatus();
    const unsigned long old = event.GetOldStatus();

    int icon = -1;
    if (now == 0)
        icon = m_offlineIcon;
    else if (now & STATUS_FREE)
        icon = m_freeIcon;
    else if (now & STATUS_BUSY)
        icon = m_busyIcon;

    if (old == 0 && (now & STATUS_ONLINE)) {
        wxTreeItemId item = FindItem(user, m_offlineGroup, false);
        if (item.IsOk())
            DeleteUserItem(item);
    } else if ((old & STATUS_ONLINE) && now == 0) {
        wxTreeItemId item = FindItem(user, m_onlineGroup, false);
        if (item.IsOk())
            DeleteUserItem(item);
    }

    wxTreeItemId item = FindItem(user, GetRootItem(), true);
    if (item.IsOk()) {
        SetUserIcon(item, icon);
    } else {
        wxTreeItemId group;
        if (now == 0)
            group = m_offlineGroup;
        else if (now & STATUS_ONLINE)
            group = m_onlineGroup;
        if (group.IsOk()) {
            item = AppendUserItem(group, user, icon);
            // Who just left was seen last: at the top of a group sorted by it.
            if (group == m_offlineGroup && !IsPlacingList() && Keys::SortOfflineByLastSeen.Read()) {
                m_lastSeen[user.GetName()] = std::time(nullptr);
                SortChildren(m_offlineGroup);
            }
            // An empty group cannot be expanded; show its first member rather than hide it.
            if (!IsPlacingList() && GetChildrenCount(group, false) == 1)
                Expand(group);
        }
        if (!IsPlacingList())
            UpdateGroupLabels();
    }
    if (item.IsOk())
        if (auto* data = dynamic_cast<UserListTreeItemData*>(GetItemData(item)))
            data->SetStatus(user.GetStatus());
}
