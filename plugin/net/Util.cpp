#include "net/Util.h"

#include <wx/dynlib.h>
#include <wx/stdpaths.h>

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
