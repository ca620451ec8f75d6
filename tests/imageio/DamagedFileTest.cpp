// Damaged, cut-off and hostile files end in a reason, never a crash or a huge allocation.

#include <sys/resource.h>

#include <QByteArray>
#include <chrono>
#include <optional>

#include "imageio/CodecTestFiles.h"
#include "imageio/PictureMetadata.h"
#include "imageio/PictureReader.h"
#include "imageio/PictureWriter.h"
#include "imageio/PngFile.h"
#include "imageio/RowStream.h"
#include "support/HugeClaims.h"

namespace rimvista::files {
namespace {

using test::Bytes;

class DamagedFiles : public ::testing::Test {
protected:
    void SetUp() override {
        const PixelSurface picture = test::noiseSurface(40, 30, 5);
        ASSERT_TRUE(saveBmp(picture, m_folder.file("good.bmp")).ok());
        ASSERT_TRUE(saveJpeg(picture, m_folder.file("good.jpg"), 90).ok());
        m_bmp = test::readBytes(m_folder.file("good.bmp"));
        m_jpeg = test::readBytes(m_folder.file("good.jpg"));
    }
    LoadResult load(const Bytes& bytes) {
        const std::string path = m_folder.file("damaged");
        test::writeBytes(path, bytes);
        return loadPicture(path);
    }
    ::testing::AssertionResult fails(const Bytes& bytes) {
        const LoadResult r = load(bytes);
        if (r.ok()) return ::testing::AssertionFailure() << "loaded a damaged file";
        return ::testing::AssertionSuccess() << debugText(r.error());
    }

    test::TempFolder m_folder;
    Bytes m_bmp, m_jpeg;
};

Bytes cut(const Bytes& b, std::size_t size) {
    return Bytes(b.begin(), b.begin() + long(size));
}

void patch32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = std::uint8_t(v >> (8 * i));
}

TEST_F(DamagedFiles, CutOffAndGarbageFilesFail) {
    EXPECT_TRUE(fails(cut(m_bmp, m_bmp.size() - 200)));
    EXPECT_TRUE(fails(cut(m_bmp, 30)));
    EXPECT_TRUE(fails(cut(m_jpeg, m_jpeg.size() / 2)));
    EXPECT_TRUE(fails(cut(m_jpeg, 100)));
    EXPECT_TRUE(fails({}));
    EXPECT_TRUE(fails({'B', 'M', 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17}));
    EXPECT_TRUE(fails({0xFF, 0xD8, 0xFF, 0xE0, 0, 4, 'x', 'y', 0x13, 0x37}));
    EXPECT_TRUE(fails(Bytes(5000, 0x5A)));
    const LoadResult missing = loadPicture(m_folder.file("not-there.bmp"));
    EXPECT_FALSE(missing.ok());
}

TEST_F(DamagedFiles, AbsurdSizesFailWithoutAllocating) {
    const auto started = std::chrono::steady_clock::now();
    Bytes huge = m_bmp;
    patch32(huge, 18, 0x7FFFFFFF);
    patch32(huge, 22, 0x7FFFFFFF);
    EXPECT_TRUE(fails(huge));
    patch32(huge, 18, 4);
    patch32(huge, 22, 0x80000000u);  // -2^31 rows: no top-down size exists
    EXPECT_TRUE(fails(huge));
    patch32(huge, 22, 0xFFFFFFFFu);  // one row top-down is fine
    EXPECT_TRUE(load(huge).ok());
    // Run-length files too: the size is checked before anything is decoded.
    Bytes rle = huge;
    patch32(rle, 18, 0x7FFFFFFF);
    patch32(rle, 22, 0x7FFFFFFF);
    rle[28] = 8;
    patch32(rle, 30, 1);
    EXPECT_TRUE(fails(rle));

    // A JPEG claiming 60000 x 60000 pixels with data for 40 x 30: decoding stops where the
    // data ends instead of filling 14 GB of grey.
    Bytes jpeg = m_jpeg;
    for (std::size_t i = 2; i + 8 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            jpeg[i + 5] = jpeg[i + 7] = 0xEA;
            jpeg[i + 6] = jpeg[i + 8] = 0x60;
            break;
        }
    EXPECT_TRUE(fails(jpeg));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
}

long peakResidentKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

TEST_F(DamagedFiles, HugeClaimsAreRefusedBeforeAnythingIsAllocated) {
    test::writeHugeClaims(m_folder.path());
    const test::PretendedMemory pretended;
    const long peakBefore = peakResidentKilobytes();
    for (const test::HugeClaim& claim : test::kHugeClaims) {
        const auto started = std::chrono::steady_clock::now();
        const LoadResult r = loadPicture(m_folder.file(claim.name));
        ASSERT_FALSE(r.ok()) << claim.name;
        EXPECT_EQ(r.error().kind, claim.refusal) << claim.name << ": " << debugText(r.error());
        // With the extras rimvista-batch reads along.
        if (std::string_view(claim.name).ends_with(".png")) {
            PngExtras extras;
            const LoadResult own = readPng(m_folder.file(claim.name), &extras);
            ASSERT_FALSE(own.ok()) << claim.name;
            EXPECT_EQ(own.error().kind, claim.refusal) << claim.name;
        }
        // Refused, not decoded (a decode of such a claim would take far longer).
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    }
    // A text chunk claiming 1.8 GB in a 1 KB file: libpng would allocate the claim first.
    Bytes chunk = test::huge::pngClaiming(4, 4, 1024);
    const std::uint8_t claim[8] = {0x70, 0, 0, 0, 't', 'E', 'X', 't'};
    std::copy(std::begin(claim), std::end(claim), chunk.begin() + 33);  // after IHDR
    test::writeBytes(m_folder.file("chunk.png"), chunk);
    PngExtras extras;
    EXPECT_EQ(readPng(m_folder.file("chunk.png"), &extras).error().kind,
              ErrorKind::PngChunkPastEnd);
    // A comment inflating to 4 MB where 8 MB are left: dropped, the picture still read.
    {
        ASSERT_TRUE(savePng(test::noiseSurface(4, 4, 1), m_folder.file("bomb.png"), {}).ok());
        Bytes bomb = test::readBytes(m_folder.file("bomb.png")),
              zText{'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 0};
        const QByteArray inflated(4 << 20, 'a'), deflated = qCompress(inflated).mid(4);  // zlib
        zText.insert(zText.end(), deflated.begin(), deflated.end());
        Bytes zChunk;
        test::huge::pngChunk(zChunk, "zTXt", zText);
        bomb.insert(bomb.begin() + 33, zChunk.begin(), zChunk.end());
        test::writeBytes(m_folder.file("bomb.png"), bomb);
        ASSERT_TRUE(readPng(m_folder.file("bomb.png"), &extras).ok());  // 1 GB left: kept
        ASSERT_EQ(extras.metadata.comments.size(), 1u);
        ASSERT_EQ(extras.metadata.comments[0].size(), std::size_t(inflated.size()));
        extras = {};
        setAvailableMemoryForTests(std::uint64_t{8} << 20);
        const LoadResult read = readPng(m_folder.file("bomb.png"), &extras);
        EXPECT_TRUE(read.ok()) << debugText(read.error());
        EXPECT_TRUE(extras.metadata.comments.empty());
        setAvailableMemoryForTests(std::uint64_t{1} << 30);
    }
    // Only the 1 MB JPEG itself is read; no pixel memory was ever touched.
    EXPECT_LT(peakResidentKilobytes() - peakBefore, 32 * 1024);
}

// Every row as the row reader gives them, or its failure.
LoadResult readByRows(const std::string& path) {
    Opened<RowReader> opened = openRowReader(path);
    if (!opened) return opened.error();
    RowReader& rows = **opened;
    PixelSurface picture(rows.width(), rows.height());
    for (int y = 0; y < rows.height(); y += 8) {
        const int end = std::min(rows.height(), y + 8);
        if (auto read = rows.read(y, end, picture.row(y), picture.bytesPerLine() / 4); !read)
            return read.error();
    }
    clearReserved(picture);
    return picture;
}

// A JPEG whose decoder had to make pixels up fails, by rows and whole; one missing nothing but
// its end marker loads. A viewer may still ask for the damaged picture, and learns why.
TEST_F(DamagedFiles, JpegsWithMadeUpPixelsFailAndOnlyAMissingEndMarkerIsForgiven) {
    const LoadResult clean = load(m_jpeg);
    ASSERT_TRUE(clean.ok()) << debugText(clean.error());
    ASSERT_EQ(m_jpeg[m_jpeg.size() - 2], 0xFF);
    ASSERT_EQ(m_jpeg[m_jpeg.size() - 1], 0xD9);
    Bytes stray = m_jpeg;
    stray.insert(stray.end() - 2, {0x12, 0x34, 0x56});
    Bytes inserted = m_jpeg;  // bytes inside the coded data: the rows after them are guesswork
    const Bytes junk(40, 0x5A);
    inserted.insert(inserted.end() - long(m_jpeg.size() / 4), junk.begin(), junk.end());
    const struct {
        const char* name;
        Bytes bytes;
        std::optional<ErrorKind> failure;
    } cases[] = {
        {"clean", m_jpeg, std::nullopt},
        {"no end marker", cut(m_jpeg, m_jpeg.size() - 2), std::nullopt},
        {"stray bytes before the end marker", stray, std::nullopt},
        {"bytes inserted in the coded data", inserted, ErrorKind::DamagedData},
        {"cut inside the coded data", cut(m_jpeg, m_jpeg.size() - m_jpeg.size() / 4),
         ErrorKind::FileCutShort},
    };
    for (const auto& c : cases) {
        const std::string path = m_folder.file("case.jpg");
        test::writeBytes(path, c.bytes);
        for (const LoadResult& r : {loadPicture(path), readByRows(path)}) {
            if (!c.failure) {
                ASSERT_TRUE(r.ok()) << c.name << ": " << debugText(r.error());
                EXPECT_TRUE(test::sameColours(*r, *clean)) << c.name;
            } else {
                ASSERT_FALSE(r.ok()) << c.name;
                EXPECT_EQ(r.error().kind, *c.failure) << c.name << ": " << debugText(r.error());
            }
        }
        PictureExtras viewer;
        viewer.acceptDamage = true;
        const LoadResult shown = loadPicture(path, &viewer);
        ASSERT_EQ(shown.ok(), c.failure != ErrorKind::FileCutShort) << c.name;
        EXPECT_EQ(viewer.damage.has_value(), c.failure == ErrorKind::DamagedData) << c.name;
        if (viewer.damage) {
            EXPECT_EQ(viewer.damage->kind, *c.failure) << c.name;
        }
    }
}

TEST_F(DamagedFiles, RandomCorruptionNeverCrashes) {
    std::mt19937 rng(2024);
    int loadedCount = 0, failedCount = 0;
    for (int i = 0; i < 600; ++i) {
        Bytes b = (i % 2 == 0) ? m_bmp : m_jpeg;
        const int mode = int(rng() % 3);
        if (mode == 0) {
            b.resize(rng() % b.size());
        } else {
            // Headers are where corruption does the most harm, so aim half the hits there.
            const int hits = 1 + int(rng() % 8);
            for (int h = 0; h < hits; ++h) {
                const std::size_t range =
                    mode == 1 ? std::min<std::size_t>(b.size(), 700) : b.size();
                b[rng() % range] = std::uint8_t(rng());
            }
        }
        const LoadResult r = load(b);
        if (r.ok()) {
            ++loadedCount;
            ASSERT_FALSE(r->isNull());
            ASSERT_GT(r->width(), 0);
            ASSERT_GT(r->height(), 0);
        } else {
            ++failedCount;
            // A failure must not spoil the reader for the next, sound file.
            ASSERT_TRUE(load(i % 2 == 0 ? m_bmp : m_jpeg).ok()) << "after " << debugText(r.error());
        }
    }
    EXPECT_GT(failedCount, 0);
    EXPECT_GT(loadedCount, 0);
}

}  // namespace
}  // namespace rimvista::files
