#include "batch/OutputPlan.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <optional>

#include "imageio/TemporaryFiles.h"

namespace rimvista::batch {

namespace {

namespace fs = std::filesystem;

using files::FormatId;

constexpr std::string_view kDefaultSuffix = "-framed";

// The format a file name's extension names, any letter case.
std::optional<FormatId> formatOfName(const std::string& path) {
    if (const files::PictureFormat* format = files::formatOfName(path)) return format->id;
    return std::nullopt;
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
fs::path outputName(const fs::path& input, FormatId format, std::string_view suffix) {
    const bool sameFormat = formatOfName(input.string()) == format;
    if (sameFormat && suffix.empty()) return input.filename();
    const std::string ext = sameFormat ? input.extension().string() : extensionFor(format);
    return fs::path(input.stem().string() + std::string(suffix) + ext);
}

Result<OutputTarget> chooseTarget(const BatchOptions& o, std::size_t count) {
    if (!o.output) return OutputTarget{};
    const std::string& out = *o.output;
    const auto count64 = static_cast<std::int64_t>(count);
    if (out == "-") {
        if (count > 1) return Error::of(ErrorKind::StandardOutputTakesOne).with(count64);
        return OutputTarget{OutputTarget::Kind::StandardOutput, {}};
    }
    std::error_code ec;
    if (out.back() == '/' || fs::is_directory(out, ec))
        return OutputTarget{OutputTarget::Kind::Folder, fs::path(out)};
    const auto named = formatOfName(out);
    if (!named) return Error::of(ErrorKind::OutputFormatUnknown).naming({out});
    if (o.format && *o.format != *named)
        return Error::of(ErrorKind::OutputFormatMismatch)
            .naming({out, extensionFor(*o.format).substr(1)});
    if (count > 1) return Error::of(ErrorKind::OutputFileTakesOne).with(count64).naming({out});
    return OutputTarget{OutputTarget::Kind::File, fs::path(out)};
}

PictureJob planOne(const BatchOptions& o, const OutputTarget& target, const InputName& name,
                   FormatId inputFormat) {
    const fs::path in(name.path);
    FormatId format = o.format.value_or(inputFormat);
    fs::path out;
    switch (target.kind) {
        case OutputTarget::Kind::Beside:
            out = in.parent_path() /
                  outputName(in, format, o.suffix.value_or(std::string(kDefaultSuffix)));
            break;
        case OutputTarget::Kind::Folder:
            out = target.path / fs::path(name.relative).parent_path() /
                  outputName(in, format, o.suffix.value_or(std::string()));
            break;
        case OutputTarget::Kind::File:
            format = *formatOfName(target.path.string());
            out = target.path;
            break;
        case OutputTarget::Kind::StandardOutput:
            out = "-";
            break;
    }
    return PictureJob{name.path, out.string(), format, inputFormat, 0, name.shardKey};
}

// Inputs that are another input's output leave the jobs for plan.passedOver.
void passOverResults(Plan& plan) {
    std::map<std::string, std::string> producers;
    for (const PictureJob& job : plan.jobs)
        if (job.output != "-") producers.emplace(canonicalText(job.output), job.input);
    std::erase_if(plan.jobs, [&](const PictureJob& job) {
        const auto hit = producers.find(canonicalText(job.input));
        if (hit == producers.end() || hit->second == job.input) return false;
        plan.passedOver.push_back(PassedOver{job.input, hit->second, job.shardKey});
        return true;
    });
}

// No output may be an input, and no two pictures may share an output.
Result<void> findCollision(const std::vector<PictureJob>& jobs) {
    std::map<std::string, std::string> inputs;
    for (const PictureJob& job : jobs) inputs.emplace(canonicalText(job.input), job.input);
    std::map<std::string, const PictureJob*> outputs;
    for (const PictureJob& job : jobs) {
        if (job.output == "-") continue;
        const std::string c = canonicalText(job.output);
        if (auto hit = inputs.find(c); hit != inputs.end())
            return Error::of(ErrorKind::OutputIsInput).naming({job.input, job.output, hit->second});
        auto [it, fresh] = outputs.emplace(c, &job);
        if (!fresh && canonicalText(it->second->input) == canonicalText(job.input))
            return Error::of(ErrorKind::InputNamedTwice).naming({it->second->input, job.input});
        if (!fresh)
            return Error::of(ErrorKind::OutputShared)
                .naming({it->second->input, job.input, job.output});
    }
    return {};
}

}  // namespace

std::string extensionFor(FormatId format) {
    // Appended rather than "." + string: GCC 12 warns (-Wrestrict) about the insertion in front.
    std::string extension = ".";
    extension += files::pictureFormat(format).primaryExtension();
    return extension;
}

Result<FormatId> pictureFormatOf(const std::string& path) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    // A loop of links or a folder that may not be searched is no missing file: its reason.
    if (ec && ec.value() != ENOENT) return Error::of(ErrorKind::CannotOpen, ec.value());
    if (!fs::exists(status)) return Error::of(ErrorKind::NoSuchFile);
    if (fs::is_directory(status)) return Error::of(ErrorKind::IsFolder);
    files::InputFile file;
    if (auto opened = file.open(path); !opened) return opened.error();
    const auto format = files::formatOfFile(file);
    if (!format) return format.error();
    return (*format)->id;
}

Result<Plan> planOutputs(const BatchOptions& options, const std::vector<InputName>& names) {
    auto target = chooseTarget(options, names.size());
    if (!target) return target.error();
    Plan plan;
    plan.target = *target;
    for (const InputName& name : names) {
        const auto format = pictureFormatOf(name.path);
        if (!format) {
            if (!name.found) plan.strays.push_back(Stray{name.path, format.error(), name.shardKey});
            continue;
        }
        plan.jobs.push_back(planOne(options, plan.target, name, *format));
    }
    passOverResults(plan);
    if (auto apart = findCollision(plan.jobs); !apart) return apart.error();
    return plan;
}

Result<void> createOutputFolder(const fs::path& folder, fs::path& created) {
    std::error_code ec;
    created.clear();
    fs::path missing;
    for (fs::path p = fs::absolute(folder, ec).lexically_normal(); !p.empty() && !fs::exists(p, ec);
         p = p.parent_path()) {
        missing = p;
        if (p == p.parent_path()) break;
    }
    std::error_code made;
    fs::create_directories(folder, made);
    if (!fs::is_directory(folder, ec))
        return Error::of(ErrorKind::OutputFolderNotMade, made ? made.value() : ENOTDIR)
            .naming({folder.string()});
    created = missing;
    return {};
}

namespace {

// 0 when files can be made in folder, or in the nearest existing folder above it (where the
// missing ones will be made); otherwise the system's reason.
int folderRefusal(fs::path folder) {
    std::error_code ec;
    if (folder.empty()) folder = ".";
    folder = fs::absolute(folder, ec).lexically_normal();
    while (!fs::exists(folder, ec) && folder != folder.parent_path()) folder = folder.parent_path();
    if (!fs::is_directory(folder, ec)) return ENOTDIR;
    return ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0 ? 0 : errno;
}

}  // namespace

void prepareOutputFolders(std::vector<PictureJob>& jobs) {
    std::map<fs::path, int> refusals;
    for (PictureJob& job : jobs) {
        if (job.output == "-") continue;
        const fs::path folder = fs::path(job.output).parent_path();
        auto [it, fresh] = refusals.emplace(folder, 0);
        if (fresh) {
            it->second = folderRefusal(folder);
            if (it->second == 0) files::removeStaleTemporaries(folder.string());
        }
        job.folderError = it->second;
    }
}

void removeEmptyFolders(const fs::path& folder) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec) || fs::is_symlink(folder, ec)) return;
    for (const auto& entry : fs::directory_iterator(folder, ec)) removeEmptyFolders(entry.path());
    if (fs::is_empty(folder, ec)) fs::remove(folder, ec);
}

}  // namespace rimvista::batch
