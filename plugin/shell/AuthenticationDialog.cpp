#include "shell/AuthenticationDialog.h"

#include <algorithm>

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "app/AccountPassword.h"
#include "app/Keys.h"
#include "app/Settings.h"

wxBEGIN_EVENT_TABLE(AuthenticationDialog, wxDialog)
    EVT_BUTTON(wxID_OK, AuthenticationDialog::OnOK)
wxEND_EVENT_TABLE()

AuthenticationDialog::AuthenticationDialog(wxWindow* parent, wxWindowID id, const wxString& title,
                                           const wxPoint& pos, const wxSize& size, long style)
{
    Create(parent, id, title, pos, size, style, wxDialogNameStr);
    auto* box = new wxStaticBox(this, wxID_ANY, _("Account"));
    auto* userLabel = new wxStaticText(this, wxID_ANY, _("Username"));
    m_user = new wxTextCtrl(this, wxID_ANY);
    auto* passwordLabel = new wxStaticText(this, wxID_ANY, _("Password"));
    m_password = new wxTextCtrl(this, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize,
                                wxTE_PASSWORD);
    auto* ok = new wxButton(this, wxID_OK, _("OK"));
    auto* cancel = new wxButton(this, wxID_CANCEL, _("Cancel"));
    SetTitle(_("Authentication"));

    auto* top = new wxBoxSizer(wxVERTICAL);
    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    auto* account = new wxStaticBoxSizer(box, wxVERTICAL);
    auto* grid = new wxFlexGridSizer(2, 2, 0, 0);
    grid->Add(userLabel, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
    grid->Add(m_user, 0, wxEXPAND, 0);
    grid->Add(passwordLabel, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
    grid->Add(m_password, 0, wxEXPAND, 0);
    account->Add(grid, 0, wxEXPAND, 0);
    top->Add(account, 0, wxALL, 8);
    buttons->Add(ok, 0, 0, 0);
    buttons->Add(cancel, 0, 0, 0);
    top->Add(buttons, 0, wxALL | wxALIGN_RIGHT, 4);
    // Room for a typical password (16 dots) and, on the window manager's title bar, for the
    // title next to its buttons, in any language.
    const int fieldWidth = std::max(ConvertDialogToPixels(wxSize(100, 0)).x,
                                    GetTextExtent(wxString(wxUniChar(0x25CF), 16)).x + 16);
    m_user->SetMinSize(wxSize(fieldWidth, -1));
    m_password->SetMinSize(wxSize(fieldWidth, -1));
    SetAutoLayout(true);
    SetSizer(top);
    top->Fit(this);
    top->SetSizeHints(this);
    const int titleWidth = GetTextExtent(GetTitle()).x * 3 / 2 + 96;
    if (GetSize().x < titleWidth) {
        SetMinSize(wxSize(titleWidth, GetSize().y));
        SetSize(wxSize(titleWidth, GetSize().y));
    }
    Layout();

    m_user->SetValue(Keys::Id.Read());
    m_password->SetValue(AccountPassword::Get());
    ok->SetDefault();
}

void AuthenticationDialog::OnOK(wxCommandEvent& event)
{
    Keys::Id.Write(m_user->GetValue());
    Settings::Flush();
    // Into the keyring when there is one; the settings file otherwise.
    AccountPassword::Set(m_password->GetValue());
    event.Skip();
}
