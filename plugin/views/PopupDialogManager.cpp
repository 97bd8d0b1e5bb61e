#include "views/PopupDialogManager.h"

#include <ctime>

#include <wx/datetime.h>
#include <wx/tokenzr.h>

#include "app/CommandIds.h"
#include "app/Keys.h"
#include "app/MainFrameLink.h"
#include "model/UserStatus.h"
#include "site/UserEvent.h"
#include "views/DesktopNotification.h"
#include "views/LocalFavorites.h"
#include "views/PerformerRules.h"
#include "views/PopupColumn.h"
#include "views/PopupDialog.h"

wxBEGIN_EVENT_TABLE(PopupDialogManager, wxEvtHandler)
    EVT_USER_ADDED(wxID_ANY, PopupDialogManager::OnUserAdded)
    EVT_USER_CHANGED(wxID_ANY, PopupDialogManager::OnUserChanged)
wxEND_EVENT_TABLE()

PopupDialogManager::PopupDialogManager()
{
    m_pace.SetOwner(this);
    Bind(wxEVT_TIMER, &PopupDialogManager::OnPace, this, m_pace.GetId());
    // Without a notification service the popups show what the notifications would have.
    DesktopNotification::SetFallback([this](const User& user, int kind) { ShowPopup(user, kind); });
}

PopupDialogManager::~PopupDialogManager()
{
    DesktopNotification::SetFallback(nullptr);
    m_pace.Stop();
}

void PopupDialogManager::Stop()
{
    m_stopped = true;
    m_pace.Stop();
    m_waiting.clear();
    m_summaryOnline = m_summaryFree = 0;
}

void PopupDialogManager::OnUserAdded(UserEvent& event)
{
    UserEvent changed(event);
    changed.SetEventType(wxEVT_USER_CHANGED);
    changed.SetOldStatus(0);
    ProcessEvent(changed);
}

void PopupDialogManager::Record(const User& user, int kind, RecentNote note)
{
    if (m_recorder)
        m_recorder(user, kind, note);
}

int PopupDialogManager::KindFor(unsigned long oldStatus, unsigned long newStatus)
{
    if (oldStatus == 0 && (newStatus & STATUS_ONLINE))
        return POPUP_ONLINE;
    if ((oldStatus & STATUS_BUSY) && (newStatus & STATUS_FREE))
        return POPUP_FREE;
    return 0;
}

bool PopupDialogManager::IsFavorite(const wxString& favorites, const wxString& name)
{
    wxStringTokenizer tokens(favorites, ",", wxTOKEN_DEFAULT);
    while (tokens.HasMoreTokens())
        if (tokens.GetNextToken() == name)
            return true;
    return false;
}

void PopupDialogManager::OnUserChanged(UserEvent& event)
{
    const User& user = event.GetUser();
    const int kind = KindFor(event.GetOldStatus(), user.GetStatus());
    if (kind == 0 || m_stopped)
        return;
    // The filter counts only once the favourites have loaded (the item is enabled then).
    if (MainFrameLink::IsMenuItemEnabledAndChecked(ID_POPUP_ONLY_FAVORITE) &&
        !LocalFavorites::IsFavorite(user.GetName())) {
        Record(user, kind, RECENT_NOT_FAVORITE);
        return;
    }
    if (MainFrameLink::IsMenuItemEnabledAndChecked(ID_PAUSE_POPUPS)) {
        Record(user, kind, RECENT_PAUSED);
        return;
    }
    // The user's own rules: nothing changes while none is set.
    NotifyRules& rules = PerformerRules::Get();
    const std::time_t now = std::time(nullptr);
    const wxDateTime local(now);
    switch (rules.Decide(user.GetName(), kind == POPUP_FREE, now, local.GetHour() * 60 + local.GetMinute())) {
    case NotifyRules::Verdict::Unwanted: Record(user, kind, RECENT_UNWANTED); return;
    case NotifyRules::Verdict::Muted: Record(user, kind, RECENT_MUTED); return;
    case NotifyRules::Verdict::Quiet: Record(user, kind, RECENT_QUIET); return;
    case NotifyRules::Verdict::Repeat: Record(user, kind, RECENT_REPEAT); return;
    case NotifyRules::Verdict::Announce: break;
    }
    Record(user, kind, RECENT_SHOWN);
    if (rules.Get(user.GetName()).sound)
        PerformerRules::PlaySound();
    if (m_desktopNotifications && m_desktopNotifications() && !DesktopNotification::IsServiceMissing()) {
        // The column's bound on screen too: then one summary, updated in place.
        if (DesktopNotification::GetAliveCount() >= PopupColumn::GetCapacity())
            DesktopNotification::AddToSummary(kind);
        else
            new DesktopNotification(user, kind);
        return;
    }
    ShowPopup(user, kind);
}

void PopupDialogManager::ShowPopup(const User& user, int kind)
{
    if (m_stopped)
        return;
    // A full column: counted in the summary rather than drawn over a popup still open (or a
    // window and a thread made for each of a thousand newcomers).
    if (PopupColumn::GetAliveCount() + static_cast<int>(m_waiting.size()) >= PopupColumn::GetPopupCapacity()) {
        // During a burst the summary's window, too, waits for its tick.
        if (m_pace.IsRunning())
            ++(kind == POPUP_FREE ? m_summaryFree : m_summaryOnline);
        else
            PopupDialog::AddToSummary(kind);
        return;
    }
    // A popup window takes several milliseconds to make: one at a time, the rest of a burst on
    // the next ticks, so that the window goes on answering between them.
    if (m_pace.IsRunning()) {
        m_waiting.emplace_back(user, kind);
        return;
    }
    Open(user, kind);
    m_pace.StartOnce(kPaceMs);
}

void PopupDialogManager::Open(const User& user, int kind)
{
    new PopupDialog(user, kind, nullptr, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize,
                    wxSTAY_ON_TOP | wxDIALOG_NO_PARENT);
}

void PopupDialogManager::OnPace(wxTimerEvent&)
{
    if (!m_waiting.empty()) {
        const auto [user, kind] = m_waiting.front();
        m_waiting.pop_front();
        Open(user, kind);
        m_pace.StartOnce(kPaceMs);
        return;
    }
    for (; m_summaryOnline > 0; --m_summaryOnline)
        PopupDialog::AddToSummary(POPUP_ONLINE);
    for (; m_summaryFree > 0; --m_summaryFree)
        PopupDialog::AddToSummary(POPUP_FREE);
}
