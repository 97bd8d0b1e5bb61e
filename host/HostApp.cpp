#include "HostApp.h"

#include <atomic>
#include <csignal>
#include <cstdio>

#include <sys/stat.h>

#include <wx/cmdline.h>
#include <wx/dir.h>
#include <wx/dynlib.h>
#include <wx/dynload.h>
#include <wx/filename.h>
#include <wx/fileconf.h>
#include <wx/log.h>
#include <wx/stdpaths.h>
#include <wx/toplevel.h>

wxIMPLEMENT_APP(HostApp);

namespace {

std::atomic<bool> g_stopRequested{false};

void OnStopSignal(int)
{
    g_stopRequested = true;
}

void Fail(const wxString& message)
{
    std::fprintf(stderr, "sorvik: %s\n", static_cast<const char*>(message.utf8_str()));
}

} // namespace

void HostApp::OnInitCmdLine(wxCmdLineParser& parser)
{
    parser.SetLogo("Sorvik host: runs the site plug-in that lies beside it.");
    parser.AddSwitch("h", "help", "show this help", wxCMD_LINE_OPTION_HELP);
    parser.AddOption("c", "config", "settings file to use instead of ~/.config/Ruvidodur.conf");
    parser.AddOption("p", "plugin", "plug-in library to load instead of the one beside the host");
}

bool HostApp::OnCmdLineParsed(wxCmdLineParser& parser)
{
    parser.Found("config", &m_configPath);
    parser.Found("plugin", &m_pluginPath);
    return true;
}

bool HostApp::OnInit()
{
    if (!wxApp::OnInit())
        return false;
    wxStandardPaths::Get().SetFileLayout(wxStandardPaths::FileLayout_XDG);
    const wxFileName self(wxStandardPaths::Get().GetExecutablePath());
    if (m_pluginPath.empty()) {
        wxFileName plugin(self);
        plugin.SetExt("so");
        m_pluginPath = plugin.GetFullPath();
    }
    SetUpLocale();
    if (!LoadPlugin())
        return false;
    SetUpConfiguration();

    using SiteRunFunction = bool (*)();
    auto siteRun = reinterpret_cast<SiteRunFunction>(m_plugin->GetSymbol("SiteRun"));
    if (!siteRun) {
        Fail(m_pluginPath + " has no SiteRun");
        return false;
    }
    siteRun();

    // A polite end on SIGTERM or SIGINT: the plug-in's windows close and save their state.
    std::signal(SIGTERM, OnStopSignal);
    std::signal(SIGINT, OnStopSignal);
    m_signalTimer.Bind(wxEVT_TIMER, &HostApp::OnSignalTimer, this);
    m_signalTimer.Start(200);
    return true;
}

bool HostApp::LoadPlugin()
{
    if (!wxFileName::FileExists(m_pluginPath)) {
        Fail("no plug-in at " + m_pluginPath);
        return false;
    }
    // A load failure would otherwise be reported in a modal dialog.
    wxLogStderr* stderrLog = new wxLogStderr;
    wxLog* previous = wxLog::SetActiveTarget(stderrLog);
    m_plugin = wxPluginManager::LoadLibrary(m_pluginPath);
    wxLog::SetActiveTarget(previous);
    delete stderrLog;
    if (!m_plugin) {
        Fail("cannot load the plug-in " + m_pluginPath);
        return false;
    }
    return true;
}

void HostApp::SetUpConfiguration()
{
    // After the plug-in named the application, so the file is named after it.
    wxString path = m_configPath;
    if (path.empty())
        path = wxFileConfig::GetLocalFileName(GetAppName(), wxCONFIG_USE_LOCAL_FILE);
    wxFileName::Mkdir(wxFileName(path).GetPath(), wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    // The file holds the account's password: its owner alone may read it.
    if (wxFileName::FileExists(path))
        ::chmod(path.fn_str(), S_IRUSR | S_IWUSR);
    auto* config = new wxFileConfig(GetAppName(), GetVendorName(), path, wxString(),
                                    wxCONFIG_USE_LOCAL_FILE);
    config->SetUmask(0077);
    delete wxConfigBase::Set(config);
}

void HostApp::SetUpLocale()
{
    if (!wxLocale::IsAvailable(wxLANGUAGE_DEFAULT))
        return;
    m_locale = std::make_unique<wxLocale>();
    if (!m_locale->Init(wxLANGUAGE_DEFAULT, wxLOCALE_LOAD_DEFAULT)) {
        m_locale.reset();
        return;
    }
    wxLocale::AddCatalogLookupPathPrefix(wxFileName(wxStandardPaths::Get().GetExecutablePath()).GetPath());
    m_locale->AddCatalog("sorvik");
}

void HostApp::OnSignalTimer(wxTimerEvent&)
{
    if (!g_stopRequested)
        return;
    m_signalTimer.Stop();
    for (wxWindow* window : wxTopLevelWindows)
        window->Destroy();
}

int HostApp::OnExit()
{
    m_signalTimer.Stop();
    // The plug-in's module clean-up runs here; its windows and threads are gone by now.
    if (m_plugin)
        wxPluginManager::UnloadLibrary(m_pluginPath);
    m_plugin = nullptr;
    delete wxConfigBase::Set(nullptr);
    return wxApp::OnExit();
}
