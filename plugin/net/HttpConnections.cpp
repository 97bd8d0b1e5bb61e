#include "net/HttpConnections.h"

#include <curl/curl.h>

HttpConnections::HttpConnections() = default;

HttpConnections::~HttpConnections()
{
    if (m_multi)
        curl_multi_cleanup(static_cast<CURLM*>(m_multi));
}

void* HttpConnections::Multi()
{
    if (!m_multi)
        m_multi = curl_multi_init();
    return m_multi;
}
