#include "views/DesktopNotification.h"

#include <cstdio>

#include <wx/app.h>
#include <wx/notifmsg.h>

#include "app/CommandIds.h"
#include "net/DownloadThread.h"
#include "net/Util.h"
#include "site/ThumbnailFetch.h"
#include "skin/ResourceManager.h"
#include "views/PopupDialog.h"
#include "views/UserListTreeCtrl.h"

bool DesktopNotification::ms_serviceMissing = false;
int DesktopNotification::ms_fetching = 0;
std::set<DesktopNotification*> DesktopNotification::ms_alive;

DesktopNotification::DesktopNotification(const User& user, int kind) : m_user(user), m_kind(kind)
{
    ms_alive.insert(this);
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
}

void DesktopNotification::ForgetAll()
{
    const std::set<DesktopNotification*> all = ms_alive;
    for (DesktopNotification* notification : all) {
        // Not left for the idle-time deletion, which may come after the plug-in has gone.
        wxPendingDelete.DeleteObject(notification);
        delete notification;
    }
}

void DesktopNotification::OnDownloadFinished(wxCommandEvent& event)
{
    m_fetching = false;
    --ms_fetching;
    // An undecodable thumbnail gets the application's icon.
    const wxImage image = ThumbnailFetch::Decode(event);
    if (image.IsOk())
        ThumbnailFetch::Tell(m_user.GetName(), image);
    ShowWith(image);
}

void DesktopNotification::ShowWith(const wxImage& thumbnail)
{
    m_message = std::make_unique<wxNotificationMessage>(
        m_user.GetName(), m_kind == POPUP_FREE ? _("is free now") : _("came on line"));
    wxIcon icon;
    if (thumbnail.IsOk())
        icon.CopyFromBitmap(wxBitmap(thumbnail));
    else
        icon = ResourceManager::GetInstance()->GetIcon("Application_icon");
    if (icon.IsOk())
        m_message->SetIcon(icon);
    m_message->AddAction(ID_PROFILE, _("Profile"));
    m_message->Bind(wxEVT_NOTIFICATION_MESSAGE_ACTION, &DesktopNotification::OnAction, this);
    m_message->Bind(wxEVT_NOTIFICATION_MESSAGE_CLICK, &DesktopNotification::OnAction, this);
    m_message->Bind(wxEVT_NOTIFICATION_MESSAGE_DISMISSED, &DesktopNotification::OnDismissed, this);
    if (m_message->Show(wxNotificationMessage::Timeout_Auto))
        return;
    if (!ms_serviceMissing) {
        ms_serviceMissing = true;
        std::fputs("sorvik: no desktop notification service answers; showing popups instead\n", stderr);
    }
    new PopupDialog(m_user, m_kind, nullptr, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize,
                    wxSTAY_ON_TOP | wxDIALOG_NO_PARENT);
    Finish();
}

void DesktopNotification::OnAction(wxCommandEvent&)
{
    Util::LaunchBrowser(UserListTreeCtrl::ProfileUrl(m_user.GetName()));
}

void DesktopNotification::OnDismissed(wxCommandEvent&)
{
    Finish();
}

void DesktopNotification::Finish()
{
    // Not from within the message's own handler: deleted when the application is next idle.
    if (wxTheApp && !wxTheApp->IsScheduledForDestruction(this))
        wxTheApp->ScheduleForDestruction(this);
}
