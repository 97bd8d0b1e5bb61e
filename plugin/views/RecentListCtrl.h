#pragma once

#include <ctime>
#include <set>

#include <wx/imaglist.h>
#include <wx/listctrl.h>

#include "model/RecentList.h"

class wxMenu;

// The "Recent" page: the last notifications, newest first, with the time, the performer, what
// happened (and why no popup showed it, when none did) and the thumbnail once one was fetched.
// Double-click, Enter or the "Profile" menu opens the performer's profile.
class RecentListCtrl : public wxListCtrl {
public:
    static constexpr int kThumbnailWidth = 32;
    static constexpr int kThumbnailHeight = 24;

    explicit RecentListCtrl(wxWindow* parent, wxWindowID id = wxID_ANY);

    void Add(const wxString& name, int kind, RecentNote note, std::time_t when);
    // Gives the newest entry of 'name' still without a thumbnail this one.
    void SetThumbnail(const wxString& name, const wxImage& image);

    const RecentList& GetEntries() const { return m_entries; }
    // "came on line" or "is free now", with what kept the popup away.
    static wxString EventText(int kind, RecentNote note);

    void OnActivated(wxListEvent& event);
    void OnRightClick(wxListEvent& event);
    void OnMenu(wxCommandEvent& event);

protected:
    // Shows the row's menu; a seam for tests.
    virtual void ShowProfileMenu(wxMenu& menu);
    // The rows are drawn from the entries: adding one measures no text, which the toolkit does
    // for every row it holds (several times for each row added and the oldest dropped).
    wxString OnGetItemText(long item, long column) const override;
    int OnGetItemImage(long item) const override;
    int OnGetItemColumnImage(long item, long column) const override;

private:
    void OpenProfile(long row);
    // The columns share the width: the time as it needs, the event the rest.
    void FitColumns();
    wxString TimeText(std::time_t when) const;
    int ImageOf(const RecentList::Entry& entry) const;
    int SlotOf(const RecentList::Entry& entry) const;

    RecentList m_entries;
    wxImageList m_images;
    std::set<unsigned long> m_withThumbnail; // serials
    wxBitmap m_blank;
    // Thumbnails and seconds only where there is room for them.
    bool m_wide = true;

    wxDECLARE_EVENT_TABLE();
};
