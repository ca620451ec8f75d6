#include "imageio/JpegMetadata.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <map>

#include "imageio/ExifOrientation.h"
#include "imageio/JpegSegments.h"

namespace rimvista::files {

namespace {

constexpr std::array<int, 64> kNaturalOrder = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// The example tables of the JPEG standard, which encoders scale by their quality setting.
constexpr std::array<int, 64> kLuminance = {
    16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
    14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
    18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
constexpr std::array<int, 64> kChrominance = {
    17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99, 24, 26, 56, 99, 99, 99,
    99, 99, 47, 66, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

constexpr char kExifId[] = "Exif\0";                       // with the terminating NUL: six bytes
constexpr char kXmpId[] = "http://ns.adobe.com/xap/1.0/";  // followed by a NUL
constexpr char kIccId[] = "ICC_PROFILE";                   // followed by a NUL

int be16(const std::uint8_t* p) {
    return (p[0] << 8) | p[1];
}

bool startsWith(const std::uint8_t* body, std::size_t length, const char* id, std::size_t idSize) {
    return length >= idSize && std::memcmp(body, id, idSize) == 0;
}

std::optional<ChromaSampling> samplingOf(const std::uint8_t* body, std::size_t length) {
    if (length < 6) return std::nullopt;
    const int components = body[5];
    if (components == 1) return ChromaSampling::Grey;
    if (components != 3 || length < 6 + 9u) return std::nullopt;
    const int hy = body[7] >> 4, vy = body[7] & 15;
    const int hc = body[10] >> 4, vc = body[10] & 15;
    if (hc == 0 || vc == 0 || hy % hc != 0 || vy % vc != 0) return std::nullopt;
    const int h = hy / hc, v = vy / vc;
    if (h == 1 && v == 1) return ChromaSampling::S444;
    if (h == 2 && v == 1) return ChromaSampling::S422;
    if (h == 2 && v == 2) return ChromaSampling::S420;
    if (h == 1 && v == 2) return ChromaSampling::S440;
    if (h == 4 && v == 1) return ChromaSampling::S411;
    return std::nullopt;
}

struct Tables {
    std::map<int, std::array<std::uint16_t, 64>> byId;
};

void readTables(const std::uint8_t* body, std::size_t length, Tables& tables) {
    std::size_t at = 0;
    while (at < length) {
        const int precision = body[at] >> 4, id = body[at] & 15;
        const std::size_t size = precision ? 128 : 64;
        if (at + 1 + size > length) return;
        std::array<std::uint16_t, 64> t{};
        for (int k = 0; k < 64; ++k)
            t[k] = precision ? static_cast<std::uint16_t>(be16(body + at + 1 + 2 * k))
                             : body[at + 1 + k];
        tables.byId[id] = t;
        at += 1 + size;
    }
}

int scaledEntry(int standard, int quality) {
    const int scale = quality < 50 ? 5000 / quality : 200 - 2 * quality;
    return std::clamp((standard * scale + 50) / 100, 1, 255);
}

}  // namespace

int estimateQuality(const std::uint16_t* luminance, const std::uint16_t* chrominance) {
    int best = 100;
    long bestDistance = -1;
    for (int q = 100; q >= 1; --q) {
        long distance = 0;
        for (int k = 0; k < 64; ++k) {
            const int n = kNaturalOrder[k];
            distance += std::abs(luminance[k] - scaledEntry(kLuminance[n], q));
            if (chrominance) distance += std::abs(chrominance[k] - scaledEntry(kChrominance[n], q));
        }
        if (bestDistance < 0 || distance < bestDistance) {
            bestDistance = distance;
            best = q;
        }
    }
    return best;
}

namespace {

void readSegment(const std::uint8_t* body, std::size_t n, std::uint8_t marker, JpegFacts& facts,
                 Tables& tables, std::map<int, std::vector<std::uint8_t>>& iccChunks) {
    if (marker == 0xE0 && startsWith(body, n, "JFIF", 5) && n >= 12) {
        const int unit = body[7];
        const int x = be16(body + 8), y = be16(body + 10);
        // 1:1 without a unit is what encoders write when they know nothing.
        if (x > 0 && y > 0 && unit <= 2 && !(unit == 0 && x == y)) {
            facts.metadata.density = Density{unit == 1   ? Density::Unit::PerInch
                                             : unit == 2 ? Density::Unit::PerCentimetre
                                                         : Density::Unit::AspectOnly,
                                             double(x), double(y)};
        }
    } else if (marker == kJpegApp1 && startsWith(body, n, kExifId, 6) &&
               facts.metadata.exif.empty()) {
        facts.metadata.exif.assign(body + 6, body + n);
    } else if (marker == kJpegApp1 && startsWith(body, n, kXmpId, sizeof kXmpId) &&
               facts.metadata.xmp.empty()) {
        facts.metadata.xmp.assign(reinterpret_cast<const char*>(body) + sizeof kXmpId,
                                  n - sizeof kXmpId);
    } else if (marker == kJpegApp2 && startsWith(body, n, kIccId, sizeof kIccId) &&
               n > sizeof kIccId + 2) {
        const int sequence = body[sizeof kIccId];
        iccChunks[sequence].assign(body + sizeof kIccId + 2, body + n);
    } else if (marker == kJpegComment) {
        facts.metadata.comments.emplace_back(reinterpret_cast<const char*>(body), n);
    } else if (marker == 0xDB) {
        readTables(body, n, tables);
    } else if (marker == kJpegApp14 && startsWith(body, n, "Adobe", 5) && n >= 12) {
        facts.adobeTransform = body[11];
    } else if (isStartOfFrame(marker)) {
        facts.sampling = samplingOf(body, n);
    }
}

}  // namespace

JpegFacts readJpegFacts(const std::uint8_t* data, std::size_t size) {
    JpegFacts facts;
    Tables tables;
    std::map<int, std::vector<std::uint8_t>> iccChunks;
    const JpegWalkEnd end = walkJpegSegments(data, size, [&](const JpegSegment& s) {
        if (s.marker == kJpegStartOfScan) return true;
        readSegment(data + s.bodyAt, s.bodySize, s.marker, facts, tables, iccChunks);
        return true;
    });
    facts.complete = end == JpegWalkEnd::Scan || end == JpegWalkEnd::EndOfImage;
    facts.orientation =
        exifOrientationInTiff(facts.metadata.exif.data(), facts.metadata.exif.size());
    for (const auto& [sequence, chunk] : iccChunks)
        facts.metadata.icc.insert(facts.metadata.icc.end(), chunk.begin(), chunk.end());
    if (auto lum = tables.byId.find(0); lum != tables.byId.end()) {
        auto chrom = tables.byId.find(1);
        facts.quality = estimateQuality(
            lum->second.data(), chrom == tables.byId.end() ? nullptr : chrom->second.data());
    }
    return facts;
}

}  // namespace rimvista::files
