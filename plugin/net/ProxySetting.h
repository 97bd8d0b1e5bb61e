#pragma once

#include <wx/string.h>

// The process-wide HTTP proxy as "host:port", empty for direct connections.
class ProxySetting {
public:
    // What the desktop's environment asks for: http_proxy, else HTTP_PROXY, when non-empty.
    static wxString FromEnvironment();
    // "http://host:port/", "host:port" or "host" -> "host:port" (port 80 when none); empty if unusable.
    static wxString Normalise(const wxString& value);

    static void Set(const wxString& hostPort);
    static wxString Get();
};
