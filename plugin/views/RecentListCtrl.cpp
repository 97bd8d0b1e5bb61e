#include "views/RecentListCtrl.h"

#include <algorithm>

#include <wx/datetime.h>
#include <wx/menu.h>

#include "app/CommandIds.h"
#include "net/Util.h"
#include "views/HistoryDialog.h"
#include "views/LocalFavorites.h"
#include "views/PerformerRules.h"
#include "views/PopupDialog.h"
#include "views/UserListTreeCtrl.h"

wxBEGIN_EVENT_TABLE(RecentListCtrl, wxListCtrl)
    EVT_LIST_ITEM_ACTIVATED(wxID_ANY, RecentListCtrl::OnActivated)
    EVT_LIST_ITEM_RIGHT_CLICK(wxID_ANY, RecentListCtrl::OnRightClick)
    EVT_MENU(ID_PROFILE, RecentListCtrl::OnMenu)
    EVT_MENU_RANGE(ID_RULE_ALWAYS, ID_RULE_SOUND, RecentListCtrl::OnMenu)
    EVT_MENU_RANGE(ID_ADD_FAVORITE, ID_REMOVE_FAVORITE, RecentListCtrl::OnMenu)
    EVT_MENU(ID_HISTORY, RecentListCtrl::OnMenu)
wxEND_EVENT_TABLE()

RecentListCtrl::RecentListCtrl(wxWindow* parent, wxWindowID id)
    : wxListCtrl(parent, id, wxDefaultPosition, wxDefaultSize,
                 wxLC_REPORT | wxLC_VIRTUAL | wxLC_SINGLE_SEL | wxSUNKEN_BORDER, wxDefaultValidator,
                 "recent"),
      m_images(kThumbnailWidth, kThumbnailHeight, false, static_cast<int>(RecentList::kCapacity))
{
    wxImage blank(kThumbnailWidth, kThumbnailHeight);
    blank.SetAlpha();
    std::fill(blank.GetAlpha(), blank.GetAlpha() + kThumbnailWidth * kThumbnailHeight, 0);
    m_blank = wxBitmap(blank);
    // One image per entry, reused in turn: an entry's slot is its serial modulo the capacity.
    for (size_t i = 0; i < RecentList::kCapacity; ++i)
        m_images.Add(m_blank);
    SetImageList(&m_images, wxIMAGE_LIST_SMALL);
    // The time column holds the thumbnail and the time beside it.
    AppendColumn(_("Time"), wxLIST_FORMAT_LEFT, kThumbnailWidth + GetTextExtent("88:88:88").x + FromDIP(24));
    AppendColumn(_("Name"), wxLIST_FORMAT_LEFT, FromDIP(100));
    AppendColumn(_("Event"), wxLIST_FORMAT_LEFT, FromDIP(130));
    Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
        event.Skip();
        CallAfter([this] { FitColumns(); }); // once the client area has its new size
    });
}

void RecentListCtrl::FitColumns()
{
    const int width = GetClientSize().x;
    if (width <= 0)
        return;
    // A narrow window (the default one is 240 pixels wide) drops the thumbnails and the seconds
    // before it cuts the performer's name or the event, whose words are as long as the language
    // makes them (Japanese ones about twice the English).
    const int padding = FromDIP(20); // the gaps round the image and the text
    const int full = kThumbnailWidth + GetTextExtent("88:88:88").x + padding;
    const int eventNeeds = std::max(GetTextExtent(EventText(POPUP_ONLINE, RECENT_SHOWN)).x,
                                    GetTextExtent(EventText(POPUP_FREE, RECENT_SHOWN)).x) + FromDIP(16);
    const bool wide = width - full >= FromDIP(90) + eventNeeds;
    const int time = wide ? full : GetTextExtent("88:88").x + FromDIP(16);
    const int name = std::clamp(width - time - eventNeeds, FromDIP(56), FromDIP(110));
    const int event = std::max(FromDIP(48), width - time - name);
    if (wide != m_wide) {
        m_wide = wide;
        Refresh();
    }
    for (const auto& [column, pixels] : {std::pair<int, int>{0, time}, {1, name}, {2, event}})
        if (GetColumnWidth(column) != pixels)
            SetColumnWidth(column, pixels);
}

int RecentListCtrl::ImageOf(const RecentList::Entry& entry) const
{
    return m_wide ? SlotOf(entry) : -1;
}

wxString RecentListCtrl::TimeText(std::time_t when) const
{
    return wxDateTime(static_cast<time_t>(when)).Format(m_wide ? "%H:%M:%S" : "%H:%M");
}

int RecentListCtrl::SlotOf(const RecentList::Entry& entry) const
{
    return static_cast<int>(entry.serial % RecentList::kCapacity);
}

wxString RecentListCtrl::EventText(int kind, RecentNote note)
{
    wxString text = kind == POPUP_FREE ? _("is free now") : _("came on line");
    if (note == RECENT_PAUSED)
        text += " " + _("(paused)");
    else if (note == RECENT_NOT_FAVORITE)
        text += " " + _("(not a favourite)");
    else if (note == RECENT_UNWANTED)
        text += " " + _("(your rule)");
    else if (note == RECENT_MUTED)
        text += " " + _("(muted)");
    else if (note == RECENT_QUIET)
        text += " " + _("(quiet hours)");
    else if (note == RECENT_REPEAT)
        text += " " + _("(again soon after)");
    return text;
}

void RecentListCtrl::Add(const wxString& name, int kind, RecentNote note, std::time_t when)
{
    // The selected entry stays selected as the rows move down under it.
    const long selected = GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
    const RecentList::Entry& entry = m_entries.Add(when, name, kind, note);
    m_withThumbnail.erase(entry.serial - RecentList::kCapacity);
    m_images.Replace(SlotOf(entry), m_blank);
    SetItemCount(static_cast<long>(m_entries.size()));
    if (selected >= 0) {
        SetItemState(selected, 0, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
        if (selected + 1 < GetItemCount())
            SetItemState(selected + 1, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                         wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
    }
    Refresh();
}

wxString RecentListCtrl::OnGetItemText(long item, long column) const
{
    if (item < 0 || static_cast<size_t>(item) >= m_entries.size())
        return wxString();
    const RecentList::Entry& entry = m_entries[static_cast<size_t>(item)];
    switch (column) {
    case 0: return TimeText(entry.when);
    case 1: return entry.name;
    case 2: return EventText(entry.kind, entry.note);
    default: return wxString();
    }
}

int RecentListCtrl::OnGetItemImage(long item) const
{
    return OnGetItemColumnImage(item, 0);
}

int RecentListCtrl::OnGetItemColumnImage(long item, long column) const
{
    if (column != 0 || item < 0 || static_cast<size_t>(item) >= m_entries.size())
        return -1;
    return ImageOf(m_entries[static_cast<size_t>(item)]);
}

void RecentListCtrl::SetThumbnail(const wxString& name, const wxImage& image)
{
    if (!image.IsOk())
        return;
    for (size_t row = 0; row < m_entries.size(); ++row) {
        const RecentList::Entry& entry = m_entries[row];
        if (entry.name != name || m_withThumbnail.count(entry.serial))
            continue;
        m_images.Replace(SlotOf(entry),
                         wxBitmap(image.Scale(kThumbnailWidth, kThumbnailHeight, wxIMAGE_QUALITY_HIGH)));
        m_withThumbnail.insert(entry.serial);
        RefreshItem(static_cast<long>(row));
        return;
    }
}

void RecentListCtrl::OpenProfile(long row)
{
    if (row < 0 || static_cast<size_t>(row) >= m_entries.size())
        return;
    Util::LaunchBrowser(UserListTreeCtrl::ProfileUrl(m_entries[static_cast<size_t>(row)].name));
}

void RecentListCtrl::OnActivated(wxListEvent& event)
{
    OpenProfile(event.GetIndex());
}

void RecentListCtrl::OnRightClick(wxListEvent& event)
{
    if (event.GetIndex() < 0)
        return;
    SetItemState(event.GetIndex(), wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                 wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
    wxMenu menu;
    menu.Append(ID_PROFILE, _("Profile"), wxString());
    if (static_cast<size_t>(event.GetIndex()) < m_entries.size()) {
        LocalFavorites::AppendMenu(menu, m_entries[static_cast<size_t>(event.GetIndex())].name);
        menu.Append(ID_HISTORY, _("History..."));
        PerformerRules::AppendMenu(menu, m_entries[static_cast<size_t>(event.GetIndex())].name);
    }
    ShowProfileMenu(menu);
}

void RecentListCtrl::ShowProfileMenu(wxMenu& menu)
{
    PopupMenu(&menu);
}

void RecentListCtrl::OnMenu(wxCommandEvent& event)
{
    const long row = GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
    if (event.GetId() != ID_PROFILE) {
        if (event.GetId() == ID_HISTORY && row >= 0 && static_cast<size_t>(row) < m_entries.size())
            HistoryDialog::ShowFor(this, m_entries[static_cast<size_t>(row)].name);
        else if (row >= 0 && static_cast<size_t>(row) < m_entries.size() &&
            !LocalFavorites::HandleMenu(event.GetId(), m_entries[static_cast<size_t>(row)].name))
            PerformerRules::HandleMenu(event.GetId(), m_entries[static_cast<size_t>(row)].name);
        return;
    }
    OpenProfile(row);
}
