#include "imageio/JpegStream.h"

namespace rimvista::files {

namespace {

[[noreturn]] void fail(j_common_ptr common) {
    char text[JMSG_LENGTH_MAX];
    common->err->format_message(common, text);
    JpegErrors& errors = JpegErrors::of(common);
    errors.message = text;
    std::longjmp(errors.jump, 1);
}

void warn(j_common_ptr common, int level) {
    if (level == -1 && common->err->msg_code != JWRN_EXTRANEOUS_DATA) fail(common);
}

}  // namespace

jpeg_error_mgr* JpegErrors::install() {
    jpeg_std_error(&manager);
    manager.error_exit = fail;
    manager.emit_message = warn;
    return &manager;
}

JpegErrors& JpegErrors::of(j_common_ptr common) {
    // manager is the first member, and the library hands back the pointer it was given.
    return *reinterpret_cast<JpegErrors*>(common->err);
}

}  // namespace rimvista::files
