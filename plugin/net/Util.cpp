#include "net/Util.h"

#include <memory>

#include <gio/gio.h>

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
    if (type->GetOpenCommand(&command, wxFileType::MessageParameters(url, wxString())) && !command.empty()) {
        command.Replace("file://", wxString());
        wxExecute(command, wxEXEC_ASYNC);
        return true;
    }
    // Many desktops name a default browser (GIO's default handler for the address's scheme)
    // without registering a command for the extension.
    if (LaunchDefaultHandler(url))
        return true;
    wxLogError(_("can not get command for html"));
    ReportNoBrowser(url);
    return false;
}

bool Util::LaunchDefaultHandler(const wxString& url)
{
    wxString address = url;
    address.Replace("file://", wxString());
    const wxScopedCharBuffer utf8 = address.utf8_str();
    char* scheme = g_uri_parse_scheme(utf8.data());
    // A path (what a "file://" address becomes) opens in the program for HTML documents.
    GAppInfo* app = scheme ? g_app_info_get_default_for_uri_scheme(scheme)
                           : g_app_info_get_default_for_type("text/html", FALSE);
    g_free(scheme);
    if (!app)
        return false;
    GFile* file = g_file_new_for_commandline_arg(utf8.data());
    GList* files = g_list_append(nullptr, file);
    // Only started, never waited for.
    const gboolean started = g_app_info_launch(app, files, nullptr, nullptr);
    g_list_free(files);
    g_object_unref(file);
    g_object_unref(app);
    return started;
}
