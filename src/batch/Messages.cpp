#include "batch/Messages.h"

#include <cstdlib>

namespace rimvista::batch {

bool japaneseLocale() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) return std::string_view(value).substr(0, 2) == "ja";
    }
    return false;
}

std::string say(std::string_view english, std::string_view japanese) {
    static const bool ja = japaneseLocale();
    return std::string(ja ? japanese : english);
}

std::string describe(const Error& error) {
    static const Language language = japaneseLocale() ? Language::Japanese : Language::English;
    return describe(error, language);
}

std::string frameCheckText(FrameCheck check, int width, int height, std::size_t entry,
                           std::size_t frames, const std::string& output) {
    const std::string size = std::to_string(width) + " x " + std::to_string(height);
    std::string text = check == FrameCheck::WidthError
                           ? say("the frame's widths do not fit this " + size + " picture",
                                 std::string(checkMessage(check)))
                           : say("the frame's positions do not fit this " + size + " picture",
                                 std::string(checkMessage(check)));
    if (frames > 1)
        text += say(" (frame " + std::to_string(entry) + " of " + std::to_string(frames) + ")",
                    " (" + std::to_string(frames) + " 枠中 " + std::to_string(entry) + " 番目)");
    const std::string what = check == FrameCheck::WidthError ? "widths" : "positions";
    return text + say("; " + output + " not written (smaller " + what + " would fit)", "");
}

}  // namespace rimvista::batch
