#include "net/HttpConnections.h"

#include <curl/curl.h>

HttpConnections::HttpConnections() : m_multi(curl_multi_init()) {}

HttpConnections::~HttpConnections()
{
    curl_multi_cleanup(static_cast<CURLM*>(m_multi));
}
