#include "app/DataFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include <glib.h>
#include <wx/filename.h>
#include <wx/log.h>

wxString DataFiles::Folder()
{
    const wxString folder = wxString::FromUTF8(g_get_user_data_dir()) + "/sorvik-statuscope";
    if (!wxFileName::DirExists(folder)) {
        wxLogNull quiet;
        if (!wxFileName::Mkdir(folder, 0700, wxPATH_MKDIR_FULL))
            return wxString();
    }
    return folder;
}

wxString DataFiles::Read(const wxString& name, size_t limit)
{
    const wxString folder = Folder();
    if (folder.empty())
        return wxString();
    const int fd = ::open((folder + "/" + name).fn_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return wxString();
    std::string bytes;
    char buffer[16384];
    ssize_t got = 0;
    while ((got = ::read(fd, buffer, sizeof buffer)) > 0 && bytes.size() <= limit)
        bytes.append(buffer, static_cast<size_t>(got));
    ::close(fd);
    if (got < 0 || bytes.size() > limit)
        return wxString();
    return wxString::FromUTF8(bytes.data(), bytes.size());
}

bool DataFiles::Write(const wxString& name, const wxString& text)
{
    const wxString folder = Folder();
    if (folder.empty())
        return false;
    const wxString path = folder + "/" + name;
    const wxString temporary = path + ".new";
    ::unlink(temporary.fn_str());
    const int fd = ::open(temporary.fn_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const wxScopedCharBuffer bytes = text.utf8_str();
    const bool written = ::write(fd, bytes.data(), bytes.length()) == static_cast<ssize_t>(bytes.length());
    // A crash leaves the old file or the new one, never half of one.
    if (::close(fd) != 0 || !written || ::rename(temporary.fn_str(), path.fn_str()) != 0) {
        ::unlink(temporary.fn_str());
        return false;
    }
    return true;
}
