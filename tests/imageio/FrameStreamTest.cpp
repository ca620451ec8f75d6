// Streaming a picture through a run of frames against the whole-picture path (load, DrawFrame
// per frame, save), byte for byte, on random pictures, frames and block sizes.

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <random>

#include "CodecTestFiles.h"
#include "core/FrameRenderer.h"
#include "imageio/FrameStream.h"
#include "imageio/PictureReader.h"
#include "imageio/PictureWriter.h"

namespace rimvista {
namespace {

using test::Bytes;
using Status = files::StreamOutcome::Status;

int pick(std::mt19937& gen, int lo, int hi) {
    return std::uniform_int_distribution<int>(lo, hi)(gen);
}

// 24 or 32 bits per pixel, rows stored bottom-up or top-down.
Bytes bmpFile(const PixelSurface& s, int bits, bool topDown) {
    const int w = s.width(), h = s.height(), bytes = bits / 8;
    const std::uint32_t stride = (std::uint32_t(w) * bytes + 3) / 4 * 4;
    Bytes b{'B', 'M'};
    test::put32(b, 54 + stride * h), test::put32(b, 0), test::put32(b, 54);
    test::put32(b, 40), test::put32(b, w), test::put32(b, topDown ? -h : h);
    test::put16(b, 1), test::put16(b, bits);
    for (int i = 0; i < 6; ++i) test::put32(b, 0);
    for (int r = 0; r < h; ++r) {
        const Pixel* row = s.row(topDown ? r : h - 1 - r);
        for (int x = 0; x < w; ++x) {
            b.insert(b.end(), {row[x].blue, row[x].green, row[x].red});
            if (bytes == 4) b.push_back(row[x].reserved);
        }
        b.resize(b.size() + stride - std::uint32_t(w) * bytes, 0);
    }
    return b;
}

Bytes jpegFile(const PixelSurface& s, int subsampling, int flags) {
    tjhandle handle = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    const bool grey = subsampling == TJSAMP_GRAY;
    tjCompress2(handle, s.bits(), s.width(), int(s.bytesPerLine()), s.height(), TJPF_BGRX, &out,
                &size, grey ? TJSAMP_GRAY : subsampling, 90, flags);
    Bytes b(out, out + size);
    tjFree(out);
    tjDestroy(handle);
    return b;
}

// An Exif segment with only an orientation entry, right after the start marker.
Bytes withOrientation(const Bytes& jpeg, int orientation) {
    Bytes seg{0xFF, 0xE1, 0, 34, 'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0};
    test::put16(seg, 0x0112), test::put16(seg, 3), test::put32(seg, 1);
    test::put16(seg, std::uint32_t(orientation)), test::put16(seg, 0), test::put32(seg, 0);
    seg.insert(seg.begin(), jpeg.begin(), jpeg.begin() + 2);
    seg.insert(seg.end(), jpeg.begin() + 2, jpeg.end());
    return seg;
}

// Nested runs as auto-adjust makes them, or frames reaching anywhere outside the picture.
std::vector<PaintedFrame> randomRun(std::mt19937& gen, int w, int h) {
    std::vector<PaintedFrame> run;
    const bool nested = gen() % 2 == 0;
    auto p =
        makeFrameParams(std::int16_t(pick(gen, 1, 4)), std::int16_t(pick(gen, 1, 4)),
                        std::int16_t(pick(gen, 1, 4)), std::int16_t(pick(gen, 1, 4)), 0, 0, 0, 0);
    for (int i = pick(gen, 1, 4); i > 0; --i) {
        if (nested && !run.empty()) {
            p.X0 = std::int16_t(p.X0 + p.W[2] + 1), p.X1 = std::int16_t(p.X1 + p.W[3] + 1);
            p.Y0 = std::int16_t(p.Y0 + p.W[0] + 1), p.Y1 = std::int16_t(p.Y1 + p.W[1] + 1);
        } else if (!nested) {
            for (auto& width : p.W) width = std::int16_t(pick(gen, 1, 30));
            for (auto* pos : {&p.X0, &p.X1, &p.Y0, &p.Y1})
                *pos = std::int16_t(pick(gen, -10, std::max(w, h) + 10));
        }
        run.push_back({p, run.size() % 2 == 0 ? 1.0f : -1.0f});
    }
    return run;
}

// The whole-picture path the stream must match.
void saveWhole(const std::string& in, const std::string& out, const std::vector<PaintedFrame>& run,
               files::FormatId format) {
    files::LoadResult loaded = files::loadPicture(in);
    ASSERT_TRUE(loaded.ok()) << debugText(loaded.error());
    SurfacePicture target(*loaded);
    for (const PaintedFrame& f : run) {
        const FrameParams& p = f.params;
        DrawFrame(target, p.W[0], p.W[1], p.W[2], p.W[3], p.X0, p.X1, p.Y0, p.Y1, f.strength);
    }
    ASSERT_TRUE(format == files::FormatId::Bmp ? files::saveBmp(*loaded, out).ok()
                                               : files::saveJpeg(*loaded, out, 100).ok());
}

TEST(FrameStreamTest, StreamedFilesEqualTheWholePicturePath) {
    test::TempFolder folder;
    const std::string in = folder.file("in"), whole = folder.file("whole"),
                      streamed = folder.file("streamed");
    for (std::uint32_t seed = 0; seed < 120; ++seed) {
        std::mt19937 gen(seed);
        const int w = pick(gen, 1, 45) | 1, h = pick(gen, 1, 40);
        const PixelSurface source = test::noiseSurface(w, h, seed);
        const int kind = pick(gen, 0, 5);
        static const int jpegSampling[] = {TJSAMP_444, TJSAMP_420, TJSAMP_422, TJSAMP_GRAY};
        const Bytes input = kind < 2 ? bmpFile(source, kind == 0 ? 24 : 32, gen() % 2 == 0)
                                     : jpegFile(source, jpegSampling[kind - 2], 0);
        test::writeBytes(in, input);
        const auto run = randomRun(gen, w, h);
        files::StreamOptions options;
        options.format = gen() % 2 ? files::FormatId::Bmp : files::FormatId::Jpeg;
        options.blockRows = pick(gen, 1, 9);
        options.ringBlocks = pick(gen, 1, 3);
        SCOPED_TRACE(testing::Message() << "seed " << seed << ", " << w << " x " << h << ", input "
                                        << kind << ", " << options.blockRows << " rows a block");

        saveWhole(in, whole, run, options.format);
        const files::StreamOutcome outcome = files::streamFramePicture(in, streamed, run, options);
        ASSERT_TRUE(outcome.written()) << debugText(outcome.error);
        ASSERT_EQ(test::readBytes(streamed), test::readBytes(whole));
        ASSERT_EQ(test::readBytes(in), input);
    }
    EXPECT_EQ(folder.entries().size(), 3u);  // no temporary file left behind
}

TEST(FrameStreamTest, WhatCannotStreamOrIsDamagedLeavesTheOutputAlone) {
    test::TempFolder folder;
    const PixelSurface source = test::noiseSurface(33, 20, 7);
    const Bytes jpeg = jpegFile(source, TJSAMP_444, 0);
    Bytes rle = bmpFile(source, 24, false);
    rle[28] = 8, rle[30] = 1;  // 8 bits, run-length compressed
    Bytes shortBmp = bmpFile(source, 24, false);
    shortBmp.resize(shortBmp.size() / 2);
    const struct {
        const char* name;
        Bytes bytes;
        Status expected;
    } cases[] = {
        {"turned jpeg", withOrientation(jpeg, 6), Status::CannotStream},
        {"progressive jpeg", jpegFile(source, TJSAMP_444, TJFLAG_PROGRESSIVE),
         Status::CannotStream},
        {"run-length bmp", rle, Status::CannotStream},
        {"other format", Bytes{'G', 'I', 'F', '8', '9', 'a', 0, 0}, Status::CannotStream},
        {"cut-off jpeg", Bytes(jpeg.begin(), jpeg.begin() + long(jpeg.size() * 2 / 3)),
         Status::Failed},
        {"cut-off bmp", shortBmp, Status::Failed},
    };
    const std::string in = folder.file("in"), out = folder.file("out");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::writeBytes(in, c.bytes);
        test::writeBytes(out, Bytes{1, 2, 3});
        files::StreamOptions options;
        options.blockRows = 3;
        const auto outcome = files::streamFramePicture(
            in, out, {{makeFrameParams(2, 2, 2, 2, 0, 0, 0, 0), 1.0f}}, options);
        EXPECT_EQ(outcome.status, c.expected) << debugText(outcome.error);
        EXPECT_EQ(outcome.error.kind == ErrorKind::NotStreamable,
                  c.expected == Status::CannotStream);
        EXPECT_EQ(test::readBytes(out), (Bytes{1, 2, 3}));
        EXPECT_EQ(folder.entries().size(), 2u);
    }
    // Upright Exif still streams.
    test::writeBytes(in, withOrientation(jpeg, 1));
    EXPECT_TRUE(files::streamFramePicture(in, out, {}, {}).written());
}

}  // namespace
}  // namespace rimvista
