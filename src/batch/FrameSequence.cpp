#include "batch/FrameSequence.h"

#include <array>
#include <optional>
#include <string>

#include "batch/Messages.h"
#include "core/FrameRenderer.h"
#include "core/NumberText.h"

namespace rimvista::batch {

namespace {

constexpr std::size_t kFieldCount = 9;

std::vector<std::string_view> splitCommas(std::string_view text) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        fields.push_back(
            text.substr(start, comma == std::string_view::npos ? comma : comma - start));
        if (comma == std::string_view::npos) return fields;
        start = comma + 1;
    }
}

// The relief by name, as the window's option buttons show it, any letter case.
std::optional<std::int16_t> reliefByName(std::string_view field) {
    std::string lower(field);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (lower == "convex" || lower == "凸") return 0;
    if (lower == "concave" || lower == "凹") return 1;
    return std::nullopt;
}

}  // namespace

std::variant<FrameParams, std::string> parseFrameArgument(std::string_view text) {
    const std::vector<std::string_view> fields = splitCommas(text);
    if (fields.size() != kFieldCount)
        return say("a frame has 9 numbers separated by commas (W0,W1,W2,W3,X0,X1,Y0,Y1,KIND): ",
                   "枠はコンマで区切った 9 個の数です (W0,W1,W2,W3,X0,X1,Y0,Y1,KIND): ") +
               std::string(text);
    std::array<std::int16_t, kFieldCount> v{};
    static constexpr std::array<const char*, kFieldCount> names = {"W0", "W1", "W2", "W3",  "X0",
                                                                   "X1", "Y0", "Y1", "KIND"};
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        auto n = num::parseInt16(fields[i]);
        if (!n && i == kFieldCount - 1) n = reliefByName(fields[i]);
        if (!n && i == kFieldCount - 1)
            return say("KIND must be 0 or convex, 1 or concave in ",
                       "KIND は 0 か凸、1 か凹です: ") +
                   std::string(text);
        if (!n)
            return std::string(names[i]) +
                   say(" is not a number from -32768 to 32767 in ",
                       " が -32768 から 32767 の数ではありません: ") +
                   std::string(text);
        v[i] = *n;
    }
    if (v[8] != 0 && v[8] != 1)
        return say("KIND must be 0 or convex, 1 or concave in ", "KIND は 0 か凸、1 か凹です: ") +
               std::string(text);
    return makeFrameParams(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]);
}

FrameSequence nestedSequence(const FrameParams& first, int count) {
    FrameSequence frames{first};
    while (static_cast<int>(frames.size()) < count) {
        const std::optional<FrameParams> next = autoAdjusted(frames.back());
        if (!next) break;
        frames.push_back(*next);
    }
    return frames;
}

std::optional<SequenceFailure> checkSequence(const FrameSequence& frames, int width, int height) {
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const FrameCheck check = checkExecute(frames[i], width, height, /*autoAdjust=*/true);
        if (check != FrameCheck::Ok) return SequenceFailure{i + 1, check};
    }
    return std::nullopt;
}

std::optional<SequenceFailure> checkWithoutPicture(const FrameSequence& frames) {
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const FrameParams& p = frames[i];
        const auto sumOverflows = [](int a, int b) { return a + b > 32767; };
        const bool widths = p.W[0] < 1 || p.W[1] < 1 || p.W[2] < 1 || p.W[3] < 1 ||
                            sumOverflows(p.W[0], p.W[1]) || sumOverflows(p.W[2], p.W[3]);
        if (widths) return SequenceFailure{i + 1, FrameCheck::WidthError};
        if (p.X0 < 0 || p.X1 < 0 || p.Y0 < 0 || p.Y1 < 0 || autoAdjustOverflows(p))
            return SequenceFailure{i + 1, FrameCheck::PositionError};
    }
    return std::nullopt;
}

bool paintSequence(PixelSurface& picture, const FrameSequence& frames) {
    SurfacePicture target(picture);
    for (const FrameParams& p : frames) {
        if (!DrawFrame(target, p.W[0], p.W[1], p.W[2], p.W[3], p.X0, p.X1, p.Y0, p.Y1,
                       frameStrength(p)))
            return false;
    }
    return true;
}

}  // namespace rimvista::batch
