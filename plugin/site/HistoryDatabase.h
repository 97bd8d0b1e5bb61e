#pragma once

#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include <wx/string.h>

#include "model/PerformerHistory.h"

struct sqlite3;

// The performers' history in SQLite (WAL, the schema versioned in "user_version"): one row per
// session on line, from and to, with the status changes within it. One object per thread;
// several may share the file (one writer, any number of readers).
class HistoryDatabase {
public:
    static constexpr int kSchemaVersion = 2;

    // A performer's status from a moment on; 0: gone from the site's list.
    struct Change {
        wxString name;
        std::time_t at = 0;
        unsigned long status = 0;
    };
    using Session = PerformerHistory::Session;

    // Opens (or makes) the file, readable by its owner only, and brings its schema up to date.
    explicit HistoryDatabase(const wxString& path);
    ~HistoryDatabase();
    HistoryDatabase(const HistoryDatabase&) = delete;
    HistoryDatabase& operator=(const HistoryDatabase&) = delete;

    bool IsOpen() const { return m_db != nullptr; }
    const std::string& Error() const { return m_error; }
    int SchemaVersion();

    // Applies the changes in one transaction, and notes 'now' as the last moment known.
    bool Write(const std::vector<Change>& changes, std::time_t now);
    // Ends every open session at 'at' (the program's exit); returns how many.
    int CloseAll(std::time_t at);
    // Ends the sessions a crash left open at the last moment the program knew of.
    int CloseLeftOpen();
    // Forgets the sessions that ended before 'before'.
    int Forget(std::time_t before);
    // When the performer was last seen on line (0: never).
    std::time_t LastSeen(const wxString& name);
    // The performer's sessions that ended after 'since' (or are open), oldest first.
    std::vector<Session> SessionsOf(const wxString& name, std::time_t since);

private:
    bool Exec(const char* sql);
    bool Migrate();
    std::time_t LastKnown();
    long long PerformerId(const std::string& name, bool create);

    sqlite3* m_db = nullptr;
    std::string m_error;
};
