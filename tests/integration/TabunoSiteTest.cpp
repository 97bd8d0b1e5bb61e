#include <atomic>
#include <chrono>
#include <memory>

#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/image.h>
#include <wx/mstream.h>
#include <wx/thread.h>

#include "EventPump.h"
#include "QuietSite.h"
#include "SiteSimulator.h"
#include "ThumbnailPainter.h"
#include "app/MainFrameLink.h"
#include "app/MessageBoxSeam.h"
#include "app/Settings.h"
#include "net/ProxySetting.h"
#include "site/TabunoSite.h"

using sitesim::Fault;
using sitesim::Route;
using sitesim::SimPerformer;

namespace {

// Stands in for the plug-in's main frame: counts the exit commands it receives.
class ExitCountingFrame : public wxFrame {
public:
    ExitCountingFrame() : wxFrame(nullptr, wxID_ANY, "test frame")
    {
        Bind(wxEVT_MENU, [this](wxCommandEvent&) { ++exits; }, wxID_EXIT);
    }
    int exits = 0;
};

class TabunoSiteTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim = StartQuietSite();
        ASSERT_TRUE(sim);
        Settings::DeleteEntry("/System/syncinterval");
        site = std::make_unique<TabunoSite>();
        ProxySetting::Set(""); // the site's constructor took the environment's
        boxes = 0;
        MessageBoxSeam::SetResponder([this](const wxString& message, const wxString& caption,
                                            long style) {
            ++boxes;
            lastMessage = message;
            lastCaption = caption;
            lastStyle = style;
            return wxOK;
        });
        frame = new ExitCountingFrame;
        MainFrameLink::Register(frame);
    }

    void TearDown() override
    {
        MainFrameLink::Unregister(frame);
        frame->Destroy();
        PumpFor(10);
        MessageBoxSeam::SetResponder({});
        ProxySetting::Set("");
        site.reset();
    }

    std::unique_ptr<sitesim::SiteSimulator> sim;
    std::unique_ptr<TabunoSite> site;
    ExitCountingFrame* frame = nullptr;
    std::atomic<int> boxes{0};
    wxString lastMessage, lastCaption;
    long lastStyle = 0;
};

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

} // namespace

TEST_F(TabunoSiteTest, RefreshStoresTheSitesListAndReturnsTheInterval)
{
    sim->SetPerformers({{"ann", SimPerformer::State::Free, 3},
                        {"Bea_2", SimPerformer::State::Public, 9},
                        {"cy", SimPerformer::State::Private, 0}});
    EXPECT_EQ(site->UpdateUserList(), 10000);
    UserList list = site->GetUserList();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list.GetUser("ann").GetStatus(), 0x03u);
    EXPECT_EQ(list.GetUser("Bea_2").GetStatus(), 0x0Du);
    EXPECT_EQ(list.GetUser("cy").GetStatus(), 0x15u);

    Settings::WriteLong("/System/syncinterval", 1);
    EXPECT_EQ(site->UpdateUserList(), 1000);
    Settings::WriteLong("/System/syncinterval", 0);
    EXPECT_EQ(site->UpdateUserList(), 1000) << "below a second the site would be hammered";
    Settings::WriteLong("/System/syncinterval", -5);
    EXPECT_EQ(site->UpdateUserList(), 1000);
    EXPECT_EQ(Site::GetInstance(), site.get());
}

TEST_F(TabunoSiteTest, AnEmptyAnswerEmptiesTheList)
{
    sim->ScriptListBodies({"a.viewers = 1\nfree_performers.add(a)\n", ""});
    EXPECT_EQ(site->UpdateUserList(), 10000);
    EXPECT_EQ(site->GetUserList().size(), 1u);
    EXPECT_EQ(site->UpdateUserList(), 10000);
    EXPECT_TRUE(site->GetUserList().empty());
}

TEST_F(TabunoSiteTest, TenthConsecutiveFailureShowsTheBoxAndQueuesExit)
{
    sim->ScriptListBodies({"a.viewers = 1\nfree_performers.add(a)\n"});
    sim->SetFault(Route::OnlineList, Fault::ServerError);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(site->UpdateUserList(), 0);
    PumpFor(20);
    EXPECT_EQ(boxes, 0);
    EXPECT_EQ(frame->exits, 0);

    EXPECT_EQ(site->UpdateUserList(), 0);
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(lastMessage, "Could not get response from server\nPlease execute it after a while.");
    EXPECT_EQ(lastCaption, "Error");
    EXPECT_EQ(lastStyle, wxOK | wxICON_ERROR | wxCENTRE);
    EXPECT_TRUE(PumpUntil([&] { return frame->exits == 1; }, 1000));

    EXPECT_EQ(site->UpdateUserList(), 0);
    EXPECT_EQ(boxes, 2) << "every failure from the tenth on is reported";
    EXPECT_TRUE(site->GetUserList().empty()) << "a failure leaves the list alone";
}

TEST_F(TabunoSiteTest, ASuccessResetsTheFailureCount)
{
    sim->ScriptListBodies({"a.viewers = 1\n"});
    sim->SetFault(Route::OnlineList, Fault::Refuse);
    for (int i = 0; i < 9; ++i)
        site->UpdateUserList();
    sim->ClearFaults();
    EXPECT_EQ(site->UpdateUserList(), 10000);
    EXPECT_EQ(site->GetConsecutiveFailures(), 0);
    sim->SetFault(Route::OnlineList, Fault::NotFound);
    for (int i = 0; i < 9; ++i)
        site->UpdateUserList();
    EXPECT_EQ(boxes, 0);
    EXPECT_EQ(site->GetUserList().size(), 1u);
}

// ... and an answer without a length that the server ends inside a line.
TEST_F(TabunoSiteTest, SilentServerAndStalledBodyAreFailedRefreshes)
{
    sim->ScriptListBodies({"a.viewers = 1\nfree_performers.add(a)\nb.viewers = 1\n"
                           "free_performers.add(b)\n"});
    ASSERT_EQ(site->UpdateUserList(), 10000);
    for (Fault fault : {Fault::Silent, Fault::StallBody, Fault::ResetBody, Fault::CutMidLine}) {
        sim->SetFault(Route::OnlineList, fault);
        auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(site->UpdateUserList(), 0);
        EXPECT_LT(Seconds(start), 5.0);
        EXPECT_EQ(site->GetUserList().size(), 2u) << "a cut-short list is not taken";
    }
    EXPECT_EQ(site->GetConsecutiveFailures(), 4);
}

TEST_F(TabunoSiteTest, PolitePollingUnchangedListsRetryAfterAndSpacedRetries)
{
    Settings::WriteLong("/System/syncinterval", 5);
    // An unchanged list: asked with the site's tag, answered 304, not read again.
    ASSERT_EQ(site->UpdateUserList(), 5000);
    EXPECT_FALSE(site->WasUnchanged());
    ASSERT_EQ(site->UpdateUserList(), 5000);
    EXPECT_TRUE(site->WasUnchanged());
    auto logged = sim->RequestsFor("/include/js/online_performers.js");
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_EQ(logged[0].Header("If-None-Match"), "");
    EXPECT_NE(logged[1].Header("If-None-Match"), "");
    EXPECT_NE(logged[1].Header("If-Modified-Since"), "");

    // "Retry-After" postpones the next try and is no failure; other failures are spaced
    // 1 s, 2 s, 4 s ... up to the interval.
    sim->SetFault(sitesim::Route::OnlineList, sitesim::Fault::TooMany, 1);
    EXPECT_EQ(site->UpdateUserList(), 0);
    EXPECT_EQ(site->RetryDelayMs(), 2000);
    EXPECT_EQ(site->GetConsecutiveFailures(), 0);
    sim->SetFault(sitesim::Route::OnlineList, sitesim::Fault::ServerError, 4);
    for (long expected : {1000L, 2000L, 4000L, 5000L}) {
        EXPECT_EQ(site->UpdateUserList(), 0);
        EXPECT_EQ(site->RetryDelayMs(), expected);
    }
    EXPECT_EQ(site->GetConsecutiveFailures(), 4);
    EXPECT_EQ(site->UpdateUserList(), 5000);
    EXPECT_EQ(site->GetConsecutiveFailures(), 0);
}

TEST_F(TabunoSiteTest, RefreshGoesThroughTheProxyWithTheWholeAddress)
{
    Settings::WriteString(Settings::HostKey(Settings::Host::Main), "www.tabuno.test:8123");
    ProxySetting::Set(wxString::FromUTF8(sim->HostPort()));
    sim->ScriptListBodies({"a.viewers = 1\n"});
    EXPECT_EQ(site->UpdateUserList(), 10000);
    auto logged = sim->RequestsFor("/include/js/online_performers.js");
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0].target, "http://www.tabuno.test:8123/include/js/online_performers.js");
    EXPECT_EQ(logged[0].Header("Host"), "www.tabuno.test:8123");
}

namespace {

class RefreshThread : public wxThread {
public:
    explicit RefreshThread(TabunoSite& site) : wxThread(wxTHREAD_JOINABLE), m_site(site) {}
    std::atomic<long> result{-1};

protected:
    ExitCode Entry() override
    {
        result = m_site.UpdateUserList();
        return nullptr;
    }

private:
    TabunoSite& m_site;
};

} // namespace

TEST_F(TabunoSiteTest, FailureBoxFromTheRefreshThreadIsShownOnTheUserInterfaceThread)
{
    sim->SetFault(Route::OnlineList, Fault::Refuse);
    for (int i = 0; i < 9; ++i)
        site->UpdateUserList();
    std::atomic<bool> onMainThread{false};
    MessageBoxSeam::SetResponder([&](const wxString&, const wxString&, long) {
        onMainThread = wxIsMainThread();
        ++boxes;
        return wxOK;
    });
    RefreshThread thread(*site);
    ASSERT_EQ(thread.Run(), wxTHREAD_NO_ERROR);
    EXPECT_TRUE(PumpUntil([&] { return thread.result != -1; }, 5000));
    thread.Wait();
    EXPECT_EQ(thread.result, 0);
    EXPECT_EQ(boxes, 1);
    EXPECT_TRUE(onMainThread);
    EXPECT_TRUE(PumpUntil([&] { return frame->exits == 1; }, 1000));
}

TEST_F(TabunoSiteTest, StopRequestEndsTheWaitForAPendingBox)
{
    sim->SetFault(Route::OnlineList, Fault::Refuse);
    for (int i = 0; i < 9; ++i)
        site->UpdateUserList();
    RefreshThread thread(*site);
    ASSERT_EQ(thread.Run(), wxTHREAD_NO_ERROR);
    // No events are pumped, so the box stays pending while the thread is asked to stop.
    wxMilliSleep(300);
    auto start = std::chrono::steady_clock::now();
    thread.Delete();
    EXPECT_LT(Seconds(start), 2.0);
    EXPECT_EQ(thread.result, 0);
    PumpFor(50);
    EXPECT_EQ(boxes, 0) << "an abandoned box is never shown";
    EXPECT_EQ(frame->exits, 0);
}

TEST(SiteSimulatorImageTest, ThumbnailsDecodeAndDifferByName)
{
    wxInitAllImageHandlers();
    auto decode = [](const std::string& bytes) {
        wxMemoryInputStream in(bytes.data(), bytes.size());
        wxImage image;
        EXPECT_TRUE(image.LoadFile(in, wxBITMAP_TYPE_ANY));
        return image;
    };
    wxImage a = decode(sitesim::ThumbnailPainter::JpegFor("ann"));
    wxImage b = decode(sitesim::ThumbnailPainter::JpegFor("bea"));
    ASSERT_TRUE(a.IsOk() && b.IsOk());
    EXPECT_EQ(a.GetWidth(), 107);
    EXPECT_EQ(a.GetHeight(), 82);
    EXPECT_NE(sitesim::ThumbnailPainter::JpegFor("ann"), sitesim::ThumbnailPainter::JpegFor("bea"));
    EXPECT_NE(a.GetRed(1, 1) * 65536 + a.GetGreen(1, 1) * 256 + a.GetBlue(1, 1),
              b.GetRed(1, 1) * 65536 + b.GetGreen(1, 1) * 256 + b.GetBlue(1, 1));
}
