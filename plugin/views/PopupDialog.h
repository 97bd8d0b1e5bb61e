#pragma once

#include <wx/dialog.h>

#include "model/User.h"

class wxPanel;
class wxStaticBitmap;
class wxStaticText;
class wxTimer;
class wxTimerEvent;

enum { POPUP_ONLINE = 1, POPUP_FREE = 2 };

// A small borderless window announcing one performer, stacked in the bottom-right corner of the
// screen. It owns itself: shown when its thumbnail download ends, gone when its time is up.
class PopupDialog : public wxDialog {
public:
    PopupDialog(const User& user, int kind, wxWindow* parent, wxWindowID id,
                const wxString& title, const wxPoint& pos, const wxSize& size, long style);
    ~PopupDialog() override;

    void OnDownloadFinished(wxCommandEvent& event);
    void OnDestroyTimer(wxTimerEvent& event);
    void OnLeftDownForControl(wxMouseEvent& event);
    void OnPaintContentPanel(wxPaintEvent& event);

    const User& GetUser() const { return m_user; }
    int GetKind() const { return m_kind; }
    // Popups shown and not yet destroyed.
    static int GetOpenCount() { return ms_openCount; }
    // False when its download could not be started: such a popup destroys itself at once.
    bool IsDownloading() const { return m_downloading; }
    wxStaticBitmap* GetPicture() const { return m_picture; }
    wxStaticText* GetNameLabel() const { return m_nameLabel; }

    static constexpr int kThumbnailTimeoutSeconds = 10;

private:
    void SetProperties();
    void DoLayout();
    void RequestThumbnail();

    wxStaticBitmap* m_titleBar = nullptr;
    wxStaticBitmap* m_styleBar = nullptr;
    wxStaticBitmap* m_picture = nullptr;
    wxStaticText* m_nameLabel = nullptr;
    wxPanel* m_contentPanel = nullptr;
    wxPanel* m_framePanel = nullptr;
    User m_user;
    wxTimer* m_destroyTimer = nullptr;
    int m_kind;
    bool m_counted = false;
    bool m_downloading = false;

    static int ms_openCount;

    wxDECLARE_EVENT_TABLE();
};
