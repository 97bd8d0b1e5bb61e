#include "site/ThumbnailFetch.h"

#include <memory>

#include <wx/log.h>
#include <wx/mstream.h>
#include <wx/protocol/http.h>
#include <wx/url.h>

#include "app/Settings.h"
#include "net/DownloadThread.h"

bool ThumbnailFetch::Start(wxEvtHandler* receiver, const wxString& name)
{
    const wxString address = Settings::HostUrl(
        Settings::Host::Image, wxString::Format("/WebArchive/%s/thumbs/LinkedImage.jpg", name));
    auto* url = new wxURL(address);
    if (auto* http = dynamic_cast<wxHTTP*>(&url->GetProtocol()))
        http->SetHeader("Host", Settings::GetHost(Settings::Host::Main));
    url->GetProtocol().SetTimeout(kTimeoutSeconds);
    return DownloadThread::Start(new DownloadThread(receiver, -1, url, nullptr));
}

void ThumbnailFetch::EnsureImageHandlers()
{
    if (!wxImage::FindHandler(wxBITMAP_TYPE_JPEG))
        wxImage::AddHandler(new wxJPEGHandler);
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG))
        wxImage::AddHandler(new wxPNGHandler);
    if (!wxImage::FindHandler(wxBITMAP_TYPE_GIF))
        wxImage::AddHandler(new wxGIFHandler);
}

wxImage ThumbnailFetch::Decode(wxCommandEvent& event)
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

ThumbnailFetch::Listener& ThumbnailFetch::CurrentListener()
{
    static Listener listener;
    return listener;
}

void ThumbnailFetch::SetListener(Listener listener)
{
    CurrentListener() = std::move(listener);
}

void ThumbnailFetch::Tell(const wxString& name, const wxImage& image)
{
    if (CurrentListener())
        CurrentListener()(name, image);
}
