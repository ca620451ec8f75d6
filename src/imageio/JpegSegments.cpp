#include "imageio/JpegSegments.h"

#include <cstring>

namespace rimvista::files {

namespace {

constexpr std::uint8_t kTem = 0x01, kRst0 = 0xD0, kSoi = 0xD8, kEoi = 0xD9;

bool hasNoLength(std::uint8_t marker) {
    return marker == kTem || (marker >= kRst0 && marker <= kSoi);
}

}  // namespace

bool isStartOfFrame(std::uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

bool segmentStartsWith(const std::uint8_t* body, std::size_t bodySize, const char* id,
                       std::size_t idSize) {
    return bodySize >= idSize && std::memcmp(body, id, idSize) == 0;
}

JpegWalkEnd walkJpegSegments(std::uint64_t fileSize, const JpegByteSource& read,
                             const JpegSegmentVisitor& visit) {
    std::uint8_t head[4];
    if (fileSize < 2 || !read(0, head, 2) || head[0] != 0xFF || head[1] != kSoi)
        return JpegWalkEnd::Damaged;
    std::uint64_t at = 2;
    while (fileSize - at >= 2) {
        if (!read(at, head, 2) || head[0] != 0xFF) return JpegWalkEnd::Damaged;
        const std::uint8_t marker = head[1];
        if (marker == 0xFF) {  // a fill byte before the marker
            at += 1;
            continue;
        }
        if (hasNoLength(marker)) {
            at += 2;
            continue;
        }
        if (marker == kEoi) return JpegWalkEnd::EndOfImage;
        if (fileSize - at < 4) return JpegWalkEnd::CutShort;
        if (!read(at + 2, head + 2, 2)) return JpegWalkEnd::Damaged;
        const std::uint64_t length = (std::uint64_t{head[2]} << 8) | head[3];
        if (length < 2) return JpegWalkEnd::Damaged;
        if (length > fileSize - at - 2) return JpegWalkEnd::CutShort;
        const JpegSegment segment{marker, at + 4, static_cast<std::size_t>(length - 2)};
        if (!visit(segment)) return JpegWalkEnd::Stopped;
        if (marker == kJpegStartOfScan) return JpegWalkEnd::Scan;
        at += 2 + length;
    }
    return JpegWalkEnd::CutShort;
}

JpegWalkEnd walkJpegSegments(const std::uint8_t* data, std::size_t size,
                             const JpegSegmentVisitor& visit) {
    const auto read = [data, size](std::uint64_t offset, std::uint8_t* out, std::size_t n) {
        if (offset > size || n > size - offset) return false;
        std::memcpy(out, data + offset, n);
        return true;
    };
    return walkJpegSegments(size, read, visit);
}

}  // namespace rimvista::files
