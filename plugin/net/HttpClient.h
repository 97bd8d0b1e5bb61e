#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <wx/string.h>

struct HttpRequest {
    wxString url;
    // Sent after the client's own headers; a "Host" here replaces the client's.
    std::vector<std::pair<std::string, std::string>> headers;
    // Bounds every wait on the server: connecting, sending, and each read of the answer.
    int timeoutSeconds = 3;
    // A longer answer is a failure rather than an unbounded allocation.
    size_t maxBodyBytes = 32u * 1024u * 1024u;
    // Go through the process proxy when one is set.
    bool useProxy = true;
};

// Why a request got no complete answer.
enum class HttpFailure {
    None,
    BadAddress,
    BadHeader,
    LookupFailed,
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
    BadChunked,
};

struct HttpResponse {
    // True when a complete HTTP answer was read, whatever its status code.
    bool complete = false;
    int status = 0;
    HttpFailure failure = HttpFailure::None;
    // What the failure concerns: the host, the system's reason; may be empty.
    std::string detail;
    // Header names in lower case.
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

// A small HTTP/1.0 client whose every wait is bounded and which can be cancelled.
class HttpClient {
public:
    using CancelCheck = std::function<bool()>;

    static HttpResponse Get(const HttpRequest& request, const CancelCheck& cancelled = {});

    // The version every request names in its User-Agent: the plug-in's own.
    static void SetProductVersion(const std::string& version);
};
