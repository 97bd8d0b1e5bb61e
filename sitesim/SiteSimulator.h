#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "PerformerPool.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}

namespace sitesim {

enum class Route { OnlineList, Favorites, UnreadMail, Thumbnail, Update, Page, Profile };

enum class Fault {
    None,
    Refuse,      // reset the connection before any answer
    Silent,      // accept and never answer
    StallBody,   // send the headers and half the body, then stall
    ResetBody,   // send the headers and half the body, then reset
    NotFound,    // 404
    ServerError, // 500
    Garbage,     // bytes that are not HTTP
    Empty,       // 200 with an empty body
    Slow,        // the whole answer, after 1.5 s
    TooMany,     // 429 with "Retry-After: 2"
    Unavailable, // 503 with "Retry-After: 2"
    ToHttps,     // 301 to the same address on the HTTPS port
    ToHttp,      // 301 to the same address on the plain HTTP port
    CutMidLine,  // 200 without a length, half the body (ending inside a line), then closed
    Drip,        // the whole answer, one byte every 200 ms
    HugeImage,   // 200 with a 35-byte GIF that declares 65535x65535 pixels
};

// What the update service offers beside the files: a statement signed with the site's key, or
// one of the ways an offer can be false.
enum class Release {
    Signed,       // the offered files as they are, signed (or the update folder's own "signature")
    Unsigned,     // no statement
    Tampered,     // signed, then one byte of the plug-in changed
    TamperedSkin, // signed, then one byte of the skin changed
    WrongKey,     // signed by a key of the simulator's own
    Forged,       // signed, then the version it names changed
    Rollback,     // a statement naming the version the client runs
    Mixed,        // the statement of another build of the plug-in
    Expired,      // a statement that expired yesterday
    Oversized,    // a statement of 80 KB
};

class ReleaseSigner;

struct LoggedRequest {
    double seconds = 0; // since the simulator started
    std::string method;
    std::string target; // as it stood in the request line: absolute when sent to a proxy
    std::string path;
    std::string query;
    std::vector<std::pair<std::string, std::string>> headers;

    std::string Header(const std::string& name) const; // case-insensitive; empty when absent
};

struct Account {
    std::string password;
    std::vector<std::string> favorites;
    int unreadMail = 0;
};

// The Tabuno site on loopback: every request the plug-in makes, live-looking performers,
// switchable faults and a log of what was asked.
class SiteSimulator {
public:
    struct Options {
        int port = 0;           // 0: any free port
        int performers = 300;   // initial population
        unsigned seed = 1;
        bool churn = true;      // performers come and go every second
        std::string updateDir;  // files "plugin", "skin", "mo", "manifest" offered as an update
        std::string offeredVersion = "1.3.0";
        // The private key the offered update is signed with (PEM); none: it is offered unsigned.
        std::string signingKey;
        Release release = Release::Signed;
        // The loopback address served on: "127.0.0.1", or "::1" for IPv6.
        std::string address = "127.0.0.1";
        // With both, the same site is served over HTTPS too, on a port of its own.
        std::string tlsCertificate;
        std::string tlsKey;
    };

    SiteSimulator();
    explicit SiteSimulator(Options options);
    ~SiteSimulator();
    SiteSimulator(const SiteSimulator&) = delete;
    SiteSimulator& operator=(const SiteSimulator&) = delete;

    bool Start();
    void Stop();
    int Port() const { return m_port; }
    std::string HostPort() const
    {
        const std::string& a = m_options.address;
        return (a.find(':') == std::string::npos ? a : "[" + a + "]") + ":" + std::to_string(m_port);
    }
    // 0 without a certificate.
    int HttpsPort() const { return m_httpsPort; }

    // Performers, exactly; churn goes on only if enabled.
    void SetPerformers(std::vector<SimPerformer> performers);
    std::vector<SimPerformer> Performers() const;
    void SetChurn(bool enabled);
    void Tick(); // one step of churn now

    // List bodies served one per request, in order; the last one stays. Empty: back to live.
    void ScriptListBodies(std::vector<std::string> bodies);

    void SetAccount(const std::string& user, Account account);
    // 'times' > 0: only the next that many requests of the route meet the fault.
    void SetFault(Route route, Fault fault, int times = -1);
    void ClearFaults();

    // Update files by type ("" for the plug-in, "skin", "mo", "manifest").
    void SetUpdate(const std::string& offeredVersion, std::map<std::string, std::string> files);

    void SetRelease(Release release);

    std::vector<LoggedRequest> Requests() const;
    std::vector<LoggedRequest> RequestsFor(const std::string& path) const;
    void ClearLog();

    static bool ParseRoute(const std::string& text, Route& route);
    static bool ParseFault(const std::string& text, Fault& fault);
    static bool ParseRelease(const std::string& text, Release& release);
    // Compares dotted version numbers: negative, 0 or positive.
    static int CompareVersions(const std::string& a, const std::string& b);

private:
    void Serve(const httplib::Request& req, httplib::Response& res);
    static std::string PathOf(const httplib::Request& req);
    void LogRequest(const httplib::Request& req, const std::string& path);
    // The fault set for the route, counting down one that was set for a number of times.
    Fault TakeFault(Route route);
    // Redirects and refusals, which answer instead of the page.
    bool AnswerInsteadOfPage(Fault fault, const httplib::Request& req, httplib::Response& res) const;
    void AnswerList(const httplib::Request& req, httplib::Response& res);
    void AnswerFavorites(const httplib::Request& req, httplib::Response& res);
    static Route RouteOf(const std::string& path);
    void Dispatch(const std::string& path, const httplib::Request& req, httplib::Response& res);
    bool ApplyFault(Fault fault, const httplib::Request& req, httplib::Response& res,
                    const std::string& body, const std::string& contentType);
    void Control(const std::string& path, const httplib::Request& req, httplib::Response& res);
    void ChurnLoop();
    bool WaitStopped(int milliseconds);
    std::string NextListBody();
    static std::string Page(const std::string& title, const std::string& text);
    // Under the lock: what the update service answers for 'type' to a client of 'version';
    // false when it offers nothing.
    bool UpdateAnswer(const std::string& version, const std::string& type, std::string& body);

    Options m_options;
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_listener;
    std::unique_ptr<httplib::Server> m_https;
    std::thread m_httpsListener;
    int m_httpsPort = 0;
    // The list as last served, and since when: its ETag and Last-Modified.
    std::string m_lastList;
    std::string m_lastListTag;
    std::string m_lastListDate;
    std::thread m_churner;
    int m_port = 0;

    mutable std::mutex m_lock;
    std::condition_variable m_stopSignal;
    bool m_stopping = false;
    PerformerPool m_pool;
    bool m_churn;
    std::vector<std::string> m_script;
    size_t m_scriptPos = 0;
    std::map<std::string, Account> m_accounts;
    std::map<Route, Fault> m_faults;
    std::map<Route, int> m_faultsLeft;
    std::string m_offeredVersion;
    std::map<std::string, std::string> m_updateFiles;
    Release m_release;
    std::unique_ptr<ReleaseSigner> m_signer;
    std::unique_ptr<ReleaseSigner> m_strangeSigner;
    std::vector<LoggedRequest> m_log;
    std::chrono::steady_clock::time_point m_started;
};

} // namespace sitesim
