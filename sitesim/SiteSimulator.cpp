#include "SiteSimulator.h"

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <cstring>
#include <fstream>
#include <sstream>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <httplib.h>

#include "ReleaseSigner.h"
#include "ThumbnailPainter.h"

namespace sitesim {

namespace {

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::string Base64Decode(const std::string& in)
{
    static const std::string chars =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    unsigned value = 0;
    int bits = -8;
    for (unsigned char c : in) {
        size_t pos = chars.find(static_cast<char>(c));
        if (pos == std::string::npos)
            break; // '=' padding or junk ends the data
        value = ((value << 6) | static_cast<unsigned>(pos)) & 0xFFFFFFu;
        bits += 6;
        if (bits >= 0) {
            out += static_cast<char>((value >> bits) & 0xFF);
            bits -= 8;
        }
    }
    return out;
}

// The connection a request came on, found by its peer's port, so faults can act on the socket
// itself (a library server hides it).
int FindSocket(const httplib::Request& req)
{
    for (int fd = 3; fd < 65536; ++fd) {
        sockaddr_storage local{}, peer{};
        socklen_t localLen = sizeof local, peerLen = sizeof peer;
        if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localLen) != 0) {
            if (errno == EBADF && fd > 1024)
                break;
            continue;
        }
        if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerLen) != 0)
            continue;
        if (peer.ss_family != AF_INET)
            continue;
        const auto* p = reinterpret_cast<const sockaddr_in*>(&peer);
        const auto* l = reinterpret_cast<const sockaddr_in*>(&local);
        if (ntohs(p->sin_port) == req.remote_port && ntohs(l->sin_port) == req.local_port)
            return fd;
    }
    return -1;
}

// Disconnecting an established TCP socket sends a reset; the descriptor stays the server's.
void ResetSocket(int fd)
{
    if (fd < 0)
        return;
    sockaddr unspec{};
    unspec.sa_family = AF_UNSPEC;
    ::connect(fd, &unspec, sizeof unspec);
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::string();
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

bool FileExists(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return static_cast<bool>(in);
}

} // namespace

std::string LoggedRequest::Header(const std::string& name) const
{
    const std::string wanted = Lower(name);
    for (const auto& h : headers)
        if (Lower(h.first) == wanted)
            return h.second;
    return std::string();
}

SiteSimulator::SiteSimulator() : SiteSimulator(Options()) {}

SiteSimulator::SiteSimulator(Options options)
    : m_options(std::move(options)), m_pool(m_options.seed, m_options.performers),
      m_churn(m_options.churn), m_offeredVersion(m_options.offeredVersion),
      m_release(m_options.release), m_signer(std::make_unique<ReleaseSigner>()),
      m_strangeSigner(std::make_unique<ReleaseSigner>()), m_started(std::chrono::steady_clock::now())
{
    if (!m_options.signingKey.empty() && !m_signer->LoadKey(m_options.signingKey))
        std::fprintf(stderr, "sitesim: no private key in %s: updates are offered unsigned\n",
                     m_options.signingKey.c_str());
    if (!m_options.updateDir.empty()) {
        const std::pair<const char*, const char*> files[] = {
            {"", "plugin"}, {"skin", "skin"}, {"mo", "mo"}, {"manifest", "manifest"},
            {"signature", "signature"}};
        for (const auto& f : files) {
            const std::string path = m_options.updateDir + "/" + f.second;
            if (FileExists(path))
                m_updateFiles[f.first] = ReadFile(path);
        }
    }
}

SiteSimulator::~SiteSimulator()
{
    Stop();
}

bool SiteSimulator::Start()
{
    // Faults write to sockets the peer has reset.
    std::signal(SIGPIPE, SIG_IGN);
    auto handler = [this](const httplib::Request& req, httplib::Response& res) { Serve(req, res); };
    const auto prepare = [&](httplib::Server& server) {
        server.new_task_queue = [] { return new httplib::ThreadPool(24); };
        server.set_read_timeout(10, 0);
        server.set_write_timeout(10, 0);
        // As a web server keeps a client's connection (nginx: 75 s, 1000 requests), so a
        // refresh every few seconds reuses it.
        server.set_keep_alive_timeout(75);
        server.set_keep_alive_max_count(1000);
        server.Get(".*", handler);
        server.Post(".*", handler);
    };
    m_server = std::make_unique<httplib::Server>();
    prepare(*m_server);
    if (!m_options.tlsCertificate.empty() && !m_options.tlsKey.empty()) {
        m_https = std::make_unique<httplib::SSLServer>(m_options.tlsCertificate.c_str(), m_options.tlsKey.c_str());
        if (!m_https->is_valid()) {
            m_https.reset();
            m_server.reset();
            return false;
        }
        prepare(*m_https);
        m_httpsPort = m_https->bind_to_any_port(m_options.address.c_str());
    }

    if (m_options.port == 0)
        m_port = m_server->bind_to_any_port(m_options.address.c_str());
    else if (m_server->bind_to_port(m_options.address.c_str(), m_options.port))
        m_port = m_options.port;
    else
        m_port = -1;
    if (m_port <= 0) {
        m_server.reset();
        return false;
    }
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_stopping = false;
    }
    m_listener = std::thread([this] { m_server->listen_after_bind(); });
    if (m_https)
        m_httpsListener = std::thread([this] { m_https->listen_after_bind(); });
    m_churner = std::thread([this] { ChurnLoop(); });
    // A stop() before the accept loop runs would be lost.
    while (!m_server->is_running() || (m_https && !m_https->is_running()))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return true;
}

void SiteSimulator::Stop()
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_stopping = true;
    }
    m_stopSignal.notify_all();
    if (m_server)
        m_server->stop();
    if (m_https)
        m_https->stop();
    if (m_listener.joinable())
        m_listener.join();
    if (m_httpsListener.joinable())
        m_httpsListener.join();
    if (m_churner.joinable())
        m_churner.join();
    m_server.reset();
    m_https.reset();
}

bool SiteSimulator::WaitStopped(int milliseconds)
{
    std::unique_lock<std::mutex> guard(m_lock);
    return m_stopSignal.wait_for(guard, std::chrono::milliseconds(milliseconds),
                                 [this] { return m_stopping; });
}

void SiteSimulator::ChurnLoop()
{
    while (!WaitStopped(1000)) {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_churn)
            m_pool.Tick();
    }
}

void SiteSimulator::SetPerformers(std::vector<SimPerformer> performers)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_pool.Set(std::move(performers));
}

std::vector<SimPerformer> SiteSimulator::Performers() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_pool.Performers();
}

void SiteSimulator::SetChurn(bool enabled)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_churn = enabled;
}

void SiteSimulator::Tick()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_pool.Tick();
}

void SiteSimulator::ScriptListBodies(std::vector<std::string> bodies)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_script = std::move(bodies);
    m_scriptPos = 0;
}

void SiteSimulator::SetAccount(const std::string& user, Account account)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_accounts[user] = std::move(account);
}

void SiteSimulator::SetFault(Route route, Fault fault, int times)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_faults[route] = fault;
    if (times > 0)
        m_faultsLeft[route] = times;
    else
        m_faultsLeft.erase(route);
}

void SiteSimulator::ClearFaults()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_faults.clear();
    m_faultsLeft.clear();
}

void SiteSimulator::SetUpdate(const std::string& offeredVersion,
                              std::map<std::string, std::string> files)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_offeredVersion = offeredVersion;
    m_updateFiles = std::move(files);
}

void SiteSimulator::SetRelease(Release release)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_release = release;
}

bool SiteSimulator::UpdateAnswer(const std::string& version, const std::string& type, std::string& body)
{
    if (version.empty() || CompareVersions(version, m_offeredVersion) >= 0)
        return false;
    const auto served = [&](const std::string& t) {
        const auto file = m_updateFiles.find(t);
        return file == m_updateFiles.end() ? std::string() : file->second;
    };
    if (type != "signature") {
        if (m_updateFiles.find(type) == m_updateFiles.end())
            return false;
        body = served(type);
        // The same size, one byte other than signed.
        if (!body.empty() && ((m_release == Release::Tampered && type.empty()) ||
                              (m_release == Release::TamperedSkin && type == "skin")))
            body.back() = static_cast<char>(body.back() ^ 0x20);
        return true;
    }
    if (m_release == Release::Unsigned)
        return false;
    if (m_release == Release::Signed && m_updateFiles.count("signature")) {
        body = served("signature");
        return true;
    }
    std::map<std::string, std::string> files = {
        {"plugin", served("")}, {"skin", served("skin")}, {"mo", served("mo")}, {"manifest", served("manifest")}};
    std::string named = m_offeredVersion;
    std::string expires = ReleaseSigner::DateFromToday(30);
    const ReleaseSigner* signer = m_signer.get();
    switch (m_release) {
    case Release::WrongKey:
        if (!m_strangeSigner->HasKey())
            m_strangeSigner->MakeKey();
        signer = m_strangeSigner.get();
        break;
    case Release::Rollback: named = version; break;
    case Release::Mixed: files["plugin"] += "another build"; break;
    case Release::Expired: expires = ReleaseSigner::DateFromToday(-1); break;
    default: break;
    }
    body = signer->Sign(named, expires, files);
    if (m_release == Release::Forged && body.find("version ") != std::string::npos)
        body[body.find("version ") + 8] = '9';
    if (m_release == Release::Oversized)
        body += std::string(80 * 1024, '#');
    return !body.empty();
}

std::vector<LoggedRequest> SiteSimulator::Requests() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_log;
}

std::vector<LoggedRequest> SiteSimulator::RequestsFor(const std::string& path) const
{
    std::vector<LoggedRequest> found;
    for (const LoggedRequest& r : Requests())
        if (r.path == path)
            found.push_back(r);
    return found;
}

void SiteSimulator::ClearLog()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_log.clear();
}

bool SiteSimulator::ParseRoute(const std::string& text, Route& route)
{
    static const std::map<std::string, Route> names = {
        {"list", Route::OnlineList}, {"favorites", Route::Favorites},
        {"mail", Route::UnreadMail}, {"thumbnail", Route::Thumbnail},
        {"update", Route::Update},   {"page", Route::Page},
        {"profile", Route::Profile}};
    auto it = names.find(text);
    if (it == names.end())
        return false;
    route = it->second;
    return true;
}

bool SiteSimulator::ParseRelease(const std::string& text, Release& release)
{
    static const std::map<std::string, Release> names = {
        {"signed", Release::Signed},       {"unsigned", Release::Unsigned},
        {"tampered", Release::Tampered},   {"tampered-skin", Release::TamperedSkin},
        {"wrong-key", Release::WrongKey},  {"forged", Release::Forged},
        {"rollback", Release::Rollback},
        {"mixed", Release::Mixed},         {"expired", Release::Expired},
        {"oversized", Release::Oversized}};
    auto it = names.find(text);
    if (it == names.end())
        return false;
    release = it->second;
    return true;
}

bool SiteSimulator::ParseFault(const std::string& text, Fault& fault)
{
    static const std::map<std::string, Fault> names = {
        {"none", Fault::None},         {"refuse", Fault::Refuse},
        {"silent", Fault::Silent},     {"stall", Fault::StallBody},
        {"reset", Fault::ResetBody},   {"404", Fault::NotFound},
        {"500", Fault::ServerError},   {"garbage", Fault::Garbage},
        {"empty", Fault::Empty},     {"slow", Fault::Slow},
        {"429", Fault::TooMany},       {"503", Fault::Unavailable},   {"to-https", Fault::ToHttps},
        {"to-http", Fault::ToHttp},    {"cut-mid-line", Fault::CutMidLine},
        {"drip", Fault::Drip},         {"huge-image", Fault::HugeImage}};
    auto it = names.find(text);
    if (it == names.end())
        return false;
    fault = it->second;
    return true;
}

int SiteSimulator::CompareVersions(const std::string& a, const std::string& b)
{
    std::istringstream ia(a), ib(b);
    for (;;) {
        std::string pa, pb;
        const bool ha = static_cast<bool>(std::getline(ia, pa, '.'));
        const bool hb = static_cast<bool>(std::getline(ib, pb, '.'));
        if (!ha && !hb)
            return 0;
        const long va = ha ? std::atol(pa.c_str()) : 0;
        const long vb = hb ? std::atol(pb.c_str()) : 0;
        if (va != vb)
            return va < vb ? -1 : 1;
    }
}

std::string SiteSimulator::Page(const std::string& title, const std::string& text)
{
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + title +
           "</title></head>\n<body><h1>" + title + "</h1><p>" + text + "</p></body></html>\n";
}

std::string SiteSimulator::NextListBody()
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_script.empty())
        return PerformerPool::RenderScript(m_pool.Performers());
    const std::string& body = m_script[std::min(m_scriptPos, m_script.size() - 1)];
    if (m_scriptPos < m_script.size())
        ++m_scriptPos;
    return body;
}

// The path of a request; one sent to a proxy names the whole address, served as the target would.
std::string SiteSimulator::PathOf(const httplib::Request& req)
{
    std::string path = req.path;
    if (Lower(path.substr(0, 7)) == "http://") {
        const size_t slash = path.find('/', 7);
        path = slash == std::string::npos ? "/" : path.substr(slash);
    }
    return path;
}

void SiteSimulator::LogRequest(const httplib::Request& req, const std::string& path)
{
    LoggedRequest logged;
    logged.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - m_started).count();
    logged.method = req.method;
    logged.target = req.target;
    logged.path = path;
    const size_t q = req.target.find('?');
    logged.query = q == std::string::npos ? std::string() : req.target.substr(q + 1);
    for (const auto& h : req.headers)
        if (h.first != "REMOTE_ADDR" && h.first != "REMOTE_PORT" && h.first != "LOCAL_ADDR" &&
            h.first != "LOCAL_PORT")
            logged.headers.emplace_back(h.first, h.second);
    std::lock_guard<std::mutex> guard(m_lock);
    m_log.push_back(std::move(logged));
}

Fault SiteSimulator::TakeFault(Route route)
{
    std::lock_guard<std::mutex> guard(m_lock);
    auto it = m_faults.find(route);
    if (it == m_faults.end())
        return Fault::None;
    const Fault fault = it->second;
    auto left = m_faultsLeft.find(route);
    if (left != m_faultsLeft.end() && --left->second <= 0) {
        m_faultsLeft.erase(left);
        m_faults.erase(it);
    }
    return fault;
}

bool SiteSimulator::AnswerInsteadOfPage(Fault fault, const httplib::Request& req, httplib::Response& res) const
{
    if (fault == Fault::ToHttps || fault == Fault::ToHttp) {
        const bool up = fault == Fault::ToHttps;
        // The name the client asked for, on the other port: a certificate names it.
        std::string host = req.get_header_value("Host");
        host = host.empty() ? "127.0.0.1" : host.substr(0, host.rfind(':'));
        res.status = 301;
        res.set_header("Location", (up ? "https://" : "http://") + host + ":" +
                                       std::to_string(up ? m_httpsPort : m_port) + req.target);
        res.set_content(Page("301 Moved Permanently", "Moved."), "text/html");
        return true;
    }
    if (fault == Fault::TooMany || fault == Fault::Unavailable) {
        res.status = fault == Fault::TooMany ? 429 : 503;
        res.set_header("Retry-After", "2");
        res.set_content(Page(fault == Fault::TooMany ? "429 Too Many Requests" : "503 Service Unavailable",
                             "Try again later."), "text/html");
        return true;
    }
    return false;
}

void SiteSimulator::Serve(const httplib::Request& req, httplib::Response& res)
{
    const std::string path = PathOf(req);
    if (path.rfind("/_sim/", 0) == 0) {
        Control(path, req, res);
        return;
    }
    LogRequest(req, path);
    const Fault fault = TakeFault(RouteOf(path));
    if (AnswerInsteadOfPage(fault, req, res))
        return;
    if (fault == Fault::Slow)
        WaitStopped(1500);
    if (fault == Fault::StallBody || fault == Fault::ResetBody || fault == Fault::CutMidLine) {
        // A body to cut: never "not modified".
        httplib::Request whole = req;
        whole.headers.erase("If-None-Match");
        Dispatch(path, whole, res);
    } else if (fault == Fault::None || fault == Fault::Slow || fault == Fault::Drip) {
        // The other faults need no answer, and leave a scripted list where it is.
        Dispatch(path, req, res);
    }
    if (fault != Fault::None && fault != Fault::Slow) {
        const std::string body = res.body;
        const std::string type = res.get_header_value("Content-Type");
        ApplyFault(fault, req, res, body, type);
    }
}

Route SiteSimulator::RouteOf(const std::string& path)
{
    static const std::string archive = "/WebArchive/";
    static const std::string thumb = "/thumbs/LinkedImage.jpg";
    if (path == "/include/js/online_performers.js")
        return Route::OnlineList;
    if (path == "/cgi-bin/favorite.cgi")
        return Route::Favorites;
    if (path == "/fast-cgi/get_unread.fcgi")
        return Route::UnreadMail;
    if (path.rfind(archive, 0) == 0 && path.size() > archive.size() + thumb.size() &&
        path.compare(path.size() - thumb.size(), thumb.size(), thumb) == 0)
        return Route::Thumbnail;
    if (path == "/cgi-bin/app/update.cgi")
        return Route::Update;
    if (path == "/profile.shtml")
        return Route::Profile;
    return Route::Page;
}

void SiteSimulator::AnswerList(const httplib::Request& req, httplib::Response& res)
{
    // As a web server serves a file: a tag and a date that change with the content, and
    // "304 Not Modified" to a client that already has it. Compressed when asked.
    const std::string body = NextListBody();
    std::string tag, date;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (body != m_lastList || m_lastListTag.empty()) {
            m_lastList = body;
            m_lastListTag = "\"" + std::to_string(std::hash<std::string>()(body)) + "\"";
            const std::time_t now = std::time(nullptr);
            char text[64];
            std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", std::gmtime(&now));
            m_lastListDate = text;
        }
        tag = m_lastListTag;
        date = m_lastListDate;
    }
    res.set_header("ETag", tag);
    res.set_header("Last-Modified", date);
    if (req.get_header_value("If-None-Match") == tag) {
        res.status = 304;
        return;
    }
    res.set_content(body, "application/javascript");
}

void SiteSimulator::AnswerFavorites(const httplib::Request& req, httplib::Response& res)
{
    const std::string user = req.get_param_value("username");
    const std::string password = req.get_param_value("password");
    std::string basic = req.get_header_value("Authorization");
    std::string basicUser, basicPassword;
    if (basic.rfind("Basic ", 0) == 0) {
        const std::string decoded = Base64Decode(basic.substr(6));
        const size_t colon = decoded.find(':');
        basicUser = decoded.substr(0, colon);
        basicPassword = colon == std::string::npos ? std::string() : decoded.substr(colon + 1);
    }
    std::lock_guard<std::mutex> guard(m_lock);
    auto it = m_accounts.find(user);
    if (user.empty() || it == m_accounts.end() || it->second.password != password ||
        basicUser != user || basicPassword != password) {
        res.status = 401;
        res.set_header("WWW-Authenticate", "Basic realm=\"Tabuno\"");
        res.set_content(Page("401 Unauthorized", "Wrong user name or password."), "text/html");
        return;
    }
    std::string list;
    for (const std::string& name : it->second.favorites)
        list += name + "\n";
    res.set_content(list, "text/plain");
}

void SiteSimulator::Dispatch(const std::string& path, const httplib::Request& req,
                             httplib::Response& res)
{
    const Route route = RouteOf(path);
    if (route == Route::OnlineList) {
        AnswerList(req, res);
        return;
    }
    if (route == Route::Favorites) {
        AnswerFavorites(req, res);
        return;
    }
    if (route == Route::UnreadMail) {
        const std::string user = req.get_param_value("username");
        std::lock_guard<std::mutex> guard(m_lock);
        auto it = m_accounts.find(user);
        const int count = it == m_accounts.end() ? 0 : it->second.unreadMail;
        res.set_content(std::to_string(count) + "\n", "text/plain");
        return;
    }
    if (route == Route::Thumbnail) {
        static const std::string archive = "/WebArchive/";
        static const std::string thumb = "/thumbs/LinkedImage.jpg";
        const std::string name =
            path.substr(archive.size(), path.size() - archive.size() - thumb.size());
        res.set_content(ThumbnailPainter::JpegFor(name), "image/jpeg");
        return;
    }
    if (route == Route::Update) {
        const std::string version = req.get_param_value("version");
        const std::string type = req.get_param_value("type");
        std::string body;
        std::unique_lock<std::mutex> guard(m_lock);
        if (UpdateAnswer(version, type, body)) {
            guard.unlock();
            res.set_content(body, "application/octet-stream");
        } else {
            res.set_content(Page("Statuscope", "You have the latest version."), "text/html");
        }
        return;
    }
    if (route == Route::Profile) {
        const size_t q = req.target.find('?');
        const std::string name = q == std::string::npos ? std::string() : req.target.substr(q + 1);
        res.set_content(Page("Profile of " + name, "Schedule, photos and more."), "text/html");
        return;
    }
    if (path == "/" || path == "/myqo.shtml" || path == "/viewers/myqo_favourites.html" ||
        path == "/fast-cgi/viewers/fav.fcgi" || path == "/join.html" || path == "/index.html") {
        res.set_content(Page("Tabuno", "Page " + path), "text/html");
        return;
    }
    res.status = 404;
    res.set_content(Page("404 Not Found", "No such page."), "text/html");
}

bool SiteSimulator::ApplyFault(Fault fault, const httplib::Request& req, httplib::Response& res,
                               const std::string& body, const std::string& contentType)
{
    switch (fault) {
    case Fault::None:
    case Fault::Slow: // answered whole, only late
    case Fault::TooMany:
    case Fault::Unavailable:
    case Fault::ToHttps:
    case Fault::ToHttp:
        return false;
    case Fault::NotFound:
        res.status = 404;
        res.set_content(Page("404 Not Found", "No such page."), "text/html");
        return true;
    case Fault::ServerError:
        res.status = 500;
        res.set_content(Page("500 Internal Server Error", "Try again later."), "text/html");
        return true;
    case Fault::Empty:
        res.status = 200;
        res.set_content(std::string(), contentType.empty() ? "text/plain" : contentType);
        return true;
    case Fault::Refuse:
        ResetSocket(FindSocket(req));
        return true;
    case Fault::CutMidLine: {
        // An old server's answer: the body runs until the connection closes, here inside a line.
        const int fd = FindSocket(req);
        if (fd >= 0) {
            size_t cut = body.size() / 2;
            while (cut > 1 && body[cut - 1] == '\n')
                --cut;
            const std::string answer = "HTTP/1.1 200 OK\r\nContent-Type: " +
                                       (contentType.empty() ? std::string("text/plain") : contentType) +
                                       "\r\nConnection: close\r\n\r\n" + body.substr(0, cut);
            ::send(fd, answer.data(), answer.size(), MSG_NOSIGNAL);
            ::shutdown(fd, SHUT_RDWR);
        }
        return true;
    }
    case Fault::Garbage: {
        const int fd = FindSocket(req);
        if (fd >= 0) {
            static const char junk[] = "\x13\x37ZQ\xff\xfe garbage \x01\x02\r\n\r\n\x80\x81";
            ::send(fd, junk, sizeof junk - 1, MSG_NOSIGNAL);
            ::shutdown(fd, SHUT_RDWR);
        }
        return true;
    }
    case Fault::Silent:
        WaitStopped(30000);
        ResetSocket(FindSocket(req));
        return true;
    case Fault::HugeImage: {
        // A GIF header and screen descriptor of 65535x65535 with one empty image: a decoder
        // that trusts it allocates 16 GB.
        static const unsigned char gif[] = {'G', 'I', 'F', '8', '9', 'a', 0xff, 0xff, 0xff, 0xff, 0x00, 0x00, 0x00,
                                            ',', 0, 0, 0, 0, 0xff, 0xff, 0xff, 0xff, 0x00, 0x02, 0x02, 0x44,
                                            0x01, 0x00, ';', 0, 0, 0, 0, 0, 0};
        res.status = 200;
        res.set_content(std::string(reinterpret_cast<const char*>(gif), sizeof gif), "image/gif");
        return true;
    }
    case Fault::Drip: {
        const std::string content = body;
        res.body.clear();
        res.set_content_provider(content.size(), contentType.empty() ? "text/plain" : contentType,
                                 [this, content](size_t offset, size_t, httplib::DataSink& sink) {
                                     if (WaitStopped(200))
                                         return false;
                                     sink.write(content.data() + offset, 1);
                                     return true;
                                 });
        return true;
    }
    case Fault::StallBody:
    case Fault::ResetBody: {
        const bool stall = fault == Fault::StallBody;
        const std::string content = body.size() >= 2 ? body : std::string(64, ' ');
        const int fd = FindSocket(req);
        res.body.clear();
        res.set_content_provider(
            content.size(), contentType.empty() ? "text/plain" : contentType,
            [this, content, stall, fd](size_t offset, size_t, httplib::DataSink& sink) {
                const size_t half = content.size() / 2;
                if (offset < half) {
                    sink.write(content.data() + offset, half - offset);
                    return true;
                }
                if (stall)
                    WaitStopped(30000);
                ResetSocket(fd);
                return false;
            });
        return true;
    }
    }
    return false;
}

void SiteSimulator::Control(const std::string& path, const httplib::Request& req,
                            httplib::Response& res)
{
    auto ok = [&res](const std::string& text) { res.set_content(text + "\n", "text/plain"); };
    auto bad = [&res](const std::string& text) {
        res.status = 400;
        res.set_content(text + "\n", "text/plain");
    };

    if (path == "/_sim/performers") {
        if (req.method == "GET") {
            std::string out;
            for (const SimPerformer& p : Performers())
                out += p.name + " " + PerformerPool::StateName(p.state) + " " +
                       std::to_string(p.viewers) + "\n";
            res.set_content(out, "text/plain");
            return;
        }
        std::vector<SimPerformer> performers;
        for (const std::string& line : SplitLines(req.body)) {
            if (line.empty())
                continue;
            std::istringstream in(line);
            SimPerformer p;
            std::string state = "free";
            in >> p.name >> state >> p.viewers;
            if (!PerformerPool::ParseState(state, p.state))
                return bad("unknown state " + state);
            performers.push_back(p);
        }
        SetPerformers(std::move(performers));
        return ok("ok");
    }
    if (path == "/_sim/churn") {
        SetChurn(req.get_param_value("on") != "0");
        return ok("ok");
    }
    if (path == "/_sim/tick") {
        Tick();
        return ok("ok");
    }
    if (path == "/_sim/fault") {
        Route route;
        Fault fault;
        if (!ParseRoute(req.get_param_value("route"), route) ||
            !ParseFault(req.get_param_value("fault"), fault))
            return bad("usage: /_sim/fault?route=list|favorites|mail|thumbnail|update|page|"
                       "profile&fault=none|refuse|silent|stall|reset|404|500|garbage|empty"
                       "[&times=N]");
        SetFault(route, fault, std::atoi(req.get_param_value("times").c_str()));
        return ok("ok");
    }
    if (path == "/_sim/release") {
        Release release;
        if (!ParseRelease(req.get_param_value("kind"), release))
            return bad("usage: /_sim/release?kind=signed|unsigned|tampered|tampered-skin|wrong-key|forged|"
                       "rollback|mixed|expired|oversized");
        SetRelease(release);
        return ok("ok");
    }
    if (path == "/_sim/faults/clear") {
        ClearFaults();
        return ok("ok");
    }
    if (path == "/_sim/script") {
        // Bodies separated by lines of "%%".
        std::vector<std::string> bodies;
        std::string current;
        bool any = false;
        for (const std::string& line : SplitLines(req.body)) {
            if (line == "%%") {
                bodies.push_back(current);
                current.clear();
                any = false;
                continue;
            }
            current += line + "\n";
            any = true;
        }
        if (any)
            bodies.push_back(current);
        ScriptListBodies(std::move(bodies));
        return ok("ok");
    }
    if (path == "/_sim/account") {
        const std::string user = req.get_param_value("user");
        if (user.empty())
            return bad("usage: /_sim/account?user=U&password=P&favorites=a,b&mail=N");
        Account account;
        account.password = req.get_param_value("password");
        std::istringstream in(req.get_param_value("favorites"));
        std::string name;
        while (std::getline(in, name, ','))
            if (!name.empty())
                account.favorites.push_back(name);
        account.unreadMail = std::atoi(req.get_param_value("mail").c_str());
        SetAccount(user, std::move(account));
        return ok("ok");
    }
    if (path == "/_sim/log") {
        if (req.method == "POST") {
            ClearLog();
            return ok("ok");
        }
        std::ostringstream out;
        for (const LoggedRequest& r : Requests()) {
            out << r.seconds << '\t' << r.method << '\t' << r.target;
            for (const auto& h : r.headers)
                out << '\t' << h.first << ": " << h.second;
            out << '\n';
        }
        res.set_content(out.str(), "text/plain");
        return;
    }
    res.status = 404;
    res.set_content("unknown control route\n", "text/plain");
}

} // namespace sitesim
