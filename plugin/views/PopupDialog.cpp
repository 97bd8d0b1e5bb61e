#include "views/PopupDialog.h"

#include <algorithm>
#include <chrono>

#include <wx/dcclient.h>
#include <wx/display.h>
#include <wx/gdicmn.h>
#include <wx/image.h>
#include <wx/mstream.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/timer.h>
#include <wx/url.h>

#include "app/CommandIds.h"
#include "app/Keys.h"
#include "app/MainFrameLink.h"
#include "app/Settings.h"
#include "net/DownloadThread.h"
#include "net/Util.h"
#include "skin/ResourceManager.h"
#include "views/DesktopWindowHints.h"
#include "views/UserListTreeCtrl.h"

std::vector<PopupDialog*> PopupDialog::ms_slots;
std::set<PopupDialog*> PopupDialog::ms_alive;
PopupDialog* PopupDialog::ms_summary = nullptr;
wxSize PopupDialog::ms_outerSize(150, 150);

wxBEGIN_EVENT_TABLE(PopupDialog, wxDialog)
    EVT_COMMAND(wxID_ANY, wxEVT_DOWNLOAD_FINISHED, PopupDialog::OnDownloadFinished)
    EVT_TIMER(wxID_ANY, PopupDialog::OnDestroyTimer)
    EVT_CLOSE(PopupDialog::OnClose)
wxEND_EVENT_TABLE()

namespace {
constexpr int kPopupWidth = 150;
constexpr int kPopupHeight = 150;

wxBitmap Skin(const wxString& key)
{
    return ResourceManager::GetInstance()->GetBitmap(key);
}
} // namespace

int PopupDialog::GetOpenCount()
{
    return static_cast<int>(std::count_if(ms_slots.begin(), ms_slots.end(),
                                          [](PopupDialog* p) { return p != nullptr; }));
}

int PopupDialog::GetColumnCapacity()
{
    // The work area is a round trip to the X server; a flood of events asks for it thousands
    // of times within a second.
    static int capacity = 0;
    static auto measured = std::chrono::steady_clock::time_point();
    const auto now = std::chrono::steady_clock::now();
    if (capacity == 0 || now - measured > std::chrono::seconds(1)) {
        const wxRect area = wxGetClientDisplayRect();
        capacity = std::max(1, area.height / std::max(kPopupHeight, ms_outerSize.y));
        measured = now;
    }
    return capacity;
}

void PopupDialog::EnsureImageHandlers()
{
    if (!wxImage::FindHandler(wxBITMAP_TYPE_JPEG))
        wxImage::AddHandler(new wxJPEGHandler);
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG))
        wxImage::AddHandler(new wxPNGHandler);
    if (!wxImage::FindHandler(wxBITMAP_TYPE_GIF))
        wxImage::AddHandler(new wxGIFHandler);
}

void PopupDialog::AddToSummary(int kind)
{
    if (!ms_summary)
        ms_summary = new PopupDialog(User(), POPUP_SUMMARY, nullptr, wxID_ANY, wxString(),
                                     wxDefaultPosition, wxDefaultSize,
                                     wxSTAY_ON_TOP | wxDIALOG_NO_PARENT);
    PopupDialog* summary = ms_summary;
    if (kind == POPUP_FREE)
        ++summary->m_summaryFree;
    else
        ++summary->m_summaryOnline;
    // A thousand events of one refresh arrive together: the text is laid out and the window
    // shown once for all of them, when the loop is next idle.
    if (summary->m_summaryPending)
        return;
    summary->m_summaryPending = true;
    summary->CallAfter([summary] {
        summary->m_summaryPending = false;
        summary->UpdateSummaryText();
        // Stays while events keep coming, then goes as any popup does.
        summary->StartDestroyTimer();
        if (!summary->IsShown())
            summary->ShowInPlace();
    });
}

void PopupDialog::CloseAll()
{
    std::vector<PopupDialog*> all(ms_alive.begin(), ms_alive.end());
    if (ms_summary)
        all.push_back(ms_summary);
    for (PopupDialog* popup : all)
        popup->Destroy();
}

PopupDialog::PopupDialog(const User& user, int kind, wxWindow* parent, wxWindowID id,
                         const wxString& title, const wxPoint& pos, const wxSize& size, long style)
    : m_user(user), m_kind(kind)
{
    Create(parent, id, title, pos, size, style, wxDialogNameStr);
    // Before the first show: the window manager reads the type as the window is mapped.
    DesktopWindowHints::MarkAsNotification(this);

    m_framePanel = new wxPanel(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                               wxSTATIC_BORDER | wxTAB_TRAVERSAL);
    m_contentPanel = new wxPanel(m_framePanel, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                 wxNO_BORDER | wxTAB_TRAVERSAL);
    m_titleBar = new wxStaticBitmap(m_framePanel, wxID_ANY, Skin("PopupDialog_titleBar"));
    m_styleBar = new wxStaticBitmap(m_framePanel, wxID_ANY, Skin("PopupDialog_styleBar_ONLINE"),
                                    wxDefaultPosition, wxDefaultSize, wxSTATIC_BORDER);
    m_picture = new wxStaticBitmap(m_contentPanel, wxID_ANY, Skin("PopupDialog_profileImage"));
    m_nameLabel = new wxStaticText(m_contentPanel, wxID_ANY, _("New Face"), wxDefaultPosition,
                                   wxDefaultSize, wxALIGN_CENTRE | wxST_NO_AUTORESIZE);
    SetProperties();
    DoLayout();

    m_picture->SetCursor(wxCursor(wxCURSOR_HAND));
    m_picture->Bind(wxEVT_LEFT_DOWN, &PopupDialog::OnLeftDownForControl, this);
    m_titleBar->SetBitmap(Skin("PopupDialog_titleBar"));
    if (kind == POPUP_FREE)
        m_styleBar->SetBitmap(Skin("PopupDialog_styleBar_FREE"));
    else if (kind == POPUP_ONLINE)
        m_styleBar->SetBitmap(Skin("PopupDialog_styleBar_ONLINE"));
    m_nameLabel->SetLabel(m_user.GetName());
    m_nameLabel->Bind(wxEVT_LEFT_DOWN, &PopupDialog::OnLeftDownForControl, this);
    // The popup never takes the activation: it is shown with ShowWithoutActivating.
    m_contentPanel->Bind(wxEVT_PAINT, &PopupDialog::OnPaintContentPanel, this);
    Bind(wxEVT_MOVE, &PopupDialog::OnMovedByManager, this);

    if (kind == POPUP_SUMMARY) {
        // Words instead of a face; a click shows the main window, where everybody is listed.
        m_picture->Hide();
        m_nameLabel->SetMinSize(wxSize(108, 82 + 18));
        m_contentPanel->Layout();
        return;
    }
    ms_alive.insert(this);
    RequestThumbnail();
}

PopupDialog::~PopupDialog()
{
    DownloadThread::ForgetReceiver(this);
    delete m_destroyTimer;
    ReleaseSlot();
}

void PopupDialog::ReleaseSlot()
{
    if (m_slot > 0 && static_cast<size_t>(m_slot) <= ms_slots.size() && ms_slots[m_slot - 1] == this)
        ms_slots[m_slot - 1] = nullptr;
    m_slot = 0;
    ms_alive.erase(this);
    if (ms_summary == this)
        ms_summary = nullptr;
}

bool PopupDialog::Destroy()
{
    ReleaseSlot();
    // No result is wanted any more; the thread is asked to stop with the others at exit.
    DownloadThread::ForgetReceiver(this);
    if (m_destroyTimer)
        m_destroyTimer->Stop();
    Hide();
    return wxDialog::Destroy();
}

void PopupDialog::OnClose(wxCloseEvent&)
{
    Destroy();
}

void PopupDialog::UpdateSummaryText()
{
    wxString text;
    if (m_summaryOnline > 0)
        text += wxString::Format(_("%d more came on line"), m_summaryOnline);
    if (m_summaryFree > 0) {
        if (!text.empty())
            text += "\n";
        text += wxString::Format(_("%d more are free now"), m_summaryFree);
    }
    m_nameLabel->SetLabel(text);
    m_nameLabel->Wrap(104);
}

void PopupDialog::StartDestroyTimer()
{
    if (!m_destroyTimer)
        m_destroyTimer = new wxTimer(this, wxID_ANY);
    const long duration = Keys::PopupDuration.Read();
    m_destroyTimer->StartOnce(static_cast<int>(std::clamp(duration, 1L, 3600L) * 1000));
}

wxPoint PopupDialog::PlaceFor() const
{
    // The outer size: a window manager may keep a border round undecorated windows (openbox
    // does, 1 pixel), and the slots must not overlap by it. Known once the manager has said.
    wxSize outer = DesktopWindowHints::OuterSize(const_cast<PopupDialog*>(this));
    if (outer.x >= kPopupWidth && outer.y >= kPopupHeight && (outer.x > kPopupWidth || outer.y > kPopupHeight))
        ms_outerSize = outer; // every popup has the same frame: later ones know it at once
    outer = ms_outerSize;
    const wxRect area = wxGetClientDisplayRect();
    const int right = area.x + area.width;
    const int bottom = area.y + area.height;
    if (m_kind == POPUP_SUMMARY)
        return wxPoint(right - 2 * outer.x, bottom - outer.y); // beside the bottom slot
    const int fit = std::max(1, area.height / outer.y);
    const int row = m_slot > 0 ? (m_slot - 1) % fit + 1 : 1;
    return wxPoint(right - outer.x, bottom - row * outer.y);
}

void PopupDialog::OnMovedByManager(wxEvent& event)
{
    event.Skip();
    if (!IsShown() || IsBeingDeleted())
        return;
    const wxSize known = ms_outerSize;
    const wxPoint want = PlaceFor();
    if (ms_outerSize != known) {
        // The manager's frame is known now: every popup moves to the slot it really needs.
        for (PopupDialog* popup : ms_alive)
            if (popup != this)
                popup->CallAfter([popup] { popup->MoveToSlot(); });
        if (ms_summary && ms_summary != this)
            ms_summary->CallAfter([summary = ms_summary] { summary->MoveToSlot(); });
    }
    // A window manager that placed the first show by itself (the toolkit may show it before the
    // manager answered) is answered with the slot again, a bounded number of times.
    if (GetPosition() != want && m_corrections < kMaxCorrections) {
        ++m_corrections;
        DesktopWindowHints::Move(this, want.x, want.y);
    }
}

void PopupDialog::MoveToSlot()
{
    if (!IsShown() || IsBeingDeleted())
        return;
    const wxPoint at = PlaceFor();
    SetClientSize(kPopupWidth, kPopupHeight);
    DesktopWindowHints::Move(this, at.x, at.y);
}

void PopupDialog::ShowInPlace()
{
    const wxPoint at = PlaceFor();
    SetSize(at.x, at.y, -1, -1, wxSIZE_USE_EXISTING);
    SetClientSize(kPopupWidth, kPopupHeight);
    ShowWithoutActivating();
    DesktopWindowHints::Move(this, at.x, at.y);
    // Under a window manager the toolkit holds the first show back until the manager has told
    // it the decoration sizes, and what was set before is lost: set it again once shown.
    CallAfter([this] { MoveToSlot(); });
}

void PopupDialog::SetProperties()
{
    SetTitle(_("Popup"));
    SetSize(150, 150);
    m_titleBar->SetSize(144, 18);
    m_styleBar->SetSize(144, 12);
    m_picture->SetSize(107, 82);
    m_nameLabel->SetSize(108, 18);
    m_nameLabel->SetBackgroundColour(wxColour(90, 146, 239));
    m_nameLabel->SetForegroundColour(wxColour(255, 255, 255));
    m_nameLabel->SetFont(wxFont(10, wxFONTFAMILY_DEFAULT, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_NORMAL,
                                false, wxString()));
    m_contentPanel->SetBackgroundColour(wxColour(99, 150, 255));
}

void PopupDialog::DoLayout()
{
    auto* content = new wxBoxSizer(wxVERTICAL);
    content->Add(-1, 8, 0, wxEXPAND | wxALL, 0);
    content->Add(m_picture, 0, wxALIGN_CENTER_HORIZONTAL | wxBOTTOM, 3);
    content->Add(m_nameLabel, 0, wxEXPAND | wxBOTTOM, 5);
    m_contentPanel->SetAutoLayout(true);
    m_contentPanel->SetSizer(content);
    content->Fit(m_contentPanel);
    content->SetSizeHints(m_contentPanel);

    auto* frame = new wxBoxSizer(wxVERTICAL);
    frame->Add(m_titleBar, 0, 0, 0);
    frame->Add(m_styleBar, 0, 0, 0);
    frame->Add(m_contentPanel, 1, wxEXPAND | wxALL, 0);
    m_framePanel->SetAutoLayout(true);
    m_framePanel->SetSizer(frame);
    frame->Fit(m_framePanel);
    frame->SetSizeHints(m_framePanel);

    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(m_framePanel, 1, wxEXPAND | wxALL, 0);
    SetAutoLayout(true);
    SetSizer(top);
    Layout();
    SetSize(150, 150);
}

bool PopupDialog::StartThumbnailDownload(wxEvtHandler* receiver, const wxString& name)
{
    const wxString address = Settings::HostUrl(
        Settings::Host::Image, wxString::Format("/WebArchive/%s/thumbs/LinkedImage.jpg", name));
    auto* url = new wxURL(address);
    if (auto* http = dynamic_cast<wxHTTP*>(&url->GetProtocol()))
        http->SetHeader("Host", Settings::GetHost(Settings::Host::Main));
    url->GetProtocol().SetTimeout(kThumbnailTimeoutSeconds);
    return DownloadThread::Start(new DownloadThread(receiver, -1, url, nullptr));
}

wxImage PopupDialog::DecodeThumbnail(wxCommandEvent& event)
{
    wxImage image;
    if (const std::unique_ptr<char[]> data = DownloadThread::TakeBuffer(event)) {
        EnsureImageHandlers();
        wxMemoryInputStream in(data.get(), static_cast<size_t>(event.GetInt()));
        wxLogNull quiet; // an undecodable thumbnail is an invalid image
        image.LoadFile(in, wxBITMAP_TYPE_ANY, -1);
    }
    return image;
}

void PopupDialog::RequestThumbnail()
{
    m_downloading = StartThumbnailDownload(this, m_user.GetName());
    if (!m_downloading)
        Destroy(); // it would otherwise wait hidden for ever
}

PopupDialog::ThumbnailFunction& PopupDialog::ThumbnailSink()
{
    static ThumbnailFunction sink;
    return sink;
}

void PopupDialog::SetThumbnailSink(ThumbnailFunction sink)
{
    ThumbnailSink() = std::move(sink);
}

void PopupDialog::TellThumbnail(const wxString& name, const wxImage& image)
{
    if (ThumbnailSink())
        ThumbnailSink()(name, image);
}

void PopupDialog::OnDownloadFinished(wxCommandEvent& event)
{
    m_downloading = false;
    wxBitmap bitmap;
    // An undecodable thumbnail gets the placeholder.
    if (const wxImage image = DecodeThumbnail(event); image.IsOk()) {
        bitmap = wxBitmap(image.Scale(107, 82), -1);
        if (m_kind != POPUP_SUMMARY)
            TellThumbnail(m_user.GetName(), image);
    }
    if (!bitmap.IsOk())
        bitmap = Skin("PopupDialog_profileImage");
    m_picture->SetBitmap(bitmap);
    StartDestroyTimer();

    // The lowest free slot: a popup never covers another that is still open.
    const int fit = GetColumnCapacity();
    if (ms_slots.size() < static_cast<size_t>(fit))
        ms_slots.resize(static_cast<size_t>(fit), nullptr);
    auto free = std::find(ms_slots.begin(), ms_slots.begin() + fit, nullptr);
    if (free == ms_slots.begin() + fit) {
        // More popups than the column holds (made without the manager's bound): the next row
        // above, starting again at the bottom once over the top.
        free = std::find(ms_slots.begin(), ms_slots.end(), nullptr);
        if (free == ms_slots.end())
            free = ms_slots.insert(ms_slots.end(), nullptr);
    }
    *free = this;
    m_slot = static_cast<int>(free - ms_slots.begin()) + 1;
    ShowInPlace();
}

void PopupDialog::OnDestroyTimer(wxTimerEvent&)
{
    delete m_destroyTimer;
    m_destroyTimer = nullptr;
    Destroy();
}

void PopupDialog::OnLeftDownForControl(wxMouseEvent&)
{
    if (m_kind == POPUP_SUMMARY) {
        // Everything the summary counts is listed on the "Recent" page.
        MainFrameLink::PostCommand(ID_SHOW_RECENT);
        return;
    }
    Util::LaunchBrowser(UserListTreeCtrl::ProfileUrl(m_user.GetName()));
}

void PopupDialog::OnPaintContentPanel(wxPaintEvent&)
{
    wxPaintDC dc(m_contentPanel);
    const wxBitmap& background = ResourceManager::GetInstance()->GetSharedBitmap("PopupDialog_contentPanel");
    if (background.IsOk())
        dc.DrawBitmap(background, 0, 0, true);
}
