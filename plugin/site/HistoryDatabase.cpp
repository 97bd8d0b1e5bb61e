#include "site/HistoryDatabase.h"

#include <fcntl.h>
#include <unistd.h>

#include <sqlite3.h>

namespace {
// The first layout: sessions by name, without the changes within them.
const char* const kSchemaV1 = "CREATE TABLE sessions(name TEXT NOT NULL, start INTEGER NOT NULL, end INTEGER);";

const char* const kSchemaV2 =
    "CREATE TABLE performers(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE);"
    "CREATE TABLE sessions(id INTEGER PRIMARY KEY, performer INTEGER NOT NULL REFERENCES performers(id),"
    " start INTEGER NOT NULL, end INTEGER);"
    // Read by session only: kept in that order, with no second copy in an index.
    "CREATE TABLE changes(session INTEGER NOT NULL REFERENCES sessions(id), at INTEGER NOT NULL,"
    " status INTEGER NOT NULL, PRIMARY KEY(session, at)) WITHOUT ROWID;"
    "CREATE TABLE meta(key TEXT PRIMARY KEY, value INTEGER);"
    "CREATE INDEX sessions_by_performer ON sessions(performer, start);"
    "CREATE INDEX sessions_open ON sessions(performer) WHERE end IS NULL;"
    "CREATE INDEX sessions_by_end ON sessions(end);";

// One prepared statement, finalised on every way out.
class Statement {
public:
    Statement(sqlite3* db, const char* sql)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr) != SQLITE_OK)
            m_statement = nullptr;
    }
    ~Statement() { sqlite3_finalize(m_statement); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    explicit operator bool() const { return m_statement != nullptr; }
    Statement& Bind(int index, long long value)
    {
        sqlite3_bind_int64(m_statement, index, value);
        return *this;
    }
    Statement& Bind(int index, const std::string& text)
    {
        sqlite3_bind_text(m_statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        return *this;
    }
    // SQLITE_ROW or SQLITE_DONE when it worked.
    int Step() { return m_statement ? sqlite3_step(m_statement) : SQLITE_MISUSE; }
    void Reset()
    {
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
    }
    long long Column(int index) const { return sqlite3_column_int64(m_statement, index); }
    bool IsNull(int index) const { return sqlite3_column_type(m_statement, index) == SQLITE_NULL; }

private:
    sqlite3_stmt* m_statement = nullptr;
};

std::string Utf8(const wxString& text)
{
    const wxScopedCharBuffer utf8 = text.utf8_str();
    return std::string(utf8.data(), utf8.length());
}
} // namespace

HistoryDatabase::HistoryDatabase(const wxString& path)
{
    // Made by us first, so that it is the owner's alone (SQLite gives its journal files the same mode).
    const int fd = ::open(path.fn_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        m_error = "cannot open " + Utf8(path);
        return;
    }
    ::close(fd);
    if (sqlite3_open_v2(Utf8(path).c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) !=
        SQLITE_OK) {
        m_error = m_db ? sqlite3_errmsg(m_db) : "out of memory";
        sqlite3_close(m_db);
        m_db = nullptr;
        return;
    }
    // The writer and a reader may meet: a short wait, never an error at once.
    sqlite3_busy_timeout(m_db, 2000);
    // WAL with NORMAL: a crash loses at most the last transactions, never the file.
    if (!Exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=ON;") || !Migrate()) {
        sqlite3_close(m_db);
        m_db = nullptr;
    }
}

HistoryDatabase::~HistoryDatabase()
{
    sqlite3_close(m_db);
}

bool HistoryDatabase::Exec(const char* sql)
{
    char* message = nullptr;
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    m_error = message ? message : sqlite3_errmsg(m_db);
    sqlite3_free(message);
    return false;
}

int HistoryDatabase::SchemaVersion()
{
    Statement version(m_db, "PRAGMA user_version");
    return version && version.Step() == SQLITE_ROW ? static_cast<int>(version.Column(0)) : -1;
}

bool HistoryDatabase::Migrate()
{
    const int version = SchemaVersion();
    if (version == kSchemaVersion)
        return true;
    if (version > kSchemaVersion) {
        m_error = "written by a later version (schema " + std::to_string(version) + ")";
        return false;
    }
    if (!Exec("BEGIN IMMEDIATE"))
        return false;
    bool ok = true;
    if (version == 0) {
        // A new file, or one of the first layout that never got its number.
        Statement tables(m_db, "SELECT count(*) FROM sqlite_master WHERE name='sessions'");
        const bool hasV1 = tables && tables.Step() == SQLITE_ROW && tables.Column(0) > 0;
        ok = hasV1 || Exec(kSchemaV1);
    }
    if (ok && version < 2) {
        // Sessions by name become sessions of a performer; their changes start unknown but on line.
        ok = Exec("ALTER TABLE sessions RENAME TO sessions_v1;") && Exec(kSchemaV2) &&
             Exec("INSERT INTO performers(name) SELECT DISTINCT name FROM sessions_v1;"
                  "INSERT INTO sessions(performer, start, end) SELECT p.id, s.start, s.end FROM sessions_v1 s"
                  " JOIN performers p ON p.name = s.name ORDER BY s.start;"
                  "INSERT INTO changes(session, at, status) SELECT id, start, 1 FROM sessions;"
                  "DROP TABLE sessions_v1;");
    }
    ok = ok && Exec(("PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str());
    if (!ok) {
        const std::string error = m_error;
        Exec("ROLLBACK");
        m_error = "cannot bring the schema up to date: " + error;
        return false;
    }
    return Exec("COMMIT");
}

long long HistoryDatabase::PerformerId(const std::string& name, bool create)
{
    Statement find(m_db, "SELECT id FROM performers WHERE name=?");
    if (find.Bind(1, name).Step() == SQLITE_ROW)
        return find.Column(0);
    if (!create)
        return 0;
    Statement add(m_db, "INSERT INTO performers(name) VALUES(?)");
    return add.Bind(1, name).Step() == SQLITE_DONE ? sqlite3_last_insert_rowid(m_db) : 0;
}

bool HistoryDatabase::Write(const std::vector<Change>& changes, std::time_t now)
{
    if (!m_db || !Exec("BEGIN IMMEDIATE"))
        return false;
    Statement open(m_db, "SELECT id FROM sessions WHERE performer=? AND end IS NULL ORDER BY start DESC LIMIT 1");
    Statement start(m_db, "INSERT INTO sessions(performer, start) VALUES(?, ?)");
    Statement change(m_db, "INSERT OR REPLACE INTO changes(session, at, status) VALUES(?, ?, ?)");
    Statement end(m_db, "UPDATE sessions SET end=? WHERE id=?");
    Statement alive(m_db, "INSERT OR REPLACE INTO meta(key, value) VALUES('alive', ?)");
    bool ok = open && start && change && end && alive;
    for (const Change& c : changes) {
        if (!ok)
            break;
        const long long performer = PerformerId(Utf8(c.name), c.status != 0);
        if (!performer) {
            ok = c.status == 0; // gone without ever being seen: nothing to end
            continue;
        }
        long long session = open.Bind(1, performer).Step() == SQLITE_ROW ? open.Column(0) : 0;
        open.Reset();
        if (c.status == 0) {
            if (session)
                ok = end.Bind(1, c.at).Bind(2, session).Step() == SQLITE_DONE;
            end.Reset();
            continue;
        }
        if (!session) {
            ok = start.Bind(1, performer).Bind(2, c.at).Step() == SQLITE_DONE;
            start.Reset();
            session = sqlite3_last_insert_rowid(m_db);
        }
        ok = ok && change.Bind(1, session).Bind(2, c.at).Bind(3, static_cast<long long>(c.status)).Step() == SQLITE_DONE;
        change.Reset();
    }
    ok = ok && alive.Bind(1, now).Step() == SQLITE_DONE;
    if (!ok) {
        m_error = sqlite3_errmsg(m_db);
        Exec("ROLLBACK");
        return false;
    }
    return Exec("COMMIT");
}

int HistoryDatabase::CloseAll(std::time_t at)
{
    Statement close(m_db, "UPDATE sessions SET end=max(start, ?) WHERE end IS NULL");
    return close.Bind(1, at).Step() == SQLITE_DONE ? sqlite3_changes(m_db) : 0;
}

std::time_t HistoryDatabase::LastKnown()
{
    Statement alive(m_db, "SELECT value FROM meta WHERE key='alive'");
    return alive && alive.Step() == SQLITE_ROW ? static_cast<std::time_t>(alive.Column(0)) : 0;
}

int HistoryDatabase::CloseLeftOpen()
{
    return m_db ? CloseAll(LastKnown()) : 0;
}

int HistoryDatabase::Forget(std::time_t before)
{
    if (!m_db || !Exec("BEGIN IMMEDIATE"))
        return 0;
    Statement changes(m_db, "DELETE FROM changes WHERE session IN (SELECT id FROM sessions WHERE end < ?)");
    Statement sessions(m_db, "DELETE FROM sessions WHERE end < ?");
    const bool ok = changes.Bind(1, before).Step() == SQLITE_DONE && sessions.Bind(1, before).Step() == SQLITE_DONE;
    const int forgotten = ok ? sqlite3_changes(m_db) : 0;
    Exec(ok ? "COMMIT" : "ROLLBACK");
    return forgotten;
}

std::time_t HistoryDatabase::LastSeen(const wxString& name)
{
    if (!m_db)
        return 0;
    // An open session is a performer on line now: her last moment known is the program's.
    Statement query(m_db, "SELECT MAX(COALESCE(s.end, ?)) FROM performers p JOIN sessions s ON s.performer = p.id"
                          " WHERE p.name = ?");
    query.Bind(1, static_cast<long long>(LastKnown())).Bind(2, Utf8(name));
    return query.Step() == SQLITE_ROW && !query.IsNull(0) ? static_cast<std::time_t>(query.Column(0)) : 0;
}

std::vector<HistoryDatabase::Session> HistoryDatabase::SessionsOf(const wxString& name, std::time_t since)
{
    std::vector<Session> sessions;
    if (!m_db)
        return sessions;
    Statement query(m_db,
                    "SELECT s.id, s.start, s.end, c.at, c.status FROM performers p"
                    " JOIN sessions s ON s.performer = p.id LEFT JOIN changes c ON c.session = s.id"
                    " WHERE p.name = ? AND (s.end IS NULL OR s.end >= ?) ORDER BY s.start, s.id, c.at");
    query.Bind(1, Utf8(name)).Bind(2, since);
    long long current = 0;
    while (query.Step() == SQLITE_ROW) {
        if (sessions.empty() || query.Column(0) != current) {
            current = query.Column(0);
            Session session;
            session.from = static_cast<std::time_t>(query.Column(1));
            session.to = query.IsNull(2) ? 0 : static_cast<std::time_t>(query.Column(2));
            sessions.push_back(std::move(session));
        }
        if (!query.IsNull(3))
            sessions.back().changes.emplace_back(static_cast<std::time_t>(query.Column(3)),
                                                 static_cast<unsigned long>(query.Column(4)));
    }
    return sessions;
}
