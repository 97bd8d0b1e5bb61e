#include "model/UserList.h"

#include <wx/hashmap.h>

size_t WxStringHasher::operator()(const wxString& s) const
{
    return wxStringHash()(s);
}

UserList::UserList()
{
    m_users.reserve(100);
}

void UserList::Clear()
{
    m_users.clear();
}

void UserList::AddUser(const User& user)
{
    m_users.insert_or_assign(user.GetName(), user);
}

void UserList::RemoveUser(const wxString& name)
{
    m_users.erase(name);
}

const User* UserList::FindUser(const wxString& name) const
{
    auto it = m_users.find(name);
    return it == m_users.end() ? nullptr : &it->second;
}

const User& UserList::GetUser(const wxString& name) const
{
    static const User offline;
    const User* user = FindUser(name);
    return user ? *user : offline;
}

void UserList::GetDifference(const UserList& newer, UserList& added, UserList& deleted,
                             UserList& changed) const
{
    deleted = *this;
    for (const auto& entry : newer) {
        const User& u = entry.second;
        const User* old = FindUser(entry.first);
        if (!old) {
            added.AddUser(u);
            continue;
        }
        deleted.RemoveUser(entry.first);
        if (u != *old)
            changed.AddUser(u);
    }
}
