#include "views/FilteredTreeView.h"

#include <algorithm>

#include "views/UserListTreeItemData.h"

FilteredTreeView::FilteredTreeView(wxWindow* parent, wxWindowID id)
    : UserListTreeCtrl(parent, id, wxDefaultPosition, wxDefaultSize, USER_LIST_TREE_STYLE,
                       wxDefaultValidator, "filtered")
{
    Bind(wxEVT_IDLE, &FilteredTreeView::OnIdle, this);
    Bind(wxEVT_TREE_ITEM_COLLAPSED, &FilteredTreeView::OnGroupToggled, this);
    Bind(wxEVT_TREE_ITEM_EXPANDED, &FilteredTreeView::OnGroupToggled, this);
}

void FilteredTreeView::OnGroupToggled(wxTreeEvent& event)
{
    event.Skip();
    if (m_building || GetItemParent(event.GetItem()) != GetRootItem())
        return;
    wxTreeItemIdValue groups;
    size_t index = 0;
    for (wxTreeItemId group = GetFirstChild(GetRootItem(), groups); group.IsOk();
         group = GetNextChild(GetRootItem(), groups), ++index) {
        if (group != event.GetItem() || index >= m_groups.size())
            continue;
        if (event.GetEventType() == wxEVT_TREE_ITEM_COLLAPSED)
            m_closed.insert(m_groups[index].first);
        else
            m_closed.erase(m_groups[index].first);
    }
}

bool FilteredTreeView::Matches(const wxString& name, const wxString& lowerText)
{
    // Compared in place: a lower-case copy of every name made each keystroke cost more than
    // the matching itself.
    const wxStringCharType* text = lowerText.wx_str();
    const size_t length = lowerText.length();
    if (length == 0)
        return true;
    const wxStringCharType* hay = name.wx_str();
    const size_t hayLength = name.length();
    for (size_t start = 0; start + length <= hayLength; ++start) {
        size_t i = 0;
        while (i < length && static_cast<wxStringCharType>(wxTolower(hay[start + i])) == text[i])
            ++i;
        if (i == length)
            return true;
    }
    return false;
}

void FilteredTreeView::Clear()
{
    // The filter is gone: the next one starts with every group open.
    m_closed.clear();
    ClearItems();
}

void FilteredTreeView::ClearItems()
{
    m_building = true;
    DeleteAllUserItems();
    m_building = false;
    m_groups.clear();
    m_pending.clear();
    m_next = 0;
}

void FilteredTreeView::Label(const wxTreeItemId& group, size_t index, int matches)
{
    SetItemText(group, wxString::Format(_("%s (%d of %d)"), m_groups[index].first, matches,
                                        m_groups[index].second));
}

bool FilteredTreeView::Narrow(const wxString& text)
{
    if (!IsComplete())
        return false;
    const wxString lower = text.Lower();
    const wxTreeItemId root = GetRootItem();
    wxTreeItemIdValue groups;
    for (wxTreeItemId group = GetFirstChild(root, groups); group.IsOk(); group = GetNextChild(root, groups)) {
        wxTreeItemIdValue members;
        for (wxTreeItemId item = GetFirstChild(group, members); item.IsOk(); item = GetNextChild(group, members))
            if (!Matches(GetItemText(item), lower))
                return false;
    }
    size_t index = 0;
    for (wxTreeItemId group = GetFirstChild(root, groups); group.IsOk() && index < m_groups.size();
         group = GetNextChild(root, groups), ++index)
        Label(group, index, static_cast<int>(GetChildrenCount(group, false)));
    return true;
}

void FilteredTreeView::Rebuild(const UserListTreeCtrl& source, const wxString& text)
{
    PlacingList placing(*this);
    m_reselect.clear();
    if (const auto* data = dynamic_cast<const UserListTreeItemData*>(
            GetSelection().IsOk() ? GetItemData(GetSelection()) : nullptr))
        m_reselect = data->GetName(*this);
    ClearItems();
    // The source owns the icons; both trees index them alike.
    SetImageList(source.GetImageList());

    const wxString lower = text.Lower();
    const wxTreeItemId sourceRoot = source.GetRootItem();
    wxTreeItemIdValue groups;
    for (wxTreeItemId group = source.GetFirstChild(sourceRoot, groups); group.IsOk();
         group = source.GetNextChild(sourceRoot, groups)) {
        const int groupIcon = source.GetItemImage(group);
        const wxTreeItemId mirror = AppendItem(GetRootItem(), wxString(), groupIcon, groupIcon, nullptr);
        int matches = 0;
        int total = 0;
        wxTreeItemIdValue members;
        for (wxTreeItemId item = source.GetFirstChild(group, members); item.IsOk();
             item = source.GetNextChild(group, members)) {
            ++total;
            const auto* data = dynamic_cast<const UserListTreeItemData*>(source.GetItemData(item));
            if (!data || !Matches(data->GetName(source), lower))
                continue;
            ++matches;
            m_pending.push_back({mirror, m_groups.size(), data->GetUser(source), source.GetItemImage(item)});
        }
        // The group's name is its label before the count: "%s (%d)" in every language.
        wxString name = source.GetItemText(group).BeforeLast('(');
        name.Trim();
        m_groups.emplace_back(name, total);
        Label(mirror, m_groups.size() - 1, matches);
    }
    ContinueBuild();
}

void FilteredTreeView::ContinueBuild()
{
    if (IsComplete())
        return;
    PlacingList placing(*this);
    const size_t end = std::min(m_pending.size(), m_next + kSlice);
    for (; m_next < end; ++m_next) {
        const Pending& next = m_pending[m_next];
        const wxTreeItemId shown = AppendUserItem(next.group, next.user, next.icon);
        if (!m_reselect.empty() && next.user.GetName() == m_reselect)
            SelectItem(shown);
        if (!IsExpanded(next.group) && !m_closed.count(m_groups[next.groupIndex].first)) {
            m_building = true;
            Expand(next.group);
            m_building = false;
        }
    }
    if (IsComplete()) {
        m_pending.clear();
        m_next = 0;
    }
}

void FilteredTreeView::OnIdle(wxIdleEvent& event)
{
    event.Skip();
    if (IsComplete())
        return;
    ContinueBuild();
    if (!IsComplete())
        event.RequestMore();
}
