#include <cstdlib>
#include <ctime>

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <wx/filename.h>

#include "site/HistoryDatabase.h"
#include "model/PerformerHistory.h"
#include "model/UserStatus.h"

namespace {

constexpr std::time_t kHour = 3600;
// A Monday, 00:00 UTC.
constexpr std::time_t kMonday = 1'796'601'600;

class HistoryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("TZ", "UTC", 1);
        tzset();
        path = wxFileName::CreateTempFileName("sorvik-history");
        wxRemoveFile(path);
    }
    void TearDown() override
    {
        for (const char* suffix : {"", "-wal", "-shm"})
            if (wxFileExists(path + suffix))
                wxRemoveFile(path + suffix);
    }
    wxString path;
};

using Change = HistoryDatabase::Change;

} // namespace

// A scripted day of lists: added, changed, gone, back; a crash, then the restart; the exit.
TEST_F(HistoryTest, SessionsFollowTheListsThroughACrashAndTheExit)
{
    {
        HistoryDatabase db(path);
        ASSERT_TRUE(db.IsOpen()) << db.Error();
        EXPECT_EQ(db.SchemaVersion(), HistoryDatabase::kSchemaVersion);
        ASSERT_TRUE(db.Write({{"ann", kMonday + 9 * kHour, STATUS_ONLINE | STATUS_FREE},
                              {"bob", kMonday + 9 * kHour, STATUS_ONLINE | STATUS_BUSY}},
                             kMonday + 9 * kHour));
        ASSERT_TRUE(db.Write({{"ann", kMonday + 10 * kHour, STATUS_ONLINE | STATUS_BUSY | STATUS_PRIVATE},
                              {"ann", kMonday + 11 * kHour, 0},
                              {"ghost", kMonday + 11 * kHour, 0}},
                             kMonday + 11 * kHour));
        ASSERT_TRUE(db.Write({{"ann", kMonday + 12 * kHour, STATUS_ONLINE | STATUS_FREE}}, kMonday + 13 * kHour));
        // killed here: ann's and bob's sessions stay open
    }
    HistoryDatabase db(path);
    EXPECT_EQ(db.CloseLeftOpen(), 2) << "closed at the last moment known";
    const auto ann = db.SessionsOf("ann", 0);
    ASSERT_EQ(ann.size(), 2u);
    EXPECT_EQ(ann[0].from, kMonday + 9 * kHour);
    EXPECT_EQ(ann[0].to, kMonday + 11 * kHour);
    ASSERT_EQ(ann[0].changes.size(), 2u);
    EXPECT_EQ(ann[0].changes[1].second, STATUS_ONLINE | STATUS_BUSY | STATUS_PRIVATE);
    EXPECT_EQ(ann[1].to, kMonday + 13 * kHour);
    EXPECT_TRUE(db.SessionsOf("ghost", 0).empty()) << "gone without being seen leaves nothing";
    EXPECT_EQ(db.LastSeen("ann"), kMonday + 13 * kHour);
    EXPECT_EQ(db.LastSeen("ghost"), 0);

    // Started again: bob on line, then the exit.
    ASSERT_TRUE(db.Write({{"bob", kMonday + 14 * kHour, STATUS_ONLINE | STATUS_FREE}}, kMonday + 14 * kHour));
    EXPECT_EQ(db.CloseAll(kMonday + 15 * kHour), 1);
    const PerformerHistory::Summary bob = PerformerHistory::Summarize(db.SessionsOf("bob", 0), kMonday + 20 * kHour);
    EXPECT_FALSE(bob.onlineNow);
    EXPECT_EQ(bob.lastSeen, kMonday + 15 * kHour);
    EXPECT_DOUBLE_EQ(bob.hoursToday, 5.0);     // 9-13 and 14-15
    EXPECT_DOUBLE_EQ(bob.hoursFreeToday, 1.0); // 14-15
    EXPECT_DOUBLE_EQ(bob.heat[1][9], 1.0 / PerformerHistory::kWeeks) << "Monday 9:00, one week in four";
    EXPECT_DOUBLE_EQ(bob.heat[1][13], 0.0);

    // Kept 1 day: the sessions that ended before are forgotten.
    EXPECT_EQ(db.Forget(kMonday + 12 * kHour), 1);
    EXPECT_EQ(db.SessionsOf("ann", 0).size(), 1u);
    EXPECT_FALSE(PerformerHistory::Summarize({}, kMonday).seen);
}

// A file of the first layout (sessions by name) is brought up to date and keeps its sessions.
TEST_F(HistoryTest, TheFirstLayoutIsMigrated)
{
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(path.utf8_str(), &raw), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw,
                           "CREATE TABLE sessions(name TEXT NOT NULL, start INTEGER NOT NULL, end INTEGER);"
                           "INSERT INTO sessions VALUES('ann', 100, 200), ('ann', 300, NULL), ('bob', 150, 160);"
                           "PRAGMA user_version=1;",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(raw);

    HistoryDatabase db(path);
    ASSERT_TRUE(db.IsOpen()) << db.Error();
    EXPECT_EQ(db.SchemaVersion(), HistoryDatabase::kSchemaVersion);
    const auto ann = db.SessionsOf("ann", 0);
    ASSERT_EQ(ann.size(), 2u);
    EXPECT_EQ(ann[0].to, 200);
    EXPECT_EQ(ann[1].to, 0) << "still open";
    ASSERT_TRUE(db.Write({{"ann", 400, 0}}, 400));
    EXPECT_EQ(db.SessionsOf("ann", 0)[1].to, 400);
}
