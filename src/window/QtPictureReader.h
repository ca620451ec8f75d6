#pragma once
// The window reads what no registry entry knows through Qt's image readers, so that any picture
// Qt can show still opens. Needs Qt Gui's image classes but no application object or window.

#include <optional>
#include <string>

#include "imageio/PictureMetadata.h"
#include "imageio/PictureReader.h"

namespace rimvista {

// A picture as the window opens it: its pixels, and the metadata a saved copy of it keeps.
struct WindowPicture {
    PixelSurface pixels;
    files::PictureMetadata metadata;
    std::optional<Error> damage{};  // set when the picture was read despite damaged data
};

// Reads the picture at path (UTF-8) with the registry's readers, or with Qt's (keeping no
// metadata) when its contents are of no format the registry knows.
Result<WindowPicture> loadWindowPicture(const std::string& path);

// Qt's readers alone; Qt recognises the format.
files::LoadResult readWithQt(const std::string& path);

}  // namespace rimvista
