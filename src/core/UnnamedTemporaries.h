#pragma once
// Whether files are written through temporaries that have no name until complete, where the
// file system allows. RIMVISTA_NAMED_TEMPORARIES=1 in the environment turns them off, so that
// the named fallback can be exercised where unnamed ones work.

#include <cstdlib>
#include <string_view>

namespace rimvista {

inline bool unnamedTemporariesAllowed() {
    static const bool allowed = [] {
        const char* value = std::getenv("RIMVISTA_NAMED_TEMPORARIES");
        return !(value && std::string_view(value) == "1");
    }();
    return allowed;
}

}  // namespace rimvista
