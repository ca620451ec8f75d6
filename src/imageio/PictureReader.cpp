#include "imageio/PictureReader.h"

#include <exception>
#include <new>

#include "imageio/FormatRegistry.h"

namespace rimvista::files {

namespace {

LoadResult loadByContents(const std::string& path, PictureExtras* extras) {
    InputFile file;
    if (auto opened = file.open(path); !opened) return opened.error();
    const auto format = formatOfFile(file);
    if (!format) return format.error();
    return (*format)->read(file, path, extras);
}

}  // namespace

LoadResult loadPicture(const std::string& path, PictureExtras* extras) {
    try {
        return loadByContents(path, extras);
    } catch (const std::bad_alloc&) {
        return Error::of(ErrorKind::OutOfMemory);
    } catch (const std::exception& e) {
        return Error::of(ErrorKind::Unexpected).saying(e.what());
    }
}

}  // namespace rimvista::files
