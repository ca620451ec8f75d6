#pragma once
// A picture file through a run of frames into a new file, a block of rows at a time: one thread
// decodes and paints while another encodes, with a small ring of blocks between them. Memory
// stays at a few blocks whatever the picture's height, and the pixels written are exactly those
// the whole-picture path (load, DrawFrame per frame, save) writes.

#include <cstddef>
#include <string>
#include <vector>

#include "core/RowBandPainter.h"
#include "imageio/FormatRegistry.h"
#include "imageio/RowStream.h"

namespace rimvista::files {

struct StreamOptions {
    FormatId format = FormatId::Jpeg;  // one that streams out
    // As the whole-picture writer takes it: without extras the file is the one the window
    // writes; with them, the metadata goes along as the format carries it.
    Encoding encoding;
    int blockRows = 0;   // 0: about kBlockBytes of pixels per block
    int ringBlocks = 4;  // blocks between the two threads

    static constexpr std::size_t kBlockBytes = std::size_t{1} << 20;
};

struct StreamOutcome {
    enum class Status { Written, CannotStream, Failed };
    Status status = Status::Failed;
    Error error;  // why it cannot stream (NotStreamable) or failed; unset when written
    // Failed while writing rows into the output or completing it; a file that cannot be created
    // at all (no room for a temporary file, a size the format cannot hold) does not count.
    bool writing = false;

    bool written() const { return status == Status::Written; }
};

// frames are applied in order, as DrawFrame would apply them; they must already have been
// checked against the picture's size (reader.width() x reader.height()). The output is
// replaced atomically, and only once every row is written; after a failure it is unchanged.
StreamOutcome streamFramePicture(RowReader& reader, const std::string& out,
                                 const std::vector<PaintedFrame>& frames,
                                 const StreamOptions& options);

// The same from a path. CannotStream (nothing written) means the whole-picture path must take
// the file: a format or layout that cannot be read by rows, or a JPEG that needs turning.
StreamOutcome streamFramePicture(const std::string& in, const std::string& out,
                                 const std::vector<PaintedFrame>& frames,
                                 const StreamOptions& options);

// Rows per block for a picture this wide, and the bytes a stream of it holds at once (the ring
// plus the codecs' own buffers), for a memory gate.
int streamBlockRows(int width, const StreamOptions& options);
std::size_t streamMemoryNeed(int width, const StreamOptions& options);

}  // namespace rimvista::files
