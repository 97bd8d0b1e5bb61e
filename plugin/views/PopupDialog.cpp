#include "views/PopupDialog.h"

#include <algorithm>

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

#include "net/DownloadThread.h"
#include "net/Util.h"
#include "site/Settings.h"
#include "skin/ResourceManager.h"
#include "views/UserListTreeCtrl.h"

int PopupDialog::ms_openCount = 0;

wxBEGIN_EVENT_TABLE(PopupDialog, wxDialog)
    EVT_COMMAND(wxID_ANY, wxEVT_DOWNLOAD_FINISHED, PopupDialog::OnDownloadFinished)
    EVT_TIMER(wxID_ANY, PopupDialog::OnDestroyTimer)
wxEND_EVENT_TABLE()

namespace {
wxBitmap Skin(const wxString& key)
{
    return ResourceManager::GetInstance()->GetBitmap(key);
}
} // namespace

PopupDialog::PopupDialog(const User& user, int kind, wxWindow* parent, wxWindowID id,
                         const wxString& title, const wxPoint& pos, const wxSize& size, long style)
    : m_user(user), m_kind(kind)
{
    Create(parent, id, title, pos, size, style, wxDialogNameStr);

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

    RequestThumbnail();
}

PopupDialog::~PopupDialog()
{
    DownloadThread::ForgetReceiver(this);
    delete m_destroyTimer;
    // Only a popup that was shown holds a slot.
    if (m_counted)
        --ms_openCount;
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

void PopupDialog::RequestThumbnail()
{
    const wxString address = Settings::HostUrl(
        Settings::Host::Image, wxString::Format("/WebArchive/%s/thumbs/LinkedImage.jpg",
                                                m_user.GetName()));
    auto* url = new wxURL(address);
    if (auto* http = dynamic_cast<wxHTTP*>(&url->GetProtocol()))
        http->SetHeader("Host", Settings::GetHost(Settings::Host::Main));
    url->GetProtocol().SetTimeout(kThumbnailTimeoutSeconds);
    m_downloading = DownloadThread::Start(new DownloadThread(this, -1, url, nullptr));
    if (!m_downloading)
        Destroy(); // it would otherwise wait hidden for ever
}

void PopupDialog::OnDownloadFinished(wxCommandEvent& event)
{
    m_downloading = false;
    wxBitmap bitmap;
    if (auto* data = static_cast<char*>(event.GetClientData())) {
        wxMemoryInputStream in(data, static_cast<size_t>(event.GetInt()));
        wxImage image;
        {
            wxLogNull quiet; // an undecodable thumbnail gets the placeholder
            image.LoadFile(in, wxBITMAP_TYPE_ANY, -1);
        }
        delete[] data;
        if (image.IsOk())
            bitmap = wxBitmap(image.Scale(107, 82), -1);
    }
    if (!bitmap.IsOk())
        bitmap = Skin("PopupDialog_profileImage");
    m_picture->SetBitmap(bitmap);

    m_destroyTimer = new wxTimer(this, wxID_ANY);
    const long duration = Settings::ReadLong("/PopupDialog/duration", 8);
    m_destroyTimer->StartOnce(static_cast<int>(std::max(1L, duration) * 1000));

    const wxRect area = wxGetClientDisplayRect();
    const wxSize size = GetSize();
    const int n = ++ms_openCount;
    m_counted = true;
    // A column taller than the screen starts again at the bottom rather than leave the top.
    const int fit = std::max(1, size.y > 0 ? area.height / size.y : 1);
    const int slot = (n - 1) % fit + 1;
    SetSize(area.x + area.width - size.x, area.y + area.height - slot * size.y, -1, -1,
            wxSIZE_USE_EXISTING);
    ShowWithoutActivating();
}

void PopupDialog::OnDestroyTimer(wxTimerEvent&)
{
    delete m_destroyTimer;
    m_destroyTimer = nullptr;
    Destroy();
}

void PopupDialog::OnLeftDownForControl(wxMouseEvent&)
{
    Util::LaunchBrowser(UserListTreeCtrl::ProfileUrl(m_user.GetName()));
}

void PopupDialog::OnPaintContentPanel(wxPaintEvent&)
{
    wxPaintDC dc(m_contentPanel);
    const wxBitmap& background = ResourceManager::GetInstance()->GetSharedBitmap("PopupDialog_contentPanel");
    if (background.IsOk())
        dc.DrawBitmap(background, 0, 0, true);
}
