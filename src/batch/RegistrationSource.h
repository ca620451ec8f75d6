#pragma once
// Replaying a recording of the window: finding the settings file the window uses, choosing a
// registration by name or slot, and turning its entries into frames as the window's replay does.

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "batch/FrameSequence.h"

namespace rimvista::batch {

// The settings file the window uses when started without --settings, by the rule of
// settingsFileFor() for the folder this tool lives in (the window's own).
std::string windowSettingsFile(const std::string& executableFolder);

// The folder of the running executable.
std::string executableFolder();

struct Registration {
    int slot = 0;
    std::string name;
    FrameSequence frames;
    bool truncated = false;  // held more than ten entries; the window applies only ten
};

struct RegistrationSummary {
    int slot = 0;
    std::string name;
    int frames = 0;  // as recorded; more than 10 are listed, but only 10 are replayed
};

// The occupied slots in order, or why the file cannot be read (as for loadRegistration).
std::variant<std::vector<RegistrationSummary>, std::string> listRegistrations(
    const std::string& settingsFile);

// choice: "#" and digits for a slot (1..100), anything else a name, compared exactly. Each entry's
// eight numbers are read as the window's boxes read what the replay puts in them. Refused, with the
// reason: a missing file, a file holding text but not a single [section] line, an unknown or
// ambiguous name, a free slot, and an entry missing or malformed among those to apply (the window
// would stop there and leave a half-framed picture). The file is read once, in one pass.
std::variant<Registration, std::string> loadRegistration(const std::string& settingsFile,
                                                         const std::string& choice);

}  // namespace rimvista::batch
