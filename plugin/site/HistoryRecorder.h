#pragma once

#include <ctime>
#include <memory>
#include <mutex>
#include <vector>

#include <wx/event.h>

#include "site/HistoryDatabase.h"

class ThreadLifeline;
class UserEvent;
class UserListEvent;

// Keeps the performers' history: the synchronisation thread's events are noted on the UI
// thread (a copy into a queue, nothing more) and written in batches by a thread of its own, so
// that no refresh and no window waits on the disk. At its start the sessions a crash left open
// are closed at the last moment known and those older than the retention are forgotten; at
// its end the open sessions are closed at that moment.
class HistoryRecorder : public wxEvtHandler {
public:
    // Changes are written at most this long after they came.
    static constexpr long kWriteEveryMs = 2000;
    // While nothing changes, the moment known is noted this often (what a crash's open sessions
    // end at); between, the writer sleeps.
    static constexpr long kAliveEveryMs = 60000;

    // 'path' is the database; 'keepDays' how long a session is kept.
    HistoryRecorder(const wxString& path, int keepDays);
    ~HistoryRecorder() override;

    // Starts the writing thread; false when it could not be started.
    bool Start();
    // What is queued and not yet written.
    size_t Pending() const;
    // The database's file in the data folder ("history.db"); empty when there is none.
    static wxString DefaultPath();

private:
    class Writer;
    void Note(const wxString& name, unsigned long status);
    void OnUser(UserEvent& event);
    void OnList(UserListEvent& event);

    wxString m_path;
    int m_keepDays;
    mutable std::mutex m_lock;
    std::vector<HistoryDatabase::Change> m_queue;
    std::shared_ptr<ThreadLifeline> m_lifeline;
    friend class Writer;
};
