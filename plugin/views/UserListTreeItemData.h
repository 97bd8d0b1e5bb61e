#pragma once

#include <wx/treectrl.h>

#include "model/User.h"

// The performer an item stands for: the item's text is the name, kept once, and this its status.
// Group items carry none.
class UserListTreeItemData : public wxTreeItemData {
public:
    explicit UserListTreeItemData(unsigned long status) : m_status(status) {}

    unsigned long GetStatus() const { return m_status; }
    void SetStatus(unsigned long status) { m_status = status; }
    // 'tree' is the tree the item is in.
    wxString GetName(const wxTreeCtrl& tree) const { return tree.GetItemText(GetId()); }
    User GetUser(const wxTreeCtrl& tree) const { return User(GetName(tree), m_status); }

private:
    unsigned long m_status;
};
