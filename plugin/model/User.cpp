#include "model/User.h"

User::User(const wxString& name, unsigned long status)
    : m_name(name), m_status(status & 0xFFFFFFFFUL)
{
}

void User::SetStatus(unsigned long status)
{
    m_status = status & 0xFFFFFFFFUL;
}

bool User::operator==(const User& other) const
{
    // wxString comparison is exact: same length, same characters, case-sensitive.
    return m_status == other.m_status && m_name == other.m_name;
}
