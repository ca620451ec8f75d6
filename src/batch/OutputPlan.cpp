#include "batch/OutputPlan.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <map>

#include "batch/Messages.h"

namespace rimvista::batch {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kDefaultSuffix = "-framed";

std::string lowerAscii(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) {
        return static_cast<char>(c < 0x80 ? std::tolower(c) : c);
    });
    return s;
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

std::variant<OutputTarget, std::string> chooseTarget(const BatchOptions& o, std::size_t count) {
    if (!o.output) return OutputTarget{};
    const std::string& out = *o.output;
    const auto several = [&](const std::string& what) {
        return say(what + " takes one picture; " + std::to_string(count) +
                       " were given (end the name with / for a folder)",
                   what + " には画像を 1 つしか書けません。" + std::to_string(count) +
                       " 個あります (フォルダーなら名前を / で終えてください)");
    };
    if (out == "-") {
        if (count > 1) return several(say("-o - (standard output)", "-o - (標準出力)"));
        return OutputTarget{OutputTarget::Kind::StandardOutput, {}};
    }
    std::error_code ec;
    if (out.back() == '/' || fs::is_directory(out, ec))
        return OutputTarget{OutputTarget::Kind::Folder, fs::path(out)};
    const auto named = formatOfName(out);
    if (!named)
        return say("cannot tell the output format of " + out +
                       ": name it .jpg, .png or .bmp, or end it with / for a folder",
                   out +
                       " の形式がわかりません。.jpg、.png、.bmp で終えるか、フォルダーなら / で"
                       "終えてください");
    if (o.format && *o.format != *named)
        return say("the output name " + out + " does not fit --format ",
                   "出力の名前 " + out + " は次の --format に合いません: ") +
               extensionFor(*o.format).substr(1);
    if (count > 1) return several(say("the output file ", "出力ファイル ") + out);
    return OutputTarget{OutputTarget::Kind::File, fs::path(out)};
}

PictureJob planOne(const BatchOptions& o, const OutputTarget& target, const InputName& name,
                   OutputFormat inputFormat) {
    const fs::path in(name.path);
    OutputFormat format = o.format.value_or(inputFormat);
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
    return PictureJob{name.path, out.string(), format, inputFormat};
}

// No output may be an input, and no two pictures may share an output.
std::string findCollision(const std::vector<PictureJob>& jobs) {
    std::map<std::string, std::string> inputs;
    for (const PictureJob& job : jobs) inputs.emplace(canonicalText(job.input), job.input);
    std::map<std::string, const PictureJob*> outputs;
    for (const PictureJob& job : jobs) {
        if (job.output == "-") continue;
        const std::string c = canonicalText(job.output);
        if (auto hit = inputs.find(c); hit != inputs.end())
            return job.input + say(": its output " + job.output + " is the input " + hit->second +
                                       " (give -o, or a --suffix)",
                                   ": 出力 " + job.output + " は入力の " + hit->second +
                                       " です (-o か --suffix を指定してください)");
        auto [it, fresh] = outputs.emplace(c, &job);
        if (!fresh)
            return say(it->second->input + " and " + job.input + " would both be written to " +
                           job.output + " (give --suffix, another -o, or frame them in two runs)",
                       it->second->input + " と " + job.input + " が同じ " + job.output +
                           " に書かれます (--suffix か別の -o を指定するか、二回に分けてください)");
    }
    return {};
}

}  // namespace

std::string extensionFor(OutputFormat format) {
    switch (format) {
        case OutputFormat::Bmp:
            return ".bmp";
        case OutputFormat::Png:
            return ".png";
        case OutputFormat::Jpg:
            break;
    }
    return ".jpg";
}

std::optional<OutputFormat> formatOfName(const std::string& path) {
    const std::string ext = lowerAscii(fs::path(path).extension().string());
    if (ext == ".bmp") return OutputFormat::Bmp;
    if (ext == ".jpg" || ext == ".jpeg" || ext == ".jpe") return OutputFormat::Jpg;
    if (ext == ".png") return OutputFormat::Png;
    return std::nullopt;
}

std::optional<OutputFormat> pictureFormat(const std::string& path, std::string& reason) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (!fs::exists(status)) {
        reason = say("no such file", "ファイルがありません");
        return std::nullopt;
    }
    if (fs::is_directory(status)) {
        reason = say("is a folder (-R frames the pictures in it)",
                     "フォルダーです (-R でその中の画像を処理します)");
        return std::nullopt;
    }
    std::array<unsigned char, 8> magic{};
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        reason = say("cannot be opened", "開けません");
        return std::nullopt;
    }
    in.read(reinterpret_cast<char*>(magic.data()), magic.size());
    const auto n = in.gcount();
    if (n >= 3 && magic[0] == 0xFF && magic[1] == 0xD8 && magic[2] == 0xFF)
        return OutputFormat::Jpg;
    if (n >= 2 && magic[0] == 'B' && magic[1] == 'M') return OutputFormat::Bmp;
    if (n == 8 && magic[0] == 0x89 && magic[1] == 'P' && magic[2] == 'N' && magic[3] == 'G')
        return OutputFormat::Png;
    reason = say("not a JPEG, PNG or BMP picture; skipped",
                 "JPEG、PNG、BMP の画像ではありません。飛ばします");
    return std::nullopt;
}

std::variant<Plan, std::string> planOutputs(const BatchOptions& options,
                                            const std::vector<InputName>& names) {
    auto target = chooseTarget(options, names.size());
    if (auto* error = std::get_if<std::string>(&target)) return *error;
    Plan plan;
    plan.target = std::get<OutputTarget>(target);
    for (const InputName& name : names) {
        std::string reason;
        const auto format = pictureFormat(name.path, reason);
        if (!format) {
            if (!name.found) plan.strays.push_back(Stray{name.path, reason});
            continue;
        }
        plan.jobs.push_back(planOne(options, plan.target, name, *format));
    }
    if (std::string collision = findCollision(plan.jobs); !collision.empty()) return collision;
    return plan;
}

std::optional<std::string> createOutputFolder(const fs::path& folder, fs::path& created) {
    std::error_code ec;
    created.clear();
    fs::path missing;
    for (fs::path p = fs::absolute(folder, ec).lexically_normal(); !p.empty() && !fs::exists(p, ec);
         p = p.parent_path()) {
        missing = p;
        if (p == p.parent_path()) break;
    }
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder, ec))
        return say("cannot create the output folder " + folder.string() + ": " + ec.message(),
                   "出力フォルダー " + folder.string() + " を作れません: " + ec.message());
    created = missing;
    return std::nullopt;
}

void removeEmptyFolders(const fs::path& folder) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec) || fs::is_symlink(folder, ec)) return;
    for (const auto& entry : fs::directory_iterator(folder, ec)) removeEmptyFolders(entry.path());
    if (fs::is_empty(folder, ec)) fs::remove(folder, ec);
}

}  // namespace rimvista::batch
