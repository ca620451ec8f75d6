// One lookup for every caller: a file's format by its first bytes and by its name.
#include <gtest/gtest.h>

#include <optional>

#include "imageio/FormatRegistry.h"

namespace rimvista::files {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(FormatRegistry, ContentsAndNamesTellTheFormat) {
    for (const PictureFormat* format : pictureFormats())
        EXPECT_EQ(&pictureFormat(format->id), format) << format->name;

    const std::pair<Bytes, std::optional<FormatId>> heads[] = {
        {{0xFF, 0xD8, 0xFF, 0xE0}, FormatId::Jpeg},
        {{0xFF, 0xD8, 0xFF}, FormatId::Jpeg},
        {{0xFF, 0xD8, 0x00}, std::nullopt},  // not a marker after the start of image
        {{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, FormatId::Png},
        {{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A}, std::nullopt},  // signature cut short
        {{0x89, 'P', 'N', 'G', '\n', '\n', 0x1A, '\n'}, std::nullopt},
        {{'B', 'M'}, FormatId::Bmp},
        {{'B'}, std::nullopt},
        {{'G', 'I', 'F', '8', '9', 'a'}, std::nullopt},
        {{}, std::nullopt},
    };
    for (const auto& [head, expected] : heads) {
        const PictureFormat* format = formatOfContents(head.data(), head.size());
        EXPECT_EQ(format ? std::optional(format->id) : std::nullopt, expected) << head.size();
    }

    const std::pair<const char*, std::optional<FormatId>> names[] = {
        {"a.JPG", FormatId::Jpeg}, {"dir/b.jpeg", FormatId::Jpeg}, {"c.Jpe", FormatId::Jpeg},
        {"d.png", FormatId::Png},  {"e.BMP", FormatId::Bmp},       {"f.jpg.gif", std::nullopt},
        {".jpg", std::nullopt},    {"x.jpg/g", std::nullopt},      {"h.", std::nullopt},
        {"notjpeg", std::nullopt},
    };
    for (const auto& [name, expected] : names) {
        const PictureFormat* format = formatOfName(name);
        EXPECT_EQ(format ? std::optional(format->id) : std::nullopt, expected) << name;
    }
}

}  // namespace
}  // namespace rimvista::files
