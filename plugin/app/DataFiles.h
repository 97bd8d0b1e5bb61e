#pragma once

#include <cstddef>

#include <wx/string.h>

// The product's own files in the user's data folder ("$XDG_DATA_HOME/sorvik-statuscope",
// readable by the user only): rules, the recent notifications. Written whole through a
// temporary file, never through a planted link; read back only up to a size.
class DataFiles {
public:
    // The folder, made if needed; empty when it cannot be.
    static wxString Folder();
    // The file's text; empty when it is missing, unreadable, not UTF-8 or larger than 'limit'.
    static wxString Read(const wxString& name, size_t limit);
    static bool Write(const wxString& name, const wxString& text);
};
