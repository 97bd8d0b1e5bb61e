#include "net/Util.h"

#include <memory>

#include <wx/dynlib.h>
#include <wx/intl.h>
#include <wx/log.h>
#include <wx/mimetype.h>
#include <wx/stdpaths.h>
#include <wx/utils.h>

wxFileName Util::GetApplicationFileName()
{
    return wxFileName(wxStandardPaths::Get().GetExecutablePath());
}

wxFileName Util::GetPluginFileName()
{
    return PluginFileNameFor(GetApplicationFileName());
}

wxFileName Util::PluginFileNameFor(const wxFileName& application)
{
    wxFileName name(application);
    wxString extension = wxDynamicLibrary::GetDllExt(wxDL_MODULE);
    if (extension.StartsWith("."))
        extension.Remove(0, 1);
    name.SetExt(extension);
    return name;
}

wxFileName Util::SkinFileNameFor(const wxFileName& application)
{
    wxFileName name(application);
    name.SetExt("skin");
    return name;
}

void Util::ReportNoBrowser(const wxString& url)
{
    // Logged last, so that the log box shows it and not the technical line before it.
    wxLogError(_("No web browser is set up on this computer, so this page could not be opened:\n%s"), url);
}

bool Util::LaunchBrowser(const wxString& url)
{
    wxMimeTypesManager manager;
    std::unique_ptr<wxFileType> type(manager.GetFileTypeFromExtension("html"));
    if (!type) {
        wxLogError(_("can not get filetype for html"));
        ReportNoBrowser(url);
        return false;
    }
    wxString command;
    if (!type->GetOpenCommand(&command, wxFileType::MessageParameters(url, wxString())) ||
        command.empty()) {
        // Many desktops name a default browser without registering it for the extension.
        if (wxLaunchDefaultBrowser(url))
            return true;
        wxLogError(_("can not get command for html"));
        ReportNoBrowser(url);
        return false;
    }
    command.Replace("file://", wxString());
    wxExecute(command, wxEXEC_ASYNC);
    return true;
}
