#pragma once

#include <wx/string.h>

// A version text such as "1.3.0" and the numbers read from it.
class Version {
public:
    explicit Version(const wxString& text);

    wxString GetString() const { return m_text; }
    int GetMajor() const { return m_major; }
    int GetMinor() const { return m_minor; }
    int GetPatch() const { return m_patch; }
    // How many of the three numbers the text gave.
    int GetParsedCount() const { return m_parsed; }
    // By major, minor and patch, numbers not given counting as 0.
    bool IsNewerThan(const Version& other) const;

private:
    wxString m_text;
    // Numbers the text does not give stay 0.
    int m_major = 0;
    int m_minor = 0;
    int m_patch = 0;
    int m_parsed = 0;
};
