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

// Only warnings that pixels were made up fail the picture. The end of the file is one only
// once a row needs data past it: the source then puts in an end marker, and the decoder warns
// that the data stopped short (JWRN_HIT_MARKER). Stray bytes are harmless between segments,
// not before a restart or the end marker, where they are coded data that could not be used.
void warn(j_common_ptr common, int level) {
    if (level != -1) return;
    const int code = common->err->msg_code;
    if (code == JWRN_JPEG_EOF) return;
    if (code == JWRN_EXTRANEOUS_DATA) {
        const int marker = common->err->msg_parm.i[1];
        if (marker < 0xD0 || marker > 0xD9) return;
    }
    fail(common);
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
