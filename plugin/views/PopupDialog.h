#pragma once

#include <memory>

#include <wx/dialog.h>

#include "app/UpdateThrottle.h"
#include "model/User.h"
#include "views/PopupColumn.h"

class wxPanel;
class wxStaticBitmap;
class wxStaticText;
class wxTimer;
class wxTimerEvent;

enum { POPUP_ONLINE = 1, POPUP_FREE = 2, POPUP_SUMMARY = 3 };

// A small borderless window announcing one performer, in the lowest free slot of the popup
// column (PopupColumn). It owns itself: shown when its thumbnail download ends, gone when its
// time is up. The column's summary is a popup of this kind too, with words instead of a face.
class PopupDialog : public wxDialog, public PopupColumn::Member {
public:
    PopupDialog(const User& user, int kind, wxWindow* parent, wxWindowID id,
                const wxString& title, const wxPoint& pos, const wxSize& size, long style);
    ~PopupDialog() override;

    // Gives its slot up at once, not at the next idle time.
    bool Destroy() override;

    // Counts one more event that found the column full, in the summary popup (made if needed).
    static void AddToSummary(int kind);
    static PopupDialog* GetSummary() { return static_cast<PopupDialog*>(PopupColumn::GetSummary()); }

    void OnDownloadFinished(wxCommandEvent& event);
    void OnDestroyTimer(wxTimerEvent& event);
    void OnLeftDownForControl(wxMouseEvent& event);
    void OnPaintContentPanel(wxPaintEvent& event);
    void OnClose(wxCloseEvent& event);

    const User& GetUser() const { return m_user; }
    int GetKind() const { return m_kind; }
    // 1 for the bottom slot of the column; 0 while not shown (and for the summary).
    int GetSlot() const { return m_slot; }
    // One more event counted by this summary; the text and the window follow once per batch.
    void CountInSummary(int kind);
    int GetSummaryOnline() const { return m_summaryOnline; }
    int GetSummaryFree() const { return m_summaryFree; }
    // Back to its slot (the summary to its place), once shown.
    void MoveToSlot();
    void MoveToSlotSoon() override;
    void Dismiss() override { Destroy(); }

    // False when its download could not be started: such a popup destroys itself at once.
    bool IsDownloading() const { return m_downloading; }
    wxStaticBitmap* GetPicture() const { return m_picture; }
    wxStaticText* GetNameLabel() const { return m_nameLabel; }

    // The skin's band 'key' drawn 'width' wide, with 'words' where the skin gives it without any.
    static wxBitmap Band(const wxString& key, const wxString& words, int width);

private:
    static wxBitmap DrawBand(const wxString& key, const wxString& words, int width);
    void SetProperties();
    // The title and style bands as wide as the popup, the style band saying what 'kind' is.
    void SetBands(int kind);
    void DoLayout();
    void RequestThumbnail();
    void StartDestroyTimer();
    // Shows the popup at its slot (or the summary's place) and keeps it there.
    void ShowInPlace();
    void OnMovedByManager(wxEvent& event);
    wxPoint PlaceFor() const;
    void UpdateSummaryText();
    void ReleaseSlot();

    wxStaticBitmap* m_titleBar = nullptr;
    wxStaticBitmap* m_styleBar = nullptr;
    wxStaticBitmap* m_picture = nullptr;
    wxStaticText* m_nameLabel = nullptr;
    wxPanel* m_contentPanel = nullptr;
    wxPanel* m_framePanel = nullptr;
    User m_user;
    wxTimer* m_destroyTimer = nullptr;
    int m_kind;
    int m_slot = 0;
    int m_corrections = 0;
    static constexpr int kMaxCorrections = 8;
    bool m_downloading = false;
    int m_summaryOnline = 0;
    int m_summaryFree = 0;
    std::unique_ptr<UpdateThrottle> m_summaryThrottle;

    wxDECLARE_EVENT_TABLE();
};
