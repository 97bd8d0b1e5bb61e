#include <gtest/gtest.h>

#include "model/FavoriteList.h"
#include "model/NotifyRules.h"
#include "model/RecentList.h"

namespace {

using When = NotifyRules::When;
using Verdict = NotifyRules::Verdict;

constexpr std::time_t kNoon = 1'800'000'000; // any moment; the time of day is given apart
constexpr int kMinutesNoon = 12 * 60;

} // namespace

// Each row: the rules in force, then one event and its verdict; rows run in order on one set
// of rules, so that a row sees the cool-down the rows before it started.
TEST(NotifyRulesTest, RulesQuietHoursMuteAndCoolDownDecideInOrder)
{
    NotifyRules rules;
    rules.Set("onlyfree", {When::OnlyFree, true});
    rules.Set("never", {When::Never, false});
    struct Row {
        const char* name;
        bool becameFree;
        std::time_t now;
        int minuteOfDay;
        Verdict expected;
    } rows[] = {
        // No rule, nothing quiet: announced, as without rules.
        {"plain", false, kNoon, kMinutesNoon, Verdict::Announce},
        {"plain", true, kNoon + 1, kMinutesNoon, Verdict::Announce},
        // "Only when free": busy on line gives nothing, becoming free gives one.
        {"onlyfree", false, kNoon, kMinutesNoon, Verdict::Unwanted},
        {"onlyfree", true, kNoon, kMinutesNoon, Verdict::Announce},
        {"never", true, kNoon, kMinutesNoon, Verdict::Unwanted},
    };
    for (const Row& row : rows)
        EXPECT_EQ(rules.Decide(row.name, row.becameFree, row.now, row.minuteOfDay), row.expected) << row.name;

    // Quiet from 22:00 to 07:00 spans midnight; a rule that says no still says no.
    rules.SetQuietHours(true, 22 * 60, 7 * 60);
    EXPECT_EQ(rules.Decide("a", false, kNoon, 23 * 60), Verdict::Quiet);
    EXPECT_EQ(rules.Decide("a", false, kNoon, 3 * 60), Verdict::Quiet);
    EXPECT_EQ(rules.Decide("a", false, kNoon, 7 * 60), Verdict::Announce);
    EXPECT_EQ(rules.Decide("never", true, kNoon, 23 * 60), Verdict::Unwanted);
    rules.SetQuietHours(true, 9 * 60, 17 * 60);
    EXPECT_EQ(rules.Decide("b", false, kNoon, kMinutesNoon), Verdict::Quiet);
    EXPECT_EQ(rules.Decide("b", false, kNoon, 17 * 60), Verdict::Announce);
    rules.SetQuietHours(false, 0, 0);

    // Muted for an hour, then not.
    rules.SetMutedUntil(kNoon + 3600);
    EXPECT_EQ(rules.Decide("c", false, kNoon + 10, kMinutesNoon), Verdict::Muted);
    EXPECT_EQ(rules.Decide("c", false, kNoon + 3600, kMinutesNoon), Verdict::Announce);
    rules.SetMutedUntil(0);

    // A stream that flaps within the cool-down is not announced again; after it, it is.
    rules.SetCoolDownMinutes(10);
    EXPECT_EQ(rules.Decide("d", false, kNoon, kMinutesNoon), Verdict::Announce);
    EXPECT_EQ(rules.Decide("d", false, kNoon + 9 * 60, kMinutesNoon), Verdict::Repeat);
    EXPECT_EQ(rules.Decide("d", true, kNoon + 10 * 60, kMinutesNoon), Verdict::Announce);
    // A clock set back does not hold a performer back for good.
    EXPECT_EQ(rules.Decide("d", false, kNoon - 3600, kMinutesNoon), Verdict::Announce);
}

TEST(NotifyRulesTest, HoursOfNewcomersAreForgottenOnceTheirCoolDownHasRunOut)
{
    NotifyRules rules;
    rules.SetCoolDownMinutes(10);
    // A newcomer a second for two hours, as on a busy site.
    for (int i = 0; i < 7200; ++i)
        ASSERT_EQ(rules.Decide(wxString::Format("n%d", i), false, kNoon + i, kMinutesNoon), Verdict::Announce);
    EXPECT_LE(rules.CoolingDown(), 2u * 600 + 64) << "about the last ten minutes' names, not all";
    EXPECT_EQ(rules.Decide("n7199", false, kNoon + 7200, kMinutesNoon), Verdict::Repeat);
    rules.SetCoolDownMinutes(0);
    EXPECT_EQ(rules.Decide("n7199", false, kNoon + 7201, kMinutesNoon), Verdict::Announce);
}

TEST(NotifyRulesTest, RulesAndRecentSurviveTheirFilesAndDamagedLinesAreSkipped)
{
    NotifyRules rules;
    rules.Set("anna", {When::OnlyFree, true});
    rules.Set("bea", {When::Never, false});
    rules.Set("cleo", {}); // the default rule is not kept
    NotifyRules again;
    again.Parse(rules.Serialize() + "broken line\nx\tsometimes\t1\nwith space\tnever\t0\n");
    EXPECT_EQ(again.size(), 2u);
    EXPECT_TRUE((again.Get("anna") == NotifyRules::Rule{When::OnlyFree, true}));
    EXPECT_TRUE((again.Get("bea") == NotifyRules::Rule{When::Never, false}));

    RecentList recent;
    for (int i = 0; i < 205; ++i)
        recent.Add(kNoon + i, wxString::Format("p%d", i), 1 + i % 2, i % 7 == 0 ? RECENT_MUTED : RECENT_SHOWN);
    const std::deque<RecentList::Entry> back =
        RecentList::Parse(recent.Serialize() + "1\t9\t0\tbadkind\nnot a line\n0\t1\t0\tnotime\n");
    ASSERT_EQ(back.size(), RecentList::kCapacity);
    // Oldest first, the newest last, as written.
    EXPECT_EQ(back.front().name, recent[RecentList::kCapacity - 1].name);
    EXPECT_EQ(back.back().name, "p204");
    EXPECT_EQ(back.back().kind, recent[0].kind);
    EXPECT_EQ(back.back().note, recent[0].note);
    EXPECT_EQ(back.back().when, recent[0].when);
}

// The user's own favourites as a file of names: what an import adds, knows and skips, and the
// text written back reads the same.
TEST(FavoriteListTest, ImportCountsNamesKnownAndSkippedLinesAndRoundTrips)
{
    FavoriteList list;
    EXPECT_TRUE(list.Add("ann"));
    EXPECT_FALSE(list.Add("ann")) << "each name once";
    EXPECT_FALSE(list.Add("two words"));
    const FavoriteList::Imported counts =
        list.Import(wxString::FromUTF8("  zed_9 \r\nann\rnot-a-name\n\n\t\nみか\n") + wxString('x', 65));
    EXPECT_EQ(counts.added, 2);   // zed_9, みか
    EXPECT_EQ(counts.known, 1);   // ann
    EXPECT_EQ(counts.skipped, 2); // "not-a-name", the 65 letters; blank lines are no names
    EXPECT_EQ(list.Names(), (std::vector<wxString>{"ann", "zed_9", wxString::FromUTF8("みか")}));
    EXPECT_TRUE(list.Remove("zed_9"));
    EXPECT_FALSE(list.Contains("zed_9"));

    FavoriteList again;
    EXPECT_EQ(again.Import(list.Serialize()).added, 2);
    EXPECT_EQ(again.Names(), list.Names());
}
