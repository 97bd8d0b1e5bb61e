#pragma once

#include <wx/protocol/http.h>

// The toolkit's HTTP client with Basic credentials.
class wxHTTP2 : public wxHTTP {
public:
    wxHTTP2() = default;
    ~wxHTTP2() override = default;

    // Hide the base's own, which would add a header even for a password without a user.
    void SetUser(const wxString& user) { m_basicUser = user; }
    void SetPassword(const wxString& passwd) { m_basicPassword = passwd; }
    const wxString& GetUser() const { return m_basicUser; }

    // "Basic " and the encoded "user:password"; empty when there is no user name.
    wxString GetAuthorization() const;

    wxInputStream* GetInputStream(const wxString& path) override;

private:
    wxString m_basicUser;
    wxString m_basicPassword;
};
