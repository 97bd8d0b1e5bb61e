// The network layer against the simulated site over HTTP and HTTPS, one table of cases: a
// certificate authority is made for the run and trusted by this process only.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "SiteSimulator.h"
#include "net/HttpClient.h"
#include "net/ProxySetting.h"

namespace {

namespace fs = std::filesystem;
using sitesim::Fault;
using sitesim::Route;

// A CA, and a certificate it signed for "localhost" only.
class TestAuthority {
public:
    TestAuthority()
    {
        std::string dir = (fs::temp_directory_path() / "sorvik-ca-XXXXXX").string();
        if (!mkdtemp(dir.data()))
            return;
        m_dir = dir;
        const std::string key = "-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
        const std::string d = "'" + dir + "'";
        const std::string script =
            "cd " + d + " && "
            "openssl req -x509 " + key + " -keyout ca.key -out ca.pem -days 2 -subj '/CN=Sorvik Test CA' && "
            "openssl req -x509 " + key + " -keyout other-ca.key -out other-ca.pem -days 2 -subj '/CN=Other CA' && "
            "openssl req " + key + " -keyout site.key -out site.csr -subj '/CN=localhost' && "
            "printf 'subjectAltName=DNS:localhost\\n' > site.ext && "
            "openssl x509 -req -in site.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 "
            "-extfile site.ext -out site.pem";
        m_ok = std::system(("(" + script + ") > /dev/null 2>&1").c_str()) == 0;
    }
    ~TestAuthority()
    {
        if (!m_dir.empty())
            fs::remove_all(m_dir);
    }
    bool Ok() const { return m_ok; }
    std::string File(const char* name) const { return (m_dir / name).string(); }

private:
    fs::path m_dir;
    bool m_ok = false;
};

class NetworkFaultTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        authority = new TestAuthority;
        ASSERT_TRUE(authority->Ok()) << "openssl could not make the test certificates";
        sitesim::SiteSimulator::Options options;
        options.performers = 5;
        options.churn = false;
        options.tlsCertificate = authority->File("site.pem");
        options.tlsKey = authority->File("site.key");
        site = new sitesim::SiteSimulator(options);
        ASSERT_TRUE(site->Start());
        ProxySetting::Set("");
    }
    static void TearDownTestSuite()
    {
        delete site;
        delete authority;
        unsetenv("SSL_CERT_FILE");
    }

    static TestAuthority* authority;
    static sitesim::SiteSimulator* site;
};

TestAuthority* NetworkFaultTest::authority = nullptr;
sitesim::SiteSimulator* NetworkFaultTest::site = nullptr;

struct Case {
    const char* name;
    const char* scheme;  // of the address asked for
    const char* host;    // "localhost" is what the certificate names
    const char* trusted; // the CA file this process trusts
    Fault fault;
    HttpFailure failure; // None: a whole list
};

} // namespace

TEST_F(NetworkFaultTest, EachCaseGivesItsDocumentedResult)
{
    const Case cases[] = {
        {"plain http", "http", "127.0.0.1", "ca.pem", Fault::None, HttpFailure::None},
        {"https, a good certificate", "https", "localhost", "ca.pem", Fault::None, HttpFailure::None},
        {"https, a certificate nobody trusts", "https", "localhost", "other-ca.pem", Fault::None,
         HttpFailure::CertificateRefused},
        {"https, a certificate for another name", "https", "127.0.0.1", "ca.pem", Fault::None,
         HttpFailure::CertificateRefused},
        {"http redirected to https", "http", "localhost", "ca.pem", Fault::ToHttps, HttpFailure::None},
        {"https redirected down to http", "https", "localhost", "ca.pem", Fault::ToHttp,
         HttpFailure::RedirectRefused},
        {"a server that says nothing", "http", "127.0.0.1", "ca.pem", Fault::Silent, HttpFailure::TimedOut},
        {"a connection reset half-way", "http", "127.0.0.1", "ca.pem", Fault::ResetBody, HttpFailure::ConnectionLost},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setenv("SSL_CERT_FILE", authority->File(c.trusted).c_str(), 1);
        site->ClearFaults();
        if (c.fault != Fault::None)
            site->SetFault(Route::OnlineList, c.fault, 1);
        const bool secure = std::string(c.scheme) == "https";
        HttpRequest request;
        request.url = wxString::Format("%s://%s:%d/include/js/online_performers.js", c.scheme, c.host,
                                       secure ? site->HttpsPort() : site->Port());
        request.timeoutSeconds = 1;
        const HttpResponse response = HttpClient::Get(request);
        EXPECT_EQ(response.failure, c.failure) << response.Error();
        if (c.failure == HttpFailure::None) {
            EXPECT_EQ(response.status, 200);
            EXPECT_NE(response.body.find(".viewers = "), std::string::npos);
        } else {
            EXPECT_FALSE(response.IsSuccess());
            EXPECT_TRUE(response.body.empty());
        }
    }
}

TEST_F(NetworkFaultTest, AStalledTransferEndsWithin100MsOfTheStopRequest)
{
    site->ClearFaults();
    site->SetFault(Route::OnlineList, Fault::StallBody, 1);
    HttpRequest request;
    request.url = wxString::Format("http://127.0.0.1:%d/include/js/online_performers.js", site->Port());
    request.timeoutSeconds = 30;
    using Clock = std::chrono::steady_clock;
    const auto stopAt = Clock::now() + std::chrono::milliseconds(300);
    const HttpResponse response = HttpClient::Get(request, [&] { return Clock::now() >= stopAt; });
    const auto late = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - stopAt);
    EXPECT_EQ(response.failure, HttpFailure::Cancelled);
    EXPECT_LT(late.count(), 100 + HttpClient::kCancelSliceMs) << "ms after the stop request";
}

TEST(NetworkIPv6Test, AnIPv6LoopbackHostIsServed)
{
    sitesim::SiteSimulator::Options options;
    options.performers = 3;
    options.churn = false;
    options.address = "::1";
    sitesim::SiteSimulator site(options);
    if (!site.Start())
        GTEST_SKIP() << "this machine has no IPv6 loopback";
    ProxySetting::Set("");
    HttpRequest request;
    request.url = wxString::FromUTF8("http://" + site.HostPort() + "/include/js/online_performers.js");
    const HttpResponse response = HttpClient::Get(request);
    EXPECT_TRUE(response.IsSuccess()) << response.Error();
    EXPECT_EQ(site.RequestsFor("/include/js/online_performers.js").size(), 1u);
}
