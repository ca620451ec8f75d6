// The registry's header probes, which size a picture for rimvista-batch's memory gate, on any
// bytes of every format they know.
#include "FuzzTarget.h"
#include "imageio/FormatRegistry.h"

using namespace rimvista;

RIMVISTA_FUZZ_TARGET(fuzzProbe) {
    const auto header = files::probePicture(fuzz::asFile(data, size));
    if (!header) return 0;
    FUZZ_CHECK(files::formatOfContents(data, size)->id == header->format);
    FUZZ_CHECK(header->width > 0 && header->height > 0);
    FUZZ_CHECK(header->orientation >= 1 && header->orientation <= 8);
    FUZZ_CHECK(header->fileSize == size);
    const std::uint64_t picture = std::uint64_t(header->width) * std::uint64_t(header->height) * 4;
    for (const files::PictureFormat* output : files::pictureFormats())
        FUZZ_CHECK(files::wholeMemoryCost(*header, output->id) >= picture);
    return 0;
}
