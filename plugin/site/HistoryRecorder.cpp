#include "site/HistoryRecorder.h"

#include <cstdio>
#include <utility>

#include <wx/thread.h>

#include "app/DataFiles.h"
#include "app/ThreadLifeline.h"
#include "site/UserEvent.h"
#include "site/UserListEvent.h"

namespace {
constexpr std::time_t kDay = 24 * 60 * 60;
// The retention runs at the start and then this often.
constexpr std::time_t kForgetEvery = 60 * 60;
} // namespace

// Owns nothing of the recorder but the queue it empties; the recorder outlives it, since the
// teardown joins every plug-in thread before the handlers go.
class HistoryRecorder::Writer : public wxThread {
public:
    Writer(HistoryRecorder& recorder, std::shared_ptr<ThreadLifeline> lifeline)
        : wxThread(wxTHREAD_JOINABLE), m_recorder(recorder), m_lifeline(std::move(lifeline))
    {
    }

private:
    ExitCode Entry() override
    {
        m_lifeline->AttachThread(this);
        Work();
        m_lifeline->MarkEnded();
        return nullptr;
    }

    std::vector<HistoryDatabase::Change> Take()
    {
        std::lock_guard<std::mutex> guard(m_recorder.m_lock);
        return std::exchange(m_recorder.m_queue, {});
    }

    bool HasQueued()
    {
        std::lock_guard<std::mutex> guard(m_recorder.m_lock);
        return !m_recorder.m_queue.empty();
    }

    void Work()
    {
        ThreadLifeline::NameCurrentThread("sorvik-history");
        HistoryDatabase db(m_recorder.m_path);
        if (!db.IsOpen()) {
            std::fprintf(stderr, "sorvik: no history: %s\n", db.Error().c_str());
            return;
        }
        db.CloseLeftOpen();
        const std::time_t keep = static_cast<std::time_t>(m_recorder.m_keepDays) * kDay;
        std::time_t forgotten = 0;
        for (;;) {
            bool stop = m_lifeline->WaitForStopOrWake(kAliveEveryMs);
            // The first change of a batch wakes the writer; the rest of the batch comes within
            // the next moments.
            if (!stop && HasQueued())
                stop = m_lifeline->WaitForStopRequest(kWriteEveryMs);
            const std::time_t now = std::time(nullptr);
            const std::vector<HistoryDatabase::Change> batch = Take();
            if (!db.Write(batch, now))
                std::fprintf(stderr, "sorvik: the history could not be written: %s\n", db.Error().c_str());
            if (now - forgotten >= kForgetEvery) {
                db.Forget(now - keep);
                forgotten = now;
            }
            if (stop) {
                db.CloseAll(now);
                return;
            }
        }
    }

    HistoryRecorder& m_recorder;
    std::shared_ptr<ThreadLifeline> m_lifeline;
};

HistoryRecorder::HistoryRecorder(const wxString& path, int keepDays) : m_path(path), m_keepDays(keepDays)
{
    Bind(wxEVT_USER_ADDED, &HistoryRecorder::OnUser, this);
    Bind(wxEVT_USER_CHANGED, &HistoryRecorder::OnUser, this);
    Bind(wxEVT_USER_DELETED, &HistoryRecorder::OnUser, this);
    Bind(wxEVT_USER_LIST_INITIALIZED, &HistoryRecorder::OnList, this);
}

HistoryRecorder::~HistoryRecorder()
{
    // Normally ended by the teardown's thread step already.
    if (m_lifeline) {
        m_lifeline->RequestStop();
        m_lifeline->WaitEnded(ThreadLifeline::kStopTimeoutMs);
        ThreadLifeline::Reap();
    }
}

bool HistoryRecorder::Start()
{
    if (m_path.empty() || m_lifeline)
        return false;
    m_lifeline = ThreadLifeline::Create();
    auto* writer = new Writer(*this, m_lifeline);
    if (writer->Run() == wxTHREAD_NO_ERROR)
        return true;
    delete writer;
    m_lifeline->MarkEnded();
    m_lifeline.reset();
    return false;
}

size_t HistoryRecorder::Pending() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_queue.size();
}

wxString HistoryRecorder::DefaultPath()
{
    const wxString folder = DataFiles::Folder();
    return folder.empty() ? wxString() : folder + "/history.db";
}

void HistoryRecorder::Note(const wxString& name, unsigned long status)
{
    HistoryDatabase::Change change;
    change.name = name; // std::wstring inside: a deep copy
    change.at = std::time(nullptr);
    change.status = status;
    bool first = false;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        first = m_queue.empty();
        m_queue.push_back(std::move(change));
    }
    if (first && m_lifeline)
        m_lifeline->Wake();
}

void HistoryRecorder::OnUser(UserEvent& event)
{
    event.Skip();
    Note(event.GetUser().GetName(), event.GetEventType() == wxEVT_USER_DELETED ? 0 : event.GetUser().GetStatus());
}

void HistoryRecorder::OnList(UserListEvent& event)
{
    event.Skip();
    for (const User& user : event.GetUserList())
        Note(user.GetName(), user.GetStatus());
}
