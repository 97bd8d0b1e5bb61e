#include "views/DesktopNotification.h"

#include <memory>

#include <wx/app.h>
#include <wx/image.h>

#include "app/CommandIds.h"
#include "app/MainFrameLink.h"
#include "app/UpdateThrottle.h"
#include "net/DownloadThread.h"
#include "net/Util.h"
#include "site/ThumbnailFetch.h"
#include "views/NotificationService.h"
#include "views/PopupColumn.h"
#include "views/PopupDialog.h"
#include "views/UserListTreeCtrl.h"

int DesktopNotification::ms_fetching = 0;
unsigned long DesktopNotification::ms_nextSerial = 1;
std::set<DesktopNotification*> DesktopNotification::ms_alive;
std::map<unsigned long, DesktopNotification*> DesktopNotification::ms_bySerial;
DesktopNotification::Fallback DesktopNotification::ms_fallback;

namespace {
// The one summary: its id with the service (0 while none is shown) and its counts.
struct Summary {
    uint32_t id = 0;
    int online = 0;
    int free = 0;
};
Summary g_summary;
// At most one Notify a second, and none while the last one's id is on its way: a service
// that knows no stack tag shows every summary sent without the id as one more.
std::unique_ptr<UpdateThrottle> g_summaryThrottle;
constexpr const char* kSummaryTag = "sorvik-summary";
} // namespace

DesktopNotification::DesktopNotification(const User& user, int kind)
    : m_user(user), m_kind(kind), m_serial(ms_nextSerial++)
{
    Listen();
    ms_alive.insert(this);
    ms_bySerial[m_serial] = this;
    Bind(wxEVT_DOWNLOAD_FINISHED, &DesktopNotification::OnDownloadFinished, this);
    if (ms_fetching < kMaxFetching) {
        m_fetching = ThumbnailFetch::Start(this, m_user.GetName());
        if (m_fetching) {
            ++ms_fetching;
            return;
        }
    }
    ShowWith(wxImage());
}

DesktopNotification::~DesktopNotification()
{
    DownloadThread::ForgetReceiver(this);
    if (m_fetching)
        --ms_fetching;
    ms_alive.erase(this);
    ms_bySerial.erase(m_serial);
}

bool DesktopNotification::IsServiceMissing()
{
    return !NotificationService::IsAvailable();
}

void DesktopNotification::Listen()
{
    static bool listening = false;
    if (listening)
        return;
    listening = true;
    NotificationService::Listener listener;
    listener.invoked = [](uint32_t id, const std::string&) {
        if (id != 0 && id == g_summary.id) {
            // As the summary popup does: the main window lists everybody.
            MainFrameLink::PostCommand(wxID_OPEN);
            return;
        }
        for (DesktopNotification* n : ms_alive)
            if (n->m_id == id) {
                Util::LaunchBrowser(UserListTreeCtrl::ProfileUrl(n->m_user.GetName()));
                return;
            }
    };
    listener.closed = [](uint32_t id) {
        if (id != 0 && id == g_summary.id) {
            // The next burst starts a summary of its own.
            g_summary = Summary();
            if (g_summaryThrottle)
                g_summaryThrottle->Reset();
            return;
        }
        for (DesktopNotification* n : ms_alive)
            if (n->m_id == id) {
                n->Finish();
                return;
            }
    };
    NotificationService::SetListener(std::move(listener));
}

void DesktopNotification::ForgetAll()
{
    NotificationService::Stop();
    const std::set<DesktopNotification*> all = ms_alive;
    for (DesktopNotification* notification : all) {
        // Not left for the idle-time deletion, which may come after the plug-in has gone.
        wxPendingDelete.DeleteObject(notification);
        delete notification;
    }
    g_summaryThrottle.reset();
    g_summary = Summary();
}

void DesktopNotification::OnDownloadFinished(wxCommandEvent& event)
{
    m_fetching = false;
    --ms_fetching;
    const wxImage image = ThumbnailFetch::Decode(event);
    if (image.IsOk())
        ThumbnailFetch::Tell(m_user.GetName(), image);
    ShowWith(image);
}

void DesktopNotification::ShowWith(const wxImage& thumbnail)
{
    NotificationService::Message message;
    message.summary = m_user.GetName();
    message.body = m_kind == POPUP_FREE ? _("is free now") : _("came on line");
    message.image = thumbnail;
    message.category = "presence.online";
    message.action = _("Open profile");
    const unsigned long serial = m_serial;
    NotificationService::Send(message, [serial](uint32_t id) {
        auto found = ms_bySerial.find(serial);
        if (found == ms_bySerial.end())
            return;
        DesktopNotification* self = found->second;
        if (id != 0) {
            self->m_id = id;
            return;
        }
        if (ms_fallback)
            ms_fallback(self->m_user, self->m_kind);
        self->Finish();
    });
}

void DesktopNotification::AddToSummary(int kind)
{
    ++(kind == POPUP_FREE ? g_summary.free : g_summary.online);
    if (!wxTheApp)
        return;
    if (!g_summaryThrottle)
        g_summaryThrottle = std::make_unique<UpdateThrottle>(&DesktopNotification::SendSummary);
    g_summaryThrottle->Request();
}

void DesktopNotification::SendSummary()
{
    // The throttle runs this only when a count changed since it last ran.
    if (g_summary.online == 0 && g_summary.free == 0)
        return;
    NotificationService::Message message;
    message.summary = _("Sorvik Statuscope");
    if (g_summary.online > 0)
        message.body += wxString::Format(_("%d more came on line"), g_summary.online);
    if (g_summary.free > 0) {
        if (!message.body.empty())
            message.body += "\n";
        message.body += wxString::Format(_("%d more are free now"), g_summary.free);
    }
    message.category = "presence.online";
    message.replaces = g_summary.id;
    message.stackTag = kSummaryTag;
    // Of no one performer: the main window lists them all.
    message.action = _("Show window");
    g_summaryThrottle->Hold();
    NotificationService::Send(message, [](uint32_t id) {
        if (!g_summaryThrottle)
            return; // forgotten meanwhile
        if (id == 0) {
            // No service after all: the popups' summary counts them.
            const int online = g_summary.online, free = g_summary.free;
            g_summary = Summary();
            g_summaryThrottle->Reset();
            for (int i = 0; i < online; ++i)
                PopupDialog::AddToSummary(POPUP_ONLINE);
            for (int i = 0; i < free; ++i)
                PopupDialog::AddToSummary(POPUP_FREE);
            return;
        }
        g_summary.id = id;
        // What came while the answer was on its way goes in place of it.
        g_summaryThrottle->Release();
    });
}

void DesktopNotification::Finish()
{
    // Not from within the service's own answer: deleted when the application is next idle.
    ms_bySerial.erase(m_serial);
    if (wxTheApp && !wxTheApp->IsScheduledForDestruction(this))
        wxTheApp->ScheduleForDestruction(this);
}
