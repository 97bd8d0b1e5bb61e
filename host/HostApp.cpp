#include "HostApp.h"
#include "app/CatalogueCheck.h"
#include "InstanceLock.h"
#include "LoopProbe.h"
#include "SettingsFileCheck.h"
#include "WindowReport.h"

#include <csignal>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <elf.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <dlfcn.h>
#include <unistd.h>

#include <wx/cmdline.h>
#include <wx/dynlib.h>
#include <wx/dynload.h>
#include <wx/filename.h>
#include <wx/fileconf.h>
#include <wx/log.h>
#include <wx/msgout.h>
#include <wx/stdpaths.h>
#include <wx/dialog.h>
#include <wx/frame.h>
#include <wx/toplevel.h>

wxIMPLEMENT_APP_NO_MAIN(HostApp);

namespace {

// Set when an updated plug-in was put in place: the process starts again once the toolkit is
// down and the display closed.
std::string g_restartPath;
// Set once the toolkit came up.
bool g_started = false;
constexpr const char* kApplicationId = "com.sorvik.Statuscope";
constexpr int kStartAttempts = 5;

// Set by SIGTERM or SIGINT: the process ends politely, and successfully.
bool g_stopRequested = false;
// Set when another host runs with the same settings: this one ends at once, successfully.
bool g_alreadyRunning = false;
// While modal dialogs unwind at a stop, the windows are closed this much later.
constexpr int kStopRetryMs = 50;
constexpr int kStopRecheckMs = 200;

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

constexpr size_t kMaxCatalogueBytes = 16u * 1024u * 1024u;

// The file's bytes, at most 'limit' of them plus one (so that a larger one is seen to be).
std::string ReadWhole(const wxString& path, size_t limit)
{
    std::string bytes;
    FILE* file = std::fopen(path.fn_str(), "rb");
    if (!file)
        return bytes;
    char piece[16384];
    size_t got = 0;
    while ((got = std::fread(piece, 1, sizeof piece, file)) > 0 && bytes.size() <= limit)
        bytes.append(piece, got);
    std::fclose(file);
    return bytes;
}

constexpr int kPluginCheckSeconds = 20;

// Whether the library at 'path' loads and has both entry points: a truncated download would
// otherwise be installed and crash every later start. Loaded in a process of its own (this
// program, started with --check-plugin), so that a crash in the library ends only that one.
bool PluginLoads(const wxString& path)
{
    char self[4096];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        return true; // cannot check: as before
    self[length] = '\0';
    const std::string library = path.ToStdString();
    char option[] = "--check-plugin";
    char* const arguments[] = {self, option, const_cast<char*>(library.c_str()), nullptr};
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int spawned = ::posix_spawn(&child, self, &quiet, nullptr, arguments, environ);
    posix_spawn_file_actions_destroy(&quiet);
    if (spawned != 0)
        return true;
    int status = 0;
    for (int waited = 0; waited < kPluginCheckSeconds * 50; ++waited) {
        if (::waitpid(child, &status, WNOHANG) == child)
            return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        ::usleep(20 * 1000);
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
    return false;
}

// Whether the shared library at 'path' holds every byte its headers name: the system maps a
// library cut short and then dies of SIGBUS on the missing pages, before any check of ours.
bool ElfWhole(const wxString& path)
{
    const int fd = ::open(path.fn_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info {};
    Elf64_Ehdr header {};
    bool whole = ::fstat(fd, &info) == 0 && ::pread(fd, &header, sizeof header, 0) == sizeof header &&
                 std::memcmp(header.e_ident, ELFMAG, SELFMAG) == 0 && header.e_ident[EI_CLASS] == ELFCLASS64 &&
                 header.e_phentsize == sizeof(Elf64_Phdr);
    const auto size = static_cast<uint64_t>(info.st_size);
    const auto within = [size](uint64_t offset, uint64_t length) { return offset <= size && length <= size - offset; };
    whole = whole && within(header.e_phoff, uint64_t{header.e_phnum} * sizeof(Elf64_Phdr)) &&
            within(header.e_shoff, uint64_t{header.e_shnum} * header.e_shentsize);
    for (unsigned i = 0; whole && i < header.e_phnum; ++i) {
        Elf64_Phdr segment {};
        whole = ::pread(fd, &segment, sizeof segment, static_cast<off_t>(header.e_phoff + i * sizeof segment)) ==
                    sizeof segment &&
                (segment.p_type != PT_LOAD || within(segment.p_offset, segment.p_filesz));
    }
    ::close(fd);
    return whole;
}

// The check's own process: loads the library and looks for the entry points, nothing else.
int CheckPlugin(const char* path)
{
    if (!ElfWhole(path)) {
        std::fprintf(stderr, "sorvik: %s is cut short\n", path);
        return 1;
    }
    void* library = ::dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        std::fprintf(stderr, "sorvik: %s\n", ::dlerror());
        return 1;
    }
    const bool whole = ::dlsym(library, "SiteRun") && ::dlsym(library, "GetNewPluginFileName");
    return whole ? 0 : 1;
}

// One name for the desktop to match windows, notifications and the desktop entry by: GTK takes
// the Wayland app id and the X11 window's class from it.
void NameTheApplication()
{
    using SetName = void (*)(const char*);
    if (auto set = reinterpret_cast<SetName>(::dlsym(RTLD_DEFAULT, "g_set_prgname")))
        set(kApplicationId);
}

// GTK cannot place top-level windows on a Wayland session, and the popups must stand where
// they are put: prefer the X server (XWayland) unless the user chose a backend. Looked up at
// run time: the toolkit loaded GDK already, and the host needs none of its headers.
void PreferX11Backend()
{
    if (std::getenv("GDK_BACKEND"))
        return;
    using SetAllowedBackends = void (*)(const char*);
    if (auto set = reinterpret_cast<SetAllowedBackends>(::dlsym(RTLD_DEFAULT, "gdk_set_allowed_backends")))
        set("x11,*");
}

// A usable settings path, absolute, or an empty string after a message on stderr: a folder, an
// unreadable or unwritable file, or a folder where no file can be made.
wxString CheckSettingsPath(const wxString& given)
{
    wxFileName name(given);
    name.MakeAbsolute(); // against the working folder, once, for every later use
    const wxString path = name.GetFullPath();
    struct stat info {};
    if (::stat(path.fn_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) {
            Fail("the settings path " + path + " is a folder, not a file");
            return wxString();
        }
        if (::access(path.fn_str(), R_OK | W_OK) != 0) {
            Fail("cannot read and write the settings file " + path + ": " + std::strerror(errno));
            return wxString();
        }
    }
    const wxString folder = name.GetPath();
    if (!wxFileName::DirExists(folder)) {
        wxLogNull quiet;
        if (!wxFileName::Mkdir(folder, 0700, wxPATH_MKDIR_FULL)) {
            Fail("cannot make the settings folder " + folder);
            return wxString();
        }
    }
    // The store is rewritten through a temporary file beside it.
    if (::access(folder.fn_str(), W_OK | X_OK) != 0) {
        Fail("cannot write in the settings folder " + folder + ": " + std::strerror(errno));
        return wxString();
    }
    return path;
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

// The toolkit's failed checks go to stderr: its box would stop the program (and SIGTERM with
// it) on a desktop where nobody answers it, for input that came from outside.
void AssertToStderr(const wxString& file, int line, const wxString& function, const wxString& condition,
                    const wxString& message)
{
    std::fprintf(stderr, "sorvik: the toolkit's check \"%s\" failed in %s (%s:%d)%s%s\n",
                 static_cast<const char*>(condition.utf8_str()), static_cast<const char*>(function.utf8_str()),
                 static_cast<const char*>(file.utf8_str()), line, message.empty() ? "" : ": ",
                 static_cast<const char*>(message.utf8_str()));
}

int main(int argc, char** argv)
{
    // Ended at once: nothing of the library (nor a leak checker) runs at its exit.
    if (argc == 3 && std::strcmp(argv[1], "--check-plugin") == 0)
        std::_Exit(CheckPlugin(argv[2]));
    // Help needs no display: answered before the toolkit opens one.
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            wxMessageOutputStderr toStdout(stdout);
            wxMessageOutput* previous = wxMessageOutput::Set(&toStdout);
            wxCmdLineParser parser(argc, argv);
            HostApp::DescribeCommandLine(parser);
            parser.Usage();
            wxMessageOutput::Set(previous);
            return 0;
        }
    NameTheApplication();
    PreferX11Backend();
    wxSetAssertHandler(&AssertToStderr);
    const int status = wxEntry(argc, argv);
    // Asked to stop (even before the window came): a clean end.
    if ((g_stopRequested || g_alreadyRunning) && g_restartPath.empty())
        return 0;
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

void HostApp::DescribeCommandLine(wxCmdLineParser& parser)
{
    parser.SetLogo("Sorvik host: runs the site plug-in that lies beside it.");
    parser.AddSwitch("h", "help", "show this help", wxCMD_LINE_OPTION_HELP);
    parser.AddOption("c", "config", "settings file to use instead of ~/.config/Ruvidodur.conf");
    parser.AddOption("p", "plugin", "plug-in library to load instead of the one beside the host");
    parser.AddSwitch("n", "no-update", "do not ask the site for a newer plug-in");
}

void HostApp::OnInitCmdLine(wxCmdLineParser& parser)
{
    DescribeCommandLine(parser);
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
    // The toolkit runs these on the user-interface thread, from its event loop (modal loops
    // included), woken through a pipe: nothing polls.
    // A polite end on SIGTERM or SIGINT from here on, also while the update asks its question:
    // the plug-in's windows close and save their state.
    SetSignalHandler(SIGTERM, &HostApp::OnSignal);
    SetSignalHandler(SIGINT, &HostApp::OnSignal);
    // SIGUSR1 prints what the windows show, for support and scripted checks.
    SetSignalHandler(SIGUSR1, &HostApp::OnSignal);
    // SIGUSR2: a second start asks this one to bring its window to the front.
    SetSignalHandler(SIGUSR2, &HostApp::OnSignal);
    m_stopTimer.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Stop(); });
    LoopProbe::StartIfAsked();

    if (!m_configPath.empty()) {
        m_configPath = CheckSettingsPath(m_configPath);
        if (m_configPath.empty())
            return false;
    }
    if (!LoadPlugin())
        return false;
    if (!SetUpConfiguration()) {
        UnloadPlugin();
        return false;
    }
    // Before the update: a second copy must neither replace the running plug-in nor poll.
    if (!m_instance.Acquire(m_configPath)) {
        const pid_t holder = m_instance.Holder();
        // What the launcher gave this start lets the running window take the focus.
        const char* token = std::getenv("XDG_ACTIVATION_TOKEN");
        if (!token || !*token)
            token = std::getenv("DESKTOP_STARTUP_ID");
        if (token && *token)
            InstanceLock::PassActivation(m_configPath, token);
        if (holder > 0 && ::kill(holder, SIGUSR2) == 0)
            Fail(wxString::Format("already running (process %d) with %s: its window is brought to the front",
                                  static_cast<int>(holder), m_configPath));
        else
            Fail("already running with " + m_configPath);
        g_alreadyRunning = true;
        UnloadPlugin();
        return false;
    }
    // Only the holder of the lock may: a first host may be asking the user about that very file,
    // or saving the settings.
    RemoveStalePlugin();
    SettingsFileCheck::RemoveLeftovers(m_configPath);
    // Installed where the user cannot write (a system package): the package manager updates it.
    const wxString pluginFolder = wxFileName(m_pluginPath).GetPath();
    if (!m_skipUpdate && ::access(pluginFolder.fn_str(), W_OK) != 0) {
        Fail("the plug-in's folder " + pluginFolder +
             " is not writable: no update from the site (the system's packages update it)");
        m_skipUpdate = true;
    }
    if (!m_skipUpdate && ApplyUpdate()) {
        g_restartPath = m_self.GetFullPath().ToStdString();
        UnloadPlugin(); // OnExit does not run after a failed start
        return false;
    }
    if (g_stopRequested) {
        UnloadPlugin();
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
    return true;
}

bool HostApp::LoadPlugin()
{
    if (!wxFileName::FileExists(m_pluginPath)) {
        Fail("no plug-in at " + m_pluginPath);
        return false;
    }
    if (ElfWhole(m_pluginPath)) {
        StderrLog toStderr; // a load failure would otherwise be reported in a modal dialog
        m_plugin = wxPluginManager::LoadLibrary(m_pluginPath);
    }
    if (!m_plugin) {
        // An installed update that does not load: back to the plug-in it replaced, once.
        const wxString previous = m_pluginPath + ".previous";
        if (wxFileName::FileExists(previous) && std::rename(previous.fn_str(), m_pluginPath.fn_str()) == 0) {
            Fail("the plug-in " + m_pluginPath + " does not load: going back to the previous one");
            StderrLog toStderr;
            if (ElfWhole(m_pluginPath))
                m_plugin = wxPluginManager::LoadLibrary(m_pluginPath);
        }
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
    // Only a library that loads replaces the one that works; that one is kept beside it.
    if (target == m_pluginPath && !PluginLoads(update->GetFullPath())) {
        Fail("the downloaded plug-in " + update->GetFullPath() + " does not load (cut short?): not installed");
        wxLogNull quiet;
        wxRemoveFile(update->GetFullPath());
        return false;
    }
    const wxString previous = m_pluginPath + ".previous";
    if (target == m_pluginPath) {
        ::unlink(previous.fn_str());
        if (::link(m_pluginPath.fn_str(), previous.fn_str()) != 0)
            Fail("cannot keep the running plug-in as " + previous);
    }
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

void HostApp::RemoveStalePlugin()
{
    // A new plug-in is put in place in the run that downloaded it; one found at start was
    // declined or left by an interrupted run.
    const wxString stale = m_pluginPath + ".new";
    if (wxFileName::FileExists(stale)) {
        wxLogNull quiet;
        wxRemoveFile(stale);
    }
}

bool HostApp::SetUpConfiguration()
{
    // After the plug-in named the application, so the file is named after it.
    wxString path = m_configPath;
    if (path.empty()) {
        path = CheckSettingsPath(wxFileConfig::GetLocalFileName(GetAppName(), wxCONFIG_USE_LOCAL_FILE));
        if (path.empty())
            return false;
        m_configPath = path;
    }
    // Another user's file is refused, a damaged one set aside, and the account's file is its
    // owner's alone.
    if (!SettingsFileCheck::Prepare(path))
        return false;
    auto* config = new wxFileConfig(GetAppName(), GetVendorName(), path, wxString(),
                                    wxCONFIG_USE_LOCAL_FILE);
    config->SetUmask(0077);
    delete wxConfigBase::Set(config);
    // Named in the plug-in's About box (before any of its threads runs).
    wxSetEnv("SORVIK_SETTINGS_FILE", path);
    return true;
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
    // The toolkit trusts a catalogue: one that is cut short or whose translations take other
    // arguments is refused whole, in one line, and the texts stay English.
    const wxString name = m_locale->GetCanonicalName();
    for (const wxString& language : {name, name.BeforeFirst('_')}) {
        const wxString path = m_self.GetPath() + "/" + language + "/LC_MESSAGES/" + m_self.GetName() + ".mo";
        if (!wxFileName::FileExists(path))
            continue;
        const std::string problem = CatalogueCheck::Problem(ReadWhole(path, kMaxCatalogueBytes));
        if (!problem.empty()) {
            Fail("the catalogue " + path + " is not used: " + wxString::FromUTF8(problem));
            return;
        }
    }
    // A damaged catalogue is reported on stderr, not in a dialog, and the texts stay English.
    StderrLog toStderr;
    m_locale->AddCatalog(m_self.GetName());
}

void HostApp::OnSignal(int signal)
{
    auto* app = dynamic_cast<HostApp*>(wxTheApp);
    if (!app)
        return;
    switch (signal) {
    case SIGUSR1:
        std::fputs(WindowReport::Describe().utf8_str(), stdout);
        std::fflush(stdout);
        break;
    case SIGUSR2:
        if (!g_stopRequested)
            app->ShowMainWindow();
        break;
    default:
        if (g_stopRequested)
            break;
        g_stopRequested = true;
        // Nobody may be there to close a dialog: what goes wrong while closing goes to stderr.
        delete wxLog::SetActiveTarget(new wxLogStderr);
        app->Stop();
        break;
    }
}

void HostApp::Stop()
{
    // Modal dialogs first: their loops run on the stack of the windows they belong to. The
    // windows are closed at a later tick, once every loop has returned.
    bool modal = false;
    for (wxWindow* window : wxTopLevelWindows) {
        auto* dialog = dynamic_cast<wxDialog*>(window);
        if (dialog && dialog->IsModal()) {
            dialog->EndModal(wxID_CANCEL);
            modal = true;
        }
    }
    if (modal) {
        m_stopTimer.StartOnce(kStopRetryMs);
        return;
    }
    // Close, not Destroy: each window ends in its own way (the plug-in's frame saves its state).
    for (wxWindow* window : wxTopLevelWindows)
        if (!window->IsBeingDeleted())
            window->Close(true);
    // A window that a queued event opens meanwhile is closed too: the process ends with the last.
    m_stopTimer.StartOnce(kStopRecheckMs);
}

void HostApp::ShowMainWindow()
{
    // The plug-in's main window is its frame with a menu bar; it shows itself (restored, in
    // front) on the command its tray icon sends.
    for (wxWindow* window : wxTopLevelWindows) {
        auto* frame = dynamic_cast<wxFrame*>(window);
        if (frame && frame->GetMenuBar() && !frame->IsBeingDeleted()) {
            // With the second start's token the compositor lets the window come to the front.
            const std::string token = InstanceLock::TakeActivation(m_configPath);
            using SetStartupId = void (*)(void* window, const char* id);
            auto set = reinterpret_cast<SetStartupId>(::dlsym(RTLD_DEFAULT, "gtk_window_set_startup_id"));
            if (!token.empty() && set)
                set(frame->GetHandle(), token.c_str());
            wxCommandEvent show(wxEVT_MENU, wxID_OPEN);
            frame->GetEventHandler()->AddPendingEvent(show);
            return;
        }
    }
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
    m_stopTimer.Stop();
    LoopProbe::Stop();
    UnloadPlugin();
    return wxApp::OnExit();
}
