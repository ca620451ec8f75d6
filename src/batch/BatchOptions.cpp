#include "batch/BatchOptions.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <string_view>

#include "engine/FrameParams.h"

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
             return o.format ? std::string() : std::string("--format must be bmp or jpg");
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
    if (o.help) return {};
    if (o.sampleFile) {
        return o.pictures.empty() ? std::string()
                                  : std::string("--make-sample takes no pictures to frame");
    }
    if (o.sampleSize) return "--sample-size belongs to --make-sample";
    if (o.frameTexts.empty() && !o.registration) return "give --frame or --registration";
    if (!o.frameTexts.empty() && o.registration)
        return "--frame and --registration cannot be combined";
    if (o.frameTexts.size() > static_cast<std::size_t>(FrameHistory::kMaxApplications))
        return "at most 10 frames can be applied to one picture";
    if (o.nest && o.frameTexts.size() != 1) return "--nest needs exactly one --frame";
    if (o.settingsFile && !o.registration) return "--settings belongs to --registration";
    if (o.pictures.empty()) return "no pictures given";
    return {};
}

}  // namespace

std::optional<OutputFormat> formatFromName(const std::string& name) {
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == "bmp") return OutputFormat::Bmp;
    if (lower == "jpg" || lower == "jpeg") return OutputFormat::Jpg;
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
        if (!rule) return {result.options, "unknown option " + arg};
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
                return {result.options, "--" + std::string(rule->longName) + " needs a value"};
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
                      in order
  -r, --registration NAME|#SLOT
                      replay a recording of the window instead
      --settings FILE settings file holding the recordings (default: the window's own)
      --nest N        with one --frame: N nested frames of alternating kind (at most 10)
  -o, --output DIR|FILE
                      where results go (a FILE only with one picture). Default: beside each
                      picture, named NAME-framed.EXT
      --format bmp|jpg
                      output format (default: the picture's, by its extension)
      --quality Q     JPEG quality 1..100, default 100
  -j, --jobs N        pictures processed at once (default: the number of cores)
      --memory MB     memory for pictures in work (default: 3/4 of the available memory)
  -q, --quiet         no progress display
      --overwrite     replace existing outputs
  -h, --help          this text
      --make-sample FILE [--sample-size WxH]
                      write a sample picture (default 640x480) to try the tool on

Exit status: 0 all pictures framed, 1 some failed, 2 usage error, 130 interrupted (the
pictures in work when Ctrl-C was pressed are finished, the others are not started).
)";
}

}  // namespace rimvista::batch
