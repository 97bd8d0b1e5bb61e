#include "views/AllTreeCtrl.h"

#include <wx/imaglist.h>

#include "model/UserStatus.h"
#include "site/UserEvent.h"
#include "site/UserListEvent.h"

wxBEGIN_EVENT_TABLE(AllTreeCtrl, UserListTreeCtrl)
    EVT_USER_ADDED(wxID_ANY, AllTreeCtrl::OnUserAdded)
    EVT_USER_CHANGED(wxID_ANY, AllTreeCtrl::OnUserChanged)
    EVT_USER_DELETED(wxID_ANY, AllTreeCtrl::OnUserDeleted)
    EVT_USER_LIST_INITIALIZED(wxID_ANY, AllTreeCtrl::OnUserListInitialized)
wxEND_EVENT_TABLE()

AllTreeCtrl::AllTreeCtrl(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size,
                         long style, const wxValidator& validator, const wxString& name)
    : UserListTreeCtrl(parent, id, pos, size, style, validator, name)
{
    auto* images = new wxImageList(16, 16, true, 1);
    const int groupIcon = AddImage(*images, "UserListTreeCtrl_onlineGroupIcon");
    m_freeIcon = AddImage(*images, "UserListTreeCtrl_freeIcon");
    m_busyIcon = AddImage(*images, "UserListTreeCtrl_busyIcon");
    AssignImageList(images);

    m_onlineLabel = _("Online");
    m_onlineGroup = AppendItem(GetRootItem(),
                               wxString::Format("%s (%s)", m_onlineLabel, _("Loading")),
                               groupIcon, groupIcon, nullptr);
    SetItemHasChildren(m_onlineGroup, true);
}

void AllTreeCtrl::UpdateGroupLabels()
{
    // Performer items have no children, so the direct count is the whole count.
    SetItemText(m_onlineGroup, wxString::Format("%s (%d)", m_onlineLabel,
                                                static_cast<int>(GetChildrenCount(m_onlineGroup, false))));
}

int AllTreeCtrl::IconFor(unsigned long status) const
{
    if (status & STATUS_FREE)
        return m_freeIcon;
    if (status & STATUS_BUSY)
        return m_busyIcon;
    return -1;
}

void AllTreeCtrl::OnUserAdded(UserEvent& event)
{
    // Made once with its final icon: every later change of the item's image measures it again.
    AppendUserItem(m_onlineGroup, event.GetUser(), IconFor(event.GetUser().GetStatus()));
    if (!IsPlacingList())
        UpdateGroupLabels();
}

void AllTreeCtrl::OnUserChanged(UserEvent& event)
{
    const wxTreeItemId item = FindItem(event.GetUser(), m_onlineGroup, false);
    if (item.IsOk())
        SetUserIcon(item, IconFor(event.GetUser().GetStatus()));
    // The base handler keeps the item's performer in step.
    event.Skip();
}

void AllTreeCtrl::OnUserDeleted(UserEvent& event)
{
    UserListTreeCtrl::OnUserDeleted(event);
    UpdateGroupLabels();
}

void AllTreeCtrl::OnUserListInitialized(UserListEvent& event)
{
    // Open from the first slice on: each slice's performers are measured as they come, and
    // the user can scroll while the rest follows.
    Expand(m_onlineGroup);
    UserListTreeCtrl::OnUserListInitialized(event);
}

void AllTreeCtrl::OnListPlaced()
{
    UpdateGroupLabels();
}
