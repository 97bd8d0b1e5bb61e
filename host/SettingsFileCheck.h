#pragma once

#include <string>

#include <wx/string.h>

// What the host checks of the settings file before the toolkit reads it: it must be a settings
// file (else it is set aside as "<name>.damaged" and defaults are used), owned by the user and
// writable by nobody else (as ssh expects of its files), and the temporary files a killed
// save left beside it go. Each finding is one line on stderr.
class SettingsFileCheck {
public:
    // Whether 'bytes' read as a settings file: UTF-8 text of groups, "key=value" lines and
    // comments.
    static bool LooksLikeSettings(const std::string& bytes);
    // False (after a line naming the reason) when the file must not be used: another user's, or
    // in a folder another user lets others write. A damaged file is set aside; a file or folder
    // of the user's that others may write is made the owner's alone.
    static bool Prepare(const wxString& path);
    // The save's temporary files ("<name>XXXXXX") left by a process that was killed while
    // saving. Only the holder of the instance lock may call it.
    static void RemoveLeftovers(const wxString& path);
};
