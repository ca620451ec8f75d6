#include "imageio/FormatRegistry.h"

#include <algorithm>
#include <array>

#include "imageio/FormatEntries.h"

namespace rimvista::files {

namespace {

const std::array<const PictureFormat*, 3>& table() {
    // In FormatId order.
    static const std::array<const PictureFormat*, 3> formats = {&jpegFormat(), &pngFormat(),
                                                                &bmpFormat()};
    return formats;
}

bool names(const PictureFormat& format, std::string_view extension) {
    const auto is = [&](std::string_view e) { return e == extension; };
    return std::any_of(format.extensions.begin(), format.extensions.end(), is) ||
           std::any_of(format.aliases.begin(), format.aliases.end(), is);
}

}  // namespace

std::span<const PictureFormat* const> pictureFormats() {
    return table();
}

const PictureFormat& pictureFormat(FormatId id) {
    return *table()[static_cast<std::size_t>(id)];
}

std::string formatName(FormatId id) {
    return std::string(pictureFormat(id).name);
}

const PictureFormat* formatOfContents(const std::uint8_t* head, std::size_t size) {
    for (const PictureFormat* format : table())
        if (format->sniff(head, size)) return format;
    return nullptr;
}

Result<const PictureFormat*> formatOfFile(const InputFile& file) {
    std::uint8_t head[kSniffBytes] = {};
    const auto n = file.readHead(head, sizeof head);
    if (!n) return n.error();
    if (const PictureFormat* format = formatOfContents(head, *n)) return format;
    return Error::of(ErrorKind::UnknownFormat);
}

const PictureFormat* formatCalled(std::string_view extension) {
    const std::string lower = lowerAscii(extension);
    for (const PictureFormat* format : table())
        if (names(*format, lower)) return format;
    return nullptr;
}

const PictureFormat* formatOfName(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    // A leading dot makes a hidden name, not an extension (".jpg" alone names no format).
    if (dot == std::string_view::npos || dot == 0) return nullptr;
    return formatCalled(name.substr(dot + 1));
}

Result<PictureHeader> probePicture(const std::string& path) {
    InputFile file;
    if (auto opened = file.open(path); !opened) return opened.error();
    const auto format = formatOfFile(file);
    if (!format) return format.error();
    auto header = (*format)->probe(file);
    if (header) header->fileSize = file.size();
    return header;
}

std::uint64_t wholeMemoryCost(const PictureHeader& header, FormatId output) {
    const std::uint64_t reading = pictureFormat(header.format).readCost(header);
    const std::uint64_t writing = pictureFormat(output).writeCost(header.width, header.height);
    return std::max(reading, writing);
}

std::string lowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

const PictureMetadata* metadataOf(const Encoding& encoding) {
    return encoding.extras ? &encoding.extras->metadata : nullptr;
}

std::uint64_t pictureBytes(int width, int height) {
    return std::uint64_t(std::max(width, 0)) * std::uint64_t(std::max(height, 0)) * 4;
}

std::uint64_t costPlus(std::uint64_t a, std::uint64_t b) {
    std::uint64_t sum = 0;
    return __builtin_add_overflow(a, b, &sum) ? UINT64_MAX : sum;
}

std::uint64_t costTimes(std::uint64_t a, std::uint64_t b) {
    std::uint64_t product = 0;
    return __builtin_mul_overflow(a, b, &product) ? UINT64_MAX : product;
}

std::uint64_t rowCodecCost(int width) {
    return std::uint64_t(std::max(width, 1)) * 4 * 32 + (std::uint64_t{1} << 19);
}

}  // namespace rimvista::files
