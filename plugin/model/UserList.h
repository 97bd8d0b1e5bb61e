#pragma once

#include <unordered_set>

#include <wx/string.h>

#include "model/User.h"

struct WxStringHasher {
    size_t operator()(const wxString& s) const;
};

// A set of performers keyed by their exact name, each name stored once. Copies are deep;
// iteration (over the performers) is in no particular order.
class UserList {
    struct NameHash {
        size_t operator()(const User& user) const { return WxStringHasher()(user.GetName()); }
    };
    struct SameName {
        bool operator()(const User& a, const User& b) const { return a.GetName() == b.GetName(); }
    };
    using Set = std::unordered_set<User, NameHash, SameName>;

public:
    using const_iterator = Set::const_iterator;
    using iterator = const_iterator;

    UserList();
    UserList(const UserList&) = default;
    UserList& operator=(const UserList&) = default;
    UserList(UserList&&) noexcept = default;
    UserList& operator=(UserList&&) noexcept = default;
    virtual ~UserList() = default;

    const_iterator begin() const { return m_users.begin(); }
    const_iterator end() const { return m_users.end(); }

    size_t size() const { return m_users.size(); }
    bool empty() const { return m_users.empty(); }

    void Clear();
    void swap(UserList& other) noexcept { m_users.swap(other.m_users); }
    void AddUser(const User& user);
    void RemoveUser(const wxString& name);
    const User* FindUser(const wxString& name) const;
    // The name must be present; an absent name yields a static off-line User.
    const User& GetUser(const wxString& name) const;

    // This list is the older state. 'deleted' is replaced; 'added' and 'changed' are appended to.
    void GetDifference(const UserList& newer, UserList& added, UserList& deleted,
                       UserList& changed) const;

private:
    Set m_users;
};
