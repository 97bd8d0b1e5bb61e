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

    // Which account, and what it is for: the user may have several on other sites.
    auto* purpose = new wxStaticText(
        this, wxID_ANY,
        wxString::Format(_("Your account on %s. Statuscope signs in with it to show your favorites "
                           "and your mail."),
                         Settings::HostName(Settings::Host::Main)));

    const int border = wxSizerFlags::GetDefaultBorder();
    auto* grid = new wxFlexGridSizer(2, 2, border, 2 * border);
    grid->AddGrowableCol(1);
    grid->Add(userLabel, wxSizerFlags().CenterVertical());
    grid->Add(m_user, wxSizerFlags().Expand());
    grid->Add(passwordLabel, wxSizerFlags().CenterVertical());
    grid->Add(m_password, wxSizerFlags().Expand());
    auto* account = new wxStaticBoxSizer(box, wxVERTICAL);
    account->Add(grid, wxSizerFlags().Expand().Border(wxALL));

    auto* buttons = new wxStdDialogButtonSizer;
    buttons->AddButton(ok);
    buttons->AddButton(cancel);
    buttons->Realize();

    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(purpose, wxSizerFlags().Expand().DoubleBorder(wxLEFT | wxRIGHT | wxTOP));
    top->Add(account, wxSizerFlags().Expand().DoubleBorder(wxALL));
    top->Add(buttons, wxSizerFlags().Expand().DoubleBorder(wxLEFT | wxRIGHT | wxBOTTOM));
    // Room for a typical password (16 dots) and, on the window manager's title bar, for the
    // title next to its buttons, in any language.
    const int fieldWidth = std::max(ConvertDialogToPixels(wxSize(120, 0)).x,
                                    GetTextExtent(wxString(wxUniChar(0x25CF), 16)).x + 16);
    m_user->SetMinSize(wxSize(fieldWidth, -1));
    m_password->SetMinSize(wxSize(fieldWidth, -1));
    // The sentence wraps to the fields' width rather than widening the dialog.
    purpose->Wrap(fieldWidth + GetTextExtent(passwordLabel->GetLabel()).x + 6 * border);
    SetSizerAndFit(top);
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
