#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <wx/string.h>

struct HttpRequest {
    // "http://..." or "https://...".
    wxString url;
    // Sent after the client's own headers; a "Host" here replaces the client's.
    std::vector<std::pair<std::string, std::string>> headers;
    // Bounds every wait on the server: connecting, and any time without a byte of the answer.
    int timeoutSeconds = 3;
    // Bounds the whole request, redirects included; 0: sixty times the time-out.
    int totalSeconds = 0;
    // A longer answer is a failure rather than an unbounded allocation.
    size_t maxBodyBytes = 32u * 1024u * 1024u;
    // Go through the proxy the desktop names for the address.
    bool useProxy = true;
};

// Why a request got no complete answer.
enum class HttpFailure {
    None,
    BadAddress,
    BadHeader,
    UnknownHost,
    ConnectFailed,
    SendFailed,
    ConnectionLost,
    TimedOut,
    Cancelled,
    EmptyAnswer,
    CutShort,
    HeaderTooLong,
    NotHttp,
    BadContentLength,
    TooLarge,
    BadEncoding,
    CertificateRefused, // not trusted, expired, or for another host
    TlsFailed,
    TooManyRedirects,
    RedirectRefused,    // to another scheme than allowed (https down to http)
};

struct HttpResponse {
    // True when a complete HTTP answer was read, whatever its status code.
    bool complete = false;
    int status = 0;
    HttpFailure failure = HttpFailure::None;
    // What the failure concerns: the host, the system's reason; may be empty.
    std::string detail;
    // Header names in lower case, of the final answer (after redirects).
    std::map<std::string, std::string> headers;
    std::string body;

    bool IsSuccess() const { return complete && status >= 200 && status < 300; }
    // Empty when absent.
    std::string Header(const std::string& lowerCaseName) const;
    // The failure and its detail for a log line ("unknown host example.invalid"); empty when none.
    std::string Error() const;
    void Fail(HttpFailure why, std::string what);
    static const char* Describe(HttpFailure failure);
};

class HttpConnections;

// HTTP and HTTPS through libcurl: every wait bounded, certificates checked against the system's
// store, redirects followed (at most 5, never from https down to http), gzip answers decoded,
// the desktop's proxy for each address, and a cancel check looked at every 50 ms.
class HttpClient {
public:
    using CancelCheck = std::function<bool()>;

    // With 'connections', the connection stays open for the next request that passes them.
    static HttpResponse Get(const HttpRequest& request, const CancelCheck& cancelled = {},
                            HttpConnections* connections = nullptr);

    // The version every request names in its User-Agent: the plug-in's own.
    static void SetProductVersion(const std::string& version);
    static std::string GetProductVersion();

    // How often a transfer looks at its cancel check.
    static constexpr int kCancelSliceMs = 50;
};
