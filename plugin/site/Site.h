#pragma once

#include <ctime>
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
    // After a failed refresh: how long to wait before the next try (0: at once).
    virtual long RetryDelayMs() const { return 0; }
    // After a successful refresh: true when the site said the list had not changed, so there
    // is nothing to compare.
    virtual bool WasUnchanged() const { return false; }
    // Since when (wall clock) the site cannot be reached; 0 while it can.
    virtual std::time_t OfflineSince() const { return 0; }
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
