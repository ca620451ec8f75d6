#include "imageio/RowStream.h"

#include "imageio/FormatRegistry.h"

namespace rimvista::files {

Opened<RowReader> openRowReader(const std::string& path) {
    auto file = std::make_unique<InputFile>();
    if (auto opened = file->open(path); !opened) return opened.error();
    // Contents of no known format are left to the whole-picture path too, which words the refusal.
    const auto format = formatOfFile(*file);
    if (!format && format.error().kind != ErrorKind::UnknownFormat) return format.error();
    if (!format || !(*format)->streamsIn()) return Error::of(ErrorKind::NotStreamable);
    return (*format)->openRowReader(std::move(file));
}

}  // namespace rimvista::files
