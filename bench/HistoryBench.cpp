// The performers' history at scale: 90 days of 10,000 performers written the way the program
// writes them (a batch at a time), then the time to open one performer's history (the query
// and the summary the window shows), and the file's size per performer-day.
//   history_bench [PERFORMERS] [DAYS] [FILE]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include <sys/stat.h>
#include <wx/filename.h>

#include "site/HistoryDatabase.h"
#include "model/PerformerHistory.h"
#include "model/UserStatus.h"
#include "site/HistoryRecorder.h"
#include "site/UserListEvent.h"

namespace {
using Clock = std::chrono::steady_clock;
double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }
}

int main(int argc, char** argv)
{
    const int performers = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int days = argc > 2 ? std::atoi(argv[2]) : 90;
    const wxString path = argc > 3 ? wxString(argv[3]) : wxFileName::CreateTempFileName("history-bench");
    if (wxFileExists(path))
        wxRemoveFile(path);
    const std::time_t now = std::time(nullptr);
    const std::time_t start = now - static_cast<std::time_t>(days) * 86400;
    std::mt19937 random(7);

    // The simulated site's churn: each performer on line about twice a day, 1 to 4 hours, free
    // then busy within each session.
    const auto fillStart = Clock::now();
    HistoryDatabase db(path);
    if (!db.IsOpen()) {
        std::fprintf(stderr, "cannot open %s: %s\n", static_cast<const char*>(path.utf8_str()), db.Error().c_str());
        return 1;
    }
    size_t sessions = 0;
    for (int day = 0; day < days; ++day) {
        std::vector<HistoryDatabase::Change> batch;
        for (int p = 0; p < performers; ++p) {
            const wxString name = wxString::Format("perf%05d", p);
            for (int s = 0; s < 2; ++s) {
                const std::time_t from = start + day * 86400 + s * 43200 + static_cast<std::time_t>(random() % 30000);
                const std::time_t length = 3600 + static_cast<std::time_t>(random() % 10800);
                batch.push_back({name, from, STATUS_ONLINE | STATUS_FREE});
                batch.push_back({name, from + length / 2, STATUS_ONLINE | STATUS_BUSY | STATUS_PRIVATE});
                batch.push_back({name, from + length, 0});
                ++sessions;
            }
        }
        std::sort(batch.begin(), batch.end(), [](const auto& a, const auto& b) { return a.at < b.at; });
        if (!db.Write(batch, start + (day + 1) * 86400)) {
            std::fprintf(stderr, "write failed: %s\n", db.Error().c_str());
            return 1;
        }
    }
    const double fillMs = Ms(Clock::now() - fillStart);

    // Opening a history: a fresh connection, as the window makes, then query and summary.
    std::vector<double> opens;
    for (int i = 0; i < 50; ++i) {
        const wxString name = wxString::Format("perf%05d", static_cast<int>(random() % performers));
        const auto t0 = Clock::now();
        HistoryDatabase reader(path);
        const auto summary = PerformerHistory::Summarize(reader.SessionsOf(name, now - 29 * 86400), now);
        opens.push_back(Ms(Clock::now() - t0));
        if (!summary.seen)
            std::fprintf(stderr, "%s never seen\n", static_cast<const char*>(name.utf8_str()));
    }
    std::sort(opens.begin(), opens.end());

    // What the UI thread does with the first list of 10,000: a copy of each into the queue.
    UserList first;
    for (int p = 0; p < 10000; ++p)
        first.AddUser(User(wxString::Format("new%05d", p), STATUS_ONLINE | STATUS_FREE));
    HistoryRecorder recorder(wxString(), 90); // not started: nothing written
    UserListEvent list(wxEVT_USER_LIST_INITIALIZED, 0);
    list.SetUserList(first);
    const auto noteStart = Clock::now();
    recorder.ProcessEvent(list);
    const double noteMs = Ms(Clock::now() - noteStart);
    struct stat file {};
    struct stat wal {};
    ::stat(path.fn_str(), &file);
    ::stat((path + "-wal").fn_str(), &wal);
    const double bytes = static_cast<double>(file.st_size + wal.st_size);
    std::printf("performers %d, days %d, sessions %zu\n", performers, days, sessions);
    std::printf("fill: %.0f ms (%.1f us a change)\n", fillMs, fillMs * 1000 / (sessions * 3.0));
    std::printf("open a history: median %.2f ms, max %.2f ms (50 performers)\n", opens[opens.size() / 2], opens.back());
    std::printf("UI thread, a first list of 10,000 noted: %.2f ms (%zu queued)\n", noteMs, recorder.Pending());
    std::printf("file: %.1f MB, %.0f bytes per performer-day\n", bytes / 1e6, bytes / (performers * double(days)));
    if (argc <= 3)
        for (const char* suffix : {"", "-wal", "-shm"})
            if (wxFileExists(path + suffix))
                wxRemoveFile(path + suffix);
    return 0;
}
