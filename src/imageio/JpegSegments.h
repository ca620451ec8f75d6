#pragma once
// The one walk over a JPEG file's segments, for everything that reads them (the Exif
// orientation, the metadata, the header probe, the Adobe colour transform). Markers without a
// length (TEM, RST0..7, SOI) are stepped over, as are fill bytes (0xFF) before a marker; the
// walk ends at the first scan or at the end of the image.

#include <cstddef>
#include <cstdint>
#include <functional>

namespace rimvista::files {

struct JpegSegment {
    std::uint8_t marker = 0;
    std::uint64_t bodyAt = 0;  // file offset of the body, after the two length bytes
    std::size_t bodySize = 0;  // the length field less its own two bytes
};

enum class JpegWalkEnd {
    Scan,        // reached the first start of scan (visited, like any segment)
    EndOfImage,  // reached EOI before any scan
    Stopped,     // the visitor asked to stop
    CutShort,    // the file ends inside a segment or before any scan
    Damaged,     // not a JPEG file, a segment length below 2, or no marker where one belongs
};

// Reads size bytes at offset into out; false when it cannot.
using JpegByteSource = std::function<bool(std::uint64_t offset, std::uint8_t* out, std::size_t)>;
// Returns false to end the walk.
using JpegSegmentVisitor = std::function<bool(const JpegSegment&)>;

// From the start of a file of fileSize bytes read through read, reading segment heads only.
JpegWalkEnd walkJpegSegments(std::uint64_t fileSize, const JpegByteSource& read,
                             const JpegSegmentVisitor& visit);
// The same over bytes in memory; a segment's body is then data + bodyAt.
JpegWalkEnd walkJpegSegments(const std::uint8_t* data, std::size_t size,
                             const JpegSegmentVisitor& visit);

// SOF0..SOF15, the frame headers that give the picture's size (not DHT, JPG or DAC).
bool isStartOfFrame(std::uint8_t marker);

inline constexpr std::uint8_t kJpegApp1 = 0xE1, kJpegApp2 = 0xE2, kJpegApp14 = 0xEE;
inline constexpr std::uint8_t kJpegStartOfScan = 0xDA, kJpegComment = 0xFE;

// True when a segment body starts with id (idSize bytes, a terminating NUL counted if wanted).
bool segmentStartsWith(const std::uint8_t* body, std::size_t bodySize, const char* id,
                       std::size_t idSize);

}  // namespace rimvista::files
