#include "net/wxHTTP2.h"

#include "net/Base64Encode.h"

#include <string>

wxString wxHTTP2::GetAuthorization() const
{
    if (m_basicUser.empty())
        return wxString();
    const wxString joinedText = m_basicUser + ":" + m_basicPassword;
    const std::string joined(joinedText.utf8_str());
    return "Basic " +
           Base64Encode(reinterpret_cast<const unsigned char*>(joined.data()), joined.size());
}

wxInputStream* wxHTTP2::GetInputStream(const wxString& path)
{
    if (!m_basicUser.empty())
        SetHeader("Authorization", GetAuthorization());
    return wxHTTP::GetInputStream(path);
}
