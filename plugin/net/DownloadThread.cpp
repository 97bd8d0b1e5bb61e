#include "net/DownloadThread.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <vector>

#include <wx/url.h>

#include "app/ThreadLifeline.h"
#include "net/wxHTTP2.h"

wxDEFINE_EVENT(wxEVT_DOWNLOAD_FINISHED, wxCommandEvent);

// Who gets a download's result; cleared when the receiver goes.
struct DownloadThread::Receiver {
    wxEvtHandler* handler;
};

namespace {

std::mutex g_receiversLock;
// The receivers of downloads under way, by handler, so that a going receiver clears them.
std::unordered_multimap<wxEvtHandler*, std::weak_ptr<DownloadThread::Receiver>>&
Receivers()
{
    static std::unordered_multimap<wxEvtHandler*, std::weak_ptr<DownloadThread::Receiver>> map;
    return map;
}

// Buffers queued on a receiver and not yet taken by it.
std::unordered_map<char*, wxEvtHandler*>& Posted()
{
    static std::unordered_map<char*, wxEvtHandler*> posted;
    return posted;
}

bool StopRequested()
{
    return ThreadLifeline::CurrentStopRequested();
}

} // namespace

DownloadThread::DownloadThread(wxEvtHandler* handler, int id, wxURL* url, wxProtocol* protocol,
                               unsigned int priority, wxThreadKind kind)
    : wxThread(kind), m_receiver(std::make_shared<Receiver>(Receiver{handler})),
      m_lifeline(ThreadLifeline::Create()), m_id(id)
{
    std::unique_ptr<wxURL> ownedUrl(url);
    std::unique_ptr<wxProtocol> ownedProtocol(protocol);
    if (ownedUrl)
        m_request.url = wxString(ownedUrl->BuildURI().wc_str());
    m_request.maxBodyBytes = kMaxBodyBytes;
    if (auto* http2 = dynamic_cast<wxHTTP2*>(ownedProtocol.get())) {
        m_request.useProxy = false;
        const wxString authorization = http2->GetAuthorization();
        if (!authorization.empty())
            m_request.headers.emplace_back("Authorization", authorization.utf8_str().data());
        m_request.timeoutSeconds = std::max(1L, http2->GetTimeout());
    } else if (ownedProtocol) {
        m_request.useProxy = false;
    } else if (ownedUrl) {
        m_request.useProxy = true;
        if (auto* http = dynamic_cast<wxHTTP*>(&ownedUrl->GetProtocol())) {
            const wxString host = http->GetHeader("Host");
            if (!host.empty())
                m_request.headers.emplace_back("Host", host.utf8_str().data());
        }
        m_request.timeoutSeconds = std::max(1L, ownedUrl->GetProtocol().GetTimeout());
    }
    if (handler) {
        std::lock_guard<std::mutex> guard(g_receiversLock);
        Receivers().emplace(handler, m_receiver);
    }
    Create();
    SetPriority(priority);
}

DownloadThread::DownloadThread(wxEvtHandler* handler, int id, const HttpRequest& request)
    : wxThread(wxTHREAD_JOINABLE), m_receiver(std::make_shared<Receiver>(Receiver{handler})),
      m_lifeline(ThreadLifeline::Create()), m_id(id), m_request(request)
{
    // Deep copy: the caller's string may share its buffer.
    m_request.url = wxString(request.url.wc_str());
    m_request.maxBodyBytes = std::min(m_request.maxBodyBytes, kMaxBodyBytes);
    if (handler) {
        std::lock_guard<std::mutex> guard(g_receiversLock);
        Receivers().emplace(handler, m_receiver);
    }
    Create();
}

DownloadThread::~DownloadThread()
{
    {
        std::lock_guard<std::mutex> guard(g_receiversLock);
        auto& map = Receivers();
        for (auto it = map.begin(); it != map.end();) {
            auto held = it->second.lock();
            it = (!held || held == m_receiver) ? map.erase(it) : std::next(it);
        }
    }
    // Also covers a thread that never ran.
    m_lifeline->MarkEnded();
}

bool DownloadThread::Start(DownloadThread* thread)
{
    ThreadLifeline::Reap();
    if (thread->Run() == wxTHREAD_NO_ERROR)
        return true;
    delete thread;
    return false;
}

void DownloadThread::ForgetReceiver(wxEvtHandler* handler)
{
    std::lock_guard<std::mutex> guard(g_receiversLock);
    auto range = Receivers().equal_range(handler);
    for (auto it = range.first; it != range.second; ++it)
        if (auto receiver = it->second.lock())
            receiver->handler = nullptr;
    Receivers().erase(range.first, range.second);
    auto& posted = Posted();
    for (auto it = posted.begin(); it != posted.end();) {
        if (it->second == handler) {
            delete[] it->first;
            it = posted.erase(it);
        } else {
            ++it;
        }
    }
}

std::unique_ptr<char[]> DownloadThread::TakeBuffer(wxCommandEvent& event)
{
    auto* data = static_cast<char*>(event.GetClientData());
    event.SetClientData(nullptr);
    if (data) {
        std::lock_guard<std::mutex> guard(g_receiversLock);
        Posted().erase(data);
    }
    return std::unique_ptr<char[]>(data);
}

wxThread::ExitCode DownloadThread::Entry()
{
    ThreadLifeline::NameCurrentThread("sorvik-download");
    m_lifeline->AttachThread(this);
    ThreadLifeline::SetCurrent(m_lifeline.get());
    Fetch();
    ThreadLifeline::SetCurrent(nullptr);
    m_lifeline->MarkEnded();
    return nullptr;
}

void DownloadThread::Fetch()
{
    const HttpResponse response = HttpClient::Get(m_request, &StopRequested);
    char* buffer = nullptr;
    size_t length = 0;
    if (response.IsSuccess()) {
        length = response.body.size();
        buffer = new char[length];
        std::memcpy(buffer, response.body.data(), length);
    }
    wxCommandEvent event(wxEVT_DOWNLOAD_FINISHED, m_id);
    event.SetInt(static_cast<int>(length));
    event.SetClientData(buffer);
    {
        // Held while posting, so the receiver cannot go half-way through.
        std::lock_guard<std::mutex> guard(g_receiversLock);
        if (m_receiver->handler && !m_lifeline->IsStopRequested()) {
            if (buffer)
                Posted().emplace(buffer, m_receiver->handler);
            m_receiver->handler->AddPendingEvent(event);
            buffer = nullptr;
        }
    }
    delete[] buffer;
}
