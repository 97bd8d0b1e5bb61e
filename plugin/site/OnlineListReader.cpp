#include "site/OnlineListReader.h"

#include "model/UserStatus.h"
#include "site/LineSource.h"

OnlineListReader::OnlineListReader()
    : m_viewers("([[:alnum:]_]+).viewers = ([[:digit:]]+)", wxRE_EXTENDED),
      m_status("([[:alpha:]]+)_performers.add\\(([[:alnum:]_]+)\\)", wxRE_EXTENDED)
{
}

unsigned long OnlineListReader::ApplyStatusWord(unsigned long f, const wxString& word)
{
    if (word == "online")
        return f | STATUS_ONLINE;
    if (word == "free")
        return (f & ~(STATUS_BUSY | STATUS_PUBLIC | STATUS_PRIVATE)) | STATUS_ONLINE | STATUS_FREE;
    if (word == "busy") {
        // A private show stays private; a bare "busy" means a public one.
        unsigned long next = (f & ~STATUS_FREE) | STATUS_ONLINE | STATUS_BUSY;
        if ((f & STATUS_PRIVATE) == 0)
            next |= STATUS_PUBLIC;
        return next;
    }
    if (word == "public")
        return (f & ~(STATUS_FREE | STATUS_PRIVATE)) | STATUS_ONLINE | STATUS_BUSY | STATUS_PUBLIC;
    if (word == "private")
        return (f & ~(STATUS_FREE | STATUS_PUBLIC)) | STATUS_ONLINE | STATUS_BUSY | STATUS_PRIVATE;
    return f;
}

bool OnlineListReader::Read(LineSource& source, UserList& list, const StoredHook& stored)
{
    bool pending = false;
    wxString pendingName;
    unsigned long f = 0;
    wxString line;

    for (;;) {
        const bool haveLine = source.ReadLine(line);
        // The piece after which the data ends is never examined.
        // The literal parts of each expression are looked for first: most lines have neither.
        const bool startsRecord =
            haveLine && line.find("viewers = ") != wxString::npos && m_viewers.Matches(line);
        if (!haveLine || startsRecord) {
            if (pending) {
                list.AddUser(User(pendingName, f));
                pending = false;
                f = 0;
                if (stored && !stored())
                    return false;
            }
            if (!haveLine)
                return true;
            // Group 2, the viewer count, is not kept.
            pendingName = m_viewers.GetMatch(line, 1);
            pending = true;
        } else if (line.find("_performers") != wxString::npos && m_status.Matches(line)) {
            // The word applies to the latest viewers line, whatever name the line carries.
            f = ApplyStatusWord(f, m_status.GetMatch(line, 1));
        }
    }
}
