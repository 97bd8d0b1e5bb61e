#pragma once

#include <memory>

#include <wx/app.h>
#include <wx/intl.h>
#include <wx/timer.h>

class wxDynamicLibrary;

// The Sorvik host: loads the site plug-in beside itself and runs it until its windows are gone.
class HostApp : public wxApp {
public:
    bool OnInit() override;
    int OnExit() override;
    void OnInitCmdLine(wxCmdLineParser& parser) override;
    bool OnCmdLineParsed(wxCmdLineParser& parser) override;

private:
    bool LoadPlugin();
    void SetUpConfiguration();
    void SetUpLocale();
    void OnSignalTimer(wxTimerEvent& event);

    wxString m_pluginPath;
    wxString m_configPath;
    wxDynamicLibrary* m_plugin = nullptr;
    std::unique_ptr<wxLocale> m_locale;
    wxTimer m_signalTimer;
};
