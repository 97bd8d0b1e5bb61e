#include "views/PopupDialog.h"

#include <algorithm>

#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/display.h>
#include <wx/gdicmn.h>
#include <wx/image.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/timer.h>

#include "app/CommandIds.h"
#include "app/Keys.h"
#include "app/MainFrameLink.h"
#include "app/Settings.h"
#include "net/DownloadThread.h"
#include "net/Util.h"
#include "skin/ResourceManager.h"
#include "skin/SkinText.h"
#include "site/ThumbnailFetch.h"
#include "views/DesktopWindowHints.h"
#include "views/UserListTreeCtrl.h"

wxBEGIN_EVENT_TABLE(PopupDialog, wxDialog)
    EVT_COMMAND(wxID_ANY, wxEVT_DOWNLOAD_FINISHED, PopupDialog::OnDownloadFinished)
    EVT_TIMER(wxID_ANY, PopupDialog::OnDestroyTimer)
    EVT_CLOSE(PopupDialog::OnClose)
wxEND_EVENT_TABLE()

namespace {
constexpr int kPopupWidth = PopupColumn::kPopupWidth;
constexpr int kPopupHeight = PopupColumn::kPopupHeight;
// The skin's bands, and the room above the picture.
constexpr int kBandHeight = 12;
constexpr int kSpaceAbovePicture = 8;

wxBitmap Skin(const wxString& key)
{
    return ResourceManager::GetInstance()->GetBitmap(key);
}

// A band as wide as the popup: a skin's narrower band goes on with its last column (its
// gradient and edge stay as drawn), a wider one is scaled down.
wxImage ToWidth(wxImage image, int width)
{
    if (!image.IsOk() || width <= 0 || image.GetWidth() == width)
        return image;
    if (image.GetWidth() > width)
        return image.Scale(width, image.GetHeight(), wxIMAGE_QUALITY_HIGH);
    const int from = image.GetWidth();
    const int height = image.GetHeight();
    image.Resize(wxSize(width, height), wxPoint(0, 0), 0, 0, 0);
    for (int y = 0; y < height; ++y)
        for (int x = from; x < width; ++x) {
            image.SetRGB(x, y, image.GetRed(from - 1, y), image.GetGreen(from - 1, y), image.GetBlue(from - 1, y));
            if (image.HasAlpha())
                image.SetAlpha(x, y, image.GetAlpha(from - 1, y));
        }
    return image;
}

} // namespace

wxBitmap PopupDialog::Band(const wxString& key, const wxString& words, int width)
{
    // Drawn once per skin, words and width: a burst's popups share it instead of each laying
    // its words out again (the larger part of making a popup).
    const wxString id = wxString::Format("%s\x1f%s\x1f%d", key, words, width);
    return ResourceManager::GetInstance()->GetSharedBitmap(id, [&] { return DrawBand(key, words, width); });
}

wxBitmap PopupDialog::DrawBand(const wxString& key, const wxString& words, int width)
{
    ResourceManager* skin = ResourceManager::GetInstance();
    // A skin's band without words gets them from the catalogue; one with words keeps its own.
    const wxString blank = key + "_blank";
    const bool drawWords = !words.empty() && skin->HasImage(blank) && skin->GetBitmap(blank).IsOk();
    const wxBitmap source = skin->GetBitmap(drawWords ? blank : key);
    if (!source.IsOk())
        return source;
    wxImage image = ToWidth(source.ConvertToImage(), width);
    // A band as tall as its words need to be read: kana and kanji at a band's 9 px are a blur.
    const int readable = drawWords ? SkinText::ReadablePixels(words) : 0;
    if (drawWords && image.GetHeight() < readable + 3)
        image.Rescale(image.GetWidth(), readable + 3, wxIMAGE_QUALITY_HIGH);
    wxBitmap band(image, -1);
    if (!drawWords)
        return band;
    wxMemoryDC dc(band);
    SkinText::FitFont(dc, wxFont(wxFontInfo(wxSize(0, std::max(readable, band.GetHeight() - 3))).Bold()), words,
                      band.GetWidth() - 4, readable);
    // Shortened rather than shrunk below what can be read.
    const wxString shown = SkinText::Shortened(dc, words, band.GetWidth() - 4);
    const wxSize extent = dc.GetTextExtent(shown);
    const wxPoint at((band.GetWidth() - extent.x) / 2, (band.GetHeight() - extent.y) / 2);
    dc.SetTextForeground(wxColour(0, 0, 0, 90));
    dc.DrawText(shown, at + wxPoint(1, 1));
    dc.SetTextForeground(*wxWHITE);
    dc.DrawText(shown, at);
    dc.SelectObject(wxNullBitmap);
    return band;
}

void PopupDialog::SetBands(int kind)
{
    const int inner = kPopupWidth - m_framePanel->GetWindowBorderSize().x;
    const wxBitmap title = Band("PopupDialog_titleBar", wxString(), inner);
    m_titleBar->SetBitmap(title);
    m_titleBar->SetMinSize(wxSize(inner, title.IsOk() ? title.GetHeight() : 18));
    const int styleWidth = inner - m_styleBar->GetWindowBorderSize().x;
    const wxBitmap style = kind == POPUP_FREE
        ? Band("PopupDialog_styleBar_FREE", _("FREE NOW"), styleWidth)
        : Band("PopupDialog_styleBar_ONLINE", kind == POPUP_SUMMARY ? _("ON LINE AND FREE") : _("ON LINE NOW"),
               styleWidth);
    m_styleBar->SetBitmap(style);
    m_styleBar->SetMinSize(wxSize(inner, (style.IsOk() ? style.GetHeight() : 10) +
                                             m_styleBar->GetWindowBorderSize().y));
    // A band made taller for its words takes the room from the space above the picture, so
    // that the name below it stays whole.
    if (wxSizer* content = m_contentPanel->GetSizer(); content && content->GetItemCount() > 0) {
        const int extra = style.IsOk() ? std::max(0, style.GetHeight() - kBandHeight) : 0;
        content->GetItem(static_cast<size_t>(0))->AssignSpacer(wxSize(-1, std::max(2, kSpaceAbovePicture - extra)));
        m_contentPanel->Layout();
    }
    m_framePanel->Layout();
}

void PopupDialog::CountInSummary(int kind)
{
    PopupDialog* summary = this;
    if (kind == POPUP_FREE)
        ++summary->m_summaryFree;
    else
        ++summary->m_summaryOnline;
    // A thousand events of one refresh arrive in slices: the text is laid out and the window
    // shown at most once a second, the last count always.
    if (!summary->m_summaryThrottle)
        summary->m_summaryThrottle = std::make_unique<UpdateThrottle>([summary] {
            summary->UpdateSummaryText();
            // Lives as long as any popup from its first show; later events start a new one, so
            // its count is of the events of its own time.
            if (!summary->IsShown()) {
                summary->StartDestroyTimer();
                summary->ShowInPlace();
            }
        });
    summary->m_summaryThrottle->Request();
}

PopupDialog::PopupDialog(const User& user, int kind, wxWindow* parent, wxWindowID id,
                         const wxString& title, const wxPoint& pos, const wxSize& size, long style)
    : m_user(user), m_kind(kind)
{
    DesktopWindowHints::PrepareNotification(this);
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
    SetBands(kind == POPUP_SUMMARY ? POPUP_ONLINE : kind);
    m_nameLabel->SetLabel(m_user.GetName());
    m_nameLabel->Bind(wxEVT_LEFT_DOWN, &PopupDialog::OnLeftDownForControl, this);
    // The popup never takes the activation: it is shown with ShowWithoutActivating.
    m_contentPanel->Bind(wxEVT_PAINT, &PopupDialog::OnPaintContentPanel, this);
    Bind(wxEVT_MOVE, &PopupDialog::OnMovedByManager, this);

    if (kind == POPUP_SUMMARY) {
        // Words instead of a face; a click shows the main window, where everybody is listed.
        m_picture->Hide();
        m_nameLabel->SetMinSize(wxSize(kPopupWidth - m_framePanel->GetWindowBorderSize().x - 8, 82 + 18));
        m_contentPanel->Layout();
        return;
    }
    PopupColumn::Add(this);
    RequestThumbnail();
}

void PopupDialog::AddToSummary(int kind)
{
    PopupDialog* summary = GetSummary();
    if (!summary) {
        summary = new PopupDialog(User(), POPUP_SUMMARY, nullptr, wxID_ANY, wxString(), wxDefaultPosition,
                                  wxDefaultSize, wxSTAY_ON_TOP | wxDIALOG_NO_PARENT);
        PopupColumn::SetSummary(summary);
    }
    summary->CountInSummary(kind);
}

void PopupDialog::MoveToSlotSoon()
{
    CallAfter([this] { MoveToSlot(); });
}

PopupDialog::~PopupDialog()
{
    DownloadThread::ForgetReceiver(this);
    delete m_destroyTimer;
    m_summaryThrottle.reset();
    ReleaseSlot();
}

void PopupDialog::ReleaseSlot()
{
    PopupColumn::Remove(this, m_slot);
    m_slot = 0;
}

bool PopupDialog::Destroy()
{
    ReleaseSlot();
    // No result is wanted any more; the thread is asked to stop with the others at exit.
    DownloadThread::ForgetReceiver(this);
    if (m_destroyTimer)
        m_destroyTimer->Stop();
    if (m_summaryThrottle)
        m_summaryThrottle->Reset();
    Hide();
    return wxDialog::Destroy();
}

void PopupDialog::OnClose(wxCloseEvent&)
{
    Destroy();
}

void PopupDialog::UpdateSummaryText()
{
    // The band says what it counts: on line, free, or both.
    SetBands(m_summaryFree == 0 ? POPUP_ONLINE : m_summaryOnline == 0 ? POPUP_FREE : POPUP_SUMMARY);
    wxArrayString lines;
    if (m_summaryOnline > 0)
        lines.Add(wxString::Format(_("%d more came on line"), m_summaryOnline));
    if (m_summaryFree > 0)
        lines.Add(wxString::Format(_("%d more are free now"), m_summaryFree));
    // One line per count, in a smaller font where a language needs it: a wrapped count leaves a
    // word alone or breaks a phrase that has no spaces.
    const int width = kPopupWidth - m_framePanel->GetWindowBorderSize().x - 8;
    wxFont font = m_nameLabel->GetFont();
    font.SetPointSize(10);
    const auto widest = [&] {
        int most = 0;
        for (const wxString& line : lines)
            most = std::max(most, m_nameLabel->GetTextExtent(line).x);
        return most;
    };
    m_nameLabel->SetFont(font);
    while (widest() > width && font.GetPointSize() > 7) {
        font.SetPointSize(font.GetPointSize() - 1);
        m_nameLabel->SetFont(font);
    }
    m_nameLabel->SetLabel(wxJoin(lines, '\n', '\0'));
    if (widest() > width)
        m_nameLabel->Wrap(width); // the last resort, for a very long translation
    m_contentPanel->Layout();
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
    return PopupColumn::Place(m_slot, m_kind == POPUP_SUMMARY,
                              DesktopWindowHints::OuterSize(const_cast<PopupDialog*>(this)));
}

void PopupDialog::OnMovedByManager(wxEvent& event)
{
    event.Skip();
    if (!IsShown() || IsBeingDeleted())
        return;
    const wxSize known = PopupColumn::GetOuterSize();
    const wxPoint want = PlaceFor();
    // The manager's frame is known now: every popup moves to the slot it really needs.
    if (PopupColumn::GetOuterSize() != known)
        PopupColumn::MoveAllToSlots(this);
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
    m_styleBar->SetSize(144, kBandHeight);
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
    content->Add(-1, kSpaceAbovePicture, 0, wxEXPAND | wxALL, 0);
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

void PopupDialog::RequestThumbnail()
{
    m_downloading = ThumbnailFetch::Start(this, m_user.GetName());
    if (!m_downloading)
        Destroy(); // it would otherwise wait hidden for ever
}

void PopupDialog::OnDownloadFinished(wxCommandEvent& event)
{
    m_downloading = false;
    wxBitmap bitmap;
    // An undecodable thumbnail gets the placeholder.
    if (const wxImage image = ThumbnailFetch::Decode(event); image.IsOk()) {
        bitmap = wxBitmap(image.Scale(107, 82), -1);
        if (m_kind != POPUP_SUMMARY)
            ThumbnailFetch::Tell(m_user.GetName(), image);
    }
    if (!bitmap.IsOk())
        bitmap = Skin("PopupDialog_profileImage");
    m_picture->SetBitmap(bitmap);
    StartDestroyTimer();

    m_slot = PopupColumn::TakeSlot(this);
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
