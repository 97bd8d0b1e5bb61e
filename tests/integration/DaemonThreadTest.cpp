#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <vector>

#include <gtest/gtest.h>
#include <wx/event.h>

#include "EventPump.h"
#include "QuietSite.h"
#include "SiteSimulator.h"
#include "app/MessageBoxSeam.h"
#include "app/Settings.h"
#include "app/ThreadLifeline.h"
#include "net/ProxySetting.h"
#include "site/DaemonThread.h"
#include "site/TabunoSite.h"
#include "site/UserEvent.h"
#include "site/UserEventPoster.h"
#include "site/UserListEvent.h"

using sitesim::Fault;
using sitesim::Route;
using sitesim::SimPerformer;
using State = SimPerformer::State;

namespace {

struct Received {
    wxEventType type;
    wxString name;
    unsigned long status = 0;
    unsigned long oldStatus = 0;
    size_t listSize = 0;
    int id = 0;
};

class RecordingHandler : public wxEvtHandler {
public:
    RecordingHandler()
    {
        Bind(wxEVT_USER_LIST_INITIALIZED, &RecordingHandler::OnList, this);
        Bind(wxEVT_USER_ADDED, &RecordingHandler::OnUser, this);
        Bind(wxEVT_USER_DELETED, &RecordingHandler::OnUser, this);
        Bind(wxEVT_USER_CHANGED, &RecordingHandler::OnUser, this);
    }

    std::vector<Received> events;

    size_t Count(wxEventType type) const
    {
        return static_cast<size_t>(std::count_if(events.begin(), events.end(),
                                                 [&](const Received& r) { return r.type == type; }));
    }

private:
    void OnList(UserListEvent& event)
    {
        events.push_back({event.GetEventType(), wxString(), 0, 0, event.GetUserList().size(),
                          event.GetId()});
    }
    void OnUser(UserEvent& event)
    {
        events.push_back({event.GetEventType(), event.GetUser().GetName(),
                          event.GetUser().GetStatus(), event.GetOldStatus(), 0, event.GetId()});
    }
};

std::string Body(std::vector<SimPerformer> performers)
{
    return sitesim::PerformerPool::RenderScript(performers);
}

// Tries again at once after a failure, as the thread's own logic is tested here, not the
// site's spacing of retries (TabunoSiteTest).
class AtOnceSite : public TabunoSite {
public:
    long RetryDelayMs() const override { return 0; }
};

class DaemonThreadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim = StartQuietSite();
        ASSERT_TRUE(sim);
        Settings::WriteLong("/System/syncinterval", 1);
        site = std::make_unique<AtOnceSite>();
        ProxySetting::Set(""); // the site's constructor took the environment's
        MessageBoxSeam::SetResponder([this](const wxString&, const wxString&, long) {
            ++boxes;
            return wxOK;
        });
    }

    void TearDown() override
    {
        Stop();
        PumpFor(20);
        MessageBoxSeam::SetResponder({});
        Settings::DeleteEntry("/System/syncinterval");
    }

    void Start(std::initializer_list<RecordingHandler*> handlers)
    {
        thread = new DaemonThread(site.get());
        for (RecordingHandler* h : handlers)
            thread->AddEventHandler(h);
        lifeline = thread->GetLifeline();
        ASSERT_EQ(thread->Run(), wxTHREAD_NO_ERROR);
    }

    bool Stop()
    {
        bool ended = DaemonThread::StopAndWait(lifeline);
        thread = nullptr;
        lifeline.reset();
        return ended;
    }

    size_t ListRequests() const
    {
        return sim->RequestsFor("/include/js/online_performers.js").size();
    }

    // Waits for the n-th refresh to have been asked for and its events to have arrived.
    bool WaitForRefreshes(size_t n)
    {
        bool asked = PumpUntil([&] { return ListRequests() >= n; }, 8000);
        PumpFor(300);
        return asked;
    }

    std::unique_ptr<sitesim::SiteSimulator> sim;
    std::unique_ptr<TabunoSite> site;
    DaemonThread* thread = nullptr; // only until Run()
    std::shared_ptr<ThreadLifeline> lifeline;
    std::atomic<int> boxes{0};
};

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

} // namespace

TEST_F(DaemonThreadTest, NineFailuresThenOneListPerHandlerAndNoAddedEvents)
{
    sim->ScriptListBodies({Body({{"ann", State::Free, 1}, {"bea", State::Public, 2}})});
    sim->SetFault(Route::OnlineList, Fault::ServerError, 9);
    RecordingHandler first, second;
    Start({&first, &second});
    ASSERT_TRUE(WaitForRefreshes(11));
    for (RecordingHandler* h : {&first, &second}) {
        ASSERT_EQ(h->events.size(), 1u);
        EXPECT_EQ(h->events[0].type, wxEVT_USER_LIST_INITIALIZED);
        EXPECT_EQ(h->events[0].listSize, 2u);
        EXPECT_EQ(h->events[0].id, -1);
    }
    EXPECT_EQ(boxes, 0);
}

TEST_F(DaemonThreadTest, ChangesArriveAddedThenDeletedThenChangedAndRepeatsPostNothing)
{
    sim->ScriptListBodies({
        Body({{"ann", State::Free, 1}, {"bea", State::Free, 1}, {"cy", State::Public, 1}}),
        Body({{"ann", State::Public, 1}, {"cy", State::Public, 1}, {"dee", State::Free, 1}}),
    });
    RecordingHandler handler;
    Start({&handler});
    ASSERT_TRUE(WaitForRefreshes(3));
    const auto& e = handler.events;
    ASSERT_EQ(e.size(), 4u);
    EXPECT_EQ(e[0].type, wxEVT_USER_LIST_INITIALIZED);
    EXPECT_EQ(e[1].type, wxEVT_USER_ADDED);
    EXPECT_EQ(e[1].name, "dee");
    EXPECT_EQ(e[1].status, 0x03u);
    EXPECT_EQ(e[1].oldStatus, 0xFFFFFFFFu);
    EXPECT_EQ(e[2].type, wxEVT_USER_DELETED);
    EXPECT_EQ(e[2].name, "bea");
    EXPECT_EQ(e[2].status, 0x03u) << "a deleted performer carries the status last seen";
    EXPECT_EQ(e[2].oldStatus, 0xFFFFFFFFu);
    EXPECT_EQ(e[3].type, wxEVT_USER_CHANGED);
    EXPECT_EQ(e[3].name, "ann");
    EXPECT_EQ(e[3].status, 0x0Du);
    EXPECT_EQ(e[3].oldStatus, 0x03u);
}

TEST_F(DaemonThreadTest, MissingOnceAndBackIsDeletedThenAddedNeverChanged)
{
    sim->ScriptListBodies({Body({{"ann", State::Free, 1}, {"bea", State::Free, 1}}),
                           Body({{"bea", State::Free, 1}}),
                           Body({{"ann", State::Private, 1}, {"bea", State::Free, 1}})});
    RecordingHandler handler;
    Start({&handler});
    ASSERT_TRUE(WaitForRefreshes(4));
    ASSERT_EQ(handler.events.size(), 3u);
    EXPECT_EQ(handler.events[1].type, wxEVT_USER_DELETED);
    EXPECT_EQ(handler.events[2].type, wxEVT_USER_ADDED);
    EXPECT_EQ(handler.events[2].name, "ann");
    EXPECT_EQ(handler.events[2].status, 0x15u);
    EXPECT_EQ(handler.Count(wxEVT_USER_CHANGED), 0u);
}

TEST_F(DaemonThreadTest, AFailedRefreshPostsNothingAndTheNextIsComparedWithTheLastGoodList)
{
    sim->ScriptListBodies({Body({{"ann", State::Free, 1}}), Body({{"ann", State::Public, 1}})});
    RecordingHandler handler;
    Start({&handler});
    ASSERT_TRUE(PumpUntil([&] { return handler.events.size() == 1; }, 5000));
    sim->SetFault(Route::OnlineList, Fault::Refuse, 1);
    ASSERT_TRUE(WaitForRefreshes(4));
    ASSERT_EQ(handler.events.size(), 2u);
    EXPECT_EQ(handler.events[1].type, wxEVT_USER_CHANGED);
    EXPECT_EQ(handler.events[1].oldStatus, 0x03u);
    EXPECT_EQ(handler.events[1].status, 0x0Du);
}

TEST_F(DaemonThreadTest, RefreshesStartAboutOnceAnIntervalApart)
{
    sim->ScriptListBodies({Body({{"ann", State::Free, 1}})});
    RecordingHandler handler;
    Start({&handler});
    ASSERT_TRUE(PumpUntil([&] { return ListRequests() >= 5; }, 10000));
    auto requests = sim->RequestsFor("/include/js/online_performers.js");
    for (size_t i = 1; i < requests.size(); ++i) {
        const double gap = requests[i].seconds - requests[i - 1].seconds;
        EXPECT_GT(gap, 0.95) << "refresh " << i;
        EXPECT_LT(gap, 1.6) << "refresh " << i;
    }
}

TEST_F(DaemonThreadTest, AHandlerAddedWhileRunningGetsOnlyLaterEvents)
{
    sim->ScriptListBodies({Body({{"ann", State::Free, 1}}),
                           Body({{"ann", State::Free, 1}, {"bea", State::Free, 1}})});
    RecordingHandler early, late;
    Start({&early});
    ASSERT_TRUE(PumpUntil([&] { return early.events.size() == 1; }, 5000));
    thread->AddEventHandler(&late);
    ASSERT_TRUE(WaitForRefreshes(3));
    ASSERT_EQ(late.events.size(), 1u);
    EXPECT_EQ(late.events[0].type, wxEVT_USER_ADDED);
    EXPECT_EQ(late.events[0].name, "bea");
    EXPECT_EQ(early.events.size(), 2u);
}

TEST_F(DaemonThreadTest, StopWhileTheFailureBoxIsPendingNeitherHangsNorShowsIt)
{
    sim->SetFault(Route::OnlineList, Fault::Refuse);
    RecordingHandler handler;
    Start({&handler});
    // Events are not pumped, so the tenth failure's box waits on the user-interface thread.
    for (int i = 0; i < 500 && ListRequests() < 10; ++i)
        wxMilliSleep(10);
    ASSERT_GE(ListRequests(), 10u);
    wxMilliSleep(200);
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(Stop());
    EXPECT_LT(Seconds(start), 2.0);
    PumpFor(100);
    EXPECT_TRUE(handler.events.empty());
    EXPECT_EQ(boxes, 0) << "an abandoned box is never shown";
}

namespace {

// A site whose lists are ready at once, to make long runs of events.
class InstantSite : public Site {
public:
    std::vector<UserList> lists;
    std::atomic<size_t> next{0};

    long UpdateUserList() override
    {
        const size_t i = next++;
        if (i < lists.size())
            SetUserList(lists[i]);
        return 10;
    }
    bool OnInit() override { return true; }
    void OnExit() override {}

    // No one at first, then 'count' newcomers in one refresh.
    void EmptyThenCrowd(size_t count)
    {
        lists.emplace_back();
        UserList crowd;
        for (size_t i = 0; i < count; ++i)
            crowd.AddUser(User(wxString::Format("p%zu", i), 0x03));
        lists.push_back(crowd);
    }
};

} // namespace

TEST(DaemonThreadStopTest, StopDuringALongRunOfEventsReturnsPromptlyAndDropsTheRest)
{
    const int count = 100000;
    InstantSite site;
    site.EmptyThenCrowd(count);

    RecordingHandler a, b;
    auto* thread = new DaemonThread(&site);
    thread->AddEventHandler(&a);
    thread->AddEventHandler(nullptr); // skipped
    thread->AddEventHandler(&b);
    const auto lifeline = thread->GetLifeline();
    ASSERT_EQ(thread->Run(), wxTHREAD_NO_ERROR);
    ASSERT_TRUE(PumpUntil([&] { return site.next >= 2; }, 5000));
    wxMilliSleep(30);
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(DaemonThread::StopAndWait(lifeline));
    // Posting stops at once; freeing the run's lists of 100,000 performers takes the rest.
    EXPECT_LT(Seconds(start), 3.0);
    PumpFor(300);
    EXPECT_EQ(a.Count(wxEVT_USER_LIST_INITIALIZED), 1u);
    EXPECT_LT(a.Count(wxEVT_USER_ADDED), static_cast<size_t>(count));
    EXPECT_LE(b.Count(wxEVT_USER_ADDED), a.Count(wxEVT_USER_ADDED))
        << "each performer reaches the handlers in registration order";
}

// A refresh of a thousand newcomers reaches the window in slices: work queued on the loop after
// the first of them runs long before the last has come, and every one still arrives.
TEST(DaemonThreadStopTest, ALargeRefreshLetsTheLoopRunBetweenSlices)
{
    const size_t count = 1000;
    InstantSite site;
    site.EmptyThenCrowd(count);

    RecordingHandler a;
    wxEvtHandler other;
    size_t seenByThen = count + 1;
    a.Bind(wxEVT_USER_ADDED, [&](UserEvent& event) {
        event.Skip();
        if (a.Count(wxEVT_USER_ADDED) == 0)
            other.CallAfter([&] { seenByThen = a.Count(wxEVT_USER_ADDED); });
    });
    auto* thread = new DaemonThread(&site);
    thread->AddEventHandler(&a);
    const auto lifeline = thread->GetLifeline();
    ASSERT_EQ(thread->Run(), wxTHREAD_NO_ERROR);
    EXPECT_TRUE(PumpUntil([&] { return a.Count(wxEVT_USER_ADDED) == count; }, 10000));
    EXPECT_LE(seenByThen, 2 * UserEventPoster::kSlice);
    EXPECT_TRUE(DaemonThread::StopAndWait(lifeline));
}

TEST(UserEventTest, ClonesAreDeepAndKeepTypeIdAndStatuses)
{
    UserEvent event(User("ann", 0x0D), wxEVT_USER_CHANGED, STATUS_NOT_MEANINGFUL);
    event.SetOldStatus(0x03);
    std::unique_ptr<wxEvent> clone(event.Clone());
    auto* copy = dynamic_cast<UserEvent*>(clone.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetEventType(), wxEVT_USER_CHANGED);
    EXPECT_EQ(copy->GetId(), -1);
    EXPECT_EQ(copy->GetUser(), User("ann", 0x0D));
    EXPECT_EQ(copy->GetOldStatus(), 0x03u);
    EXPECT_NE(&copy->GetUser(), &event.GetUser());

    UserListEvent listEvent(wxEVT_USER_LIST_INITIALIZED, 0);
    UserList list;
    list.AddUser(User("bea", 0x03));
    listEvent.SetUserList(list);
    list.Clear();
    std::unique_ptr<wxEvent> listClone(listEvent.Clone());
    auto* listCopy = dynamic_cast<UserListEvent*>(listClone.get());
    ASSERT_NE(listCopy, nullptr);
    EXPECT_EQ(listCopy->GetId(), 0);
    EXPECT_EQ(listCopy->GetUserList().size(), 1u);
    EXPECT_NE(&listCopy->GetUserList(), &listEvent.GetUserList());
}

TEST(UserEventTest, TypesAreDistinctAndAllocatedInOrder)
{
    EXPECT_LT(wxEVT_USER_LIST_INITIALIZED, wxEVT_USER_ADDED);
    EXPECT_LT(wxEVT_USER_ADDED, wxEVT_USER_DELETED);
    EXPECT_LT(wxEVT_USER_DELETED, wxEVT_USER_CHANGED);
}

namespace {

// Rebuilds the site's list from the events alone, checking each one against what it knows.
class MirrorHandler : public wxEvtHandler {
public:
    MirrorHandler()
    {
        Bind(wxEVT_USER_LIST_INITIALIZED, [this](UserListEvent& e) {
            ++lists;
            mirror = e.GetUserList();
        });
        Bind(wxEVT_USER_ADDED, [this](UserEvent& e) {
            ++added;
            faults += mirror.FindUser(e.GetUser().GetName()) != nullptr;
            mirror.AddUser(e.GetUser());
        });
        Bind(wxEVT_USER_DELETED, [this](UserEvent& e) {
            ++deleted;
            faults += mirror.FindUser(e.GetUser().GetName()) == nullptr;
            mirror.RemoveUser(e.GetUser().GetName());
        });
        Bind(wxEVT_USER_CHANGED, [this](UserEvent& e) {
            ++changed;
            const User* known = mirror.FindUser(e.GetUser().GetName());
            faults += !known || known->GetStatus() != e.GetOldStatus();
            mirror.AddUser(e.GetUser());
        });
    }
    UserList mirror;
    int lists = 0, added = 0, deleted = 0, changed = 0, faults = 0;
};

} // namespace

TEST_F(DaemonThreadTest, EventsFromALiveSiteRebuildItsList)
{
    sim->SetPerformers({});
    sim->Tick(); // a few newcomers
    std::vector<SimPerformer> start;
    for (int i = 0; i < 40; ++i)
        start.push_back({"p" + std::to_string(i), static_cast<State>(i % 3), i});
    sim->SetPerformers(start);
    MirrorHandler mirror;
    thread = new DaemonThread(site.get());
    thread->AddEventHandler(&mirror);
    lifeline = thread->GetLifeline();
    ASSERT_EQ(thread->Run(), wxTHREAD_NO_ERROR);
    ASSERT_TRUE(PumpUntil([&] { return mirror.lists == 1; }, 5000));
    for (int i = 0; i < 8; ++i) {
        for (int t = 0; t < 5; ++t)
            sim->Tick();
        PumpFor(400);
    }
    const size_t quiet = ListRequests();
    ASSERT_TRUE(WaitForRefreshes(quiet + 2));
    EXPECT_EQ(mirror.faults, 0);
    EXPECT_GT(mirror.added + mirror.deleted + mirror.changed, 0);
    const UserList actual = site->GetUserList();
    EXPECT_EQ(mirror.mirror.size(), actual.size());
    for (const User& user : actual) {
        const User* seen = mirror.mirror.FindUser(user.GetName());
        ASSERT_NE(seen, nullptr) << user.GetName();
        EXPECT_EQ(seen->GetStatus(), user.GetStatus()) << user.GetName();
    }
}
