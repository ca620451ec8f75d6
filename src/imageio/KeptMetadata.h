#pragma once
// What a framed copy of a picture keeps of its file besides the pixels. The window's save and
// rimvista-batch both take it from here, so a copy carries the same metadata whichever made it.

#include <string>

#include "imageio/FormatRegistry.h"

namespace rimvista::files {

// The metadata and encoding choices of the picture file at path, as format's entry reads them
// apart from the pixels (format.readFacts must be set), with the Exif orientation set upright
// where the reader turns the pixels upright. Empty facts for a file that cannot be opened; an
// error for one whose facts cannot be read apart from its pixels.
Result<PictureFacts> factsForCopy(const PictureFormat& format, const std::string& path);

// Fits metadata read from an input to a copy written as output: no Exif thumbnail (it shows the
// picture without its frames), nothing the output format cannot carry, and no colour profile made
// for another colour model than the copy's (a CMYK input's, a grey one's on a colour copy).
void fitMetadataToCopy(PictureMetadata& metadata, const PictureFormat& output, bool greyOutput);

}  // namespace rimvista::files
