// Reading the command line against the option table.
#include <algorithm>

#include "batch/BatchOptions.h"
#include "batch/Messages.h"
#include "core/FrameParams.h"
#include "imageio/FormatRegistry.h"

namespace rimvista::batch {

namespace {

const OptionRow* findLong(std::string_view name) {
    for (const OptionRow& row : optionTable())
        if (row.longName == name) return &row;
    return nullptr;
}

const OptionRow* findShort(char name) {
    for (const OptionRow& row : optionTable())
        if (row.shortName != 0 && row.shortName == name) return &row;
    return nullptr;
}

std::string combinationError(const BatchOptions& o) {
    if (!o.frameTexts.empty() && o.registration)
        return say("--frame and --registration cannot be combined",
                   "--frame と --registration は一緒に使えません");
    if (o.frameTexts.size() > static_cast<std::size_t>(FrameHistory::kMaxApplications))
        return say("at most 10 frames can be applied to one picture",
                   "一つの画像に付けられる枠は 10 までです");
    if (o.nest && o.frameTexts.size() != 1)
        return say("--nest needs exactly one --frame",
                   "--nest には --frame がちょうど一つ要ります");
    if (o.settingsFile && !o.registration)
        return say("--settings belongs to --registration or --list-registrations",
                   "--settings は --registration か --list-registrations と共に使います");
    if (o.overwrite && o.skipExisting)
        return say("--overwrite and --skip-existing cannot be combined",
                   "--overwrite と --skip-existing は一緒に使えません");
    return {};
}

// Combinations that no single option can judge.
std::string checkCombination(const BatchOptions& o) {
    if (o.help || o.version) return {};
    if (o.listRegistrations) {
        return o.pictures.empty() && o.frameTexts.empty() && !o.registration && !o.filesFrom
                   ? std::string()
                   : say("--list-registrations takes no frames and no pictures",
                         "--list-registrations には枠も画像も指定できません");
    }
    if (o.sampleFile) {
        return o.pictures.empty() ? std::string()
                                  : say("--make-sample takes no pictures to frame",
                                        "--make-sample には枠を付ける画像を指定できません");
    }
    if (o.sampleSize)
        return say("--sample-size belongs to --make-sample",
                   "--sample-size は --make-sample と共に使います");
    if (o.frameTexts.empty() && !o.registration)
        return say("give --frame or --registration",
                   "--frame か --registration を指定してください");
    if (std::string error = combinationError(o); !error.empty()) return error;
    if (o.pictures.empty() && !o.filesFrom)
        return say("no pictures given", "画像が指定されていません");
    return {};
}

std::string dashes(const OptionRow& row) {
    return "--" + std::string(row.longName);
}

}  // namespace

std::optional<files::FormatId> formatFromName(const std::string& name) {
    if (const files::PictureFormat* format = files::formatCalled(name)) return format->id;
    return std::nullopt;
}

// Short flags combine as in other tools: -qn is -q -n, and a flag that takes a value takes the
// rest of the word (-j4) or the next word. The unknown or misused option is the error.
static std::string readShortFlags(const std::string& arg, int argc, const char* const* argv, int& i,
                                  BatchOptions& options) {
    for (std::size_t at = 1; at < arg.size(); ++at) {
        const OptionRow* row = findShort(arg[at]);
        if (!row)
            return say("unknown option ", "知らないオプションです: ") + "-" + arg.substr(at, 1) +
                   (arg.size() > 2 ? say(" (in ", " (") + arg + ")" : std::string());
        if (row->kind == ValueKind::None) {
            if (std::string error = row->set(options, {}); !error.empty()) return error;
            continue;
        }
        std::string value;
        if (at + 1 < arg.size())
            value = arg.substr(at + 1);
        else if (i + 1 < argc)
            value = argv[++i];
        else
            return dashes(*row) + say(" needs a value", " には値が要ります");
        return row->set(options, value);
    }
    return {};
}

ParsedArguments parseArguments(int argc, const char* const* argv) {
    ParsedArguments result;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            result.options.pictures.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg[1] != '-') {
            if (std::string error = readShortFlags(arg, argc, argv, i, result.options);
                !error.empty())
                return {result.options, error};
            continue;
        }
        const std::size_t eq = arg.find('=');
        const OptionRow* row =
            findLong(std::string_view(arg).substr(2, eq == std::string::npos ? eq : eq - 2));
        std::optional<std::string> inlineValue;
        if (eq != std::string::npos) inlineValue = arg.substr(eq + 1);
        if (!row) return {result.options, say("unknown option ", "知らないオプションです: ") + arg};
        const bool takesValue = row->kind != ValueKind::None;
        if (!takesValue && inlineValue)
            return {result.options, dashes(*row) + say(" takes no value", " は値を取りません")};
        std::string value;
        if (takesValue) {
            // The value is taken as it stands, so a frame with a negative first number works.
            if (inlineValue)
                value = *inlineValue;
            else if (i + 1 < argc)
                value = argv[++i];
            else
                return {result.options, dashes(*row) + say(" needs a value", " には値が要ります")};
        }
        if (std::string error = row->set(result.options, value); !error.empty())
            return {result.options, error};
    }
    result.error = checkCombination(result.options);
    return result;
}

}  // namespace rimvista::batch
