#pragma once

#include <sys/types.h>

#include <string>

#include <wx/string.h>

// One running host per settings file: a lock beside the file, held while the process lives
// (the system lets go of it when the process ends, however it ends), holding the owner's
// process id so that a second start can ask the first to show itself.
class InstanceLock {
public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // True when this process now holds the lock for the settings file at 'settingsPath'.
    // Otherwise the holder's process id is in Holder() (0 when it could not be read).
    bool Acquire(const wxString& settingsPath);
    pid_t Holder() const { return m_holder; }

    static wxString LockPathFor(const wxString& settingsPath);

    // The desktop's permission for the holder to take the focus (a Wayland activation token or
    // an X11 startup id), handed from a second start to the holder through a file beside the
    // lock that only the owner reads. Take() reads it once and removes it ("" when none).
    static void PassActivation(const wxString& settingsPath, const std::string& token);
    static std::string TakeActivation(const wxString& settingsPath);

private:
    int m_fd = -1;
    pid_t m_holder = 0;
};
