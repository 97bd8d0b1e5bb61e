#pragma once

#include <wx/dialog.h>

class wxTextCtrl;

// Asks for the site account; OK stores it.
class AuthenticationDialog : public wxDialog {
public:
    AuthenticationDialog(wxWindow* parent, wxWindowID id, const wxString& title,
                         const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize,
                         long style = wxDEFAULT_DIALOG_STYLE);

    void OnOK(wxCommandEvent& event);

    wxTextCtrl* GetUserField() const { return m_user; }
    wxTextCtrl* GetPasswordField() const { return m_password; }

private:
    wxTextCtrl* m_user;
    wxTextCtrl* m_password;

    wxDECLARE_EVENT_TABLE();
};
