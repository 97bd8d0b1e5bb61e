#pragma once

#include <memory>

#include <wx/app.h>
#include <wx/filename.h>
#include <wx/intl.h>
#include <wx/timer.h>

#include "InstanceLock.h"

class wxDynamicLibrary;

// The Sorvik host: loads the site plug-in beside itself and runs it until its windows are gone.
class HostApp : public wxApp {
public:
    bool OnInit() override;
    int OnExit() override;
    void OnInitCmdLine(wxCmdLineParser& parser) override;
    bool OnCmdLineParsed(wxCmdLineParser& parser) override;
    static void DescribeCommandLine(wxCmdLineParser& parser);

private:
    bool LoadPlugin();
    // Lets the plug-in update itself; true when a new plug-in was put in place and the host
    // should start again to run it.
    bool ApplyUpdate();
    void UnloadPlugin();
    // False (after a message on stderr) when the settings cannot be used.
    bool SetUpConfiguration();
    void RemoveStalePlugin();
    void SetUpLocale();
    static void OnSignal(int signal);
    // Ends the modal dialogs, then (once their loops have returned) closes every window.
    void Stop();
    void ShowMainWindow();

    wxFileName m_self; // the host executable
    wxString m_pluginPath;
    wxString m_configPath;
    bool m_skipUpdate = false;
    wxDynamicLibrary* m_plugin = nullptr;
    std::unique_ptr<wxLocale> m_locale;
    wxTimer m_stopTimer;
    InstanceLock m_instance;
};
