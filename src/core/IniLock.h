#pragma once
// The lock that keeps two running copies of the program (windows, the batch tool) from changing
// one settings file at once. It is kept where users do not see it: a file in the user's runtime
// folder ($XDG_RUNTIME_DIR, else /run/user/UID), named from the identity of the settings file's
// place (its folder's device and inode, and its name), so that every spelling of the path shares
// one lock, and replacing the file by a rename keeps it. Without a usable runtime folder the
// settings file's folder itself carries the lock.

#include <chrono>
#include <string>

#include "core/Error.h"

namespace rimvista::ini {

class SettingsLock {
public:
    // Waits up to `patience` for the lock on the settings file at `target` (its path after
    // symbolic links). SettingsBusy when another copy held it all that time.
    static Result<SettingsLock> acquire(const std::string& target,
                                        std::chrono::milliseconds patience);

    SettingsLock(SettingsLock&& other) noexcept;
    SettingsLock& operator=(SettingsLock&& other) noexcept;
    SettingsLock(const SettingsLock&) = delete;
    SettingsLock& operator=(const SettingsLock&) = delete;
    ~SettingsLock();  // releases the lock

private:
    explicit SettingsLock(int fd) : m_fd(fd) {}
    int m_fd = -1;
};

// The lock file for the settings file at `target`, or "" when its folder carries the lock (no
// usable runtime folder) or the folder does not exist.
std::string lockFileFor(const std::string& target);

}  // namespace rimvista::ini
