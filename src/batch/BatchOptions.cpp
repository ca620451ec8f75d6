#include "batch/BatchOptions.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <string_view>

#include "batch/Messages.h"
#include "core/FrameParams.h"

namespace rimvista::batch {

namespace {

constexpr int kMaxJobs = 256;

std::optional<long long> wholeNumber(std::string_view text) {
    long long v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return v;
}

bool readRange(std::string_view text, long long lo, long long hi, long long& out) {
    const auto v = wholeNumber(text);
    if (!v || *v < lo || *v > hi) return false;
    out = *v;
    return true;
}

std::optional<std::pair<int, int>> readSize(std::string_view text) {
    const auto x = text.find_first_of("xX");
    if (x == std::string_view::npos) return std::nullopt;
    long long w = 0, h = 0;
    if (!readRange(text.substr(0, x), 1, 100000, w) || !readRange(text.substr(x + 1), 1, 100000, h))
        return std::nullopt;
    return std::pair<int, int>(static_cast<int>(w), static_cast<int>(h));
}

// What one option does with its value; returns an error text, empty when accepted.
using Setter = std::function<std::string(BatchOptions&, const std::string&)>;

struct OptionRule {
    std::string_view longName;
    char shortName;  // 0: none
    bool takesValue;
    Setter set;
};

std::string rangeError(std::string_view option, long long lo, long long hi) {
    return std::string(option) + " needs a whole number from " + std::to_string(lo) + " to " +
           std::to_string(hi);
}

const std::vector<OptionRule>& optionTable() {
    static const std::vector<OptionRule> table = {
        {"frame", 'f', true,
         [](BatchOptions& o, const std::string& v) {
             o.frameTexts.push_back(v);
             return std::string();
         }},
        {"registration", 'r', true,
         [](BatchOptions& o, const std::string& v) {
             if (o.registration) return std::string("--registration may be given only once");
             o.registration = v;
             return std::string();
         }},
        {"settings", 0, true,
         [](BatchOptions& o, const std::string& v) {
             o.settingsFile = v;
             return std::string();
         }},
        {"nest", 0, true,
         [](BatchOptions& o, const std::string& v) {
             long long n = 0;
             if (!readRange(v, 1, FrameHistory::kMaxApplications, n))
                 return rangeError("--nest", 1, FrameHistory::kMaxApplications);
             o.nest = static_cast<int>(n);
             return std::string();
         }},
        {"output", 'o', true,
         [](BatchOptions& o, const std::string& v) {
             if (v.empty()) return std::string("--output needs a folder or file name");
             o.output = v;
             return std::string();
         }},
        {"format", 0, true,
         [](BatchOptions& o, const std::string& v) {
             o.format = formatFromName(v);
             return o.format ? std::string()
                             : say("--format must be jpg, png or bmp",
                                   "--format は jpg、png、bmp のどれかです");
         }},
        {"quality", 0, true,
         [](BatchOptions& o, const std::string& v) {
             long long q = 0;
             if (!readRange(v, 1, 100, q)) return rangeError("--quality", 1, 100);
             o.quality = static_cast<int>(q);
             return std::string();
         }},
        {"jobs", 'j', true,
         [](BatchOptions& o, const std::string& v) {
             long long j = 0;
             if (!readRange(v, 1, kMaxJobs, j)) return rangeError("--jobs", 1, kMaxJobs);
             o.jobs = static_cast<int>(j);
             return std::string();
         }},
        {"memory", 0, true,
         [](BatchOptions& o, const std::string& v) {
             long long m = 0;
             if (!readRange(v, 1, 1LL << 40, m)) return rangeError("--memory", 1, 1LL << 40);
             o.memoryMegabytes = static_cast<std::uint64_t>(m);
             return std::string();
         }},
        {"strip", 0, false,
         [](BatchOptions& o, const std::string&) {
             o.strip = true;
             return std::string();
         }},
        {"recursive", 'R', false,
         [](BatchOptions& o, const std::string&) {
             o.recursive = true;
             return std::string();
         }},
        {"files-from", 0, true,
         [](BatchOptions& o, const std::string& v) {
             if (o.filesFrom) return std::string("--files-from may be given only once");
             if (v.empty())
                 return std::string("--files-from needs a file name, or - for the input");
             o.filesFrom = v;
             return std::string();
         }},
        {"skip-existing", 0, false,
         [](BatchOptions& o, const std::string&) {
             o.skipExisting = true;
             return std::string();
         }},
        {"suffix", 0, true,
         [](BatchOptions& o, const std::string& v) {
             if (v.find('/') != std::string::npos)
                 return std::string("--suffix cannot hold a /: ") + v;
             o.suffix = v;
             return std::string();
         }},
        {"dry-run", 'n', false,
         [](BatchOptions& o, const std::string&) {
             o.dryRun = true;
             return std::string();
         }},
        {"list-registrations", 0, false,
         [](BatchOptions& o, const std::string&) {
             o.listRegistrations = true;
             return std::string();
         }},
        {"shard", 0, true,
         [](BatchOptions& o, const std::string& v) {
             const auto slash = v.find('/');
             long long k = 0, n = 0;
             if (slash == std::string::npos || !readRange(v.substr(slash + 1), 1, 1000000, n) ||
                 !readRange(v.substr(0, slash), 1, n, k))
                 return std::string("--shard needs K/N with 1 <= K <= N, e.g. 2/8: ") + v;
             o.shard = std::pair<int, int>(static_cast<int>(k), static_cast<int>(n));
             return std::string();
         }},
        {"version", 'V', false,
         [](BatchOptions& o, const std::string&) {
             o.version = true;
             return std::string();
         }},
        {"quiet", 'q', false,
         [](BatchOptions& o, const std::string&) {
             o.quiet = true;
             return std::string();
         }},
        {"overwrite", 0, false,
         [](BatchOptions& o, const std::string&) {
             o.overwrite = true;
             return std::string();
         }},
        {"help", 'h', false,
         [](BatchOptions& o, const std::string&) {
             o.help = true;
             return std::string();
         }},
        {"make-sample", 0, true,
         [](BatchOptions& o, const std::string& v) {
             o.sampleFile = v;
             return std::string();
         }},
        {"sample-size", 0, true,
         [](BatchOptions& o, const std::string& v) {
             o.sampleSize = readSize(v);
             return o.sampleSize ? std::string()
                                 : std::string("--sample-size needs WIDTHxHEIGHT, e.g. 640x480");
         }},
    };
    return table;
}

const OptionRule* findLong(std::string_view name) {
    for (const OptionRule& rule : optionTable())
        if (rule.longName == name) return &rule;
    return nullptr;
}

const OptionRule* findShort(char name) {
    for (const OptionRule& rule : optionTable())
        if (rule.shortName != 0 && rule.shortName == name) return &rule;
    return nullptr;
}

// Combinations that no single option can judge.
std::string checkCombination(const BatchOptions& o) {
    if (o.help || o.version) return {};
    if (o.listRegistrations) {
        return o.pictures.empty() && o.frameTexts.empty() && !o.registration && !o.filesFrom
                   ? std::string()
                   : std::string("--list-registrations takes no frames and no pictures");
    }
    if (o.sampleFile) {
        return o.pictures.empty() ? std::string()
                                  : std::string("--make-sample takes no pictures to frame");
    }
    if (o.sampleSize) return "--sample-size belongs to --make-sample";
    if (o.frameTexts.empty() && !o.registration)
        return say("give --frame or --registration",
                   "--frame か --registration を指定してください");
    if (!o.frameTexts.empty() && o.registration)
        return "--frame and --registration cannot be combined";
    if (o.frameTexts.size() > static_cast<std::size_t>(FrameHistory::kMaxApplications))
        return "at most 10 frames can be applied to one picture";
    if (o.nest && o.frameTexts.size() != 1) return "--nest needs exactly one --frame";
    if (o.settingsFile && !o.registration)
        return "--settings belongs to --registration or --list-registrations";
    if (o.overwrite && o.skipExisting)
        return say("--overwrite and --skip-existing cannot be combined",
                   "--overwrite と --skip-existing は一緒に使えません");
    if (o.pictures.empty() && !o.filesFrom)
        return say("no pictures given", "画像が指定されていません");
    return {};
}

}  // namespace

std::optional<files::FormatId> formatFromName(const std::string& name) {
    if (const files::PictureFormat* format = files::formatCalled(name)) return format->id;
    return std::nullopt;
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
        const OptionRule* rule = nullptr;
        std::optional<std::string> inlineValue;
        if (arg[1] == '-') {
            const std::size_t eq = arg.find('=');
            rule = findLong(std::string_view(arg).substr(2, eq == std::string::npos ? eq : eq - 2));
            if (eq != std::string::npos) inlineValue = arg.substr(eq + 1);
        } else {
            rule = findShort(arg[1]);
            if (arg.size() > 2) inlineValue = arg.substr(2);
        }
        if (!rule)
            return {result.options, say("unknown option ", "知らないオプションです: ") + arg};
        if (!rule->takesValue && inlineValue)
            return {result.options, "--" + std::string(rule->longName) + " takes no value"};
        std::string value;
        if (rule->takesValue) {
            // The value is taken as it stands, so a frame with a negative first number works.
            if (inlineValue)
                value = *inlineValue;
            else if (i + 1 < argc)
                value = argv[++i];
            else
                return {result.options, "--" + std::string(rule->longName) +
                                            say(" needs a value", " には値が要ります")};
        }
        if (std::string error = rule->set(result.options, value); !error.empty())
            return {result.options, error};
    }
    result.error = checkCombination(result.options);
    return result;
}

std::string usageText() {
    return R"(Usage: rimvista-batch [options] PICTURE...
Paints bevelled frames into many pictures at once, exactly as Rimvista's window does.

  -f, --frame W0,W1,W2,W3,X0,X1,Y0,Y1,KIND
                      one frame: widths top, bottom, left, right; positions left, right, top,
                      bottom; KIND 0 convex, 1 concave. Repeat for more (at most 10), applied
                      in order. Numbers are read as the window reads its boxes: fractions are
                      rounded to the nearest whole number, halves to the even one (2.5 is 2)
  -r, --registration NAME|#SLOT
                      replay a recording of the window instead
      --list-registrations
                      list the recordings: slot, name, number of frames
      --settings FILE settings file holding the recordings (default: the window's own)
      --nest N        with one --frame: N nested frames of alternating kind (at most 10)
  -o, --output DIR/|FILE|-
                      DIR/ (ending in /, or an existing folder): results go there, created
                      when missing. FILE: the one result; its extension (.jpg, .png, .bmp)
                      decides the format. -: the one result to standard output.
                      Default: beside each picture, named NAME-framed.EXT
      --suffix TEXT   added to the names beside the pictures (default -framed); given, also
                      to the names in an output folder
      --format jpg|png|bmp
                      output format (default: the picture's own, by its contents)
      --quality Q     JPEG quality 1..100 (default: a JPEG's own, estimated; 92 otherwise)
      --strip         leave out colour profile, Exif, XMP, comments and density
  -R, --recursive     frame the pictures in folders given, and in their subfolders; under
                      -o the folder tree is kept
      --files-from FILE
                      also frame the pictures named in FILE, one a line (- reads the input)
      --shard K/N     frame only part K of N of the pictures (a stable split by name), to
                      share one command among N machines or jobs
  -n, --dry-run       show what would be written; write nothing
      --overwrite     replace existing outputs
      --skip-existing leave existing outputs as they are (a re-run finishes the rest)
  -j, --jobs N        pictures processed at once (default: the number of cores)
      --memory MB     memory for pictures in work (default: 3/4 of the available memory)
  -q, --quiet         no progress display
  -V, --version       the version
  -h, --help          this text
      --make-sample FILE [--sample-size WxH]
                      write a sample picture (default 640x480) to try the tool on

Pictures are JPEG, PNG and BMP files, told by their contents; other names are reported and
skipped. Exit status: 0 all pictures framed, 1 some failed or were skipped, 2 usage error, 130
interrupted (the pictures in work when Ctrl-C was pressed are finished, the others are not
started).
)";
}

}  // namespace rimvista::batch
