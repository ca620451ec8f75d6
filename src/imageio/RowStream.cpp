#include "imageio/RowStream.h"

#include "imageio/PngFile.h"

namespace rimvista::files {

Opened<RowReader> openRowReader(const std::string& path) {
    auto file = std::make_unique<InputFile>();
    if (auto error = file->open(path)) return Opened<RowReader>::failure(*error);
    std::uint8_t magic[8] = {};
    const std::size_t n = file->size() < 8 ? static_cast<std::size_t>(file->size()) : 8;
    if (auto error = file->readAt(0, magic, n)) return Opened<RowReader>::failure(*error);
    if (n >= 2 && magic[0] == 'B' && magic[1] == 'M') return openBmpRowReader(std::move(file));
    if (n >= 3 && magic[0] == 0xFF && magic[1] == 0xD8 && magic[2] == 0xFF)
        return openJpegRowReader(std::move(file));
    if (isPng(magic, n)) return openPngRowReader(std::move(file));
    return Opened<RowReader>::notStreamable("この形式は行ごとに読めません");
}

}  // namespace rimvista::files
