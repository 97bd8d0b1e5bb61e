#include "model/PerformerHistory.h"

#include <algorithm>

#include "model/UserStatus.h"

namespace {
constexpr std::time_t kDay = 24 * 60 * 60;

std::time_t LocalMidnight(std::time_t t)
{
    std::tm local{};
    localtime_r(&t, &local);
    local.tm_hour = local.tm_min = local.tm_sec = 0;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

double Hours(std::time_t from, std::time_t to, std::time_t since, std::time_t until)
{
    const std::time_t a = std::max(from, since), b = std::min(to, until);
    return b > a ? static_cast<double>(b - a) / 3600.0 : 0.0;
}
} // namespace

PerformerHistory::Summary PerformerHistory::Summarize(const std::vector<Session>& sessions, std::time_t now)
{
    Summary summary;
    const std::time_t today = LocalMidnight(now);
    const std::time_t weekAgo = now - 7 * kDay;
    const std::time_t heatSince = now - kWeeks * 7 * kDay;
    std::array<std::array<double, 24>, 7> seconds{};
    for (const Session& session : sessions) {
        summary.seen = true;
        const std::time_t to = session.to ? std::min(session.to, now) : now;
        if (!session.to)
            summary.onlineNow = true;
        summary.lastSeen = std::max(summary.lastSeen, to);
        summary.hoursToday += Hours(session.from, to, today, now);
        summary.hoursWeek += Hours(session.from, to, weekAgo, now);
        // Free time today: from each change that says free to the next change or the end.
        for (size_t i = 0; i < session.changes.size(); ++i) {
            if (!(session.changes[i].second & STATUS_FREE))
                continue;
            const std::time_t until = i + 1 < session.changes.size() ? session.changes[i + 1].first : to;
            summary.hoursFreeToday += Hours(session.changes[i].first, until, today, now);
        }
        // Hour by hour of local time, so that a session spreads over the cells it covers.
        for (std::time_t t = std::max(session.from, heatSince); t < to;) {
            std::tm local{};
            localtime_r(&t, &local);
            const std::time_t next = std::min<std::time_t>(to, t + 3600 - (local.tm_min * 60 + local.tm_sec));
            seconds[static_cast<size_t>(local.tm_wday)][static_cast<size_t>(local.tm_hour)] +=
                static_cast<double>(next - t);
            t = next;
        }
    }
    for (size_t day = 0; day < 7; ++day)
        for (size_t hour = 0; hour < 24; ++hour)
            summary.heat[day][hour] = std::min(1.0, seconds[day][hour] / (3600.0 * kWeeks));
    return summary;
}
