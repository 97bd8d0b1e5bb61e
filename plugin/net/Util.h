#pragma once

#include <wx/filename.h>

// Where the installation's files are: beside the host executable, named after it.
class Util {
public:
    // The host executable's real path (argv[0] may be a bare name found on PATH, or relative).
    static wxFileName GetApplicationFileName();
    // The application file with the platform's shared-library extension: host -> host.so.
    static wxFileName GetPluginFileName();

    // Opens the address with the desktop's program for HTML; false when none can be found.
    // Never waits for the browser.
    static bool LaunchBrowser(const wxString& url);
    // Starts the desktop's default handler of the address's scheme; false when there is none.
    static bool LaunchDefaultHandler(const wxString& url);
    // The line a user reads when no browser is set up: what could not be opened.
    static void ReportNoBrowser(const wxString& url);

    static wxFileName PluginFileNameFor(const wxFileName& application);
    static wxFileName SkinFileNameFor(const wxFileName& application);
};
