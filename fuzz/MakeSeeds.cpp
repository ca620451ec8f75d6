// Writes the starting corpus of every fuzz target into FOLDER/<target>/: small pictures of each
// kind the readers know, settings files as the window and the old program write them, and
// command lines of rimvista-batch. Nothing is taken from elsewhere.
#include <png.h>
#include <turbojpeg.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "FuzzSeeds.h"
#include "core/FrameParams.h"
#include "core/PixelSurface.h"
#include "core/RegistrationStore.h"
#include "imageio/FormatRegistry.h"
#include "imageio/PictureWriter.h"

namespace fs = std::filesystem;
using namespace rimvista;
using Bytes = std::vector<std::uint8_t>;

namespace {

fs::path g_root;

void seed(const std::string& target, const std::string& name, const Bytes& bytes) {
    fs::create_directories(g_root / target);
    std::ofstream out(g_root / target / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void seed(const std::string& target, const std::string& name, const std::string& text) {
    seed(target, name, Bytes(text.begin(), text.end()));
}

// A picture file for its format's fuzz target (named as the format is) and for the probe's,
// with the format's own extension.
void seedPicture(files::FormatId id, const std::string& stem, const Bytes& bytes) {
    const files::PictureFormat& format = files::pictureFormat(id);
    const std::string name = stem + "." + std::string(format.primaryExtension());
    seed(files::lowerAscii(format.name), name, bytes);
    seed("probe", name, bytes);
}

Bytes readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void put16(Bytes& b, std::uint32_t v) {
    b.push_back(std::uint8_t(v));
    b.push_back(std::uint8_t(v >> 8));
}
void put32(Bytes& b, std::uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

PixelSurface noise(int w, int h, unsigned seedValue) {
    PixelSurface s(w, h);
    std::mt19937 rng(seedValue);
    for (std::size_t i = 0; i < s.byteCount(); ++i) s.bits()[i] = std::uint8_t(rng());
    return s;
}

// A bitmap file: headerSize 12 (OS/2), 40, 52 or 108; masks written after a 40-byte header
// for bit-field files; a palette for up to 8 bits; noise for the rows.
Bytes bmp(int w, int h, int bpp, std::uint32_t headerSize, std::uint32_t compression,
          std::vector<std::uint32_t> masks = {}) {
    const std::size_t stride = (std::size_t(w) * bpp + 31) / 32 * 4;
    const std::size_t paletteEntries = bpp <= 8 ? (std::size_t{1} << bpp) : 0;
    const std::size_t entrySize = headerSize == 12 ? 3 : 4;
    const std::size_t maskBytes = headerSize == 40 ? masks.size() * 4 : 0;
    const std::size_t offset = 14 + headerSize + maskBytes + paletteEntries * entrySize;
    Bytes b{'B', 'M'};
    put32(b, std::uint32_t(offset + stride * std::size_t(h < 0 ? -h : h)));
    put32(b, 0);
    put32(b, std::uint32_t(offset));
    put32(b, headerSize);
    if (headerSize == 12) {
        put16(b, std::uint32_t(w)), put16(b, std::uint32_t(h)), put16(b, 1),
            put16(b, std::uint32_t(bpp));
    } else {
        put32(b, std::uint32_t(w)), put32(b, std::uint32_t(h)), put16(b, 1),
            put16(b, std::uint32_t(bpp));
        put32(b, compression);
        for (int i = 0; i < 5; ++i) put32(b, 0);
        // Masks follow the 40 bytes, inside a larger header or after a plain one.
        for (std::uint32_t m : masks) put32(b, m);
        while (b.size() < 14 + headerSize) b.push_back(0);
    }
    std::mt19937 rng(std::uint32_t(w * 31 + bpp));
    for (std::size_t i = 0; i < paletteEntries * entrySize; ++i) b.push_back(std::uint8_t(rng()));
    for (std::size_t i = 0; i < stride * std::size_t(h < 0 ? -h : h); ++i)
        b.push_back(std::uint8_t(rng()));
    return b;
}

// Runs, a literal stretch, an end of line, a jump and the end of the picture.
Bytes rle8(int w, int h) {
    Bytes b = bmp(w, h, 8, 40, 1);
    b.resize(14 + 40 + 256 * 4);
    const Bytes runs{3, 7, 0, 3, 1, 2, 3, 0, 0, 0, 2, 1, 1, 5, 9, 0, 1};
    b.insert(b.end(), runs.begin(), runs.end());
    return b;
}

Bytes rle4(int w, int h) {
    Bytes b = bmp(w, h, 4, 40, 2);
    b.resize(14 + 40 + 16 * 4);
    const Bytes runs{5, 0x1F, 0, 3, 0x23, 0x40, 0, 0, 0, 2, 2, 1, 4, 0xE7, 0, 1};
    b.insert(b.end(), runs.begin(), runs.end());
    return b;
}

// From BGRX noise, or CMYK noise (the encoder then writes YCCK with an Adobe segment).
Bytes jpeg(int w, int h, int subsampling, int flags, int quality, int pixelFormat = TJPF_BGRX) {
    const PixelSurface s = noise(w, h, std::uint32_t(w + subsampling));
    tjhandle handle = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    tjCompress2(handle, s.bits(), w, int(s.bytesPerLine()), h, pixelFormat, &out, &size,
                subsampling, quality, flags);
    Bytes b(out, out + size);
    tjFree(out);
    tjDestroy(handle);
    return b;
}

// The file with an Exif segment holding IFD0's orientation tag, in either byte order.
Bytes withExif(Bytes file, int orientation, bool bigEndian) {
    Bytes tiff =
        bigEndian ? Bytes{'M', 'M', 0, 42, 0, 0, 0, 8} : Bytes{'I', 'I', 42, 0, 8, 0, 0, 0};
    const auto p16 = [&](std::uint32_t v) {
        if (bigEndian)
            tiff.insert(tiff.end(), {std::uint8_t(v >> 8), std::uint8_t(v)});
        else
            tiff.insert(tiff.end(), {std::uint8_t(v), std::uint8_t(v >> 8)});
    };
    p16(1), p16(0x0112), p16(3), p16(0), p16(1), p16(std::uint32_t(orientation)), p16(0);
    tiff.insert(tiff.end(), 4, 0);
    Bytes app1{0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
    app1.insert(app1.end(), tiff.begin(), tiff.end());
    const std::size_t length = app1.size() - 2;
    app1[2] = std::uint8_t(length >> 8), app1[3] = std::uint8_t(length);
    file.insert(file.begin() + 2, app1.begin(), app1.end());
    return file;
}

// A PNG file of noise rows: any bit depth, colour type and interlacing libpng writes, with a
// palette (and its tRNS) for palette pictures and the given metadata chunks.
struct PngSeed {
    int width, height, bitDepth, colorType;
    bool interlaced = false;
    bool transparency = false;  // tRNS: palette alphas, or one transparent grey or colour
    bool metadata = false;      // iCCP, eXIf, tEXt, zTXt, iTXt and pHYs
};

Bytes png(const PngSeed& p) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(
        png, &out,
        [](png_structp s, png_bytep data, png_size_t size) {
            auto* b = static_cast<Bytes*>(png_get_io_ptr(s));
            b->insert(b->end(), data, data + size);
        },
        nullptr);
    png_set_IHDR(png, info, png_uint_32(p.width), png_uint_32(p.height), p.bitDepth, p.colorType,
                 p.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE,
                 PNG_FILTER_TYPE_BASE);
    std::mt19937 rng(std::uint32_t(p.width * 7 + p.bitDepth * 3 + p.colorType));
    std::vector<png_color> palette(std::size_t{1} << std::min(p.bitDepth, 8));
    std::vector<png_byte> alphas(palette.size() / 2);
    for (png_color& c : palette) c = png_color{png_byte(rng()), png_byte(rng()), png_byte(rng())};
    for (png_byte& a : alphas) a = png_byte(rng());
    if (p.colorType == PNG_COLOR_TYPE_PALETTE) {
        png_set_PLTE(png, info, palette.data(), int(palette.size()));
        if (p.transparency) png_set_tRNS(png, info, alphas.data(), int(alphas.size()), nullptr);
    } else if (p.transparency) {
        png_color_16 key{0, 1, 2, 3, 1};
        png_set_tRNS(png, info, nullptr, 0, &key);
    }
    // A profile of header and an empty tag table, as libpng checks it: size, class, colour
    // space, connection space, signature and a D50 illuminant.
    Bytes icc(132, 0);
    icc[3] = 132;
    std::memcpy(&icc[12], "mntr", 4);
    std::memcpy(&icc[16], p.colorType & PNG_COLOR_MASK_COLOR ? "RGB " : "GRAY", 4);
    std::memcpy(&icc[20], "XYZ ", 4);
    std::memcpy(&icc[36], "acsp", 4);
    const std::uint8_t d50[12] = {0, 0, 0xF6, 0xD6, 0, 1, 0, 0, 0, 0, 0xD3, 0x2D};
    std::memcpy(&icc[68], d50, sizeof d50);
    Bytes exif{'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 1, 0x12, 0,
               3,   0,   0, 0,  1, 0, 6, 0, 0, 0, 0, 0,    0};
    std::string xmp = "<x:xmpmeta xmlns:x='adobe:ns:meta/'/>";
    std::string comment = "seed", zcomment = "compressed comment, compressed comment";
    std::string itext = "枠の付いた写真";
    png_text texts[3] = {};
    texts[0].compression = PNG_TEXT_COMPRESSION_NONE;
    texts[0].key = const_cast<char*>("Comment");
    texts[0].text = comment.data();
    texts[0].text_length = comment.size();
    texts[1].compression = PNG_TEXT_COMPRESSION_zTXt;
    texts[1].key = const_cast<char*>("Comment");
    texts[1].text = zcomment.data();
    texts[1].text_length = zcomment.size();
    texts[2].compression = PNG_ITXT_COMPRESSION_NONE;
    texts[2].key = const_cast<char*>("XML:com.adobe.xmp");
    texts[2].text = xmp.data();
    texts[2].itxt_length = xmp.size();
    if (p.metadata) {
        png_set_iCCP(png, info, "profile", PNG_COMPRESSION_TYPE_BASE, icc.data(),
                     png_uint_32(icc.size()));
        png_set_eXIf_1(png, info, png_uint_32(exif.size()), exif.data());
        png_set_text(png, info, texts, 3);
        png_set_pHYs(png, info, 2835, 2835, PNG_RESOLUTION_METER);
    }
    png_write_info(png, info);
    png_set_packing(png);
    if (p.bitDepth == 16) png_set_swap(png);
    const int channels = png_get_channels(png, info);
    const std::size_t samples = std::size_t(p.width) * std::size_t(channels);
    const int bytesPerSample = p.bitDepth == 16 ? 2 : 1;
    Bytes row(samples * std::size_t(bytesPerSample));
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass)
        for (int y = 0; y < p.height; ++y) {
            for (std::size_t i = 0; i < samples; ++i) {
                const unsigned v = rng();
                if (bytesPerSample == 2)
                    row[2 * i] = std::uint8_t(v), row[2 * i + 1] = std::uint8_t(v >> 8);
                else
                    row[i] = std::uint8_t(p.bitDepth < 8 ? v % (1u << p.bitDepth) : v);
            }
            png_write_row(png, row.data());
        }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

void pngSeeds() {
    const std::pair<const char*, PngSeed> pngs[] = {
        {"grey1", {13, 5, 1, PNG_COLOR_TYPE_GRAY}},
        {"grey8-trns", {6, 4, 8, PNG_COLOR_TYPE_GRAY, false, true}},
        {"grey-alpha", {5, 5, 8, PNG_COLOR_TYPE_GRAY_ALPHA}},
        {"rgb8", {7, 3, 8, PNG_COLOR_TYPE_RGB}},
        {"rgba8-metadata", {4, 4, 8, PNG_COLOR_TYPE_RGBA, false, false, true}},
        {"palette4-trns", {9, 3, 4, PNG_COLOR_TYPE_PALETTE, false, true}},
        {"palette8-trns", {5, 6, 8, PNG_COLOR_TYPE_PALETTE, false, true, true}},
        {"rgb16", {4, 3, 16, PNG_COLOR_TYPE_RGB}},
        {"rgba16", {3, 3, 16, PNG_COLOR_TYPE_RGBA}},
        {"grey16-interlaced", {10, 9, 16, PNG_COLOR_TYPE_GRAY, true, false, true}},
        {"rgb8-interlaced", {11, 10, 8, PNG_COLOR_TYPE_RGB, true}},
        {"palette2-interlaced", {9, 9, 2, PNG_COLOR_TYPE_PALETTE, true, true}},
    };
    for (const auto& [name, layout] : pngs) seedPicture(files::FormatId::Png, name, png(layout));
}

void pictureSeeds(const fs::path& scratch) {
    std::vector<std::pair<std::string, Bytes>> bmps = {
        {"os2-8", bmp(5, 3, 8, 12, 0)},
        {"pal1", bmp(9, 4, 1, 40, 0)},
        {"pal4", bmp(7, 3, 4, 40, 0)},
        {"pal8-topdown", bmp(6, -3, 8, 40, 0)},
        {"rgb555", bmp(5, 4, 16, 40, 0)},
        {"rgb565", bmp(5, 4, 16, 40, 3, {0xF800, 0x07E0, 0x001F})},
        {"rgb32", bmp(4, 3, 32, 40, 0)},
        {"argb32-v4", bmp(4, 3, 32, 108, 6, {0xFF0000, 0xFF00, 0xFF, 0xFF000000})},
        {"v3-52", bmp(3, 3, 16, 52, 3, {0x7C00, 0x03E0, 0x001F})},
        {"rle8", rle8(8, 4)},
        {"rle4", rle4(7, 3)},
    };
    if (files::saveBmp(noise(7, 5, 1), (scratch / "w.bmp").string()))
        bmps.emplace_back("written24", readAll(scratch / "w.bmp"));
    std::vector<std::pair<std::string, Bytes>> jpegs = {
        {"gray", jpeg(9, 7, TJSAMP_GRAY, 0, 80)},
        {"420-progressive", jpeg(17, 9, TJSAMP_420, TJFLAG_PROGRESSIVE, 75)},
        {"422", jpeg(8, 8, TJSAMP_422, 0, 95)},
        {"exif6-le", withExif(jpeg(6, 4, TJSAMP_444, 0, 90), 6, false)},
        {"exif3-be", withExif(jpeg(6, 4, TJSAMP_420, 0, 90), 3, true)},
        {"exif8-progressive", withExif(jpeg(5, 9, TJSAMP_GRAY, TJFLAG_PROGRESSIVE, 60), 8, true)},
        {"ycck-adobe", jpeg(6, 5, TJSAMP_420, 0, 85, TJPF_CMYK)},
    };
    if (files::saveJpeg(noise(10, 6, 2), (scratch / "w.jpg").string(), 90))
        jpegs.emplace_back("written", readAll(scratch / "w.jpg"));
    for (const auto& [name, bytes] : bmps) seedPicture(files::FormatId::Bmp, name, bytes);
    for (const auto& [name, bytes] : jpegs) seedPicture(files::FormatId::Jpeg, name, bytes);
}

std::string entry(std::int16_t w, std::int16_t x, std::int16_t kind) {
    return reg::formatEntry(makeFrameParams(w, w, w, w, x, x, x, x, kind));
}

void settingsSeeds(const fs::path& sourceDir) {
    const std::string window =
        "[Position]\nTop=600\nLeft=1200\nWidth=8115\nHeight=6090\n[Folder]\nData=/home/写真\n"
        "Save=/tmp\n";
    seed("settings", "window.ini", "Position\nTop\n720\n" + window);
    seed("settings", "crlf-bom.ini",
         "folder\nsave\n/srv/画像\n\xEF\xBB\xBF[Folder]\r\nData = /a\r\n; note\r\nSave=\r\n");
    std::string longValue = "[ListData001]\nListName=";
    for (int i = 0; i < 400; ++i) longValue += "名";
    seed("settings", "long-value.ini", "ListData001\nListName\nx\n" + longValue + "\n");
    seed("settings", "open-end.ini", "S\nk\nv\n  [ S ]\nk=1\n[T]\nk=2");
    Bytes legacy{'P', 'o', 's', 'i', 't', 'i', 'o', 'n', '\n', 'T', 'o', 'p', '\n', '1', '\n'};
    const Bytes sjis = readAll(sourceDir / "tests/data/legacy-sjis.ini");
    legacy.insert(legacy.end(), sjis.begin(), sjis.end());
    seed("settings", "legacy-sjis.ini", legacy);

    std::string slots;
    for (int s = 1; s <= 3; ++s) {
        slots += "[" + reg::sectionName(s) + "]\nDataNum=" + std::to_string(s) +
                 "\nListName=登録名#" + std::to_string(s) + "\n";
        for (int j = 1; j <= s; ++j)
            slots += reg::entryKey(j) + "=" +
                     entry(std::int16_t(5 * j), std::int16_t(3 * j), std::int16_t(j % 2)) + "\n";
    }
    seed("registration", "three-slots.ini", std::string(1, '\x02') + slots);
    seed("registration", "hand-edited.ini",
         std::string(1, '\x00') +
             "[ListData001]\nDataNum=2\nListName=額縁\nData01= 10 ,1e1,0x5,-3,2.5,3.5,,x,0\n"
             "Data02=1,2,3,4,5,6,7,8,1,9\n");
    std::string full;
    for (int s = 1; s <= 100; ++s)
        full +=
            "[" + reg::sectionName(s) + "]\nDataNum=1\nListName=n\nData01=" + entry(1, 0, 0) + "\n";
    seed("registration", "full.ini", std::string(1, '\x63') + full);
    seed("settings", "registrations.ini", "ListData002\nDataNum\n0\n" + slots);
    // An old file read line by line: Shift-JIS, a line valid both ways, one that is neither, a
    // NUL, and an empty value before a full one.
    const std::string nul(1, '\0');
    seed("registration", "legacy-mixed.ini",
         nul +
             "[ListData001]\nListName=\nDataNum=1\n\x8A\x7A=\xDC\xB8\nData01=1,1,1,1,0,0,0,0,0\n" +
             "caf\xE9=" + nul + "\n[ListData002]\nDataNum=1\nListName=\x8A\x7A\x89\x8F\nData01=" +
             entry(2, 0, 1) + "\n");
}

void batchSeeds() {
    const auto args = [](std::initializer_list<std::string> list) {
        std::string joined;
        for (const std::string& a : list)
            joined += (joined.empty() ? "" : std::string(1, '\0')) + a;
        return joined;
    };
    seed("batch_options", "frame.args", args({"-f", "5,5,5,5,0,0,0,0,0", "a.jpg"}));
    seed("batch_options", "nest.args",
         args({"--frame=8,8,8,8,2,2,2,2,1", "--nest", "4", "-o", "out", "a.bmp", "b.bmp"}));
    seed("batch_options", "two-frames.args",
         args({"-f", "3,3,3,3,0,0,0,0,0", "-f", "-2,1.5,2.5,1e1,1,1,1,1,1", "-j2", "--quality=90",
               "--format", "jpeg", "--memory", "512", "-q", "--overwrite", "--", "-x.jpg"}));
    seed("batch_options", "registration.args",
         args({"-r", "#3", "--settings", "s.ini", "pictures/a.jpg"}));
    seed("batch_options", "sample.args",
         args({"--make-sample", "s.jpg", "--sample-size", "64x48"}));
    seed("batch_options", "help.args", args({"-h"}));
}

}  // namespace

namespace rimvista::fuzz {

void writeSeeds(const fs::path& sourceDir, const fs::path& folder) {
    g_root = folder;
    const fs::path scratch = g_root / "scratch";
    fs::create_directories(scratch);
    pictureSeeds(scratch);
    pngSeeds();
    settingsSeeds(sourceDir);
    batchSeeds();
    fs::remove_all(scratch);
}

}  // namespace rimvista::fuzz
