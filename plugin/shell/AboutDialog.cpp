#include "shell/AboutDialog.h"

#include <wx/button.h>
#include <wx/intl.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/utils.h>

#include "app/DataFiles.h"
#include "app/Settings.h"
#include "net/HttpClient.h"

AboutDialog::AboutDialog(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, _("About Sorvik Statuscope"), wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxCLOSE_BOX | wxSYSTEM_MENU)
{
    auto* top = new wxBoxSizer(wxVERTICAL);
    const int gap = wxSizerFlags::GetDefaultBorder();
    auto* name = new wxStaticText(this, wxID_ANY, _("Sorvik Statuscope"));
    name->SetFont(name->GetFont().Bold().Larger());
    top->Add(name, 0, wxLEFT | wxRIGHT | wxTOP, gap * 2);
    wxString settings;
    if (!wxGetEnv("SORVIK_SETTINGS_FILE", &settings))
        settings = _("kept by the host application");
    const wxString data = DataFiles::Folder();
    const wxString lines[] = {
        wxString::Format(_("Version %s"), wxString::FromUTF8(HttpClient::GetProductVersion())),
        _("Watches the performers of the Tabuno site from your desktop."),
        wxString::Format(_("Site: %s"), Settings::HostName(Settings::Host::Main)),
        _("Licence: proprietary; all rights reserved."),
        wxString::Format(_("Settings: %s"), settings),
        wxString::Format(_("Data: %s"), data.empty() ? wxString(_("none")) : data),
    };
    for (const wxString& text : lines)
        top->Add(new wxStaticText(this, wxID_ANY, text), 0, wxLEFT | wxRIGHT | wxTOP, gap * 2);
    auto* close = new wxButton(this, wxID_CANCEL, _("Close"));
    close->SetDefault();
    SetEscapeId(wxID_CANCEL);
    top->Add(close, 0, wxALIGN_RIGHT | wxALL, gap * 2);
    SetSizerAndFit(top);
    CentreOnParent();
}
