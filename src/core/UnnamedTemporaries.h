#pragma once
// Whether files are written through temporaries that have no name until complete, where the
// file system allows. RIMVISTA_NAMED_TEMPORARIES=1 in the environment turns them off, so that
// the named fallback can be exercised where unnamed ones work.

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <string_view>

namespace rimvista {

inline bool unnamedTemporariesAllowed() {
    static const bool allowed = [] {
        const char* value = std::getenv("RIMVISTA_NAMED_TEMPORARIES");
        return !(value && std::string_view(value) == "1");
    }();
    return allowed;
}

// Gives the unnamed file open as fd the name `name`; false with errno set when it cannot.
// Through /proc first: linking a descriptor directly needs a privilege users lack.
inline bool linkUnnamed(int fd, const std::string& name) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ||
           ::linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0;
}

}  // namespace rimvista
