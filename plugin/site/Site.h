#pragma once

#include <mutex>

#include "model/UserList.h"

// The watched web site: owner of the current list of online performers.
class Site {
public:
    Site();
    virtual ~Site();

    // Null before any site was constructed.
    static Site* GetInstance();

    // Milliseconds until the next refresh, or 0 when the refresh failed.
    virtual long UpdateUserList() = 0;
    virtual bool OnInit() = 0;
    virtual void OnExit() = 0;

    // A copy taken under the list's lock: the refreshing thread may replace the list meanwhile.
    UserList GetUserList() const;
    void SetUserList(const UserList& list);

private:
    static Site* ms_instance;

    mutable std::mutex m_listLock;
    UserList m_users;
};
