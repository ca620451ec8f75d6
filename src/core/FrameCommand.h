#pragma once
// The rules of the Execute command that do not depend on the window: reading the parameter
// texts, checking them against the picture, auto-adjust, and painting together with the snapshot
// Undo needs, so that the picture, the history and Undo change all together or not at all.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "core/FrameParams.h"
#include "core/PixelSurface.h"
#include "core/UndoSnapshot.h"

namespace rimvista {

inline constexpr std::string_view kWidthErrorMessage = "幅の設定が不正です。";
inline constexpr std::string_view kPositionErrorMessage = "位置の設定が不正です。";
inline constexpr std::string_view kSettingErrorTitle = "設定エラー";

// The texts of the parameter boxes, UTF-8.
struct FrameTexts {
    std::array<std::string, 4> W;  // top, bottom, left, right
    std::string X0, X1, Y0, Y1;
};

// Each text as a 16-bit integer, fractions rounded ties to even; a text that is not a number or
// lies outside -32768..32767 gives 0. Kind is 0 for convex, 1 for concave.
FrameParams readFrameParams(const FrameTexts& texts, bool convex);

// +1 for a convex frame, -1 for a concave one.
float frameStrength(const FrameParams& p);

enum class FrameCheck { Ok, WidthError, PositionError };

// The checks before painting, the first failure deciding: every width at least 1; W0 + W1 <= H
// and W2 + W3 <= W, summed in 16 bits (a sum that overflows fails); 0 <= X0 <= W, 0 <= Y0 <= H,
// 0 <= X1 <= W, 0 <= Y1 <= H; W - X1 > X0 and H - Y1 > Y0. W and H are the picture's size.
FrameCheck checkFrame(const FrameParams& p, int W, int H);

// The parameters after an Execute with auto-adjust: X0 + W2 + 1, X1 + W3 + 1, Y0 + W0 + 1,
// Y1 + W1 + 1 as the new positions (each band is width + 1 thick, so the next frame starts right
// inside this one) and the other kind. Empty when one of those 16-bit sums would overflow.
std::optional<FrameParams> autoAdjusted(const FrameParams& p);
bool autoAdjustOverflows(const FrameParams& p);

// checkFrame, and with auto-adjust on, a position error for parameters whose adjusted positions
// would overflow: refused before painting, rather than painted with positions that cannot be
// written back.
FrameCheck checkExecute(const FrameParams& p, int W, int H, bool autoAdjust);

// The message text for a failed check; empty for Ok. The title is kSettingErrorTitle.
std::string_view checkMessage(FrameCheck check);

// Saves what the frame will change, then paints it. Returns the snapshot that undoes it; empty,
// with the picture untouched, when nothing was painted (no picture, a width below 1, no memory
// for the snapshot).
std::optional<UndoSnapshot> applyFrame(PictureTarget& picture, const FrameParams& p);

}  // namespace rimvista
