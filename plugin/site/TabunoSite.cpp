#include "site/TabunoSite.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include <wx/app.h>
#include <wx/intl.h>
#include <wx/socket.h>
#include <wx/thread.h>
#include <wx/utils.h>

#include "app/CommandIds.h"
#include "app/Keys.h"
#include "app/MainFrameLink.h"
#include "app/MessageBoxSeam.h"
#include "app/Settings.h"
#include "app/Shutdown.h"
#include "app/ThreadLifeline.h"
#include "app/UiDispatcher.h"
#include "net/HttpClient.h"
#include "net/NetworkWatch.h"
#include "net/ProxySetting.h"
#include "net/Url.h"
#include "site/MemoryLineSource.h"
#include "site/OnlineListReader.h"
#include "skin/ResourceManager.h"

wxIMPLEMENT_DYNAMIC_CLASS(TabunoSite, wxModule);

namespace {
// A body read until the server closed the connection (no length, not chunked) that stops
// inside a line was cut short, whatever the connection said: every line of the list ends.
bool IsCutMidLine(const HttpResponse& response)
{
    return response.IsSuccess() && response.status == 200 && !response.body.empty() &&
           response.body.back() != '\n' && response.Header("content-length").empty() &&
           response.Header("transfer-encoding").find("chunked") == std::string::npos;
}


bool StopRequested()
{
    return ThreadLifeline::CurrentStopRequested();
}

void PauseAfterPerformer()
{
    if (wxThread::This())
        wxThread::Sleep(TabunoSite::kPauseAfterPerformerMs);
    else if (wxIsMainThread())
        wxMilliSleep(TabunoSite::kPauseAfterPerformerMs);
}

} // namespace

TabunoSite::TabunoSite()
{
    // Where the toolkit orders the modules (a program that links the plug-in's code), the
    // plug-in's threads are joined before the toolkit's thread support goes. A loaded plug-in
    // is cleaned up at its unload, before anything of the toolkit.
    AddDependency("wxThreadModule");
    // The desktop's proxy, for every request of the plug-in.
    ProxySetting::UseDesktop();
}

bool TabunoSite::OnInit()
{
    // The console base: the store is named the same in a host without windows.
    if (wxAppConsole* app = wxAppConsole::GetInstance()) {
        app->SetVendorName("Tabuno");
        app->SetAppName("Ruvidodur");
        // What the desktop shows: the toolkit gives it to every window as its X11 class.
        app->SetAppDisplayName("Sorvik Statuscope");
    }
    // Whether the computer has a network at all, told by the desktop.
    NetworkWatch::Start();
    Shutdown::Register(Shutdown::Stage::Services, "network watch", &NetworkWatch::Stop);
    // Sockets used on secondary threads must be initialised from the main thread first.
    m_socketsInitialised = wxSocketBase::Initialize();
    // The skin goes with the module; a store never asked for is not loaded just to be freed.
    Shutdown::Register(Shutdown::Stage::Services, "skin", &ResourceManager::Release);
    Shutdown::Register(Shutdown::Stage::Services, "UI dispatcher", &UiDispatcher::Shutdown);
    Shutdown::Register(Shutdown::Stage::Services, "sockets", [this] {
        // The toolkit's own socket module may have shut sockets down already at its clean-up.
        if (m_socketsInitialised && wxSocketBase::IsInitialized())
            wxSocketBase::Shutdown();
        m_socketsInitialised = false;
    });
    return true;
}

void TabunoSite::OnExit()
{
    // The library is unloaded right after: whatever is still pending goes now, in order.
    Shutdown::Run(Shutdown::Stage::Services);
}

long TabunoSite::IntervalMs() const
{
    // Below a second the site would be asked without pause; a day is plenty for any user.
    return std::clamp(Keys::SyncInterval.Read(), kMinIntervalSeconds, kMaxIntervalSeconds) * 1000;
}

long TabunoSite::UpdateUserList()
{
    const CancelCheck cancelled = &StopRequested;
    m_unchanged = false;

    HttpRequest request;
    request.url = Settings::HostUrl(Settings::Host::Main, "/include/js/online_performers.js");
    request.timeoutSeconds = kTimeoutSeconds;
    // Asked only for a list the site has changed since.
    if (!m_etag.empty())
        request.headers.emplace_back("If-None-Match", m_etag);
    if (!m_lastModified.empty())
        request.headers.emplace_back("If-Modified-Since", m_lastModified);
    HttpResponse response = HttpClient::Get(request, cancelled, &m_connections);
    if (IsCutMidLine(response)) {
        response.complete = false;
        response.Fail(HttpFailure::CutShort, "the list ends inside a line");
    }

    if (response.complete && response.status == 304 && !(m_etag.empty() && m_lastModified.empty())) {
        SetReachable(true);
        m_failures = 0;
        m_retryMs = 0;
        m_unchanged = true;
        return IntervalMs();
    }
    // A site that asks for time gets it, and asking is not failing.
    if (response.complete && (response.status == 429 || response.status == 503)) {
        const std::string after = response.Header("retry-after");
        char* end = nullptr;
        const long seconds = std::strtol(after.c_str(), &end, 10);
        if (!after.empty() && end && *end == '\0' && seconds >= 0) {
            SetReachable(true);
            m_retryMs = std::clamp(seconds, 1L, kMaxRetryAfterSeconds) * 1000;
            return 0;
        }
    }
    // A cut-short or refused answer is a failed refresh: a partial list would report every
    // missing performer as gone.
    if (!response.IsSuccess()) {
        if (cancelled())
            return 0;
        SetReachable(false);
        // Without a network, or just after waking from sleep, the computer is offline, not the
        // site: tried again shortly, and not counted.
        Url url;
        const bool remote = Url::Parse(request.url, url) && !url.IsLoopback();
        if (remote && (!NetworkWatch::IsNetworkAvailable() || NetworkWatch::RecentlyResumed())) {
            m_retryMs = kOfflineRetryMs;
            return 0;
        }
        const int failures = ++m_failures;
        // 1 s, 2 s, 4 s ... up to the interval: the notice comes after a sustained outage.
        m_retryMs = std::min(IntervalMs(), 1000L << std::min(failures - 1, 20));
        if (failures >= kFailuresBeforeNotice)
            ReportUnreachable(cancelled);
        return 0;
    }
    SetReachable(true);
    m_failures = 0;
    m_retryMs = 0;

    UserList list;
    MemoryLineSource source(response.body);
    OnlineListReader reader;
    const bool whole = reader.Read(source, list, [&]() {
        if (m_listRead)
            PauseAfterPerformer();
        return !cancelled();
    });
    if (!whole)
        return 0;
    m_listRead = true;
    m_etag = response.Header("etag");
    m_lastModified = response.Header("last-modified");

    SetUserList(std::move(list));
    return IntervalMs();
}

void TabunoSite::SetReachable(bool reachable)
{
    const std::time_t since = m_offlineSince.load();
    if (reachable == (since == 0))
        return;
    m_offlineSince = reachable ? 0 : std::time(nullptr);
    UiDispatcher::Post([] { MainFrameLink::PostCommand(ID_CONNECTION_CHANGED); });
}

void TabunoSite::ReportUnreachable(const CancelCheck& cancelled)
{
    UiDispatcher::RunAndWait(
        []() {
            const wxString message = wxString::Format("%s\n%s",
                                                      _("Could not get response from server"),
                                                      _("Please execute it after a while."));
            MessageBoxSeam::Show(message, _("Error"), wxOK | wxICON_ERROR | wxCENTRE);
            MainFrameLink::PostCommand(wxID_EXIT);
        },
        cancelled);
}
