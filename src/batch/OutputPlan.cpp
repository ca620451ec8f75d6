#include "batch/OutputPlan.h"

#include <algorithm>
#include <filesystem>
#include <map>

namespace rimvista::batch {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kBesideSuffix = "-framed";

std::string lowerAscii(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) {
        return static_cast<char>(c < 0x80 ? std::tolower(c) : c);
    });
    return s;
}

std::string extensionFor(OutputFormat format) {
    return format == OutputFormat::Bmp ? ".bmp" : ".jpg";
}

// Symbolic links resolved and "." and ".." removed, also for paths that do not exist yet.
std::string canonicalText(const fs::path& path) {
    std::error_code ec;
    fs::path c = fs::weakly_canonical(path, ec);
    if (ec) c = fs::absolute(path, ec).lexically_normal();
    return c.string();
}

// The same name when the format stays (a.JPEG stays a.JPEG), otherwise the stem with the
// format's extension; suffix goes between the stem and the extension.
fs::path outputName(const fs::path& input, OutputFormat format, std::string_view suffix) {
    const bool sameFormat = formatOfName(input.string()) == format;
    if (sameFormat && suffix.empty()) return input.filename();
    const std::string ext = sameFormat ? input.extension().string() : extensionFor(format);
    return fs::path(input.stem().string() + std::string(suffix) + ext);
}

struct Target {
    bool isFolder = false;
    fs::path path;  // empty: beside each picture
};

std::variant<Target, std::string> chooseTarget(const BatchOptions& o) {
    if (!o.output) return Target{};
    const fs::path out(*o.output);
    std::error_code ec;
    const bool exists = fs::exists(out, ec);
    const bool isFolder = fs::is_directory(out, ec);
    const bool namedAsFolder = o.output->back() == '/';
    const bool looksLikeFile = !namedAsFolder && formatOfName(*o.output).has_value();
    if (o.pictures.size() > 1 && ((exists && !isFolder) || (!exists && looksLikeFile)))
        return "--output must be a folder when several pictures are given: " + *o.output;
    return Target{isFolder || namedAsFolder || o.pictures.size() > 1, out};
}

std::variant<PictureJob, std::string> planOne(const BatchOptions& o, const Target& target,
                                              const std::string& input) {
    const fs::path in(input);
    std::optional<OutputFormat> format = o.format;
    if (!target.isFolder && !target.path.empty()) {
        const auto named = formatOfName(target.path.string());
        if (format && named && *format != *named)
            return "the output name " + target.path.string() + " does not fit --format";
        if (!format) format = named;
    }
    if (!format) format = formatOfName(input);
    if (!format) return "cannot tell the output format of " + input + ": give --format";

    fs::path out;
    if (target.path.empty())
        out = in.parent_path() / outputName(in, *format, kBesideSuffix);
    else if (target.isFolder)
        out = target.path / outputName(in, *format, {});
    else
        out = target.path;
    return PictureJob{input, out.string(), *format};
}

// No output may be an input, and no two pictures may share an output.
std::string findCollision(const std::vector<PictureJob>& jobs) {
    std::map<std::string, std::string> inputs;
    for (const PictureJob& job : jobs) inputs.emplace(canonicalText(job.input), job.input);
    std::map<std::string, const PictureJob*> outputs;
    for (const PictureJob& job : jobs) {
        const std::string c = canonicalText(job.output);
        if (auto hit = inputs.find(c); hit != inputs.end())
            return job.input + ": its output " + job.output + " is the input " + hit->second;
        auto [it, fresh] = outputs.emplace(c, &job);
        if (!fresh)
            return it->second->input + " and " + job.input + " would both be written to " +
                   job.output;
    }
    return {};
}

}  // namespace

std::optional<OutputFormat> formatOfName(const std::string& path) {
    const std::string ext = lowerAscii(fs::path(path).extension().string());
    if (ext == ".bmp") return OutputFormat::Bmp;
    if (ext == ".jpg" || ext == ".jpeg" || ext == ".jpe") return OutputFormat::Jpg;
    return std::nullopt;
}

std::variant<std::vector<PictureJob>, std::string> planOutputs(const BatchOptions& options) {
    auto target = chooseTarget(options);
    if (auto* error = std::get_if<std::string>(&target)) return *error;
    const Target& t = std::get<Target>(target);

    std::vector<PictureJob> jobs;
    for (const std::string& input : options.pictures) {
        auto job = planOne(options, t, input);
        if (auto* error = std::get_if<std::string>(&job)) return *error;
        jobs.push_back(std::get<PictureJob>(job));
    }
    if (std::string collision = findCollision(jobs); !collision.empty()) return collision;

    if (t.isFolder) {
        std::error_code ec;
        fs::create_directories(t.path, ec);
        if (!fs::is_directory(t.path, ec))
            return "cannot create the output folder " + t.path.string();
    }
    return jobs;
}

}  // namespace rimvista::batch
