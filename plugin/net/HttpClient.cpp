#include "net/HttpClient.h"

#include <algorithm>
#include <chrono>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>

#include <curl/curl.h>

#include "app/LoadedLibrary.h"
#include "net/HttpConnections.h"
#include "net/ProxySetting.h"
#include "net/Url.h"

namespace {

// A server that trickles bytes must not keep a thread for ever.
constexpr int kTotalTimeoutFactor = 60;
constexpr size_t kMaxHeaderBytes = 64 * 1024;
constexpr long kMaxRedirects = 5;

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::string Trim(const std::string& s)
{
    const size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos)
        return std::string();
    const size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

void InitialiseOnce()
{
    static std::once_flag once;
    std::call_once(once, [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        // libcurl and what it loads (GnuTLS for RTMP, Kerberos) keep thread-local data and
        // threads' state: they stay loaded when the plug-in is unloaded, as OpenSSL keeps itself.
        LoadedLibrary::KeepForever(reinterpret_cast<const void*>(&curl_easy_init));
    });
}

std::mutex g_versionLock;
std::string& ProductVersion()
{
    static std::string version = "0";
    return version;
}
std::string UserAgent()
{
    std::lock_guard<std::mutex> guard(g_versionLock);
    return "Sorvik-Statuscope/" + ProductVersion();
}

// What one transfer collects as curl hands it over.
struct Transfer {
    Transfer(const HttpRequest& r, HttpResponse& out) : request(r), response(out) {}
    const HttpRequest& request;
    HttpResponse& response;
    // When the last byte came: curl's own low-speed check averages over seconds of history.
    std::chrono::steady_clock::time_point lastByte = std::chrono::steady_clock::now();
    size_t headerBytes = 0;
    std::string lastHeader;
    bool headerTooLong = false;
    bool tooLarge = false;
    bool conflictingLength = false;
};

size_t OnHeader(char* data, size_t size, size_t count, void* user)
{
    auto& transfer = *static_cast<Transfer*>(user);
    const size_t length = size * count;
    transfer.lastByte = std::chrono::steady_clock::now();
    transfer.headerBytes += length;
    if (transfer.headerBytes > kMaxHeaderBytes) {
        transfer.headerTooLong = true;
        return 0;
    }
    const std::string raw(data, length);
    auto& headers = transfer.response.headers;
    if (raw.compare(0, 5, "HTTP/") == 0) {
        // A new answer (after a redirect or a "100 Continue"): only the last one counts.
        headers.clear();
        transfer.lastHeader.clear();
        transfer.conflictingLength = false;
        return length;
    }
    // A folded line continues the header before it.
    if (!raw.empty() && (raw[0] == ' ' || raw[0] == '\t')) {
        if (!transfer.lastHeader.empty())
            headers[transfer.lastHeader] += " " + Trim(raw);
        return length;
    }
    const size_t colon = raw.find(':');
    if (colon == std::string::npos || colon == 0)
        return length; // the blank line that ends the head
    const std::string name = Lower(Trim(raw.substr(0, colon)));
    const std::string value = Trim(raw.substr(colon + 1));
    if (name == "content-length" && headers.count(name) && headers[name] != value)
        transfer.conflictingLength = true;
    headers[name] = value;
    transfer.lastHeader = name;
    return length;
}

size_t OnBody(char* data, size_t size, size_t count, void* user)
{
    auto& transfer = *static_cast<Transfer*>(user);
    const size_t length = size * count;
    transfer.lastByte = std::chrono::steady_clock::now();
    if (transfer.conflictingLength)
        return 0;
    if (transfer.response.body.size() + length > transfer.request.maxBodyBytes) {
        transfer.tooLarge = true;
        return 0;
    }
    transfer.response.body.append(data, length);
    return length;
}

// Certificate failures are told once per host and reason, not at every refresh.
void ReportOnce(const std::string& host, const std::string& reason)
{
    static std::mutex lock;
    static std::map<std::string, std::string> told;
    std::lock_guard<std::mutex> guard(lock);
    if (told[host] == reason)
        return;
    told[host] = reason;
    std::fprintf(stderr, "sorvik: refused the secure connection to %s: %s\n", host.c_str(), reason.c_str());
}

HttpFailure FailureFor(CURLcode code, const Transfer& transfer)
{
    if (transfer.headerTooLong)
        return HttpFailure::HeaderTooLong;
    if (transfer.tooLarge || code == CURLE_FILESIZE_EXCEEDED)
        return HttpFailure::TooLarge;
    if (transfer.conflictingLength)
        return HttpFailure::BadContentLength;
    switch (code) {
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT: return HttpFailure::BadAddress;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY: return HttpFailure::UnknownHost;
    case CURLE_COULDNT_CONNECT: return HttpFailure::ConnectFailed;
    case CURLE_OPERATION_TIMEDOUT: return HttpFailure::TimedOut;
    case CURLE_PEER_FAILED_VERIFICATION: return HttpFailure::CertificateRefused;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE: return HttpFailure::TlsFailed;
    case CURLE_TOO_MANY_REDIRECTS: return HttpFailure::TooManyRedirects;
    case CURLE_PARTIAL_FILE: return HttpFailure::CutShort;
    case CURLE_GOT_NOTHING: return HttpFailure::EmptyAnswer;
    case CURLE_WEIRD_SERVER_REPLY: return HttpFailure::NotHttp;
    case CURLE_BAD_CONTENT_ENCODING: return HttpFailure::BadEncoding;
    case CURLE_SEND_ERROR: return HttpFailure::SendFailed;
    default: return HttpFailure::ConnectionLost;
    }
}

// The easy handle, cleaned up however the request ends.
struct EasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct ListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

} // namespace

const char* HttpResponse::Describe(HttpFailure failure)
{
    switch (failure) {
    case HttpFailure::None: return "";
    case HttpFailure::BadAddress: return "not an http or https address";
    case HttpFailure::BadHeader: return "invalid header";
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
    case HttpFailure::BadEncoding: return "undecodable content encoding";
    case HttpFailure::CertificateRefused: return "certificate refused";
    case HttpFailure::TlsFailed: return "secure connection failed";
    case HttpFailure::TooManyRedirects: return "too many redirects";
    case HttpFailure::RedirectRefused: return "redirect refused";
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

void HttpClient::SetProductVersion(const std::string& version)
{
    std::lock_guard<std::mutex> guard(g_versionLock);
    ProductVersion() = version;
}

std::string HttpClient::GetProductVersion()
{
    std::lock_guard<std::mutex> guard(g_versionLock);
    return ProductVersion();
}

namespace {
// The request's own header lines; null, with the response failed, when one could forge more.
bool HeaderLines(const HttpRequest& request, std::unique_ptr<curl_slist, ListDeleter>& headers,
                 HttpResponse& response)
{
    for (const auto& [name, value] : request.headers) {
        // A line break in a value would let it forge further headers.
        if (name.empty() || name.find_first_of("\r\n:") != std::string::npos ||
            value.find_first_of("\r\n") != std::string::npos) {
            response.Fail(HttpFailure::BadHeader, name);
            return false;
        }
        headers.reset(curl_slist_append(headers.release(), (name + ": " + value).c_str()));
    }
    return true;
}

// What a transfer is told; the strings it is given must outlive it.
struct TransferSetup {
    const std::string& address;
    const std::string& userAgent;
    const std::string& proxy;
    curl_slist* headers;
    char* reason;
    long timeoutMs;
};

void Configure(CURL* e, const HttpRequest& request, const Url& url, const TransferSetup& setup,
               Transfer& transfer)
{
    curl_easy_setopt(e, CURLOPT_URL, setup.address.c_str());
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    // Followed, but never from https down to plain http.
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, url.IsSecure() ? "https" : "http,https");
    curl_easy_setopt(e, CURLOPT_USERAGENT, setup.userAgent.c_str());
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, setup.headers);
    curl_easy_setopt(e, CURLOPT_ACCEPT_ENCODING, "gzip");
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, setup.reason);
    const long totalMs = request.totalSeconds > 0 ? request.totalSeconds * 1000L
                                                  : setup.timeoutMs * kTotalTimeoutFactor;
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, setup.timeoutMs);
    curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, totalMs);
    curl_easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(request.maxBodyBytes));
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &OnHeader);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &OnBody);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &transfer);
    // Set, even when empty: an empty proxy is "direct", whatever curl would read elsewhere.
    curl_easy_setopt(e, CURLOPT_PROXY, setup.proxy.c_str());
    // The trust store OpenSSL programs honour when one is named for the process.
    if (const char* store = std::getenv("SSL_CERT_FILE"); store && *store)
        curl_easy_setopt(e, CURLOPT_CAINFO, store);
}

enum class Ending { Done, Cancelled, Idle };

// Runs the transfer on 'multi' until it ends, is cancelled or hears nothing for 'timeoutMs'.
Ending Perform(CURLM* multi, CURL* e, const HttpClient::CancelCheck& cancelled, const Transfer& transfer,
               long timeoutMs, CURLcode& result)
{
    for (;;) {
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK) {
            result = CURLE_RECV_ERROR;
            return Ending::Done;
        }
        if (running == 0) {
            int left = 0;
            while (CURLMsg* message = curl_multi_info_read(multi, &left))
                if (message->msg == CURLMSG_DONE && message->easy_handle == e)
                    result = message->data.result;
            return Ending::Done;
        }
        if (cancelled && cancelled())
            return Ending::Cancelled;
        // A time-out's worth of silence from the server, once connected or not, ends it.
        if (std::chrono::steady_clock::now() - transfer.lastByte > std::chrono::milliseconds(timeoutMs))
            return Ending::Idle;
        curl_multi_poll(multi, nullptr, 0, HttpClient::kCancelSliceMs, nullptr);
    }
}

// The response of a transfer that ran to its end, well or not.
void Conclude(CURL* e, CURLcode result, const Transfer& transfer, const Url& url, const char* reason,
              HttpResponse& response)
{
    long status = 0;
    curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &status);
    if (result == CURLE_OK && !transfer.conflictingLength) {
        response.status = static_cast<int>(status);
        response.complete = true;
        return;
    }
    HttpFailure failure = FailureFor(result, transfer);
    long redirects = 0;
    curl_easy_getinfo(e, CURLINFO_REDIRECT_COUNT, &redirects);
    // A refused scheme after a redirect: the redirect was refused, not the address.
    if (result == CURLE_UNSUPPORTED_PROTOCOL && (redirects > 0 || status / 100 == 3))
        failure = HttpFailure::RedirectRefused;
    response.Fail(failure, reason[0] ? std::string(reason) : std::string(curl_easy_strerror(result)));
    if (failure == HttpFailure::CertificateRefused || failure == HttpFailure::TlsFailed)
        ReportOnce(url.Host(), response.detail);
    response.body.clear();
}
} // namespace

HttpResponse HttpClient::Get(const HttpRequest& request, const CancelCheck& cancelled,
                             HttpConnections* connections)
{
    HttpResponse response;
    Url url;
    if (!Url::Parse(request.url, url)) {
        response.Fail(HttpFailure::BadAddress, std::string(request.url.utf8_str()));
        return response;
    }
    InitialiseOnce();
    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    if (!easy) {
        response.Fail(HttpFailure::ConnectFailed, "no transfer handle");
        return response;
    }
    std::unique_ptr<curl_slist, ListDeleter> headers;
    if (!HeaderLines(request, headers, response))
        return response;
    CURL* e = easy.get();
    Transfer transfer(request, response);
    char reason[CURL_ERROR_SIZE] = "";
    const std::string address = url.Absolute();
    const std::string userAgent = UserAgent();
    const std::string proxy = request.useProxy ? ProxySetting::For(address) : std::string();
    const long timeoutMs = std::max(1, request.timeoutSeconds) * 1000L;
    Configure(e, request, url, {address, userAgent, proxy, headers.get(), reason, timeoutMs}, transfer);

    // The multi interface, so that a transfer that waits on a silent server still looks at
    // its cancel check every slice.
    std::unique_lock<std::mutex> reuse;
    CURLM* multi = nullptr;
    std::unique_ptr<void, void (*)(void*)> ownMulti(nullptr, [](void* m) { curl_multi_cleanup(static_cast<CURLM*>(m)); });
    if (connections) {
        reuse = std::unique_lock<std::mutex>(connections->Lock());
        multi = static_cast<CURLM*>(connections->Multi());
    } else {
        multi = curl_multi_init();
        ownMulti.reset(multi);
    }
    curl_multi_add_handle(multi, e);
    CURLcode result = CURLE_OK;
    const Ending ending = Perform(multi, e, cancelled, transfer, timeoutMs, result);
    curl_multi_remove_handle(multi, e);

    if (ending != Ending::Done) {
        if (ending == Ending::Cancelled)
            response.Fail(HttpFailure::Cancelled, std::string());
        else
            response.Fail(HttpFailure::TimedOut, "waiting for the server");
        response.headers.clear();
        response.body.clear();
        return response;
    }
    Conclude(e, result, transfer, url, reason, response);
    return response;
}
