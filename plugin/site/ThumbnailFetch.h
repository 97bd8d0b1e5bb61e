#pragma once

#include <functional>

#include <wx/event.h>
#include <wx/image.h>
#include <wx/string.h>

// A performer's thumbnail from the site's image host, as popups and desktop notifications
// show it: the download (a download-finished event on the receiver), its decoding, and the one
// listener told of every picture fetched (the Recent page).
class ThumbnailFetch {
public:
    static constexpr int kTimeoutSeconds = 10;
    static constexpr size_t kMaxThumbnailBytes = 2u * 1024u * 1024u;

    // False when no download could start.
    static bool Start(wxEvtHandler* receiver, const wxString& name);
    // The picture a download brought; invalid when it failed or does not decode.
    static wxImage Decode(wxCommandEvent& event);

    using Listener = std::function<void(const wxString& name, const wxImage& image)>;
    // The window that sets it clears it before it goes.
    static void SetListener(Listener listener);
    static void Tell(const wxString& name, const wxImage& image);

private:
    // JPEG, PNG and GIF, whatever the skin registered.
    static void EnsureImageHandlers();
    static Listener& CurrentListener();
};
