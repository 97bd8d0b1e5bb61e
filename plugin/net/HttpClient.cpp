#include "net/HttpClient.h"

#include <algorithm>
#include <mutex>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "net/ProxySetting.h"
#include "net/Url.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kSliceMs = 100;
// A server that trickles bytes must not keep a thread for ever.
constexpr int kTotalTimeoutFactor = 60;
constexpr size_t kMaxHeaderBytes = 64 * 1024;

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::string Trim(const std::string& s)
{
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos)
        return std::string();
    size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

class Connection {
public:
    Connection(int timeoutSeconds, const HttpClient::CancelCheck& cancelled)
        : m_timeoutMs(std::max(1, timeoutSeconds) * 1000), m_cancelled(cancelled),
          m_deadline(Clock::now() + std::chrono::milliseconds(m_timeoutMs) * kTotalTimeoutFactor)
    {
    }
    ~Connection()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool Open(const std::string& host, int port, HttpResponse& error)
    {
        const std::string service = std::to_string(port);
        addrinfo* found = Resolve(host, service, error);
        if (!found)
            return false;
        error.Fail(HttpFailure::ConnectFailed, host + ":" + service);
        for (addrinfo* ai = found; ai; ai = ai->ai_next) {
            if (TryConnect(ai, error))
                break;
        }
        ::freeaddrinfo(found);
        if (m_fd >= 0)
            error.Fail(HttpFailure::None, std::string());
        return m_fd >= 0;
    }

    bool SendAll(const std::string& data, HttpResponse& error)
    {
        size_t sent = 0;
        while (sent < data.size()) {
            if (!WaitFor(POLLOUT, error))
                return false;
            ssize_t n = ::send(m_fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
            if (n < 0) {
                if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)
                    continue;
                error.Fail(HttpFailure::SendFailed, std::strerror(errno));
                return false;
            }
            sent += static_cast<size_t>(n);
        }
        return true;
    }

    // Appends what arrives; 0 at an orderly close, -1 on failure.
    long ReceiveSome(std::string& into, HttpResponse& error)
    {
        for (;;) {
            if (!WaitFor(POLLIN, error))
                return -1;
            char buffer[16384];
            ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
            if (n < 0) {
                if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)
                    continue;
                error.Fail(HttpFailure::ConnectionLost, std::strerror(errno));
                return -1;
            }
            into.append(buffer, static_cast<size_t>(n));
            return n;
        }
    }

private:
    // One lookup's state, on the heap: a lookup that cannot be cancelled still uses it after
    // we have given up, so it is then left behind rather than freed under it.
    struct Lookup {
        std::string host;
        std::string service;
        addrinfo hints{};
        gaicb request{};
    };

    // The resolver runs on the C library's own thread, so that a name server that does not
    // answer is bounded by the time-out and the cancel check like every other wait.
    addrinfo* Resolve(const std::string& host, const std::string& service, HttpResponse& error)
    {
        auto lookup = std::make_unique<Lookup>();
        lookup->host = host;
        lookup->service = service;
        lookup->hints.ai_family = AF_UNSPEC;
        lookup->hints.ai_socktype = SOCK_STREAM;
        lookup->request.ar_name = lookup->host.c_str();
        lookup->request.ar_service = lookup->service.c_str();
        lookup->request.ar_request = &lookup->hints;
        gaicb* list[] = {&lookup->request};
        if (::getaddrinfo_a(GAI_NOWAIT, list, 1, nullptr) != 0) {
            error.Fail(HttpFailure::LookupFailed, host);
            return nullptr;
        }
        const auto limit = std::min(Clock::now() + std::chrono::milliseconds(m_timeoutMs), m_deadline);
        while (::gai_error(&lookup->request) == EAI_INPROGRESS) {
            const bool cancelled = m_cancelled && m_cancelled();
            if (cancelled || Clock::now() >= limit) {
                error.Fail(cancelled ? HttpFailure::Cancelled : HttpFailure::TimedOut, cancelled ? std::string() : "looking up " + host);
                if (::gai_cancel(&lookup->request) == EAI_NOTCANCELED)
                    lookup.release(); // still in use by the resolver's thread
                else if (lookup->request.ar_result)
                    ::freeaddrinfo(lookup->request.ar_result);
                return nullptr;
            }
            const timespec slice{0, kSliceMs * 1000000L};
            ::gai_suspend(list, 1, &slice);
        }
        if (::gai_error(&lookup->request) != 0 || !lookup->request.ar_result) {
            error.Fail(HttpFailure::UnknownHost, host);
            return nullptr;
        }
        return lookup->request.ar_result;
    }

    bool TryConnect(addrinfo* ai, HttpResponse& error)
    {
        int fd = ::socket(ai->ai_family, ai->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK,
                          ai->ai_protocol);
        if (fd < 0)
            return false;
        m_fd = fd;
        if (::connect(fd, ai->ai_addr, ai->ai_addrlen) == 0)
            return true;
        if (errno == EINPROGRESS && WaitFor(POLLOUT, error)) {
            int soError = 0;
            socklen_t len = sizeof soError;
            if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &len) == 0 && soError == 0)
                return true;
            error.Fail(HttpFailure::ConnectFailed, std::strerror(soError));
        }
        ::close(fd);
        m_fd = -1;
        return false;
    }

    // Waits in short slices so that a cancellation is seen promptly.
    bool WaitFor(short events, HttpResponse& error)
    {
        const auto idleDeadline = Clock::now() + std::chrono::milliseconds(m_timeoutMs);
        for (;;) {
            if (m_cancelled && m_cancelled()) {
                error.Fail(HttpFailure::Cancelled, std::string());
                return false;
            }
            const auto now = Clock::now();
            const auto limit = std::min(idleDeadline, m_deadline);
            if (now >= limit) {
                error.Fail(HttpFailure::TimedOut, std::string());
                return false;
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(limit - now).count();
            pollfd p{m_fd, events, 0};
            int r = ::poll(&p, 1, static_cast<int>(std::min<long long>(left + 1, kSliceMs)));
            if (r > 0)
                return true;
            if (r < 0 && errno != EINTR) {
                error.Fail(HttpFailure::ConnectionLost, std::strerror(errno));
                return false;
            }
        }
    }

    int m_fd = -1;
    int m_timeoutMs;
    HttpClient::CancelCheck m_cancelled;
    Clock::time_point m_deadline;
};

bool ParseHead(const std::string& head, HttpResponse& response)
{
    size_t lineEnd = head.find('\n');
    const std::string statusLine = Trim(head.substr(0, lineEnd));
    // "HTTP/1.x NNN reason"
    if (statusLine.compare(0, 5, "HTTP/") != 0)
        return false;
    size_t sp = statusLine.find(' ');
    if (sp == std::string::npos || statusLine.size() < sp + 4)
        return false;
    const std::string code = statusLine.substr(sp + 1, 3);
    if (!std::all_of(code.begin(), code.end(), [](unsigned char c) { return std::isdigit(c); }))
        return false;
    response.status = std::atoi(code.c_str());

    while (lineEnd != std::string::npos) {
        size_t start = lineEnd + 1;
        lineEnd = head.find('\n', start);
        std::string line = Trim(head.substr(start, lineEnd == std::string::npos
                                                        ? std::string::npos
                                                        : lineEnd - start));
        if (line.empty())
            continue;
        size_t colon = line.find(':');
        if (colon == std::string::npos || colon == 0)
            return false;
        response.headers[Lower(Trim(line.substr(0, colon)))] = Trim(line.substr(colon + 1));
    }
    return true;
}

bool ParseLength(const std::string& text, size_t& length)
{
    if (text.empty() || text.size() > 18 ||
        !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); }))
        return false;
    length = static_cast<size_t>(std::strtoull(text.c_str(), nullptr, 10));
    return true;
}

// Decodes a complete chunked body in place; false when it is malformed or cut short.
bool Dechunk(std::string& body)
{
    std::string out;
    size_t pos = 0;
    for (;;) {
        size_t lineEnd = body.find("\r\n", pos);
        if (lineEnd == std::string::npos)
            return false;
        const std::string sizeText = body.substr(pos, lineEnd - pos);
        char* end = nullptr;
        unsigned long long size = std::strtoull(sizeText.c_str(), &end, 16);
        if (end == sizeText.c_str())
            return false;
        pos = lineEnd + 2;
        if (size == 0)
            break;
        if (size > body.size() - pos)
            return false;
        out.append(body, pos, size);
        pos += size + 2;
        if (pos > body.size())
            return false;
    }
    body.swap(out);
    return true;
}

} // namespace

const char* HttpResponse::Describe(HttpFailure failure)
{
    switch (failure) {
    case HttpFailure::None: return "";
    case HttpFailure::BadAddress: return "not an http address";
    case HttpFailure::BadHeader: return "invalid header";
    case HttpFailure::LookupFailed: return "cannot look up";
    case HttpFailure::UnknownHost: return "unknown host";
    case HttpFailure::ConnectFailed: return "cannot connect";
    case HttpFailure::SendFailed: return "send failed";
    case HttpFailure::ConnectionLost: return "connection lost";
    case HttpFailure::TimedOut: return "timed out";
    case HttpFailure::Cancelled: return "cancelled";
    case HttpFailure::EmptyAnswer: return "empty answer";
    case HttpFailure::CutShort: return "answer cut short";
    case HttpFailure::HeaderTooLong: return "header too long";
    case HttpFailure::NotHttp: return "not an HTTP answer";
    case HttpFailure::BadContentLength: return "invalid Content-Length";
    case HttpFailure::TooLarge: return "answer too large";
    case HttpFailure::BadChunked: return "malformed chunked answer";
    }
    return "failed";
}

void HttpResponse::Fail(HttpFailure why, std::string what)
{
    failure = why;
    detail = std::move(what);
}

std::string HttpResponse::Error() const
{
    if (failure == HttpFailure::None)
        return std::string();
    return detail.empty() ? Describe(failure) : std::string(Describe(failure)) + " " + detail;
}

std::string HttpResponse::Header(const std::string& lowerCaseName) const
{
    auto it = headers.find(lowerCaseName);
    return it == headers.end() ? std::string() : it->second;
}

namespace {
std::mutex g_versionLock;
std::string& ProductVersion()
{
    static std::string version = "0";
    return version;
}
std::string UserAgentVersion()
{
    std::lock_guard<std::mutex> guard(g_versionLock);
    return ProductVersion();
}
} // namespace

void HttpClient::SetProductVersion(const std::string& version)
{
    std::lock_guard<std::mutex> guard(g_versionLock);
    ProductVersion() = version;
}

HttpResponse HttpClient::Get(const HttpRequest& request, const CancelCheck& cancelled)
{
    HttpResponse response;
    Url url;
    if (!Url::Parse(request.url, url)) {
        response.Fail(HttpFailure::BadAddress, std::string(request.url.utf8_str()));
        return response;
    }

    std::string connectHost = url.Host();
    int connectPort = url.Port();
    std::string target = url.Target();
    const wxString proxy = request.useProxy ? ProxySetting::Get() : wxString();
    Url proxyUrl;
    if (!proxy.empty() && Url::Parse("http://" + proxy, proxyUrl)) {
        // Each request has its own connection to the proxy and names the target in full.
        connectHost = proxyUrl.Host();
        connectPort = proxyUrl.Port();
        target = url.Absolute();
    }

    std::vector<std::pair<std::string, std::string>> headers = {
        {"Host", url.HostHeader()},
        {"User-Agent", "Sorvik-Statuscope/" + UserAgentVersion()},
        {"Accept", "*/*"},
    };
    for (const auto& extra : request.headers) {
        auto same = std::find_if(headers.begin(), headers.end(), [&](const auto& h) {
            return Lower(h.first) == Lower(extra.first);
        });
        if (same != headers.end())
            same->second = extra.second;
        else
            headers.push_back(extra);
    }
    std::string message = "GET " + target + " HTTP/1.0\r\n";
    for (const auto& h : headers) {
        // A line break in a value would let it forge further headers.
        if (h.first.find_first_of("\r\n:") != std::string::npos ||
            h.second.find_first_of("\r\n") != std::string::npos) {
            response.Fail(HttpFailure::BadHeader, h.first);
            return response;
        }
        message += h.first + ": " + h.second + "\r\n";
    }
    message += "\r\n";

    Connection connection(request.timeoutSeconds, cancelled);
    if (!connection.Open(connectHost, connectPort, response) ||
        !connection.SendAll(message, response))
        return response;

    std::string data;
    size_t headEnd = std::string::npos;
    size_t bodyStart = 0;
    while (headEnd == std::string::npos) {
        long n = connection.ReceiveSome(data, response);
        if (n < 0)
            return response;
        size_t crlf = data.find("\r\n\r\n");
        size_t lf = data.find("\n\n");
        if (crlf != std::string::npos && (lf == std::string::npos || crlf < lf)) {
            headEnd = crlf;
            bodyStart = crlf + 4;
        } else if (lf != std::string::npos) {
            headEnd = lf;
            bodyStart = lf + 2;
        } else if (n == 0) {
            response.Fail(data.empty() ? HttpFailure::EmptyAnswer : HttpFailure::CutShort, std::string());
            return response;
        }
        if (headEnd == std::string::npos && data.size() > kMaxHeaderBytes) {
            response.Fail(HttpFailure::HeaderTooLong, std::string());
            return response;
        }
    }
    if (!ParseHead(data.substr(0, headEnd), response)) {
        response.Fail(HttpFailure::NotHttp, std::string());
        response.headers.clear();
        response.status = 0;
        return response;
    }
    response.body = data.substr(bodyStart);
    data.clear();

    size_t expected = 0;
    const bool hasLength = ParseLength(response.Header("content-length"), expected);
    if (!response.Header("content-length").empty() && !hasLength) {
        response.Fail(HttpFailure::BadContentLength, response.Header("content-length"));
        return response;
    }
    if (hasLength && expected > request.maxBodyBytes) {
        response.Fail(HttpFailure::TooLarge, std::string());
        return response;
    }
    for (;;) {
        if (hasLength && response.body.size() >= expected)
            break;
        long n = connection.ReceiveSome(response.body, response);
        if (n < 0)
            return response;
        if (n == 0)
            break;
        if (response.body.size() > request.maxBodyBytes) {
            response.Fail(HttpFailure::TooLarge, std::string());
            return response;
        }
    }
    if (hasLength) {
        if (response.body.size() < expected) {
            response.Fail(HttpFailure::CutShort, std::string());
            return response;
        }
        response.body.resize(expected);
    }
    if (Lower(response.Header("transfer-encoding")).find("chunked") != std::string::npos &&
        !Dechunk(response.body)) {
        response.Fail(HttpFailure::BadChunked, std::string());
        return response;
    }
    response.complete = true;
    return response;
}
