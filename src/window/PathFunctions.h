#pragma once
// Path rules of the file commands. "/" separates folders here; a name starting with "." is
// hidden, the nearest this platform has to the hidden attribute. Paths are UTF-8 byte strings
// as the file system takes them.

#include <string>

namespace rimvista::paths {

// Folder lookup: true when an entry of that name exists, folder or plain file, and is not
// hidden. Used for remembered folders and for the folder part of picture paths.
bool folderLookup(const std::string& path);

// Main-window rule for remembered folders: empty is false; one trailing "/" is ignored.
bool FolderExists(const std::string& path);

// The folder part of a picture path: the text before its last "/", where a "/" among the first
// two characters does not count, so "/a.bmp" gives the root "/". When that folder does not pass
// the folder lookup the result is programFolder.
std::string GetFolderName(const std::string& path, const std::string& programFolder);

// The file's own name without its folder when path names a plain, visible file; else "".
std::string bareName(const std::string& path);

// Where a newly opened picture is proposed to be saved: saveFolder, "/", its bare name.
// saveFolder is taken as it is, so one ending in "/" gives "//", which the file system ignores.
std::string proposedSavePath(const std::string& saveFolder, const std::string& picturePath);

// A name without any dot (folders included) gets ".jpg" when the picture's name ends in "jpg"
// in any case, otherwise ".bmp"; other names come back unchanged.
std::string AddExtension(const std::string& name, const std::string& pictureFile);

}  // namespace rimvista::paths
