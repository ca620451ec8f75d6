#pragma once
// The frames one run applies to every picture, and applying them as the window's Execute does.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/FrameCommand.h"
#include "core/FrameParams.h"
#include "core/PixelSurface.h"

namespace rimvista::batch {

using FrameSequence = std::vector<FrameParams>;

// A frame as typed on the command line, in the order of a recording's entry text:
// W0,W1,W2,W3,X0,X1,Y0,Y1,KIND. Stricter than the window's boxes, where a text that is not a
// number silently becomes 0: here each field must be a number in the 16-bit range (fractions
// round ties to even, as typed into the window) and KIND 0 or 1. Otherwise the reason.
std::variant<FrameParams, std::string> parseFrameArgument(std::string_view text);

// count frames starting with first, each next one where the window's auto-adjust leaves the
// boxes: positions moved inside the previous frame, the other kind. Ends early where the
// 16-bit positions would overflow; the window refuses that frame anyway (checkExecute).
FrameSequence nestedSequence(const FrameParams& first, int count);

struct SequenceFailure {
    std::size_t entry = 0;  // 1-based
    FrameCheck check = FrameCheck::Ok;
};

// The window's checks for every frame against a width x height picture, in order, the first
// failure deciding. Auto-adjust counts as ticked, as the window starts: a frame whose advanced
// positions would overflow is refused with the position message there too.
std::optional<SequenceFailure> checkSequence(const FrameSequence& frames, int width, int height);

// The first frame that every picture would refuse, whatever its size: a width below 1, two
// widths whose sum overflows, a negative position, positions that auto-adjust cannot advance.
// Empty when each frame may fit some picture.
std::optional<SequenceFailure> checkWithoutPicture(const FrameSequence& frames);

// Paints the frames in order with DrawFrame, the renderer behind the window's Execute.
// False when a frame could not be painted; the picture is then partly painted and must not
// be saved.
bool paintSequence(PixelSurface& picture, const FrameSequence& frames);

}  // namespace rimvista::batch
