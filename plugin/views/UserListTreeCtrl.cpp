#include "views/UserListTreeCtrl.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include <wx/imaglist.h>
#include <wx/menu.h>

#include "app/CommandIds.h"
#include "app/Settings.h"
#include "model/UserStatus.h"
#include "net/Util.h"
#include "site/UserEvent.h"
#include "site/UserListEvent.h"
#include "skin/ResourceManager.h"
#include "views/HistoryDialog.h"
#include "views/LocalFavorites.h"
#include "views/PerformerRules.h"
#include "views/UserListTreeItemData.h"

wxBEGIN_EVENT_TABLE(UserListTreeCtrl, wxTreeCtrl)
    EVT_MENU(ID_PROFILE, UserListTreeCtrl::OnMenu)
    EVT_MENU_RANGE(ID_RULE_ALWAYS, ID_RULE_SOUND, UserListTreeCtrl::OnMenu)
    EVT_MENU_RANGE(ID_ADD_FAVORITE, ID_REMOVE_FAVORITE, UserListTreeCtrl::OnMenu)
    EVT_MENU(ID_HISTORY, UserListTreeCtrl::OnMenu)
    EVT_TREE_ITEM_ACTIVATED(wxID_ANY, UserListTreeCtrl::OnTreeItemActivated)
    EVT_TREE_ITEM_RIGHT_CLICK(wxID_ANY, UserListTreeCtrl::OnTreeItemRightClick)
    EVT_TREE_ITEM_MENU(wxID_ANY, UserListTreeCtrl::OnTreeItemMenu)
    EVT_USER_ADDED(wxID_ANY, UserListTreeCtrl::OnUserAdded)
    EVT_USER_CHANGED(wxID_ANY, UserListTreeCtrl::OnUserChanged)
    EVT_USER_DELETED(wxID_ANY, UserListTreeCtrl::OnUserDeleted)
    EVT_USER_LIST_INITIALIZED(wxID_ANY, UserListTreeCtrl::OnUserListInitialized)
wxEND_EVENT_TABLE()

wxDEFINE_EVENT(EVT_USER_LIST_PLACED, wxCommandEvent);

namespace {
bool IsUserEvent(wxEventType type)
{
    return type == wxEVT_USER_ADDED || type == wxEVT_USER_DELETED || type == wxEVT_USER_CHANGED ||
           type == wxEVT_USER_LIST_INITIALIZED;
}

const UserListTreeItemData* PayloadOf(const wxTreeCtrl& tree, const wxTreeItemId& item)
{
    return item.IsOk() ? dynamic_cast<const UserListTreeItemData*>(tree.GetItemData(item)) : nullptr;
}
} // namespace

UserListTreeCtrl::UserListTreeCtrl(wxWindow* parent, wxWindowID id, const wxPoint& pos,
                                   const wxSize& size, long style, const wxValidator& validator,
                                   const wxString& name)
    : wxTreeCtrl(parent, id, pos, size, style, validator, name), m_sliceTimer(this)
{
    AddRoot(wxString(), -1, -1, nullptr);
    Bind(wxEVT_TIMER, [this](wxTimerEvent&) { PlaceSlice(); }, m_sliceTimer.GetId());
}

UserListTreeCtrl::~UserListTreeCtrl() = default;

UserListTreeCtrl::PlacingList::PlacingList(UserListTreeCtrl& tree) : m_tree(tree)
{
    if (m_tree.m_placingList++ == 0)
        m_tree.Freeze();
}

UserListTreeCtrl::PlacingList::~PlacingList()
{
    if (--m_tree.m_placingList == 0)
        m_tree.Thaw();
}

int UserListTreeCtrl::AddImage(wxImageList& list, const wxString& key)
{
    wxBitmap bitmap = ResourceManager::GetInstance()->GetBitmap(key);
    if (!bitmap.IsOk() || bitmap.GetWidth() != 16 || bitmap.GetHeight() != 16) {
        wxImage blank(16, 16);
        blank.SetAlpha();
        std::fill(blank.GetAlpha(), blank.GetAlpha() + 16 * 16, 0);
        bitmap = wxBitmap(blank);
    }
    return list.Add(bitmap, wxNullBitmap);
}

wxTreeItemId UserListTreeCtrl::AppendUserItem(const wxTreeItemId& parent, const User& user,
                                              int image)
{
    wxTreeItemId item =
        AppendItem(parent, user.GetName(), image, image, new UserListTreeItemData(user.GetStatus()));
    m_index.emplace(NameKey(user.GetName()), item);
    return item;
}

void UserListTreeCtrl::SetUserIcon(const wxTreeItemId& item, int icon)
{
    if (GetItemImage(item, wxTreeItemIcon_Normal) != icon)
        SetItemImage(item, icon, wxTreeItemIcon_Normal);
    if (GetItemImage(item, wxTreeItemIcon_Selected) != icon)
        SetItemImage(item, icon, wxTreeItemIcon_Selected);
}

void UserListTreeCtrl::Unindex(const wxTreeItemId& item)
{
    if (!PayloadOf(*this, item))
        return;
    const auto range = m_index.equal_range(NameKey(GetItemText(item)));
    for (auto it = range.first; it != range.second; ++it)
        if (it->second == item) {
            m_index.erase(it);
            return;
        }
}

void UserListTreeCtrl::DeleteUserItem(const wxTreeItemId& item)
{
    Unindex(item);
    Delete(item);
}

void UserListTreeCtrl::DeleteUserChildren(const wxTreeItemId& parent)
{
    wxTreeItemIdValue cookie;
    for (wxTreeItemId child = GetFirstChild(parent, cookie); child.IsOk();
         child = GetNextChild(parent, cookie))
        Unindex(child);
    DeleteChildren(parent);
}

void UserListTreeCtrl::DeleteAllUserItems()
{
    m_index.clear();
    DeleteChildren(GetRootItem());
}

bool UserListTreeCtrl::IsBelow(const wxTreeItemId& item, const wxTreeItemId& parent,
                               bool anyDepth) const
{
    for (wxTreeItemId up = GetItemParent(item); up.IsOk(); up = GetItemParent(up)) {
        if (up == parent)
            return true;
        if (!anyDepth)
            return false;
    }
    return false;
}

wxTreeItemId UserListTreeCtrl::FindItem(const User& user, const wxTreeItemId& parent,
                                        bool searchSubtrees) const
{
    // The index answers at once; the walk below settles the rare case of several items with
    // one name, where the first in walk order wins.
    if (!parent.IsOk())
        return wxTreeItemId();
    const auto range = m_index.equal_range(NameKey(user.GetName()));
    wxTreeItemId found;
    int matches = 0;
    for (auto it = range.first; it != range.second; ++it) {
        const wxTreeItemId& item = it->second;
        if (GetItemText(item) == user.GetName() && IsBelow(item, parent, searchSubtrees)) {
            found = item;
            ++matches;
        }
    }
    if (matches <= 1)
        return found;
    return FindItemByWalk(user, parent, searchSubtrees);
}

wxTreeItemId UserListTreeCtrl::FindItemByWalk(const User& user, const wxTreeItemId& parent,
                                              bool searchSubtrees) const
{
    wxTreeItemIdValue cookie;
    for (wxTreeItemId child = GetFirstChild(parent, cookie); child.IsOk();
         child = GetNextChild(parent, cookie)) {
        if (searchSubtrees && ItemHasChildren(child)) {
            wxTreeItemId deeper = FindItemByWalk(user, child, true);
            if (deeper.IsOk())
                return deeper;
        }
        if (PayloadOf(*this, child) && GetItemText(child) == user.GetName())
            return child;
    }
    return wxTreeItemId();
}

void UserListTreeCtrl::OnUserListInitialized(UserListEvent& event)
{
    m_toPlace = event.GetUserList();
    m_nextToPlace = m_toPlace.begin();
    m_sliced = true;
    PlaceSlice();
}

void UserListTreeCtrl::PlaceSlice()
{
    const auto started = std::chrono::steady_clock::now();
    const auto budget = std::chrono::milliseconds(kPlaceSliceMs);
    {
        PlacingList placing(*this);
        m_inSlice = true;
        for (size_t placed = 0; m_nextToPlace != m_toPlace.end() && placed < kPlaceSlice; ++placed) {
            UserEvent added(*m_nextToPlace++, wxEVT_USER_ADDED, STATUS_NOT_MEANINGFUL);
            // The most derived tree places each performer.
            ProcessEvent(added);
            if (placed % 32 == 31 && std::chrono::steady_clock::now() - started > budget)
                break;
        }
        m_inSlice = false;
    }
    if (m_nextToPlace != m_toPlace.end()) {
        // A timer, not CallAfter: queued calls would all run in one pass of the pending events,
        // without the loop drawing or reading input between them.
        m_sliceTimer.StartOnce(1);
        return;
    }
    m_toPlace.Clear();
    m_sliced = false;
    OnListPlaced();
    wxCommandEvent placed(EVT_USER_LIST_PLACED, GetId());
    placed.SetEventObject(this);
    ProcessEvent(placed);
    // What came meanwhile, in order; a list among it starts placing anew and the rest waits again.
    while (!m_held.empty() && !m_sliced) {
        std::unique_ptr<wxEvent> next = std::move(m_held.front());
        m_held.pop_front();
        ProcessEvent(*next);
    }
}

bool UserListTreeCtrl::TryBefore(wxEvent& event)
{
    if (m_sliced && !m_inSlice && IsUserEvent(event.GetEventType())) {
        m_held.emplace_back(event.Clone());
        return true;
    }
    return wxTreeCtrl::TryBefore(event);
}

void UserListTreeCtrl::OnUserAdded(UserEvent& event)
{
    AppendUserItem(GetRootItem(), event.GetUser(), -1);
}

void UserListTreeCtrl::OnUserDeleted(UserEvent& event)
{
    wxTreeItemId item = FindItem(event.GetUser(), GetRootItem(), true);
    if (item.IsOk())
        DeleteUserItem(item);
}

void UserListTreeCtrl::OnUserChanged(UserEvent& event)
{
    wxTreeItemId item = FindItem(event.GetUser(), GetRootItem(), true);
    if (!item.IsOk())
        return;
    if (auto* data = dynamic_cast<UserListTreeItemData*>(GetItemData(item)))
        data->SetStatus(event.GetUser().GetStatus());
}

void UserListTreeCtrl::OnTreeItemActivated(wxTreeEvent&)
{
    wxCommandEvent command(wxEVT_MENU, ID_PROFILE);
    Command(command);
}

void UserListTreeCtrl::OnTreeItemRightClick(wxTreeEvent& event)
{
    m_menuShownForClick = true;
    m_menuAt = wxDefaultPosition;
    ShowMenuFor(event.GetItem());
}

void UserListTreeCtrl::OnTreeItemMenu(wxTreeEvent& event)
{
    if (std::exchange(m_menuShownForClick, false))
        return;
    m_menuAt = event.GetPoint();
    ShowMenuFor(event.GetItem());
    m_menuAt = wxDefaultPosition;
}

void UserListTreeCtrl::ShowMenuFor(const wxTreeItemId& item)
{
    if (!PayloadOf(*this, item))
        return;
    // "Profile" acts on the selection, so the clicked performer becomes it.
    SelectItem(item);
    wxMenu menu;
    menu.Append(ID_PROFILE, _("Profile"), wxString());
    if (const UserListTreeItemData* data = PayloadOf(*this, item)) {
        LocalFavorites::AppendMenu(menu, data->GetName(*this));
        menu.Append(ID_HISTORY, _("History..."));
        PerformerRules::AppendMenu(menu, data->GetName(*this));
    }
    ShowProfileMenu(menu);
}

void UserListTreeCtrl::ShowProfileMenu(wxMenu& menu)
{
    PopupMenu(&menu, m_menuAt == wxDefaultPosition ? ScreenToClient(wxGetMousePosition()) : m_menuAt);
}

wxString UserListTreeCtrl::ProfileUrl(const wxString& name)
{
    return Settings::HostUrl(Settings::Host::Product, "/profile.shtml?" + name);
}

void UserListTreeCtrl::OnMenu(wxCommandEvent& event)
{
    const UserListTreeItemData* data = PayloadOf(*this, GetSelection());
    if (!data)
        return;
    const wxString name = data->GetName(*this);
    if (event.GetId() == ID_HISTORY) {
        HistoryDialog::ShowFor(this, name);
        return;
    }
    if (LocalFavorites::HandleMenu(event.GetId(), name) || PerformerRules::HandleMenu(event.GetId(), name) ||
        event.GetId() != ID_PROFILE)
        return;
    Util::LaunchBrowser(ProfileUrl(data->GetName(*this)));
}
