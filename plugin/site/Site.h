#pragma once

#include <ctime>
#include <memory>
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
    // The current list itself, never changed once set: the refreshing thread keeps it as the
    // one the next list is compared with, rather than a second copy of every performer.
    std::shared_ptr<const UserList> GetSharedUserList() const;
    void SetUserList(UserList list);

private:
    static Site* ms_instance;

    mutable std::mutex m_listLock;
    std::shared_ptr<const UserList> m_users;
};
