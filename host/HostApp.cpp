#include "HostApp.h"
#include "WindowReport.h"

#include <atomic>
#include <csignal>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include <wx/cmdline.h>
#include <wx/dynlib.h>
#include <wx/dynload.h>
#include <wx/filename.h>
#include <wx/fileconf.h>
#include <wx/log.h>
#include <wx/stdpaths.h>
#include <wx/toplevel.h>

wxIMPLEMENT_APP_NO_MAIN(HostApp);

namespace {

// Set when an updated plug-in was put in place: the process starts again once the toolkit is
// down and the display closed.
std::string g_restartPath;
// Set once the toolkit came up.
bool g_started = false;
constexpr int kStartAttempts = 5;

std::atomic<bool> g_stopRequested{false};
std::atomic<bool> g_reportRequested{false};

void OnStopSignal(int)
{
    g_stopRequested = true;
}

void OnReportSignal(int)
{
    g_reportRequested = true;
}

// Sends the toolkit's log to stderr while it lives: a log dialog would hang a headless run.
class StderrLog {
public:
    StderrLog() : m_previous(wxLog::SetActiveTarget(&m_log)) {}
    ~StderrLog() { wxLog::SetActiveTarget(m_previous); }
    StderrLog(const StderrLog&) = delete;
    StderrLog& operator=(const StderrLog&) = delete;

private:
    wxLogStderr m_log;
    wxLog* m_previous;
};

void Fail(const wxString& message)
{
    std::fprintf(stderr, "sorvik: %s\n", static_cast<const char*>(message.utf8_str()));
}

void StartAgain(char** argv, int attempt)
{
    char self[4096];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        return;
    self[length] = '\0';
    ::setenv("SORVIK_RESTARTED", std::to_string(attempt).c_str(), 1);
    ::execv(self, argv);
    std::fprintf(stderr, "sorvik: cannot start again: %s\n", std::strerror(errno));
}

} // namespace

int main(int argc, char** argv)
{
    const int status = wxEntry(argc, argv);
    if (!g_restartPath.empty()) {
        std::fprintf(stderr, "sorvik: the plug-in was updated, starting again\n");
        std::fflush(stderr);
        StartAgain(argv, 1);
        return 1;
    }
    // Right after the updated process let go of it, the display now and then refuses the new
    // one (seen under Xvfb): try again shortly rather than leave the user with nothing.
    const char* restarted = std::getenv("SORVIK_RESTARTED");
    const int attempt = restarted ? std::atoi(restarted) : 0;
    if (!g_started && attempt > 0 && attempt < kStartAttempts) {
        ::usleep(300 * 1000);
        StartAgain(argv, attempt + 1);
    }
    return status;
}

void HostApp::OnInitCmdLine(wxCmdLineParser& parser)
{
    parser.SetLogo("Sorvik host: runs the site plug-in that lies beside it.");
    parser.AddSwitch("h", "help", "show this help", wxCMD_LINE_OPTION_HELP);
    parser.AddOption("c", "config", "settings file to use instead of ~/.config/Ruvidodur.conf");
    parser.AddOption("p", "plugin", "plug-in library to load instead of the one beside the host");
    parser.AddSwitch("n", "no-update", "do not ask the site for a newer plug-in");
}

bool HostApp::OnCmdLineParsed(wxCmdLineParser& parser)
{
    parser.Found("config", &m_configPath);
    parser.Found("plugin", &m_pluginPath);
    m_skipUpdate = parser.Found("no-update");
    return true;
}

bool HostApp::OnInit()
{
    g_started = true;
    if (!wxApp::OnInit())
        return false;
    wxStandardPaths::Get().SetFileLayout(wxStandardPaths::FileLayout_XDG);
    m_self = wxFileName(wxStandardPaths::Get().GetExecutablePath());
    if (m_pluginPath.empty()) {
        wxFileName plugin(m_self);
        plugin.SetExt("so");
        m_pluginPath = plugin.GetFullPath();
    }
    // The catalogue lies beside the host under ja/LC_MESSAGES/, named after it.
    wxLocale::AddCatalogLookupPathPrefix(m_self.GetPath());
    SetUpLocale();
    if (!LoadPlugin())
        return false;
    SetUpConfiguration();
    if (!m_skipUpdate && ApplyUpdate()) {
        g_restartPath = m_self.GetFullPath().ToStdString();
        UnloadPlugin(); // OnExit does not run after a failed start
        return false;
    }

    using SiteRunFunction = bool (*)();
    auto siteRun = reinterpret_cast<SiteRunFunction>(m_plugin->GetSymbol("SiteRun"));
    if (!siteRun) {
        Fail(m_pluginPath + " has no SiteRun");
        UnloadPlugin(); // OnExit does not run after a failed start
        return false;
    }
    siteRun();

    // A polite end on SIGTERM or SIGINT: the plug-in's windows close and save their state.
    std::signal(SIGTERM, OnStopSignal);
    std::signal(SIGINT, OnStopSignal);
    // SIGUSR1 prints what the windows show, for support and scripted checks.
    std::signal(SIGUSR1, OnReportSignal);
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
    {
        StderrLog toStderr; // a load failure would otherwise be reported in a modal dialog
        m_plugin = wxPluginManager::LoadLibrary(m_pluginPath);
    }
    if (!m_plugin) {
        Fail("cannot load the plug-in " + m_pluginPath);
        return false;
    }
    return true;
}

bool HostApp::ApplyUpdate()
{
    using GetNewPluginFileNameFunction = wxFileName* (*)();
    if (!m_plugin->HasSymbol("GetNewPluginFileName"))
        return false;
    auto getNewPluginFileName =
        reinterpret_cast<GetNewPluginFileNameFunction>(m_plugin->GetSymbol("GetNewPluginFileName"));
    // A catalogue the call installs is only read by a locale set up afterwards.
    const wxString catalogue = m_self.GetPathWithSep() + "ja/LC_MESSAGES/" + m_self.GetName() + ".mo";
    const bool cataloguePending = wxFileName::FileExists(catalogue + ".new");
    const wxFileName* update = getNewPluginFileName();
    if (cataloguePending)
        SetUpLocale();
    if (!update)
        return false;

    wxString target = update->GetFullPath();
    if (!target.EndsWith(".new", &target) || !wxFileName::FileExists(update->GetFullPath()))
        return false;
    // rename() replaces the library atomically; the old one stays mapped until the restart.
    if (std::rename(update->GetFullPath().fn_str(), target.fn_str()) != 0) {
        Fail("cannot put the new plug-in in place at " + target);
        return false;
    }
    if (target != m_pluginPath)
        return false;
    if (wxGetenv("SORVIK_RESTARTED")) {
        // Already restarted once for an update: run on, the next start takes the new one.
        Fail("a further update was installed; it runs from the next start");
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
    m_locale.reset();
    if (!wxLocale::IsAvailable(wxLANGUAGE_DEFAULT))
        return;
    m_locale = std::make_unique<wxLocale>();
    if (!m_locale->Init(wxLANGUAGE_DEFAULT, wxLOCALE_LOAD_DEFAULT)) {
        m_locale.reset();
        return;
    }
    // A damaged catalogue is reported on stderr, not in a dialog, and the texts stay English.
    StderrLog toStderr;
    m_locale->AddCatalog(m_self.GetName());
}

void HostApp::OnSignalTimer(wxTimerEvent&)
{
    if (g_reportRequested.exchange(false)) {
        std::fputs(WindowReport::Describe().utf8_str(), stdout);
        std::fflush(stdout);
    }
    if (!g_stopRequested)
        return;
    m_signalTimer.Stop();
    // Nobody may be there to close a dialog: what goes wrong while closing goes to stderr.
    delete wxLog::SetActiveTarget(new wxLogStderr);
    for (wxWindow* window : wxTopLevelWindows)
        window->Destroy();
}

void HostApp::UnloadPlugin()
{
    // The plug-in's module clean-up runs here; its windows and threads are gone by now.
    if (m_plugin)
        wxPluginManager::UnloadLibrary(m_pluginPath);
    m_plugin = nullptr;
    delete wxConfigBase::Set(nullptr);
}

int HostApp::OnExit()
{
    m_signalTimer.Stop();
    UnloadPlugin();
    return wxApp::OnExit();
}
