#pragma once

#include <functional>
#include <set>
#include <vector>

#include <wx/dialog.h>

#include "model/User.h"

class wxPanel;
class wxStaticBitmap;
class wxStaticText;
class wxTimer;
class wxTimerEvent;

enum { POPUP_ONLINE = 1, POPUP_FREE = 2, POPUP_SUMMARY = 3 };

// A small borderless window announcing one performer, in the lowest free slot of a column in
// the bottom-right corner of the work area. It owns itself: shown when its thumbnail download
// ends, gone when its time is up. The column holds as many popups as fit on the screen; events
// beyond them are counted in one summary popup beside the column.
class PopupDialog : public wxDialog {
public:
    PopupDialog(const User& user, int kind, wxWindow* parent, wxWindowID id,
                const wxString& title, const wxPoint& pos, const wxSize& size, long style);
    ~PopupDialog() override;

    // Gives its slot up at once, not at the next idle time.
    bool Destroy() override;

    void OnDownloadFinished(wxCommandEvent& event);
    void OnDestroyTimer(wxTimerEvent& event);
    void OnLeftDownForControl(wxMouseEvent& event);
    void OnPaintContentPanel(wxPaintEvent& event);
    void OnClose(wxCloseEvent& event);

    const User& GetUser() const { return m_user; }
    int GetKind() const { return m_kind; }
    // 1 for the bottom slot of the column; 0 while not shown (and for the summary).
    int GetSlot() const { return m_slot; }
    // Popups shown in the column and not yet destroyed.
    static int GetOpenCount();
    // Column popups made and not yet destroyed, shown or still waiting for their thumbnail.
    static int GetAliveCount() { return static_cast<int>(ms_alive.size()); }
    // How many popups the column of the work area holds.
    static int GetColumnCapacity();
    // Counts one more event that found the column full, in the summary popup (made if needed).
    static void AddToSummary(int kind);
    static PopupDialog* GetSummary() { return ms_summary; }
    int GetSummaryOnline() const { return m_summaryOnline; }
    int GetSummaryFree() const { return m_summaryFree; }
    // Every popup goes, shown or not (the main window closes).
    static void CloseAll();
    // JPEG, PNG and GIF, whatever the skin registered.
    static void EnsureImageHandlers();
    // Fetches a performer's thumbnail for 'receiver' (a download-finished event); false when
    // no download could start.
    static bool StartThumbnailDownload(wxEvtHandler* receiver, const wxString& name);
    // The picture a thumbnail download brought; invalid when it failed or does not decode.
    static wxImage DecodeThumbnail(wxCommandEvent& event);

    // Told of every thumbnail a popup fetched (the performer's name and the picture); the
    // window that sets it clears it before it goes.
    using ThumbnailFunction = std::function<void(const wxString& name, const wxImage& image)>;
    static void SetThumbnailSink(ThumbnailFunction sink);
    // Passes a fetched thumbnail to the sink, if one is set.
    static void TellThumbnail(const wxString& name, const wxImage& image);
    // False when its download could not be started: such a popup destroys itself at once.
    bool IsDownloading() const { return m_downloading; }
    wxStaticBitmap* GetPicture() const { return m_picture; }
    wxStaticText* GetNameLabel() const { return m_nameLabel; }

    static constexpr int kThumbnailTimeoutSeconds = 10;

private:
    static ThumbnailFunction& ThumbnailSink();
    void SetProperties();
    void DoLayout();
    void RequestThumbnail();
    void StartDestroyTimer();
    // Shows the popup at its slot (or the summary's place) and keeps it there.
    void ShowInPlace();
    void MoveToSlot();
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
    bool m_summaryPending = false;

    // Column slots from the bottom: the popup in each, or null.
    static std::vector<PopupDialog*> ms_slots;
    static std::set<PopupDialog*> ms_alive;
    static PopupDialog* ms_summary;
    static wxSize ms_outerSize;

    wxDECLARE_EVENT_TABLE();
};
