#pragma once

#include <mutex>

// Connections kept open from one request to the next (keep-alive), for a caller that asks the
// same site again and again: the refresh of the list. One request at a time uses them.
class HttpConnections {
public:
    HttpConnections();
    ~HttpConnections();
    HttpConnections(const HttpConnections&) = delete;
    HttpConnections& operator=(const HttpConnections&) = delete;

    // libcurl's multi handle, which holds the open connections; made at the first request
    // (with Lock() held).
    void* Multi();
    std::mutex& Lock() { return m_lock; }

private:
    void* m_multi = nullptr;
    std::mutex m_lock;
};
