// rimvista-batch's command line: the options, and each -f frame with --nest, checked against a
// picture and painted into a small one. Input: the arguments separated by NUL bytes.
#include <string>
#include <variant>
#include <vector>

#include "FuzzTarget.h"
#include "batch/BatchOptions.h"
#include "batch/FrameSequence.h"

using namespace rimvista;

RIMVISTA_FUZZ_TARGET(fuzzBatchOptions) {
    std::vector<std::string> args{"rimvista-batch"};
    std::string current;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            args.push_back(current);
            current.clear();
        } else {
            current += static_cast<char>(data[i]);
        }
    }
    args.push_back(current);
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());

    const batch::ParsedArguments parsed =
        batch::parseArguments(static_cast<int>(argv.size()), argv.data());
    if (!parsed.ok()) return 0;
    const batch::BatchOptions& o = parsed.options;
    // Runs that frame nothing: help, the version, a sample picture, the list of recordings.
    if (o.help || o.version || o.sampleFile || o.listRegistrations) return 0;
    FUZZ_CHECK(!o.pictures.empty() || o.filesFrom);
    FUZZ_CHECK(o.frameTexts.size() <= 10);
    FUZZ_CHECK(o.frameTexts.empty() != !o.registration);

    batch::FrameSequence frames;
    for (const std::string& text : o.frameTexts) {
        const auto frame = batch::parseFrameArgument(text);
        if (std::holds_alternative<std::string>(frame)) return 0;
        frames.push_back(std::get<FrameParams>(frame));
    }
    if (frames.empty()) return 0;
    if (o.nest) {
        frames = batch::nestedSequence(frames.front(), *o.nest);
        FUZZ_CHECK(!frames.empty() && frames.size() <= static_cast<std::size_t>(*o.nest));
    }
    PixelSurface picture(40, 30);
    picture.fill(Pixel{90, 120, 150, 0});
    if (batch::checkSequence(frames, picture.width(), picture.height())) return 0;
    FUZZ_CHECK(batch::paintSequence(picture, frames));
    return 0;
}
