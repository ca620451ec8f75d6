#pragma once
// The language of what rimvista-batch tells the user: English, or Japanese where the locale is
// Japanese, where the frame checks then use the window's own message texts.

#include <cstddef>
#include <string>
#include <string_view>

#include "core/FrameCommand.h"

namespace rimvista::batch {

// From LC_ALL, LC_MESSAGES and LANG, the first one set deciding, as the C library does.
bool japaneseLocale();

// english or japanese as the locale says.
std::string say(std::string_view english, std::string_view japanese);

// A reason from the picture readers and writers (which speak the window's Japanese) in the
// user's language; parts it does not know stay as they are.
std::string fileReason(const std::string& reason);

// Why a frame does not fit a width x height picture, and that output was not written; entry
// counts from 1 when frames > 1.
std::string frameCheckText(FrameCheck check, int width, int height, std::size_t entry,
                           std::size_t frames, const std::string& output);

}  // namespace rimvista::batch
