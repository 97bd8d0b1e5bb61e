#include "InstanceLock.h"

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
    const int fd = ::open(LockPathFor(settingsPath).fn_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
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
