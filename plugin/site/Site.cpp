#include "site/Site.h"

Site* Site::ms_instance = nullptr;

Site::Site() : m_users(std::make_shared<const UserList>())
{
    ms_instance = this;
}

Site::~Site()
{
    // Nothing may reach a destroyed site through the instance pointer.
    if (ms_instance == this)
        ms_instance = nullptr;
}

Site* Site::GetInstance()
{
    return ms_instance;
}

UserList Site::GetUserList() const
{
    std::lock_guard<std::mutex> guard(m_listLock);
    return *m_users;
}

std::shared_ptr<const UserList> Site::GetSharedUserList() const
{
    std::lock_guard<std::mutex> guard(m_listLock);
    return m_users;
}

void Site::SetUserList(UserList list)
{
    auto shared = std::make_shared<const UserList>(std::move(list));
    std::lock_guard<std::mutex> guard(m_listLock);
    m_users.swap(shared);
}
