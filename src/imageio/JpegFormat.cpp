// The registry's JPEG entry.
#include <algorithm>
#include <vector>

#include "imageio/ExifOrientation.h"
#include "imageio/FormatEntries.h"
#include "imageio/JpegReader.h"
#include "imageio/JpegSegments.h"
#include "imageio/PictureWriter.h"

namespace rimvista::files {

namespace {

// Metadata segments sit before the picture data; this much holds them in nearly every file.
constexpr std::size_t kHeadWindow = std::size_t{1} << 20;

int be16(const std::uint8_t* p) {
    return (p[0] << 8) | p[1];
}

bool sniff(const std::uint8_t* head, std::size_t size) {
    return size >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF;
}

// Reads segment heads only, and the Exif segment's body, never the picture data.
Result<PictureHeader> probe(const InputFile& file) {
    PictureHeader header;
    header.format = FormatId::Jpeg;
    bool sized = false, oriented = false;
    std::vector<std::uint8_t> body;
    const auto read = [&](std::uint64_t at, std::uint8_t* out, std::size_t n) {
        return file.readAt(at, out, n).ok();
    };
    walkJpegSegments(file.size(), read, [&](const JpegSegment& s) {
        if (isStartOfFrame(s.marker) && !sized && s.bodySize >= 5) {
            std::uint8_t frame[5];
            if (!read(s.bodyAt, frame, sizeof frame)) return false;
            header.height = be16(frame + 1);
            header.width = be16(frame + 3);
            sized = true;
        } else if (s.marker == kJpegApp1 && !oriented && s.bodySize >= 6) {
            body.resize(s.bodySize);
            if (!read(s.bodyAt, body.data(), body.size())) return false;
            if (segmentStartsWith(body.data(), body.size(), "Exif\0", 6)) {
                header.orientation = exifOrientationInTiff(body.data() + 6, body.size() - 6);
                oriented = true;
            }
        }
        return true;
    });
    if (!sized) return Error::of(ErrorKind::DamagedData).naming({formatName(FormatId::Jpeg)});
    if (header.width <= 0 || header.height <= 0)
        return Error::of(ErrorKind::InvalidPictureSize).with(header.width, header.height);
    return header;
}

// The whole file is held while decoding, and a turned copy while turning.
std::uint64_t readCost(const PictureHeader& h) {
    const std::uint64_t picture = pictureBytes(h.width, h.height);
    return costPlus(costPlus(picture, h.fileSize), h.orientation >= 5 ? picture : 0);
}

// The encoder's output stays in memory until written; at the qualities used it rarely passes
// 1.5 bytes a pixel.
std::uint64_t writeCost(int width, int height) {
    const std::uint64_t picture = pictureBytes(width, height);
    return costPlus(picture, picture / 4 * 3 / 2);
}

LoadResult read(const InputFile& file, const std::string&, PictureExtras* extras) {
    // The picture's own claim is checked by the reader; the file itself must fit first.
    if (file.size() > availableMemory())
        return Error::of(ErrorKind::FileBeyondMemory).with(megabytesOf(file.size()));
    auto bytes = PageBuffer::tryCreate(file.size());
    if (!bytes) return Error::of(ErrorKind::OutOfMemory);
    if (auto done = file.readAt(0, bytes->data(), bytes->size()); !done) return done.error();
    return readJpeg(bytes->data(), bytes->size(), extras);
}

Result<PictureFacts> readFacts(const InputFile& file) {
    std::vector<std::uint8_t> head(
        static_cast<std::size_t>(std::min<std::uint64_t>(file.size(), kHeadWindow)));
    if (!file.readAt(0, head.data(), head.size())) return PictureFacts{};
    JpegFacts facts = readJpegFacts(head.data(), head.size());
    if (!facts.complete && head.size() < file.size()) {  // a large profile: read it all
        head.resize(static_cast<std::size_t>(file.size()));
        if (file.readAt(0, head.data(), head.size()))
            facts = readJpegFacts(head.data(), head.size());
    }
    return PictureFacts{std::move(facts.metadata), facts.quality, facts.sampling,
                        facts.sampling == ChromaSampling::Grey, facts.orientation};
}

Result<void> write(const PixelSurface& picture, const std::string& path, const Encoding& e) {
    if (!e.extras) return saveJpeg(picture, path, e.quality);
    return saveJpegWith(picture, path, e.quality, e.sampling, e.extras->metadata);
}

Opened<RowWriter> openWriter(const std::string& path, int width, int height, const Encoding& e) {
    return openJpegRowWriter(path, width, height, e.quality, e.sampling, metadataOf(e));
}

}  // namespace

const PictureFormat& jpegFormat() {
    static const PictureFormat format{
        .id = FormatId::Jpeg,
        .name = "JPEG",
        .mimeType = "image/jpeg",
        .extensions = {"jpg", "jpeg"},
        .aliases = {"jpe"},
        .carries = {.profile = true, .exif = true, .xmp = true, .comments = true, .density = true},
        .sniff = sniff,
        .probe = probe,
        .readCost = readCost,
        .writeCost = writeCost,
        .rowReadCost = rowCodecCost,
        .rowWriteCost = rowCodecCost,
        .read = read,
        .readFacts = readFacts,
        .write = write,
        .openRowReader = openJpegRowReader,
        .openRowWriter = openWriter,
    };
    return format;
}

}  // namespace rimvista::files
