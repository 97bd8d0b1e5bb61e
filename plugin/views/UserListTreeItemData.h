#pragma once

#include <wx/treebase.h>

#include "model/User.h"

// The performer an item stands for; group items carry none.
class UserListTreeItemData : public wxTreeItemData {
public:
    explicit UserListTreeItemData(const User& user) : m_user(user) {}

    const User& GetUser() const { return m_user; }
    void SetUser(const User& user) { m_user = user; }

private:
    User m_user;
};
