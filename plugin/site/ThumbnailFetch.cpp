#include "site/ThumbnailFetch.h"

#include <memory>

#include <wx/log.h>
#include <wx/mstream.h>

#include "app/Keys.h"
#include "app/Settings.h"
#include "net/DownloadThread.h"
#include "skin/ImageHeader.h"

bool ThumbnailFetch::Start(wxEvtHandler* receiver, const wxString& name)
{
    HttpRequest request;
    request.url = Settings::HostUrl(Settings::Host::Image,
                                    wxString::Format("/WebArchive/%s/thumbs/LinkedImage.jpg", name));
    // The image host answers for the main site's name.
    request.headers.emplace_back("Host", Settings::HostName(Settings::Host::Main).utf8_str().data());
    request.timeoutSeconds = kTimeoutSeconds;
    // A host that drips its bytes holds a popup's slot no longer than the popup would stand.
    request.totalSeconds = static_cast<int>(std::clamp(Keys::PopupDuration.Read(), 2L, long{kTimeoutSeconds}));
    request.maxBodyBytes = kMaxThumbnailBytes;
    return DownloadThread::Start(new DownloadThread(receiver, -1, request));
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
        const size_t size = static_cast<size_t>(event.GetInt());
        // A picture that claims to be huge is refused before the decoder sees it.
        if (!ImageHeader::FitsWithin(data.get(), size))
            return image;
        wxMemoryInputStream in(data.get(), size);
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
