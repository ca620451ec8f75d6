// The picture header probe that sizes a picture for rimvista-batch's memory gate. Only JPEG and
// BMP headers are its own; other formats go to Qt's readers, which are not fuzzed here.
#include <cstring>

#include "FuzzTarget.h"
#include "batch/PictureProbe.h"

using namespace rimvista;

RIMVISTA_FUZZ_TARGET(fuzzProbe) {
    const bool jpeg = size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
    const bool bmp = size >= 2 && data[0] == 'B' && data[1] == 'M';
    if (!jpeg && !bmp) return 0;
    const auto header = batch::probePicture(fuzz::asFile(data, size));
    if (!header) return 0;
    FUZZ_CHECK(header->width > 0 && header->height > 0);
    FUZZ_CHECK(header->fileSize == size);
    const std::uint64_t picture = std::uint64_t(header->width) * std::uint64_t(header->height) * 4;
    for (const auto format : {batch::OutputFormat::Bmp, batch::OutputFormat::Jpg})
        FUZZ_CHECK(batch::memoryCost(*header, format) >= picture);
    return 0;
}
