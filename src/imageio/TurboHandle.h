#pragma once
// A TurboJPEG handle per thread: creating one costs more than coding a small picture, and a
// handle must not be shared between threads. After a failure the caller releases it and the
// next use makes a fresh one, because the library can leave half-read state behind that spoils
// the next file ("two SOI markers").

#include <turbojpeg.h>

namespace rimvista::files {

template <tjhandle (*Init)()>
class TurboHandle {
public:
    TurboHandle() : m_handle(Init()) {}
    ~TurboHandle() { release(); }
    TurboHandle(const TurboHandle&) = delete;
    TurboHandle& operator=(const TurboHandle&) = delete;

    tjhandle get() {
        if (!m_handle) m_handle = Init();
        return m_handle;
    }
    void release() {
        if (m_handle) tjDestroy(m_handle);
        m_handle = nullptr;
    }

    static TurboHandle& forThisThread() {
        thread_local TurboHandle handle;
        return handle;
    }

private:
    tjhandle m_handle;
};

using Decompressor = TurboHandle<tjInitDecompress>;
using Compressor = TurboHandle<tjInitCompress>;

}  // namespace rimvista::files
