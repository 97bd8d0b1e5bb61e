#pragma once

#include <wx/string.h>

#include "model/UserStatus.h"

// One performer: a case-sensitive name and a status word.
class User {
public:
    User() = default;
    User(const wxString& name, unsigned long status);
    ~User() = default;

    User(const User&) = default;
    User& operator=(const User&) = default;

    const wxString& GetName() const { return m_name; }
    unsigned long GetStatus() const { return m_status; }
    void SetStatus(unsigned long status);

    bool operator==(const User& other) const;
    bool operator!=(const User& other) const { return !(*this == other); }

private:
    wxString m_name;
    // 32 bits are meaningful; unsigned long keeps the toolkit-era signatures.
    unsigned long m_status = 0;
};
