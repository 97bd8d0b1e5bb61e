#include "InstanceLock.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {
// The holder writes its id right after it takes the lock: a second start reading in between
// tries again this many times.
constexpr int kReadAttempts = 20;
constexpr useconds_t kReadPauseUs = 25 * 1000;

pid_t ReadPid(int fd)
{
    char text[32] = {};
    const ssize_t length = ::pread(fd, text, sizeof text - 1, 0);
    if (length <= 0)
        return 0;
    const long pid = std::strtol(text, nullptr, 10);
    return pid > 0 ? static_cast<pid_t>(pid) : 0;
}
} // namespace

InstanceLock::~InstanceLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

wxString InstanceLock::LockPathFor(const wxString& settingsPath)
{
    return settingsPath + ".lock";
}

bool InstanceLock::Acquire(const wxString& settingsPath)
{
    // Not inherited: the host's restart after an update takes the lock anew.
    // Never through a link planted in its place, whose target would be truncated: it goes.
    const wxString path = LockPathFor(settingsPath);
    int fd = ::open(path.fn_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0 && errno == ELOOP) {
        std::fprintf(stderr, "sorvik: the lock %s was a symbolic link: replaced\n",
                     static_cast<const char*>(path.utf8_str()));
        ::unlink(path.fn_str());
        fd = ::open(path.fn_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    }
    if (fd < 0)
        return true; // no place for a lock: run, as before locks existed
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        const std::string pid = std::to_string(::getpid()) + "\n";
        if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, pid.data(), pid.size(), 0) < 0) {
            // The lock holds all the same; a second start just cannot name this process.
        }
        m_fd = fd;
        return true;
    }
    for (int attempt = 0; attempt < kReadAttempts && (m_holder = ReadPid(fd)) == 0; ++attempt)
        ::usleep(kReadPauseUs);
    ::close(fd);
    return false;
}

namespace {
wxString ActivationPathFor(const wxString& settingsPath)
{
    return InstanceLock::LockPathFor(settingsPath) + ".activation";
}
constexpr size_t kMaxTokenLength = 512;
} // namespace

void InstanceLock::PassActivation(const wxString& settingsPath, const std::string& token)
{
    if (token.empty() || token.size() > kMaxTokenLength)
        return;
    // Never through a planted link: the file is made anew by its owner.
    const wxString path = ActivationPathFor(settingsPath);
    ::unlink(path.fn_str());
    const int fd = ::open(path.fn_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    const ssize_t written = ::write(fd, token.data(), token.size());
    ::close(fd);
    if (written != static_cast<ssize_t>(token.size()))
        ::unlink(path.fn_str());
}

std::string InstanceLock::TakeActivation(const wxString& settingsPath)
{
    const wxString path = ActivationPathFor(settingsPath);
    const int fd = ::open(path.fn_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return std::string();
    char buffer[kMaxTokenLength + 1];
    const ssize_t length = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    ::unlink(path.fn_str());
    if (length <= 0 || static_cast<size_t>(length) > kMaxTokenLength)
        return std::string();
    std::string token(buffer, static_cast<size_t>(length));
    // A token is printable text; anything else is not passed on to the toolkit.
    for (const char c : token)
        if (c <= ' ' || c > '~')
            return std::string();
    return token;
}
