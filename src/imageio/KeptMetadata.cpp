#include "imageio/KeptMetadata.h"

namespace rimvista::files {

namespace {

void keepCarried(PictureMetadata& m, const Carries& carries) {
    if (!carries.profile) m.icc.clear();
    if (!carries.exif) m.exif.clear();
    if (!carries.xmp) m.xmp.clear();
    if (!carries.comments) m.comments.clear();
    if (!carries.density) m.density.reset();
}

// A profile's header names its colour space in bytes 16..19.
void dropMismatchedProfile(std::vector<std::uint8_t>& icc, bool greyOutput) {
    if (icc.size() < 20) return;
    const std::string space(icc.begin() + 16, icc.begin() + 20);
    if (space != (greyOutput ? "GRAY" : "RGB ")) icc.clear();
}

}  // namespace

Result<PictureFacts> factsForCopy(const PictureFormat& format, const std::string& path) {
    InputFile file;
    if (!file.open(path)) return PictureFacts{};
    Result<PictureFacts> facts = format.readFacts(file);
    // The reader has turned the pixels upright by this orientation; PNG's facts say 1 and keep
    // the stored orientation for viewers to apply.
    if (facts && facts->orientation != 1) resetExifOrientation(facts->metadata.exif);
    return facts;
}

void fitMetadataToCopy(PictureMetadata& metadata, const PictureFormat& output, bool greyOutput) {
    dropExifThumbnail(metadata.exif);
    keepCarried(metadata, output.carries);
    dropMismatchedProfile(metadata.icc, greyOutput);
}

}  // namespace rimvista::files
