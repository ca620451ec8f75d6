#include "core/FrameCommand.h"

#include <cstdint>

#include "core/FrameRenderer.h"
#include "core/NumberText.h"

namespace rimvista {

namespace {

std::int16_t readInt16(std::string_view text) {
    return num::parseInt16(text).value_or(0);
}

bool within(int v, int hi) {
    return v >= 0 && v <= hi;
}

// a + b + 1 in 16-bit arithmetic, left to right, failing on either overflow.
std::optional<std::int16_t> pastBand(std::int16_t position, std::int16_t width) {
    const auto sum = num::add16(position, width);
    if (!sum) return std::nullopt;
    return num::add16(*sum, 1);
}

}  // namespace

FrameParams readFrameParams(const FrameTexts& texts, bool convex) {
    FrameParams p;
    for (std::size_t i = 0; i < p.W.size(); ++i) p.W[i] = readInt16(texts.W[i]);
    p.X0 = readInt16(texts.X0);
    p.Y0 = readInt16(texts.Y0);
    p.X1 = readInt16(texts.X1);
    p.Y1 = readInt16(texts.Y1);
    p.Kind = convex ? 0 : 1;
    return p;
}

float frameStrength(const FrameParams& p) {
    return p.Kind == 0 ? 1.0f : -1.0f;
}

FrameCheck checkFrame(const FrameParams& p, int W, int H) {
    for (std::int16_t w : p.W) {
        if (w < 1) return FrameCheck::WidthError;
    }
    const auto vertical = num::add16(p.W[0], p.W[1]);
    if (!vertical || *vertical > H) return FrameCheck::WidthError;
    const auto horizontal = num::add16(p.W[2], p.W[3]);
    if (!horizontal || *horizontal > W) return FrameCheck::WidthError;

    if (!within(p.X0, W) || !within(p.Y0, H) || !within(p.X1, W) || !within(p.Y1, H))
        return FrameCheck::PositionError;
    if (!(W - p.X1 > p.X0 && H - p.Y1 > p.Y0)) return FrameCheck::PositionError;
    return FrameCheck::Ok;
}

std::optional<FrameParams> autoAdjusted(const FrameParams& p) {
    const auto x0 = pastBand(p.X0, p.W[2]);
    const auto x1 = pastBand(p.X1, p.W[3]);
    const auto y0 = pastBand(p.Y0, p.W[0]);
    const auto y1 = pastBand(p.Y1, p.W[1]);
    if (!x0 || !x1 || !y0 || !y1) return std::nullopt;
    FrameParams next = p;
    next.X0 = *x0;
    next.X1 = *x1;
    next.Y0 = *y0;
    next.Y1 = *y1;
    next.Kind = p.Kind == 0 ? 1 : 0;
    return next;
}

bool autoAdjustOverflows(const FrameParams& p) {
    return !autoAdjusted(p).has_value();
}

FrameCheck checkExecute(const FrameParams& p, int W, int H, bool autoAdjust) {
    const FrameCheck check = checkFrame(p, W, H);
    if (check != FrameCheck::Ok) return check;
    if (autoAdjust && autoAdjustOverflows(p)) return FrameCheck::PositionError;
    return FrameCheck::Ok;
}

std::string_view checkMessage(FrameCheck check) {
    switch (check) {
        case FrameCheck::WidthError:
            return kWidthErrorMessage;
        case FrameCheck::PositionError:
            return kPositionErrorMessage;
        case FrameCheck::Ok:
            break;
    }
    return {};
}

std::optional<UndoSnapshot> applyFrame(PictureTarget& picture, const FrameParams& p) {
    auto snapshot = UndoSnapshot::capture(picture, p);
    if (!snapshot) return std::nullopt;
    if (!DrawFrame(picture, p.W[0], p.W[1], p.W[2], p.W[3], p.X0, p.X1, p.Y0, p.Y1,
                   frameStrength(p)))
        return std::nullopt;
    return snapshot;
}

}  // namespace rimvista
