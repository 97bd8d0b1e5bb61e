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

    // libcurl's multi handle, which holds the open connections.
    void* Multi() const { return m_multi; }
    std::mutex& Lock() { return m_lock; }

private:
    void* m_multi;
    std::mutex m_lock;
};
