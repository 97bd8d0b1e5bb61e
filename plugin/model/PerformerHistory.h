#pragma once

#include <array>
#include <ctime>
#include <utility>
#include <vector>

// What a performer's sessions on line say: when she was last seen, how long she was on line
// today and in the last seven days, and when in the week she usually is (a share of each hour
// of the week over the last four weeks). Local time; the clock is the caller's.
class PerformerHistory {
public:
    struct Session {
        std::time_t from = 0;
        std::time_t to = 0; // 0 while open
        std::vector<std::pair<std::time_t, unsigned long>> changes; // status from a moment on
    };
    static constexpr int kWeeks = 4;

    struct Summary {
        bool seen = false;      // any session at all
        bool onlineNow = false; // an open session
        std::time_t lastSeen = 0;
        double hoursToday = 0;
        double hoursWeek = 0;
        double hoursFreeToday = 0;
        // [day of the week, 0 = Sunday][hour]: the share of that hour spent on line, 0 to 1.
        std::array<std::array<double, 24>, 7> heat{};
    };

    static Summary Summarize(const std::vector<Session>& sessions, std::time_t now);
};
