#pragma once
// What the JPEG row reader and writer share: the library's error handling turned into a
// message and a jump back to the call that started the work.

// jpeglib.h needs size_t and FILE declared before it, and jerror.h needs jpeglib.h.
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <string>

// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

namespace rimvista::files {

struct JpegErrors {
    jpeg_error_mgr manager{};
    std::jmp_buf jump{};
    std::string message;

    // Fatal errors jump back; warnings that pixels were made up are fatal too (a damaged file
    // is a failure, not a garbled picture), as in the whole-picture reader.
    // The manager to put in a compress or decompress struct's err before it is created.
    jpeg_error_mgr* install();
    // Where the struct's err leads back to.
    static JpegErrors& of(j_common_ptr common);
};

}  // namespace rimvista::files
