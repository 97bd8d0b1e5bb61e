#include "SettingsFileCheck.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <wx/filename.h>

namespace {

constexpr size_t kMaxSettingsBytes = 4u * 1024u * 1024u;

void Say(const wxString& message)
{
    std::fprintf(stderr, "sorvik: %s\n", static_cast<const char*>(message.utf8_str()));
}

std::string Trimmed(const std::string& line)
{
    const size_t begin = line.find_first_not_of(" \t\r");
    if (begin == std::string::npos)
        return std::string();
    return line.substr(begin, line.find_last_not_of(" \t\r") - begin + 1);
}

} // namespace

bool SettingsFileCheck::LooksLikeSettings(const std::string& bytes)
{
    if (bytes.find('\0') != std::string::npos)
        return false;
    if (!bytes.empty() && wxString::FromUTF8(bytes.data(), bytes.size()).empty())
        return false; // not UTF-8
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        const std::string line = Trimmed(bytes.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == '#' || line[0] == ';')
            continue;
        if (line[0] == '[' && line.find(']') != std::string::npos)
            continue;
        const size_t equals = line.find('=');
        if (equals == std::string::npos || equals == 0)
            return false;
    }
    return true;
}

bool SettingsFileCheck::Prepare(const wxString& path)
{
    // Whoever may write the folder may replace the file: tightened when it is the user's own,
    // refused when it is another's (a shared folder with the sticky bit, as /tmp, is safe).
    const wxString folder = wxFileName(path).GetPath();
    struct stat place {};
    if (::stat(folder.fn_str(), &place) == 0 && (place.st_mode & (S_IWGRP | S_IWOTH)) &&
        !(place.st_mode & S_ISVTX)) {
        if (place.st_uid != ::getuid() && place.st_uid != 0) {
            Say("the settings folder " + folder + " belongs to another user who lets others change it: refused");
            return false;
        }
        if (place.st_uid == ::getuid() && ::chmod(folder.fn_str(), place.st_mode & 07755 & ~(S_IWGRP | S_IWOTH)) == 0)
            Say("the settings folder " + folder + " could be changed by others: now only you can change it");
    }
    struct stat info {};
    if (::lstat(path.fn_str(), &info) != 0)
        return true; // none yet: made by the first save
    if (!S_ISREG(info.st_mode)) {
        Say("the settings file " + path + " is not a regular file: refused");
        return false;
    }
    if (info.st_uid != ::getuid()) {
        Say("the settings file " + path + " belongs to another user: refused");
        return false;
    }
    if (info.st_mode & (S_IRWXG | S_IRWXO)) {
        // Holds the account: its owner alone reads and writes it.
        if (info.st_mode & (S_IWGRP | S_IWOTH))
            Say("the settings file " + path + " could be changed by others: now only yours");
        ::chmod(path.fn_str(), S_IRUSR | S_IWUSR);
    }
    const int fd = ::open(path.fn_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return true; // the path check said why already
    std::string bytes;
    char piece[16384];
    ssize_t got = 0;
    while ((got = ::read(fd, piece, sizeof piece)) > 0 && bytes.size() <= kMaxSettingsBytes)
        bytes.append(piece, static_cast<size_t>(got));
    ::close(fd);
    if (bytes.size() <= kMaxSettingsBytes && LooksLikeSettings(bytes))
        return true;
    const wxString aside = path + ".damaged";
    if (::rename(path.fn_str(), aside.fn_str()) != 0) {
        Say("the settings file " + path + " is damaged and cannot be set aside: " + std::strerror(errno));
        return false;
    }
    Say("the settings file " + path + " is damaged: kept as " + aside + ", starting with the defaults");
    return true;
}

void SettingsFileCheck::RemoveLeftovers(const wxString& path)
{
    const wxFileName name(path);
    const std::string base = name.GetFullName().ToStdString();
    DIR* folder = ::opendir(name.GetPath().fn_str());
    if (!folder)
        return;
    while (const dirent* entry = ::readdir(folder)) {
        const std::string file = entry->d_name;
        // wxTempFile's names: the file's own name and six letters or digits.
        if (file.size() != base.size() + 6 || file.compare(0, base.size(), base) != 0)
            continue;
        bool random = true;
        for (size_t i = base.size(); i < file.size(); ++i)
            random = random && std::isalnum(static_cast<unsigned char>(file[i]));
        struct stat info {};
        const std::string full = name.GetPath().ToStdString() + "/" + file;
        if (random && ::lstat(full.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::getuid())
            ::unlink(full.c_str());
    }
    ::closedir(folder);
}
