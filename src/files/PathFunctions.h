#pragma once
// Path rules of the file commands. "/" separates folders here; a name starting with "." is
// hidden, the nearest this platform has to the hidden attribute.

#include <string>

namespace rimvista::paths {

// Folder lookup: true when an entry of that name exists, folder or plain file, and is not
// hidden. Used for remembered folders and for the folder part of picture paths.
bool folderLookup(const std::string& path);

// Main-window rule for remembered folders: empty is false; one trailing "/" is ignored.
bool FolderExists(const std::string& path);

}  // namespace rimvista::paths
