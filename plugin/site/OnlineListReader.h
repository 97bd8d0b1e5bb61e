#pragma once

#include <functional>

#include <wx/regex.h>
#include <wx/string.h>

#include "model/UserList.h"

class LineSource;

// Reads the site's online performers script: a viewers line starts a performer's record, the
// status lines that follow shape its status word.
class OnlineListReader {
public:
    // Called after each performer is stored; returning false abandons the read.
    using StoredHook = std::function<bool()>;

    OnlineListReader();

    // False when the hook abandoned the read; 'list' then holds what was stored so far.
    bool Read(LineSource& source, UserList& list, const StoredHook& stored = {});

    // The status word 'status' becomes after a status line naming 'word'.
    static unsigned long ApplyStatusWord(unsigned long status, const wxString& word);

private:
    wxRegEx m_viewers;
    wxRegEx m_status;
};
