#pragma once
// The picture formats, one entry each: what a format is called, how its files are told apart
// (by contents and by name), what its header says before any pixel is read, what reading and
// writing it costs in memory, its readers and writers (by rows where it streams) and what it
// carries besides the colours. Every caller asks here; no other code tells formats apart.
//
// Adding a format is one entry (its own file, listed in FormatRegistry.cpp), its codec files,
// its tests and its fuzz target.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/Error.h"
#include "core/PixelSurface.h"
#include "imageio/CodecSupport.h"
#include "imageio/JpegMetadata.h"
#include "imageio/PictureMetadata.h"
#include "imageio/PictureReader.h"
#include "imageio/RowStream.h"

namespace rimvista::files {

// In the order the programs name them to users ("JPEG, PNG or BMP").
enum class FormatId { Jpeg, Png, Bmp };

// What a picture's header says, read before decoding, so that the memory a picture will take is
// known before any of it is allocated.
struct PictureHeader {
    FormatId format = FormatId::Jpeg;
    int width = 0;  // as stored, before any Exif turn
    int height = 0;
    int orientation = 1;  // Exif orientation; 5..8 need a second, turned picture
    std::uint64_t fileSize = 0;
};

// What a file says besides its pixels and how it was encoded, for a copy that should keep both.
struct PictureFacts {
    PictureMetadata metadata;
    std::optional<int> quality;  // JPEG: estimated from the quantisation tables
    std::optional<ChromaSampling> sampling;
    bool grey = false;
    int orientation = 1;  // the reader turns the pixels upright by it
    // PNG: the picture has alpha, which its row reader leaves in each pixel's reserved byte.
    bool alpha = false;
};

// How a picture is written besides its format.
struct Encoding {
    int quality = 100;  // JPEG, clamped to 1..100
    ChromaSampling sampling = ChromaSampling::S444;
    // What the file carries besides its colours; null for the plain file the window writes.
    const PictureExtras* extras = nullptr;
    // Rows written by a row writer carry alpha in their reserved bytes, as the PNG row reader
    // leaves it (formats without alpha ignore it); the whole-picture writers take extras' plane.
    bool alphaInRows = false;
};

// The kinds of metadata a format's files can hold.
struct Carries {
    bool profile = false, exif = false, xmp = false, comments = false, density = false;
    bool alpha = false;
};

struct PictureFormat {
    FormatId id;
    std::string_view name;      // as users know it: "JPEG"
    std::string_view mimeType;  // "image/jpeg"
    // Extensions without the dot, lower case. The first is what written files are named; all
    // of them are offered by file dialogs. aliases are recognised in names but not offered.
    std::vector<std::string_view> extensions;
    std::vector<std::string_view> aliases;
    Carries carries;

    // True when the file's first bytes (kSniffBytes of them, fewer for a shorter file) are this
    // format's.
    bool (*sniff)(const std::uint8_t* head, std::size_t size);
    // The size and orientation from the header alone.
    Result<PictureHeader> (*probe)(const InputFile& file);
    // Bytes held at the peak of reading the whole picture, the picture included; of writing a
    // width x height picture whole, the picture included; and the codec's own buffers when a
    // picture of that width is read or written by rows (null where the format does not stream).
    std::uint64_t (*readCost)(const PictureHeader& header);
    std::uint64_t (*writeCost)(int width, int height);
    std::uint64_t (*rowReadCost)(int width);
    std::uint64_t (*rowWriteCost)(int width);

    // The whole picture. extras, when given, receive what the reader finds besides the colours
    // (PNG's reader fills them all; the others leave to readFacts what it gives). path names
    // file.
    LoadResult (*read)(const InputFile& file, const std::string& path, PictureExtras* extras);
    // The metadata and encoding choices without decoding the pixels (where read also gives
    // them into its extras, the same); an error when the file does not let them be read so.
    Result<PictureFacts> (*readFacts)(const InputFile& file);
    Result<void> (*write)(const PixelSurface& picture, const std::string& path,
                          const Encoding& encoding);
    // Rows a block at a time; null where the format does not stream. A reader gives
    // NotStreamable for a file of the format that still needs the whole-picture path.
    Opened<RowReader> (*openRowReader)(std::unique_ptr<InputFile> file);
    Opened<RowWriter> (*openRowWriter)(const std::string& path, int width, int height,
                                       const Encoding& encoding);

    std::string_view primaryExtension() const { return extensions.front(); }
    bool streamsIn() const { return openRowReader != nullptr; }
    bool streamsOut() const { return openRowWriter != nullptr; }
};

// Enough of a file's start to tell every format.
inline constexpr std::size_t kSniffBytes = 16;

// Every format, in FormatId order.
std::span<const PictureFormat* const> pictureFormats();
const PictureFormat& pictureFormat(FormatId id);
std::string formatName(FormatId id);

// The format whose files start with head, or null.
const PictureFormat* formatOfContents(const std::uint8_t* head, std::size_t size);
// The format of an opened file by its first bytes; UnknownFormat for contents of none.
Result<const PictureFormat*> formatOfFile(const InputFile& file);
// The format a file name's extension names (any letter case, aliases included), or null.
const PictureFormat* formatOfName(std::string_view path);
// The format an extension without the dot names, any letter case ("jpg", "JPEG"), or null.
const PictureFormat* formatCalled(std::string_view extension);

// The header of the picture at path; the file's error, UnknownFormat, or the header's damage.
Result<PictureHeader> probePicture(const std::string& path);

// Bytes that reading the picture whole, framing it and writing it whole as output hold at their
// peak.
std::uint64_t wholeMemoryCost(const PictureHeader& header, FormatId output);

// ASCII letters lower-cased, other bytes as they are (a multi-byte name ending stays itself).
std::string lowerAscii(std::string_view text);

}  // namespace rimvista::files
