#include <chrono>

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <netinet/in.h>
#include <unistd.h>

#include "SiteSimulator.h"
#include "net/HttpClient.h"
#include "net/ProxySetting.h"

using sitesim::Fault;
using sitesim::Route;

namespace {

class HttpClientTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        sitesim::SiteSimulator::Options options;
        options.performers = 5;
        options.churn = false;
        sim = std::make_unique<sitesim::SiteSimulator>(options);
        ASSERT_TRUE(sim->Start());
        ProxySetting::Set("");
    }
    void TearDown() override { ProxySetting::Set(""); }

    HttpResponse Get(const std::string& path, int timeout = 2)
    {
        HttpRequest request;
        request.url = wxString::FromUTF8("http://" + sim->HostPort() + path);
        request.timeoutSeconds = timeout;
        return HttpClient::Get(request);
    }

    std::unique_ptr<sitesim::SiteSimulator> sim;
};

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

int ClosedPort()
{
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(fd);
    return ntohs(addr.sin_port);
}

} // namespace

TEST_F(HttpClientTest, ReadsAWholeAnswerWithItsHeaders)
{
    HttpResponse r = Get("/include/js/online_performers.js");
    ASSERT_TRUE(r.IsSuccess()) << r.Error();
    EXPECT_EQ(r.status, 200);
    // Sent compressed, read decoded.
    EXPECT_EQ(r.Header("content-encoding"), "gzip");
    EXPECT_GT(r.body.size(), std::stoul(r.Header("content-length")));
    EXPECT_NE(r.body.find(".viewers = "), std::string::npos);

    auto logged = sim->RequestsFor("/include/js/online_performers.js");
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0].target, "/include/js/online_performers.js");
    EXPECT_EQ(logged[0].Header("Host"), sim->HostPort());
}

TEST_F(HttpClientTest, StatusCodesAreReportedNotHidden)
{
    sim->SetFault(Route::OnlineList, Fault::NotFound);
    HttpResponse r = Get("/include/js/online_performers.js");
    EXPECT_TRUE(r.complete);
    EXPECT_EQ(r.status, 404);
    EXPECT_FALSE(r.IsSuccess());
    sim->SetFault(Route::OnlineList, Fault::ServerError);
    EXPECT_EQ(Get("/include/js/online_performers.js").status, 500);
    sim->SetFault(Route::OnlineList, Fault::Empty);
    r = Get("/include/js/online_performers.js");
    EXPECT_TRUE(r.IsSuccess());
    EXPECT_TRUE(r.body.empty());
}

TEST_F(HttpClientTest, BrokenAnswersFail)
{
    for (Fault fault : {Fault::Garbage, Fault::Refuse, Fault::ResetBody}) {
        sim->SetFault(Route::OnlineList, fault);
        HttpResponse r = Get("/include/js/online_performers.js");
        EXPECT_FALSE(r.complete) << "fault " << static_cast<int>(fault);
        EXPECT_NE(r.failure, HttpFailure::None);
    }
}

TEST_F(HttpClientTest, ClosedPortFailsAtOnce)
{
    HttpRequest request;
    request.url = wxString::Format("http://127.0.0.1:%d/", ClosedPort());
    auto start = std::chrono::steady_clock::now();
    HttpResponse r = HttpClient::Get(request);
    EXPECT_FALSE(r.complete);
    EXPECT_LT(Seconds(start), 1.0);
}

TEST_F(HttpClientTest, SilentServerAndStalledBodyEndWithinTheTimeout)
{
    for (Fault fault : {Fault::Silent, Fault::StallBody}) {
        sim->SetFault(Route::OnlineList, fault);
        auto start = std::chrono::steady_clock::now();
        HttpResponse r = Get("/include/js/online_performers.js", 1);
        const double took = Seconds(start);
        EXPECT_FALSE(r.complete);
        EXPECT_EQ(r.failure, HttpFailure::TimedOut);
        EXPECT_GE(took, 0.9);
        EXPECT_LT(took, 3.0);
    }
}

TEST_F(HttpClientTest, CancellationEndsAWaitPromptly)
{
    sim->SetFault(Route::OnlineList, Fault::Silent);
    HttpRequest request;
    request.url = wxString::FromUTF8("http://" + sim->HostPort() + "/include/js/online_performers.js");
    request.timeoutSeconds = 30;
    auto start = std::chrono::steady_clock::now();
    HttpResponse r = HttpClient::Get(request, [&] { return Seconds(start) > 0.3; });
    EXPECT_EQ(r.failure, HttpFailure::Cancelled);
    EXPECT_LT(Seconds(start), 1.5);
}

TEST_F(HttpClientTest, OversizedAnswerIsRefused)
{
    HttpRequest request;
    request.url = wxString::FromUTF8("http://" + sim->HostPort() + "/include/js/online_performers.js");
    request.maxBodyBytes = 100;
    HttpResponse r = HttpClient::Get(request);
    EXPECT_FALSE(r.complete);
    EXPECT_EQ(r.failure, HttpFailure::TooLarge);
}

TEST_F(HttpClientTest, ProxyGetsTheAbsoluteAddressWithPortAndHost)
{
    // The simulator plays the proxy; the target host need not resolve.
    ProxySetting::Set(wxString::FromUTF8(sim->HostPort()));
    HttpRequest request;
    request.url = "http://www.tabuno.test:8123/include/js/online_performers.js";
    HttpResponse r = HttpClient::Get(request);
    ASSERT_TRUE(r.IsSuccess()) << r.Error();
    auto logged = sim->RequestsFor("/include/js/online_performers.js");
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0].target, "http://www.tabuno.test:8123/include/js/online_performers.js");
    EXPECT_EQ(logged[0].Header("Host"), "www.tabuno.test:8123");

    request.useProxy = false;
    request.url = wxString::FromUTF8("http://" + sim->HostPort() + "/join.html");
    ASSERT_TRUE(HttpClient::Get(request).IsSuccess());
    EXPECT_EQ(sim->RequestsFor("/join.html").at(0).target, "/join.html");
}

TEST_F(HttpClientTest, ExtraHeadersReplaceOrJoinTheClientsOwn)
{
    HttpRequest request;
    request.url = wxString::FromUTF8("http://" + sim->HostPort() + "/WebArchive/ann/thumbs/LinkedImage.jpg");
    request.headers = {{"Host", "www.tabuno.test"}, {"X-Extra", "1"}};
    ASSERT_TRUE(HttpClient::Get(request).IsSuccess());
    auto logged = sim->RequestsFor("/WebArchive/ann/thumbs/LinkedImage.jpg");
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0].Header("Host"), "www.tabuno.test");
    EXPECT_EQ(logged[0].Header("X-Extra"), "1");

    request.headers = {{"X-Bad", "a\r\nInjected: yes"}};
    EXPECT_EQ(HttpClient::Get(request).failure, HttpFailure::BadHeader);
}

TEST_F(HttpClientTest, AHostNobodyKnowsFailsWithinTheTimeOut)
{
    HttpRequest request;
    request.url = "http://no-such-host.invalid/include/js/online_performers.js";
    request.timeoutSeconds = 2;
    const auto start = std::chrono::steady_clock::now();
    const HttpResponse response = HttpClient::Get(request);
    EXPECT_FALSE(response.complete);
    EXPECT_TRUE(response.failure == HttpFailure::UnknownHost || response.failure == HttpFailure::TimedOut)
        << response.Error();
    EXPECT_LT(Seconds(start), 3.5) << "the look-up is bounded like every other wait";
}
