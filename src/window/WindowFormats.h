#pragma once
// The picture formats the window opens and saves, and its rules for them, all asked of the
// format registry: a dropped file qualifies by the last four characters of its name, a saved one
// takes its format from the last three, and the dialogs' filters list the formats' extensions.

#include <QString>
#include <string>
#include <vector>

#include "imageio/FormatRegistry.h"

namespace rimvista {

// In the order the save filter lists them; the first is the save dialog's default.
std::vector<const files::PictureFormat*> windowFormats();

// The last three characters lower-cased (fewer when the name is shorter); ASCII only, so a
// multi-byte name ending never matches by accident.
std::string lastThreeLower(const std::string& path);

// The format whose own extension (three letters) the name ends in, in any letter case, or null:
// "photo.jpeg" ends in "peg" and names none.
const files::PictureFormat* saveFormatOf(const std::string& path);

// The format the save dialog proposes after opening picturePath, and its 1-based place in the
// save filter: the one its name ends in, else the first.
std::pair<const files::PictureFormat*, int> proposedSaveFormat(const std::string& picturePath);

// True when the last four characters of the name, lower-cased, end one of the window's
// extensions with its dot: ".bmp", ".jpg", or "jpeg" (no dot: "notjpeg" qualifies too).
bool qualifiesForDrop(const QString& path);

// Success when the contents of the file at path are of one of the window's formats, whatever its
// name; otherwise the file's own error, or UnknownFormat for contents of any other format.
Result<void> checkWindowContents(const std::string& path);

// "画像ファイル (*.bmp;*.jpg;*.jpeg)|*.bmp;*.jpg;*.jpeg": every extension of every format.
QString openFilter();
// "BMPファイル (*.bmp)|*.bmp|JPGファイル(*.jpg)|*.jpg": one entry a format, its own extension.
QString saveFilter();
// "画像ファイル (*.bmp;*.jpg)|*.bmp;*.jpg": the formats' own extensions in one entry.
QString ownExtensionsFilter();

// The flags of the open dialogs: the file must exist (4096), read-only hidden (4).
inline constexpr int kPictureOpenFlags = 4100;

}  // namespace rimvista
