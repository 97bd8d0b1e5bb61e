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
    auto [it, inserted] = m_users.insert(user);
    // The status is no part of the key, so it may change in place.
    if (!inserted)
        const_cast<User&>(*it).SetStatus(user.GetStatus());
}

void UserList::RemoveUser(const wxString& name)
{
    m_users.erase(User(name, 0));
}

const User* UserList::FindUser(const wxString& name) const
{
    auto it = m_users.find(User(name, 0));
    return it == m_users.end() ? nullptr : &*it;
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
    // No copy of either list: a refresh of 10,000 would hold a third one at its peak.
    deleted.Clear();
    for (const User& old : m_users)
        if (!newer.m_users.count(old))
            deleted.AddUser(old);
    for (const User& u : newer) {
        const auto old = m_users.find(u);
        if (old == m_users.end())
            added.AddUser(u);
        else if (u != *old)
            changed.AddUser(u);
    }
}
