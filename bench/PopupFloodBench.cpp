// A flood of qualifying events in one refresh: 1,000 newcomers reach the popup manager at once,
// as the synchronisation thread queues them. Reports the time spent on the user-interface
// thread, the popup windows and download threads alive at the peak, and the longest stall of
// the event loop, until every popup is shown. With --desktop the events go to the desktop's
// notification service instead (on a session bus with one: dunst), until it has taken them.
// Needs a display:
//   scripts/desktop-session build/bin/popup_flood_bench [EVENTS] [--desktop]
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include <wx/app.h>
#include <wx/fileconf.h>
#include <wx/init.h>
#include <wx/utils.h>

#include "QuietSite.h"
#include "app/Settings.h"
#include "app/ThreadLifeline.h"
#include "net/ProxySetting.h"
#include "site/UserEvent.h"
#include "views/DesktopNotification.h"
#include "views/NotificationService.h"
#include "views/PopupColumn.h"
#include "views/PopupDialog.h"
#include "views/PopupDialogManager.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

int PopupWindows()
{
    int count = 0;
    for (wxWindow* window : wxTopLevelWindows)
        if (dynamic_cast<PopupDialog*>(window) && !wxTheApp->IsScheduledForDestruction(window))
            ++count;
    return count;
}

class FloodApp : public wxApp {
public:
    bool OnInit() override { return true; }
};

} // namespace

wxIMPLEMENT_APP_NO_MAIN(FloodApp);

int main(int argc, char** argv)
{
    const int events = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    const bool desktop = argc > 2 && std::string(argv[2]) == "--desktop";
    char home[] = "/tmp/sorvik-flood-XXXXXX";
    if (!::mkdtemp(home))
        return 1;
    ::setenv("HOME", home, 1);
    int toolkitArgc = 1; // the toolkit's own parser knows no event count
    if (!wxEntryStart(toolkitArgc, argv)) {
        std::fprintf(stderr, "no display\n");
        return 1;
    }
    wxTheApp->CallOnInit();
    delete wxConfigBase::Set(new wxFileConfig("flood", "", std::string(home) + "/flood.conf"));
    auto site = StartQuietSite();
    if (!site)
        return 1;
    ProxySetting::Set("");
    Settings::WriteString(Settings::HostKey(Settings::Host::Image), wxString::FromUTF8(site->HostPort()));
    Settings::WriteLong("/PopupDialog/duration", 60);

    PopupDialogManager manager;
    if (desktop)
        manager.SetDesktopNotificationsChoice([] { return true; });
    for (int i = 0; i < events; ++i)
        manager.AddPendingEvent(UserEvent(User(wxString::Format("flood%d", i), 0x03), wxEVT_USER_ADDED, 0xFFFFFFFFu));

    const int fit = PopupColumn::GetCapacity();
    // Threads are counted from the side: a download on loopback may begin and end within one
    // pass of the loop.
    std::atomic<bool> sampling{true};
    std::atomic<int> threadPeak{0};
    std::thread sampler([&] {
        while (sampling) {
            const int running = ThreadLifeline::RunningCount();
            if (running > threadPeak)
                threadPeak = running;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    double busy = 0, stall = 0;
    int peakWindows = 0, peakThreads = 0;
    const auto start = Clock::now();
    while (Clock::now() - start < std::chrono::seconds(20)) {
        const auto before = Clock::now();
        wxTheApp->ProcessPendingEvents();
        wxYield();
        const double spent = Ms(Clock::now() - before);
        busy += spent;
        stall = std::max(stall, spent);
        peakWindows = std::max(peakWindows, PopupWindows());
        const PopupDialog* shownSummary = PopupDialog::GetSummary();
        if (desktop && NotificationService::TakenCount() >= std::min(fit, events) + (events > fit ? 1 : 0) &&
            NotificationService::CallsUnderWay() == 0 && ThreadLifeline::RunningCount() == 0)
            break;
        if (!desktop && PopupColumn::GetOpenCount() >= std::min(fit, events) && ThreadLifeline::RunningCount() == 0 &&
            (events <= fit || (shownSummary && shownSummary->IsShown())))
            break;
        wxMilliSleep(1);
    }
    const double total = Ms(Clock::now() - start);
    sampling = false;
    sampler.join();
    peakThreads = threadPeak;
    const PopupDialog* summary = PopupDialog::GetSummary();
    std::printf("| path | events | column | UI thread busy (ms) | until all shown (ms) | longest stall (ms) "
                "| peak popup windows | peak download threads | summary count | notifications taken |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|\n");
    std::printf("| %s | %d | %d | %.1f | %.1f | %.1f | %d | %d | %d | %d |\n", desktop ? "desktop" : "popups",
                events, fit, busy, total, stall, peakWindows, peakThreads,
                summary ? summary->GetSummaryOnline() : 0, NotificationService::TakenCount());
    DesktopNotification::ForgetAll();

    PopupColumn::CloseAll();
    ThreadLifeline::StopAll(4000);
    wxTheApp->ProcessPendingEvents();
    wxYield(); // the closed popups go at idle time
    site.reset();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return 0;
}
