#pragma once

#include <wx/string.h>

// A browser registered for HTML in a throw-away XDG data folder; it records the address it was
// started with.
class FakeBrowser {
public:
    FakeBrowser();
    ~FakeBrowser();
    FakeBrowser(const FakeBrowser&) = delete;
    FakeBrowser& operator=(const FakeBrowser&) = delete;

    // Waits (running queued events) for the next start; empty when none came.
    wxString WaitForAddress(int timeoutMs = 5000);

private:
    wxString m_dir;
    wxString m_record;
    wxString m_oldDataHome;
    bool m_hadDataHome = false;
};
