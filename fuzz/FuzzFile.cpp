#include <sys/mman.h>
#include <unistd.h>

#include <string>

#include "FuzzTarget.h"

namespace rimvista::fuzz {

const char* asFile(const std::uint8_t* data, std::size_t size) {
    thread_local const int fd = ::memfd_create("rimvista-fuzz", MFD_CLOEXEC);
    thread_local const std::string path = "/proc/self/fd/" + std::to_string(fd);
    FUZZ_CHECK(fd >= 0);
    FUZZ_CHECK(::ftruncate(fd, 0) == 0);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        FUZZ_CHECK(n > 0);
        done += static_cast<std::size_t>(n);
    }
    return path.c_str();
}

}  // namespace rimvista::fuzz
