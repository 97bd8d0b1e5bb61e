#pragma once

#include <deque>
#include <memory>
#include <unordered_map>

#include <wx/timer.h>
#include <wx/treectrl.h>

#include "model/UserList.h"

class UserEvent;
class UserListEvent;
class wxMenu;

// Sent through a tree once a whole list is in it (after the last of its slices).
wxDECLARE_EVENT(EVT_USER_LIST_PLACED, wxCommandEvent);


// How the main window shows its performer trees: buttons, no lines, hidden root, sunken border.
constexpr long USER_LIST_TREE_STYLE =
    wxTR_HAS_BUTTONS | wxTR_NO_LINES | wxTR_LINES_AT_ROOT | wxTR_HIDE_ROOT | wxSUNKEN_BORDER;

// A tree of performers that follows the user events. Where an item goes and which icon it shows
// is the derived trees' business; this one finds items by name and opens profiles.
class UserListTreeCtrl : public wxTreeCtrl {
public:
    UserListTreeCtrl(wxWindow* parent, wxWindowID id = wxID_ANY,
                     const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize,
                     long style = wxTR_DEFAULT_STYLE, const wxValidator& validator = wxDefaultValidator,
                     const wxString& name = wxTreeCtrlNameStr);
    ~UserListTreeCtrl() override;

    // The item below 'parent' whose performer has the user's exact name; invalid when none.
    wxTreeItemId FindItem(const User& user, const wxTreeItemId& parent, bool searchSubtrees) const;

    void OnUserListInitialized(UserListEvent& event);
    void OnUserAdded(UserEvent& event);
    void OnUserDeleted(UserEvent& event);
    void OnUserChanged(UserEvent& event);
    void OnTreeItemActivated(wxTreeEvent& event);
    void OnTreeItemRightClick(wxTreeEvent& event);
    // The menu key (or Shift+F10) on the selected performer.
    void OnTreeItemMenu(wxTreeEvent& event);
    void OnMenu(wxCommandEvent& event);

    // The address the "Profile" command opens for a performer.
    static wxString ProfileUrl(const wxString& name);

    // A whole list goes in by slices of at most this many performers (and kPlaceSliceMs), the
    // event loop running between them; user events that come meanwhile wait, in order.
    static constexpr size_t kPlaceSlice = 400;
    static constexpr long kPlaceSliceMs = 8;
    // True while a whole list is being placed: labels are rewritten once at its end.
    bool IsPlacingList() const { return m_placingList > 0 || m_sliced; }

protected:
    // Items and the name index change together: performer items are added and removed only here.
    // The item's icon, normal and selected; a change of the toolkit's image measures the item
    // again, so an icon that stays is not set.
    void SetUserIcon(const wxTreeItemId& item, int icon);
    wxTreeItemId AppendUserItem(const wxTreeItemId& parent, const User& user, int image);
    void DeleteUserItem(const wxTreeItemId& item);
    void DeleteUserChildren(const wxTreeItemId& parent);
    // Every item but the root, and the whole index, at once.
    void DeleteAllUserItems();

    class PlacingList {
    public:
        explicit PlacingList(UserListTreeCtrl& tree);
        ~PlacingList();

    private:
        UserListTreeCtrl& m_tree;
    };

    // Adds a skin bitmap, or an empty one of the same size when the skin lacks it, so that
    // indexes stay as planned.
    static int AddImage(wxImageList& list, const wxString& key);

    // Shows the performer menu; a seam for tests.
    virtual void ShowProfileMenu(wxMenu& menu);

    // Once the last slice of a whole list is in, before the events held meanwhile.
    virtual void OnListPlaced() {}

    bool TryBefore(wxEvent& event) override;

private:
    wxTreeItemId FindItemByWalk(const User& user, const wxTreeItemId& parent,
                                bool searchSubtrees) const;
    bool IsBelow(const wxTreeItemId& item, const wxTreeItemId& parent, bool anyDepth) const;
    void Unindex(const wxTreeItemId& item);
    static size_t NameKey(const wxString& name) { return WxStringHasher()(name); }
    void ShowMenuFor(const wxTreeItemId& item);
    void PlaceSlice();

    // Performer items by the hash of their name (the item's text): a name is stored once, in
    // its item.
    std::unordered_multimap<size_t, wxTreeItemId> m_index;
    // A right click is followed by the toolkit's menu event: one menu for both.
    bool m_menuShownForClick = false;
    wxPoint m_menuAt = wxDefaultPosition; // the mouse's position when it is the default
    int m_placingList = 0;
    // The list being placed by slices, the next of its performers, and what waits for it.
    UserList m_toPlace;
    UserList::const_iterator m_nextToPlace;
    bool m_sliced = false;
    bool m_inSlice = false;
    std::deque<std::unique_ptr<wxEvent>> m_held;
    wxTimer m_sliceTimer;

    wxDECLARE_EVENT_TABLE();
};
