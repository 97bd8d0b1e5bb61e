#pragma once

#include <memory>

#include <wx/event.h>
#include <wx/thread.h>

#include "net/HttpClient.h"

class ThreadLifeline;
class wxURL;
class wxProtocol;

// One download finished: client data is a buffer made with new[] (null on failure) that
// belongs to the receiver, int its length.
wxDECLARE_EVENT(wxEVT_DOWNLOAD_FINISHED, wxCommandEvent);

// Fetches one address into memory on a thread of its own and posts the result to a handler.
// The thread is joined and deleted by its lifeline's registry once it has ended.
class DownloadThread : public wxThread {
public:
    // Takes ownership of 'url' and 'protocol'. With a protocol (a wxHTTP2 carrying credentials)
    // the request goes straight to the host; without one it uses the proxy, and the "Host"
    // header and time-out set on the URL's own protocol. Everything is read here, on the
    // caller's thread; the worker touches only its own copy.
    DownloadThread(wxEvtHandler* handler, int id, wxURL* url, wxProtocol* protocol,
                   unsigned int priority = 0, wxThreadKind kind = wxTHREAD_JOINABLE);
    // The plug-in's own requests, any scheme: the request as it stands.
    DownloadThread(wxEvtHandler* handler, int id, const HttpRequest& request);
    ~DownloadThread() override;

    // Joins the downloads that have ended, then runs this one; one whose Run fails is deleted.
    // False then.
    static bool Start(DownloadThread* thread);

    // A receiver calls this as it is destroyed: results still under way or queued for it are
    // dropped and their buffers freed. User-interface thread.
    static void ForgetReceiver(wxEvtHandler* handler);

    // The receiver takes the event's buffer (null on failure) with this, never by hand, so that
    // a result queued for a receiver that goes first is freed by ForgetReceiver.
    static std::unique_ptr<char[]> TakeBuffer(wxCommandEvent& event);

    // The largest body taken into memory.
    static constexpr size_t kMaxBodyBytes = 32u * 1024u * 1024u;

    struct Receiver;

protected:
    ExitCode Entry() override;

private:
    void Fetch();

    std::shared_ptr<Receiver> m_receiver;
    std::shared_ptr<ThreadLifeline> m_lifeline;
    int m_id;
    HttpRequest m_request;
};
