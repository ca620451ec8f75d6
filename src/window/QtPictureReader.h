#pragma once
// The window reads what no registry entry knows through Qt's image readers, so that any picture
// Qt can show still opens. Needs Qt Gui's image classes but no application object or window.

#include <string>

#include "imageio/PictureReader.h"

namespace rimvista {

// Reads the picture at path (UTF-8) with the registry's readers, or with Qt's when its contents
// are of no format the registry knows.
files::LoadResult loadWindowPicture(const std::string& path);

// Qt's readers alone; Qt recognises the format.
files::LoadResult readWithQt(const std::string& path);

}  // namespace rimvista
