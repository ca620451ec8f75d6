#pragma once
// What a picture file says about its pixels besides the pixels: colour profile, camera data,
// comments and print density. Carried from an input file to the output written from it.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/Error.h"

namespace rimvista::files {

struct Density {
    enum class Unit { AspectOnly, PerInch, PerCentimetre };
    Unit unit = Unit::AspectOnly;
    double x = 0;
    double y = 0;
};

struct PictureMetadata {
    std::vector<std::uint8_t> icc;
    // The TIFF structure of an Exif block ("II*\0" or "MM\0*" first), without JPEG's
    // "Exif\0\0" introduction.
    std::vector<std::uint8_t> exif;
    std::string xmp;
    std::vector<std::string> comments;
    std::optional<Density> density;

    bool empty() const {
        return icc.empty() && exif.empty() && xmp.empty() && comments.empty() && !density;
    }
};

// What a written copy of a picture keeps besides its colours: the alpha channel, which the frame
// engine has no use for, whether it was grey, and the metadata.
struct PictureExtras {
    std::vector<std::uint8_t> alpha;  // width x height, row by row; empty when opaque
    bool grey = false;                // stored as grey (with or without alpha)
    PictureMetadata metadata;
    // Asked by a viewer, which may show a picture with damaged data as far as it decodes: the
    // picture is then returned with damage set to what is wrong, where otherwise the damage fails
    // it. A file cut short still fails.
    bool acceptDamage = false;
    std::optional<Error> damage{};
};

// Sets the Exif orientation to 1 (upright). For pixels that were turned upright on reading.
void resetExifOrientation(std::vector<std::uint8_t>& exif);

// Unlinks the thumbnail (the second image file directory) and cuts its bytes off where they end
// the block, as they usually do. A thumbnail no longer shows the picture once it is framed.
void dropExifThumbnail(std::vector<std::uint8_t>& exif);

}  // namespace rimvista::files
