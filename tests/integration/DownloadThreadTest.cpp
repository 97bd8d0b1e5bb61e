#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <wx/url.h>

#include "EventPump.h"
#include "QuietSite.h"
#include "net/DownloadThread.h"
#include "net/ProxySetting.h"
#include "net/wxHTTP2.h"

using sitesim::Fault;
using sitesim::Route;

namespace {

struct Result {
    int id = 0;
    bool hasData = false;
    std::string body;
};

class Receiver : public wxEvtHandler {
public:
    Receiver() { Bind(wxEVT_DOWNLOAD_FINISHED, &Receiver::OnDownloadFinished, this); }
    ~Receiver() override { DownloadThread::ForgetReceiver(this); }
    std::vector<Result> results;

private:
    void OnDownloadFinished(wxCommandEvent& event)
    {
        const std::unique_ptr<char[]> data = DownloadThread::TakeBuffer(event);
        results.push_back({event.GetId(), data != nullptr,
                           data ? std::string(data.get(), static_cast<size_t>(event.GetInt())) : ""});
    }
};

class DownloadThreadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim = StartQuietSite();
        ASSERT_TRUE(sim);
        sim->SetAccount("demo", {"", {"ann", "bea"}, 0});
        sim->SetAccount("pat", {"p&ss w#rd", {"cy"}, 0});
    }
    void TearDown() override { ProxySetting::Set(""); }

    wxString Address(const std::string& pathAndQuery) const
    {
        return wxString::FromUTF8("http://" + sim->HostPort() + pathAndQuery);
    }

    // A favourites-style download with credentials, straight to the host.
    void StartWithCredentials(Receiver* receiver, const std::string& pathAndQuery,
                              const wxString& user, const wxString& password)
    {
        auto* http = new wxHTTP2;
        http->SetUser(user);
        http->SetPassword(password);
        http->SetTimeout(3);
        ASSERT_TRUE(DownloadThread::Start(
            new DownloadThread(receiver, -1, new wxURL(Address(pathAndQuery)), http)));
    }

    // A thumbnail-style download over the URL's own protocol.
    void StartPlain(Receiver* receiver, const wxString& address, const wxString& host = wxString(),
                    int timeout = 3)
    {
        auto* url = new wxURL(address);
        url->GetProtocol().SetTimeout(timeout);
        if (!host.empty())
            dynamic_cast<wxHTTP&>(url->GetProtocol()).SetHeader("Host", host);
        ASSERT_TRUE(DownloadThread::Start(new DownloadThread(receiver, -1, url, nullptr)));
    }

    std::unique_ptr<sitesim::SiteSimulator> sim;
};

} // namespace

TEST_F(DownloadThreadTest, CredentialsGoAsBasicAuthorizationAsTyped)
{
    Receiver receiver;
    StartWithCredentials(&receiver, "/cgi-bin/favorite.cgi?username=demo&password=", "demo", "");
    ASSERT_TRUE(PumpUntil([&] { return receiver.results.size() == 1; }, 5000));
    EXPECT_TRUE(receiver.results[0].hasData);
    EXPECT_EQ(receiver.results[0].body, "ann\nbea\n");
    EXPECT_EQ(receiver.results[0].id, -1);
    auto logged = sim->RequestsFor("/cgi-bin/favorite.cgi");
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0].Header("Authorization"), "Basic ZGVtbzo=");

    StartWithCredentials(&receiver, "/cgi-bin/favorite.cgi?username=&password=x", "", "x");
    ASSERT_TRUE(PumpUntil([&] { return receiver.results.size() == 2; }, 5000));
    EXPECT_FALSE(receiver.results[1].hasData) << "the site refuses the login";
    logged = sim->RequestsFor("/cgi-bin/favorite.cgi");
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_EQ(logged[1].Header("Authorization"), "") << "a password without a user sends none";
}

TEST_F(DownloadThreadTest, FavouritesGoStraightToTheHostThumbnailsThroughTheProxy)
{
    ProxySetting::Set(wxString::FromUTF8(sim->HostPort()));
    Receiver receiver;
    StartWithCredentials(&receiver, "/cgi-bin/favorite.cgi?username=demo&password=", "demo", "");
    StartPlain(&receiver, "http://img.tabuno.test:8123/WebArchive/ann/thumbs/LinkedImage.jpg",
               "www.tabuno.test");
    ASSERT_TRUE(PumpUntil([&] { return receiver.results.size() == 2; }, 5000));
    EXPECT_EQ(sim->RequestsFor("/cgi-bin/favorite.cgi").at(0).target.rfind("/cgi-bin/", 0), 0u);
    auto thumb = sim->RequestsFor("/WebArchive/ann/thumbs/LinkedImage.jpg");
    ASSERT_EQ(thumb.size(), 1u);
    EXPECT_EQ(thumb[0].target, "http://img.tabuno.test:8123/WebArchive/ann/thumbs/LinkedImage.jpg");
    EXPECT_EQ(thumb[0].Header("Host"), "www.tabuno.test");
    for (const Result& r : receiver.results)
        EXPECT_TRUE(r.hasData);
}

TEST_F(DownloadThreadTest, EmptyBodyIsASuccessFailuresCarryNoBuffer)
{
    Receiver receiver;
    sim->SetFault(Route::Thumbnail, Fault::Empty, 1);
    StartPlain(&receiver, Address("/WebArchive/ann/thumbs/LinkedImage.jpg"));
    ASSERT_TRUE(PumpUntil([&] { return receiver.results.size() == 1; }, 5000));
    EXPECT_TRUE(receiver.results[0].hasData);
    EXPECT_TRUE(receiver.results[0].body.empty());

    sim->SetFault(Route::Thumbnail, Fault::NotFound);
    StartPlain(&receiver, Address("/WebArchive/ann/thumbs/LinkedImage.jpg"));
    StartPlain(&receiver, "http://127.0.0.1:1/WebArchive/ann/thumbs/LinkedImage.jpg");
    sim->SetFault(Route::Thumbnail, Fault::StallBody);
    StartPlain(&receiver, Address("/WebArchive/bea/thumbs/LinkedImage.jpg"), wxString(), 1);
    ASSERT_TRUE(PumpUntil([&] { return receiver.results.size() == 4; }, 6000));
    for (size_t i = 1; i < 4; ++i)
        EXPECT_FALSE(receiver.results[i].hasData) << i;
}

TEST_F(DownloadThreadTest, AGoneReceiverIsNeverTouched)
{
    sim->SetFault(Route::Thumbnail, Fault::StallBody);
    auto* doomed = new Receiver;
    StartPlain(doomed, Address("/WebArchive/ann/thumbs/LinkedImage.jpg"), wxString(), 1);
    StartPlain(nullptr, Address("/WebArchive/bea/thumbs/LinkedImage.jpg"), wxString(), 1);
    ASSERT_TRUE(PumpUntil([&] { return sim->Requests().size() == 2; }, 3000));
    delete doomed;
    // Both threads end within the time-out; the results go nowhere.
    PumpFor(2500);
    Receiver alive;
    sim->ClearFaults();
    StartPlain(&alive, Address("/WebArchive/cy/thumbs/LinkedImage.jpg"));
    ASSERT_TRUE(PumpUntil([&] { return alive.results.size() == 1; }, 5000));
    EXPECT_TRUE(alive.results[0].hasData);
    PumpFor(100);
    EXPECT_EQ(alive.results.size(), 1u) << "one event per download";
}
