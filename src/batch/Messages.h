#pragma once
// The language of what rimvista-batch tells the user: English, or Japanese where the locale is
// Japanese, where the frame checks then use the window's own message texts.

#include <cstddef>
#include <string>
#include <string_view>

#include "core/Error.h"
#include "core/FrameCommand.h"

namespace rimvista::batch {

enum class Language { English, Japanese };

// From LC_ALL, LC_MESSAGES and LANG, the first one set deciding, as the C library does.
bool japaneseLocale();

// english or japanese as the locale says.
std::string say(std::string_view english, std::string_view japanese);

// A failure in words, with its figures, names and the system's reason: in the locale's language,
// or in the one given.
std::string describe(const Error& error);
std::string describe(const Error& error, Language language);

// Why a frame does not fit a width x height picture, and that output was not written; entry
// counts from 1 when frames > 1.
std::string frameCheckText(FrameCheck check, int width, int height, std::size_t entry,
                           std::size_t frames, const std::string& output);

}  // namespace rimvista::batch
