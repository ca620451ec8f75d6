#pragma once
// What the whole-picture PNG reader and writer share with the row reader and writer, so that
// both paths read the same pixels and metadata and write the same bytes.

#include <png.h>

#include <cstdint>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/Error.h"
#include "imageio/CodecSupport.h"
#include "imageio/PictureMetadata.h"

namespace rimvista::files::png {

// Deflate gives at most 1032 bytes for one; a byte of rows holds at most 8 one-bit pixels.
constexpr std::uint64_t kMostInflation = 1032;
constexpr std::uint64_t kMostPixelsPerByte = 8 * kMostInflation;

// libpng reports errors through a callback that must not return; an exception carries the
// library's message out to the reading or writing function, whose guards then free the
// library's state.
struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A failure of our own under libpng (the file cut short, a read or write refused), carried out
// the same way.
struct OwnFailure {
    Error error;
};

// libpng's message as the error of a damaged file, or of a file that could not be written.
Error damaged(const Failure& failure);

// Runs a reading step under libpng and gives its result, or the error a failure under it means:
// libpng's (a damaged file), ours, or an allocation refused.
template <typename Step>
auto guardedRead(Step&& step) -> decltype(step()) {
    try {
        return step();
    } catch (const Failure& e) {
        return damaged(e);
    } catch (const OwnFailure& failure) {
        return failure.error;
    } catch (const std::bad_alloc&) {
        return Error::of(ErrorKind::OutOfMemory);
    }
}
Error notEncoded(std::string detail);

[[noreturn]] void raise(png_structp, png_const_charp message);
void ignoreWarning(png_structp, png_const_charp);

struct ReadStructs {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ReadStructs();  // throws std::bad_alloc when libpng cannot have its state
    ~ReadStructs();
    ReadStructs(const ReadStructs&) = delete;
    ReadStructs& operator=(const ReadStructs&) = delete;
};

// Reads the 8 bytes of a chunk's length and type at a file offset; false when it cannot.
using ReadHead = std::function<bool(std::uint64_t at, std::uint8_t* head)>;

// libpng allocates what a chunk's length claims before reading the chunk, so a claim that runs
// past the end of the file is refused here, by the chunk heads alone, before libpng sees it.
// Such a file could never be read to its end anyway; nor can one that stops before its end
// chunk, which is reported as cut short.
Result<void> checkChunkLengths(std::uint64_t fileSize, const ReadHead& readHead);

// The bytes libpng reads, in pieces: stretches of a file and bytes held in memory, one after
// the other. File bytes are read a buffer at a time, never the whole file.
class ByteSource {
public:
    explicit ByteSource(const InputFile& file) : m_file(file) {}
    void addFile(std::uint64_t offset, std::uint64_t length);
    void addBytes(std::vector<std::uint8_t> bytes);
    // For png_set_read_fn.
    static void read(png_structp png, png_bytep data, std::size_t size);

private:
    struct Piece {
        std::uint64_t offset = 0, length = 0;  // in the file, unless bytes are held
        std::vector<std::uint8_t> bytes;
    };
    void take(std::uint8_t* data, std::size_t size);

    const InputFile& m_file;
    std::vector<Piece> m_pieces;
    std::size_t m_piece = 0;
    std::uint64_t m_at = 0;  // within the current piece
    std::vector<std::uint8_t> m_buffer;
    std::uint64_t m_bufferOffset = 0;  // file offset of m_buffer[0]
};

// The limits every reader of a file of fileSize bytes works under, and its tolerance of
// metadata that is slightly off.
void limitReader(png_structp png, std::uint64_t fileSize);

// True when the picture carries alpha, from its colour type or a transparency chunk.
bool hasAlpha(png_structp png, png_infop info);

// After png_read_info: rows come as 32-bit blue, green, red and alpha (or 0 where the picture
// has no alpha), whatever the colour type and depth.
void setRowTransforms(png_structp png, png_infop info);

void readMetadata(png_structp png, png_infop info, PictureMetadata& m);
void writeMetadata(png_structp png, png_infop info, const PictureMetadata& m);

}  // namespace rimvista::files::png
