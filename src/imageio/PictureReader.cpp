#include "imageio/PictureReader.h"

#include <exception>
#include <new>

#include "imageio/BmpReader.h"
#include "imageio/CodecSupport.h"
#include "imageio/JpegReader.h"
#include "imageio/QtPictureReader.h"

namespace rimvista::files {

namespace {

LoadResult loadJpeg(const InputFile& file, const std::string& path) {
    // The whole file is held while decoding; the picture's own claim is checked by the reader.
    if (file.size() > availableMemory())
        return LoadResult::failure("メモリが足りません (" +
                                   std::to_string((file.size() >> 20) + 1) + " MB のファイル)");
    auto bytes = PageBuffer::tryCreate(file.size());
    if (!bytes) return LoadResult::failure("メモリが足りません");
    if (auto error = file.readAt(0, bytes->data(), bytes->size()))
        return LoadResult::failure(*error);
    if (auto result = readJpeg(bytes->data(), bytes->size())) return std::move(*result);
    return readWithQt(path, "jpeg");
}

LoadResult loadByContents(const std::string& path) {
    InputFile file;
    if (auto error = file.open(path)) return LoadResult::failure(*error);
    std::uint8_t magic[3] = {};
    const std::size_t n = file.size() < 3 ? static_cast<std::size_t>(file.size()) : 3;
    if (auto error = file.readAt(0, magic, n)) return LoadResult::failure(*error);
    if (n >= 2 && magic[0] == 'B' && magic[1] == 'M') {
        if (auto result = readBmp(file)) return std::move(*result);
        return readWithQt(path, "bmp");
    }
    if (n == 3 && magic[0] == 0xFF && magic[1] == 0xD8 && magic[2] == 0xFF)
        return loadJpeg(file, path);
    return readWithQt(path, nullptr);
}

}  // namespace

LoadResult loadPicture(const std::string& path) {
    try {
        return loadByContents(path);
    } catch (const std::bad_alloc&) {
        return LoadResult::failure("メモリが足りません");
    } catch (const std::exception& e) {
        return LoadResult::failure(std::string("ファイルを読み込めません: ") + e.what());
    }
}

}  // namespace rimvista::files
